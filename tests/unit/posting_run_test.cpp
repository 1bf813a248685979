// The posting run against a website in a local folder: what a failing file
// leaves behind, and that one file's trouble never ends the whole run.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <stdexcept>
#include <sys/stat.h>

#include "platform/path_helpers.h"
#include "standin/standin_layout.h"
#include "posting/history_edit.h"
#include "posting/score_file.h"
#include "posting/score_file_collection.h"
#include "support/fake_web.h"
#include "support/golden_file.h"
#include "support/posting_samples.h"
#include "support/test_app.h"

namespace {

const std::string kTemplateUrl = "http://club.example/results/results_template.html";

class PostingRunTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        RegisterStandInLayout();
        clock.now = 1700000000;
        app->SetClock(&clock);
        CSetupData& s = app->Setup();
        samples::UseWebsite(s, "http://club.example", "ftp.club.example");
        s.SetFlags(SF_AUTO_FILL_HAND_RECORD);
        scores = folder.File("scores");
        ::mkdir(scores.c_str(), 0700);
        s.m_strScoreFileDirectory = scores;
        s.m_HandRecordFolders.Add(scores, true);
        samples::UseLayouts(s, folder.Path());
        urls.app = app.get();
        urls.pages[kTemplateUrl] = ReadTestData("template/results_template.html");
        urls.pages["http://club.example/index_template.htm"] = ReadTestData("index/index_template.htm");
        app->SetUrlSource(&urls);
        ::mkdir(site.root.c_str(), 0700);
        app->SetWebTransportFactory([this](CFTPSettings&) { return std::make_unique<CFakeWebTransport>(site); });
    }

    // Games on the given days, newest last (the run posts newest first).
    void WriteGames(std::initializer_list<int> days)
    {
        int64_t age = 600;
        for (int day : days)
            samples::WriteGame(scores, day, clock.now - age--, true);
    }
    bool OnServer(const std::string& relative) const { return FileExists(JoinPath(site.root, relative)); }
    // The web names of the Upload History as a fresh start reads it.
    std::vector<std::string> HistoryOnDisk() { return HistoryWebNamesOnDisk(prompter); }

    CFixedClock clock;
    CFakeUrlSource urls;
    CFakeWebsite site{folder.File("website")};
    std::string scores;
};

const char kOneOfTwo[] = "Post Games: 1 out of 2 score files succeeded (1 failed). Indexing succeeded.";

TEST_F(PostingRunTest, FolderChangeFailureClosesTheConnectionAndTheNextFileIsPosted)
{
    WriteGames({5, 6});
    site.failFolders.insert("results");  // fails once, for the newest file
    EXPECT_EQ(app->PostGames(PostMode::PostGames), PostRunResult::Ended);
    EXPECT_EQ(frame.GetLastStatus(), kOneOfTwo);
    EXPECT_EQ(HistoryOnDisk(), std::vector<std::string>{samples::PageName(5, ".html")});
    EXPECT_EQ(std::vector<std::string>(site.calls.begin(), site.calls.begin() + 3),
              (std::vector<std::string>{"login", "cd results", "disconnect"}));
}

TEST_F(PostingRunTest, ExceptionInOneFileIsReportedAndTheRunGoesOnToIndexAndReport)
{
    WriteGames({5, 6});
    site.beforeUpload = [](const std::string& remote) {
        if (remote == samples::PageName(6, ".html"))
            throw std::runtime_error("HEAD request could not be sent");
    };
    site.transcript = "curl ...";
    EXPECT_EQ(app->PostGames(PostMode::PostGames), PostRunResult::Ended);
    EXPECT_EQ(frame.GetLastStatus(), kOneOfTwo);
    const auto shown = prompter.Shown();
    ASSERT_GE(shown.size(), 2u);
    EXPECT_NE(shown[1].text.find("HEAD request could not be sent"), std::string::npos) << shown[1].text;
    EXPECT_EQ(site.transcriptsShown, 1);
    EXPECT_FALSE(site.connected);
    EXPECT_TRUE(OnServer("index.htm"));
}

// An older posting's PDF and hand records stay on the server until the new
// files are all up, and a file the new posting wrote under the same name
// is never removed.
TEST_F(PostingRunTest, OlderPostingIsRemovedOnlyAfterTheNewFilesAreUp)
{
    app->Setup().SetFlags(app->Setup().GetFlags() | SF_LINK_PDF_HAND_RECORDS | SF_UPLOAD_TO_SUBDIRECTORIES);
    const std::string page = samples::PageName(5, ".html");
    const std::string newPage = "2023/09/" + page;
    auto olderEntry = [&](const std::string& webName) {
        app->GetIndexEntries().RemoveAll();
        CScoreFile older;
        older.SetPosted(webName, 0);
        older.SetPath(webName);
        older.SetHandRecordPath("230905A.pbn");
        older.SetPdfHandRecordUploaded(true);
        older.SetComputerHandRecordUploaded(true);
        app->GetIndexEntries().Add(older);
    };

    // The PDF upload fails: nothing old is removed.
    WriteGames({5});
    olderEntry(page);
    site.failUploads.insert("2023/09/" + samples::PageName(5, ".pdf"));
    EXPECT_EQ(app->PostGames(PostMode::PostGames), PostRunResult::Ended);
    EXPECT_EQ(frame.GetLastStatus(), "Post Games: No score files succeeded (1 failed). Indexing not attempted.");
    for (const auto& e : site.events)
        EXPECT_EQ(e.rfind("delete", 0), std::string::npos) << e;

    // Moved into the month folder: the old files go after the new ones are up.
    site.failUploads.clear();
    site.events.clear();
    EXPECT_EQ(app->PostGames(PostMode::PostGames), PostRunResult::Ended);
    EXPECT_EQ(site.events, (std::vector<std::string>{
                               "put " + newPage, "put 2023/09/20230905anb.pdf", "put 2023/09/20230905anb.pbn",
                               "delete " + page, "delete 20230905anb.pdf", "delete 20230905anb.pbn",
                               "put index.htm"}));

    // Reposted under the same name: the files just written stay.
    olderEntry("2023\\09\\" + page);
    site.events.clear();
    app->GetHistory().RemoveAll();
    EXPECT_EQ(app->PostGames(PostMode::PostGames), PostRunResult::Ended);
    EXPECT_EQ(site.events, (std::vector<std::string>{"put " + newPage, "put 2023/09/20230905anb.pdf",
                                                      "put 2023/09/20230905anb.pbn", "put index.htm"}));
    EXPECT_TRUE(OnServer("results/2023/09/20230905anb.pdf"));
    EXPECT_TRUE(OnServer("results/2023/09/20230905anb.pbn"));
}

TEST_F(PostingRunTest, ChosenFilesThatCannotBeReadAreLeftOutAndNamed)
{
    WriteGames({5});
    const std::string good = JoinPath(scores, samples::GameFileName(5));
    const std::string missing = JoinPath(scores, "230906a.txt");
    prompter.fileDialogPaths = {good, missing, scores};
    prompter.onConfirm = [](const ConfirmPostingRequest&, ConfirmPostingAnswer&) { return false; };
    EXPECT_EQ(app->PostGames(PostMode::PostChosen), PostRunResult::Cancelled);
    const auto shown = prompter.Shown();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[1].text, "These score files could not be read and are left out:\r\n\r\n" + missing + "\r\n" + scores);
    ASSERT_EQ(prompter.confirmRequest.rows.size(), 1u);
    EXPECT_EQ(prompter.confirmRequest.rows[0].path, good);
}

// What Confirm Posting shows and gives back, and how each way the run can
// end is reported.
TEST_F(PostingRunTest, ConfirmRowsAnswersAndTheReportOfEachEnding)
{
    WriteGames({5, 6, 7});
    std::string viewed;  // View Score File, while the dialog is open
    prompter.onConfirm = [&viewed](const ConfirmPostingRequest& request, ConfirmPostingAnswer& answer) {
        viewed = request.scoreFileText(1);
        return false;
    };
    app->OnPostGames(false);
    EXPECT_EQ(frame.GetLastStatus(), "Canceled");
    const auto& rows = prompter.confirmRequest.rows;
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].handRecordPath, JoinPath(scores, samples::HandRecordFileName(7)));  // newest first
    EXPECT_NE(viewed.find("Zo\xC3\xAB Adams"), std::string::npos) << viewed;

    // Template missing: "Upload was unsuccessful".
    prompter.onConfirm = nullptr;
    urls.pages.erase(kTemplateUrl);
    app->OnPostGames(false);
    EXPECT_EQ(frame.GetLastStatus(), "Upload was unsuccessful");
    urls.pages[kTemplateUrl] = ReadTestData("template/results_template.html");

    // Cancel in a question stops at once: no summary, nothing sent.
    clock.now += 5 * 3600;
    prompter.Answer(IDCANCEL);
    app->OnPostGames(false);
    EXPECT_EQ(frame.GetLastStatus(), "Canceled");
    EXPECT_TRUE(site.events.empty());
}

// A Score File Directory that is gone, is a file, or cannot be listed is
// said as such by Post Games, Repost and History's Add, and logged; the run
// ends with nothing offered, as on an evening with nothing new, whose
// message stays for a folder that is there.
TEST_F(PostingRunTest, AScoreFolderThatCannotBeReadIsSaidAsSuch)
{
    WriteGames({5});
    CColScoreFile copy;
    const std::string stick = folder.File("stick");
    struct Case {
        const char* what;
        std::function<void()> make;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {"unplugged", [&] { ::rmdir(stick.c_str()); }, "No such file or directory"},
        {"a file in its place", [&] { folder.Write("stick", "x"); }, "Not a directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ::unlink(stick.c_str());
        c.make();
        app->Setup().m_strScoreFileDirectory = stick;
        const std::string said = "The Score File Directory " + stick + " cannot be read: " + c.reason;
        for (const PostMode mode : {PostMode::PostGames, PostMode::Repost}) {
            prompter.Clear();
            EXPECT_EQ(app->PostGames(mode), PostRunResult::Ended);
            EXPECT_EQ(frame.GetLastStatus(), said);
            EXPECT_TRUE(prompter.Shown().empty()) << "nothing is offered";
        }
        EXPECT_NE(LogText().find("]" + said + "\n"), std::string::npos);
        EXPECT_EQ(AddNewScoreFilesToHistory(*app, copy), 0);
        EXPECT_EQ(prompter.LastShown().kind, "box");
        EXPECT_EQ(prompter.LastText(), said);
        EXPECT_EQ(copy.GetCount(), 0);
    }
    // Back in place, empty: the usual words, and no trace of the last trouble.
    ::unlink(stick.c_str());
    ::mkdir(stick.c_str(), 0700);
    EXPECT_EQ(app->PostGames(PostMode::PostGames), PostRunResult::Ended);
    EXPECT_EQ(frame.GetLastStatus(), "There are no new score files in " + stick);
    EXPECT_EQ(app->GetScanProblem(), "");
}

// Each posted file is on disk before the next one starts, even when the
// run never reaches its end; a journal entry cut short is left out.
TEST_F(PostingRunTest, EveryPostedFileIsOnDiskBeforeTheNextOneStarts)
{
    WriteGames({5, 6, 7});
    const std::string journal = JoinPath(dataDir, "ProgramData.bin.journal");
    std::vector<std::string> onDisk;
    site.beforeUpload = [&](const std::string& remote) {
        if (remote != samples::PageName(5, ".html"))
            return;
        // A torn entry at the end, as a crash in the middle of a write leaves it.
        std::ofstream(journal, std::ios::binary | std::ios::app) << std::string("QMJ1\x40\0\0\0partial", 15);
        onDisk = HistoryOnDisk();
    };
    EXPECT_EQ(app->PostGames(PostMode::PostGames), PostRunResult::Ended);
    EXPECT_EQ(onDisk, (std::vector<std::string>{samples::PageName(7, ".html"), samples::PageName(6, ".html")}));
    EXPECT_FALSE(FileExists(journal)) << "the run's last save takes the journal in";
    EXPECT_EQ(HistoryOnDisk().size(), 3u);
}

TEST(FormatFileSize, RoundsUpToKilobytesAndGroupsDigits)
{
    EXPECT_EQ(FormatFileSize(1536, true), "2 KB");
    EXPECT_EQ(FormatFileSize(1234567, false), "1,234,567 bytes");
}

}  // namespace
