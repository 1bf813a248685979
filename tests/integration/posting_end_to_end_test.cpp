// Post Games from a club's score folder to a real server on this machine,
// over each protocol, and the BridgeWebs form post to the HTTP server.
#include <algorithm>
#include <ftw.h>
#include <sys/stat.h>

#include "platform/path_helpers.h"
#include "standin/standin_layout.h"
#include "platform/text_encoding.h"
#include "platform/text_helpers.h"
#include "posting/ftp_web_transport.h"
#include "posting/score_file.h"
#include "support/golden_file.h"
#include "support/posting_samples.h"
#include "transfer/get_url.h"
#include "transfer_fixture.h"

namespace {

// A main frame that answers "cancelled" once the user has pressed Cancel,
// as the window's frame does, and lets a test act on a status text.
class PostingFrame : public ProgressFrame {
public:
    int StatusText(int pane, const std::string& text) override
    {
        ProgressFrame::StatusText(pane, text);
        if (onStatus && pane == 2 && !m_inHook) {
            m_inHook = true;
            onStatus(text);
            m_inHook = false;
        }
        return app && app->GetCancelState(false) == CS_CANCELLED ? 0 : 1;
    }
    int UploadProgress(bool show, int total, int done) override
    {
        const int answer = ProgressFrame::UploadProgress(show, total, done);
        return app && app->GetCancelState(false) == CS_CANCELLED ? 0 : answer;
    }

    CQuillmarkApp* app = nullptr;
    std::function<void(const std::string&)> onStatus;

private:
    bool m_inHook = false;
};

std::string Hex(const std::string& bytes)
{
    std::string out;
    for (unsigned char c : bytes)
        out += StrFormat("%02x", c);
    return out;
}

// The bytes of every file below folder.
std::vector<std::string> g_found;
std::vector<std::string> FilesBelow(const std::string& folder)
{
    g_found.clear();
    ::nftw(folder.c_str(), [](const char* path, const struct stat*, int type, FTW*) {
        if (type == FTW_F)
            g_found.push_back(ReadWholeFile(path));
        return 0;
    }, 16, FTW_PHYS);
    return g_found;
}

}  // namespace

class PostingEndToEnd : public TransferTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override
    {
        TransferTest::SetUp();
        RegisterStandInLayout();
        postingFrame.app = app.get();
        app->SetMainFrame(&postingFrame);
        scores = folder.File("scores");
        ::mkdir(scores.c_str(), 0700);
        ::mkdir(WebPath("results").c_str(), 0777);
        templateText = ReadTestData("template/results_template.html");
        WriteWebFile("results/results_template.html", templateText);
        WriteWebFile("index_template.htm", ReadTestData("index/index_template.htm"));
        CSetupData& s = app->Setup();
        s.m_strScoreFileDirectory = scores;
        s.m_HandRecordFolders.Add(scores, true);
        s.m_strWebsiteScoreFileDirectory = "results";
        s.m_strScoreFileTemplate = "results_template.html";
        s.m_strIndexTemplate = "index_template.htm";
        s.m_strIndexFile = "index.htm";
        samples::UseLayouts(s, folder.Path());
        PointAtServers();
        ::unlink(JoinPath(dataDir, "ProgramData.bin").c_str());
    }
    void TearDown() override
    {
        EXPECT_TRUE(WaitForDownloadThreads(10000));
        app->SetMainFrame(&frame);
        TransferTest::TearDown();
    }

    // The FTP settings on the protocol's server (started again when it was
    // stopped), the test's folder as the website.
    virtual void PointAtServers()
    {
        UseProtocol(GetParam());
        app->Setup().SetFlags(app->Setup().GetFlags() | SF_AUTO_FILL_HAND_RECORD);
        Ftp().m_strDirectory += "/" + TestFolderName();
        webUrl = LoopbackSite::Get().Http().Url() + "/" + TestFolderName();
        app->Setup().m_strWebsiteUrl = webUrl;
    }
    loopback::CServerProcess& Server()
    {
        LoopbackSite& site = LoopbackSite::Get();
        switch (GetParam()) {
        case PROTOCOL_FTP: return site.Ftp();
        case PROTOCOL_FTPS: return site.Ftps();
        default: return site.Ssh();
        }
    }

    // Games on the given days, each newer than the one before.
    void WriteGames(const std::vector<int>& days, int64_t ageSeconds = 600)
    {
        const int64_t now = std::time(nullptr);
        for (int day : days)
            samples::WriteGame(scores, day, now - ageSeconds--, true);
    }
    std::string LastStatus() const { return postingFrame.GetLastStatus(); }
    std::string ServerPage(int day) const { return ReadWholeFile(WebPath("results/" + samples::PageName(day, ".html"))); }
    // The web names of the Upload History as the program data file holds it, sorted.
    std::vector<std::string> HistoryOnDisk()
    {
        std::vector<std::string> names = HistoryWebNamesOnDisk(prompter);
        std::sort(names.begin(), names.end());
        return names;
    }
    bool TempFileHolds(const std::string& bytes) const
    {
        const auto files = FilesBelow(tempDir);
        return !bytes.empty() && std::find(files.begin(), files.end(), bytes) != files.end();
    }
    std::vector<std::string> Questions() const
    {
        std::vector<std::string> texts;
        for (const auto& s : prompter.Shown()) {
            if (s.kind == "yestoall")
                texts.push_back(s.text.substr(0, s.text.find("\r\n")));
        }
        return texts;
    }
    // The error boxes the director was shown whose text holds part.
    int BoxesSaying(const std::string& part) const
    {
        int told = 0;
        for (const auto& s : prompter.Shown())
            told += s.kind == "box" && (s.style & MB_ICONERROR) != 0 && s.text.find(part) != std::string::npos;
        return told;
    }

    PostingFrame postingFrame;
    std::string scores;
    std::string webUrl;
    std::string templateText;
};

TEST_P(PostingEndToEnd, PostsNewFilesOnceThenRepostsWithOneYesToAll)
{
    app->Setup().SetFlags(app->Setup().GetFlags() | SF_LINK_PDF_HAND_RECORDS);
    WriteGames({5, 6});
    const int loginsBefore = GetParam() == PROTOCOL_SFTP ? SshLogins() : 0;
    app->OnPostGames(false);
    EXPECT_EQ(LastStatus(), "Post Games succeeded: 2 score files. Indexing succeeded.");
    // Every SFTP step of the run (pages, PDFs, hand records, index pages)
    // rode on one connection, closed when the run ended.
    if (GetParam() == PROTOCOL_SFTP) {
        EXPECT_EQ(SshLogins() - loginsBefore, 1);
        EXPECT_TRUE(SftpProcesses().empty());
    }

    // The page is the template with the results after the marker, exactly
    // as it was made here; the PDF and the hand records as they are here.
    for (int day : {5, 6}) {
        const std::string page = ServerPage(day);
        const size_t marker = templateText.find("<!--quillmark:insert-->");
        EXPECT_EQ(page.substr(0, marker), templateText.substr(0, marker));
        EXPECT_NE(page.find("Zo&#235; Adams - Karl M&#252;ller"), std::string::npos);
        EXPECT_TRUE(TempFileHolds(page)) << "page " << day;
        EXPECT_TRUE(TempFileHolds(ReadWholeFile(WebPath("results/" + samples::PageName(day, ".pdf"))))) << day;
        EXPECT_EQ(ReadWholeFile(WebPath("results/" + samples::PageName(day, ".pbn"))), samples::HandRecordText());
    }
    const std::vector<std::string> posted{samples::PageName(5, ".html"), samples::PageName(6, ".html")};
    EXPECT_EQ(HistoryOnDisk(), posted);
    const std::string index = ReadWholeFile(WebPath("index.htm"));
    for (const auto& name : posted)
        EXPECT_NE(index.find("results/" + name), std::string::npos) << name;
    // No transcript: curl and ssh say nothing when all is well.
    EXPECT_EQ(prompter.textsShown.size(), 0u);
    EXPECT_EQ(prompter.Shown().back().kind, "confirm");

    // Nothing new the second time.
    prompter.Clear();
    app->OnPostGames(false);
    EXPECT_EQ(LastStatus(), "There are no new score files in " + scores);
    EXPECT_TRUE(prompter.Shown().empty());

    // Repost lists both unmarked; marking both asks once, Yes to All
    // answers for the second.
    prompter.onConfirm = [](const ConfirmPostingRequest& request, ConfirmPostingAnswer& answer) {
        for (const auto& row : request.rows)
            EXPECT_FALSE(row.checked) << row.path;
        answer.checked.assign(request.rows.size(), true);
        return true;
    };
    prompter.Answer(IDYESTOALL);
    app->OnFileRepost();
    EXPECT_EQ(Questions(),
              std::vector<std::string>{"The results in a score file have been posted previously to a web page."});
    EXPECT_EQ(LastStatus(), "Post Games succeeded: 2 score files. Indexing succeeded.");
    EXPECT_EQ(HistoryOnDisk(), posted);
    EXPECT_EQ(app->GetIndexEntries().GetCount(), 2);
}

TEST_P(PostingEndToEnd, OldFileIsAskedAndAMovedPageReplacesItsOlderPosting)
{
    WriteGames({5}, 5 * 3600);
    prompter.Answer(IDNO);
    app->OnPostGames(false);
    EXPECT_EQ(Questions(), std::vector<std::string>{"A score file is more than four hours old."});
    EXPECT_EQ(LastStatus(), "Post Games: No score files succeeded (1 failed). Indexing not attempted.");
    EXPECT_TRUE(app->GetHistory().IsEmpty());

    prompter.Answer(IDYES);
    app->OnPostGames(false);
    EXPECT_EQ(LastStatus(), "Post Games succeeded: 1 score file. Indexing succeeded.");
    ASSERT_FALSE(ServerPage(5).empty());

    // Into year and month folders: the older page and hand records go, and
    // only once the new ones are up.
    app->Setup().SetFlags(app->Setup().GetFlags() | SF_UPLOAD_TO_SUBDIRECTORIES);
    prompter.Clear();
    prompter.onConfirm = [](const ConfirmPostingRequest&, ConfirmPostingAnswer& answer) {
        answer.checked.assign(answer.checked.size(), true);
        return true;
    };
    prompter.Answer(IDYES);
    app->OnFileRepost();
    EXPECT_EQ(LastStatus(), "Post Games succeeded: 1 score file. Indexing succeeded.");
    EXPECT_EQ(Questions(),
              std::vector<std::string>{"The results in a score file have been posted previously to a web page."});
    EXPECT_NE(ReadWholeFile(WebPath("results/2023/09/" + samples::PageName(5, ".html"))).find("Karl M&#252;ller"),
              std::string::npos);
    EXPECT_FALSE(PathExists(WebPath("results/" + samples::PageName(5, ".html"))));
    EXPECT_FALSE(PathExists(WebPath("results/" + samples::PageName(5, ".pbn"))));
    const std::string log = LogText();
    const size_t newUp = log.rfind("Uploaded computer hand record file=");
    const size_t oldGone = log.rfind("Remove=[" + samples::PageName(5, ".html") + "]");
    ASSERT_NE(oldGone, std::string::npos);
    EXPECT_LT(newUp, oldGone);
    EXPECT_NE(ReadWholeFile(WebPath("index.htm")).find("results/2023/09/" + samples::PageName(5, ".html")),
              std::string::npos);
}

// An index entry names the older posting's files; a setup file from
// elsewhere or a page read back from the website can make it name files
// outside the score-file folder. Those are left alone, and the repost works.
TEST_P(PostingEndToEnd, ARepostDeletesNothingOutsideTheScoreFileFolder)
{
    app->Setup().SetFlags(app->Setup().GetFlags() | SF_LINK_PDF_HAND_RECORDS);
    WriteGames({5});
    app->OnPostGames(false);
    ASSERT_EQ(LastStatus(), "Post Games succeeded: 1 score file. Indexing succeeded.");
    const std::string page = samples::PageName(5, ".html");
    // The test's folder as the server names it from its root.
    const std::string absolute =
        GetParam() == PROTOCOL_SFTP ? testFolder : "/" + GetFileNameOnly(LoopbackSite::Get().www) + "/" + TestFolderName();
    const std::string planted[] = {"../outside/" + page, "2023\\..\\..\\outside\\" + page,
                                   absolute + "/outside/" + page};
    ::mkdir(WebPath("outside").c_str(), 0777);
    prompter.onConfirm = [](const ConfirmPostingRequest&, ConfirmPostingAnswer& answer) {
        answer.checked.assign(answer.checked.size(), true);
        return true;
    };
    for (const std::string& name : planted) {
        SCOPED_TRACE(name);
        for (const char* ext : {".html", ".pdf", ".pbn"})
            WriteWebFile("outside/" + samples::PageName(5, ext), "not Quillmark's");
        CScoreFile* entry = app->FindIndexEntryByFileName(page);
        ASSERT_NE(entry, nullptr);
        entry->SetPath(name);
        entry->SetPosted(name, 0);
        entry->SetPdfHandRecordUploaded(true);
        entry->SetComputerHandRecordUploaded(true);
        entry->SetHandRecordPath(JoinPath(scores, "hands.pbn"));

        prompter.Clear();
        prompter.Answer(IDYES);
        app->OnFileRepost();
        EXPECT_EQ(LastStatus(), "Post Games succeeded: 1 score file. Indexing succeeded.");
        for (const char* ext : {".html", ".pdf", ".pbn"}) {
            EXPECT_EQ(ReadWholeFile(WebPath("outside/" + samples::PageName(5, ext))), "not Quillmark's") << ext;
            EXPECT_TRUE(PathExists(WebPath("results/" + samples::PageName(5, ext)))) << ext;
        }
        const std::string log = LogText();
        EXPECT_NE(log.find("Not removed=[" + name + "]: an older posting's name must lie inside"), std::string::npos);
        EXPECT_EQ(log.find("Remove=[" + ReplaceAll(name, "\\", "/")), std::string::npos);
    }
}

// The server gone after the third of ten files, then a cancel in the middle
// of a file and a wrong login: each is told once and stops the run, what
// failed is recorded nowhere, and the rest is posted once when all is well
// again.
TEST_P(PostingEndToEnd, ServerGoneCancelAndWrongLoginThenTheRestArePostedOnce)
{
    WriteGames({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    // Plain FTP and curl find the server gone at game 7's login; sftp's
    // connection, open since game 10, breaks under game 7's upload, and game
    // 6 finds nothing to connect to.
    const int lastTried = GetParam() == PROTOCOL_SFTP ? 6 : 7;
    bool triedAfterTheFailure = false;
    postingFrame.onStatus = [this, &triedAfterTheFailure, lastTried](const std::string& text) {
        if (text == "Posting score file '" + samples::GameFileName(7) + "'")
            Server().Kill();
        triedAfterTheFailure = triedAfterTheFailure ||
                               text == "Posting score file '" + samples::GameFileName(lastTried - 1) + "'";
    };
    app->OnPostGames(false);
    EXPECT_FALSE(triedAfterTheFailure);
    EXPECT_EQ(LastStatus(), "Post Games stopped: Quillmark could not connect to the server after 3 of 10 score "
                            "files had been posted. The index was not updated; the next Post Games posts the rest "
                            "and updates the index.");
    EXPECT_EQ(HistoryOnDisk(), (std::vector<std::string>{samples::PageName(8, ".html"), samples::PageName(9, ".html"),
                                                         samples::PageName(10, ".html")}));
    EXPECT_EQ(BoxesSaying("could not connect to the server 127.0.0.1 on port "), 1);
    EXPECT_EQ(BoxesSaying("was unsuccessful"), 0);
    EXPECT_NE(LogText().find(LastStatus()), std::string::npos);
    const std::string firstLog = LogText();

    PointAtServers();
    app->m_bShowProgressBar = true;  // the plain FTP upload then stops between blocks
    postingFrame.onStatus = [this](const std::string& text) {
        if (text == "Uploading file: " + samples::PageName(7, ".pbn"))
            app->OnFileCancel();
    };
    app->OnPostGames(false);
    postingFrame.onStatus = nullptr;
    EXPECT_EQ(LastStatus(), "Canceled");
    EXPECT_EQ(HistoryOnDisk().size(), 3u);
    EXPECT_FALSE(PathExists(WebPath("results/" + samples::PageName(6, ".html"))));

    const std::string sftpKey = Ftp().m_strParameters[2];
    if (GetParam() == PROTOCOL_SFTP)
        Ftp().m_strParameters[2] = ReplaceAll(sftpKey, "userkey", "otherkey");
    else
        ASSERT_TRUE(app->SetFtpPassword("not the password"));
    prompter.Clear();
    app->OnPostGames(false);
    EXPECT_EQ(LastStatus(), "Post Games stopped: the login to the server was unsuccessful. No score files were posted.");
    EXPECT_EQ(HistoryOnDisk().size(), 3u);
    EXPECT_EQ(BoxesSaying("The login to the server 127.0.0.1 as user "), 1);
    EXPECT_EQ(BoxesSaying("could not connect"), 0);
    EXPECT_EQ(LogText().find("not the password"), std::string::npos);

    Ftp().m_strParameters[2] = sftpKey;
    ASSERT_TRUE(app->SetFtpPassword(kPassword));
    const size_t resumed = LogText().size();
    prompter.Clear();
    app->OnPostGames(false);
    EXPECT_EQ(prompter.confirmRequest.rows.size(), 7u);
    EXPECT_EQ(LastStatus(), "Post Games succeeded: 7 score files. Indexing succeeded.");
    EXPECT_EQ(HistoryOnDisk().size(), 10u);
    const std::string log = firstLog + LogText().substr(resumed);  // the runs that posted
    for (int day = 1; day <= 10; ++day)
        EXPECT_EQ(Count(log, "->[" + samples::PageName(day, ".html") + "]"), 1u) << day;
}

// Cancel after some games: the status line and the log say how many went
// up and that the index does not list them yet; the next Post Games posts
// the rest and indexes them all.
TEST_P(PostingEndToEnd, CancelAfterSomeGamesSaysWhatWentUpAndThatTheIndexWaits)
{
    WriteGames({1, 2, 3, 4, 5});
    app->m_bShowProgressBar = true;  // the plain FTP upload then stops between blocks
    postingFrame.onStatus = [this](const std::string& text) {
        if (text == "Uploading file: " + samples::PageName(3, ".pbn"))
            app->OnFileCancel();
    };
    app->OnPostGames(false);
    postingFrame.onStatus = nullptr;
    const std::string said = "Canceled after 2 of 5 score files had been posted. The index was not updated; the "
                             "next Post Games posts the rest and updates the index.";
    EXPECT_EQ(LastStatus(), said);
    EXPECT_NE(LogText().find("]" + said + "\n"), std::string::npos);
    EXPECT_EQ(HistoryOnDisk().size(), 2u);
    EXPECT_FALSE(PathExists(WebPath("index.htm")));

    app->OnPostGames(false);
    EXPECT_EQ(LastStatus(), "Post Games succeeded: 3 score files. Indexing succeeded.");
    const std::string index = ReadWholeFile(WebPath("index.htm"));
    for (int day = 1; day <= 5; ++day)
        EXPECT_NE(index.find(samples::PageName(day, ".html")), std::string::npos) << day;
}

INSTANTIATE_TEST_SUITE_P(Protocols, PostingEndToEnd,
                         ::testing::Values(PROTOCOL_FTP, PROTOCOL_FTPS, PROTOCOL_SFTP),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(GetProtocolName(info.param));
                         });

// The BridgeWebs results service: one form post per game file.
class BridgeWebsPosting : public TransferTest {
protected:
    void SetUp() override
    {
        TransferTest::SetUp();
        postingFrame.app = app.get();
        app->SetMainFrame(&postingFrame);
        scores = folder.File("games");
        ::mkdir(scores.c_str(), 0700);
        CSetupData& s = app->Setup();
        s.m_strScoreFileDirectory = scores;
        s.m_HandRecordFolders.Add(scores, true);
        s.SetFlags(SF_BRIDGEWEBS | SF_ALERT_NO_BWS | SF_AUTO_FILL_HAND_RECORD);
        s.m_Ftp.m_strServer = LoopbackSite::Get().Http().Url().substr(7);  // "127.0.0.1:<port>"
        s.m_Ftp.m_strUser = kUser;
        s.m_Ftp.m_strDirectory.clear();
    }
    void TearDown() override
    {
        app->SetMainFrame(&frame);
        TransferTest::TearDown();
    }
    // An ACBLscore game file: binary, with NUL and high bytes.
    std::string WriteGame(const std::string& name)
    {
        std::string bytes("ACBL\0\x01\xFF game ", 13);
        bytes += name + std::string(3000, '\x7F');
        folder.Write("games/" + name, bytes);
        return bytes;
    }
    std::vector<std::string> Posts() const
    {
        std::vector<std::string> lines;
        const std::string all = ReadWholeFile(LoopbackSite::Get().postsFile);
        for (size_t at = 0, end; (end = all.find('\n', at)) != std::string::npos; at = end + 1)
            lines.push_back(all.substr(at, end - at));
        return lines;
    }
    std::string LastStatus() const { return postingFrame.GetLastStatus(); }

    PostingFrame postingFrame;
    std::string scores;
};

TEST_F(BridgeWebsPosting, FormPostCarriesEveryFieldInOrderWithTheBytesIntact)
{
    const std::string game = WriteGame("230905.aca");
    folder.Write("games/230905A.pbn", samples::HandRecordText());
    ::mkdir(folder.File("elsewhere").c_str(), 0700);
    const std::string bws = std::string("BWS\0\x80\x81 wireless", 15);
    const std::string bwsPath = folder.Write("elsewhere/club.bws", bws);
    prompter.wirelessAnswers.push_back({IDOK, bwsPath});  // Try Again with the file found elsewhere
    const size_t before = Posts().size();

    app->OnPostGames(false);
    EXPECT_EQ(LastStatus(), "Post Games succeeded: 1 score file");
    const auto shown = prompter.Shown();
    const auto wireless = std::find_if(shown.begin(), shown.end(), [](const auto& s) { return s.kind == "wireless"; });
    ASSERT_NE(wireless, shown.end());
    EXPECT_EQ(wireless->text, "Unable to open wireless scoring system database: No such file or directory|" +
                                  JoinPath(scores, "230905A.bws"));

    const auto posts = Posts();
    ASSERT_EQ(posts.size(), before + 1);
    const std::string& post = posts.back();
    EXPECT_NE(post.find("\"path\": \"/cgi-bin/upload/exchange.cgi\""), std::string::npos) << post;
    const std::string fields = "\"fields\": [[\"club\", \"" + Hex(kUser) + "\"], [\"type\", \"" + Hex("upload") +
                               "\"], [\"password\", \"" + Hex(Utf8ToCp1252(kPassword)) + "\"], [\"acblname\", \"" +
                               Hex("230905.aca") + "\"], [\"acbldata\", \"" + Hex(game) + "\"], [\"bwsname\", \"" +
                               Hex("club.bws") + "\"], [\"bwsdata\", \"" + Hex(bws) + "\"], [\"dealname\", \"" +
                               Hex("230905A.pbn") + "\"], [\"dealdata\", \"" + Hex(samples::HandRecordText()) +
                               "\"]]";
    EXPECT_NE(post.find(fields), std::string::npos) << post;
    ASSERT_EQ(app->GetHistory().GetCount(), 1);
    EXPECT_EQ(app->GetHistory()[0].GetWebName(), "230905.aca");

    // Sent again only when the director says so.
    prompter.Answer(IDNO);
    prompter.onConfirm = [](const ConfirmPostingRequest&, ConfirmPostingAnswer& answer) {
        answer.checked.assign(answer.checked.size(), true);
        return true;
    };
    app->OnFileRepost();
    EXPECT_EQ(prompter.LastText().substr(0, 55), "A score file has been posted previously to the website.");
    EXPECT_EQ(LastStatus(), "Post Games: No score files succeeded (1 failed)");
    EXPECT_EQ(Posts().size(), before + 1);

    // Cancel in that question stops the run: no summary, nothing sent.
    prompter.Answer(IDCANCEL);
    app->OnFileRepost();
    EXPECT_EQ(LastStatus(), "Canceled");
    EXPECT_EQ(Posts().size(), before + 1);
}

// A post cancelled before it went out, and a password that cannot be
// decrypted, send nothing and record nothing.
TEST_F(BridgeWebsPosting, CancelledPostAndUnreadablePasswordRecordNothing)
{
    WriteGame("230906.aca");
    app->Setup().SetFlags(app->Setup().GetFlags() & ~SF_ALERT_NO_BWS);
    const size_t before = Posts().size();

    postingFrame.onStatus = [this](const std::string& text) {
        if (text.rfind("Connecting to", 0) == 0)
            app->OnFileCancel();
    };
    app->OnPostGames(false);
    postingFrame.onStatus = nullptr;
    EXPECT_EQ(LastStatus(), "Canceled");
    EXPECT_TRUE(app->GetHistory().IsEmpty());
    EXPECT_NE(LogText().find("Upload canceled: " + JoinPath(scores, "230906.aca")), std::string::npos);
    EXPECT_NE(LogText().find("Unable to access BWS file=[" + JoinPath(scores, "230906A.bws") +
                             "]: No such file or directory"),
              std::string::npos);

    std::vector<uint8_t>& blob = app->Setup().m_ProtectedPassword;
    blob.assign(blob.size(), 0x5A);
    prompter.Clear();
    app->OnPostGames(false);
    EXPECT_EQ(LastStatus(), "Post Games: No score files succeeded (1 failed)");
    ASSERT_FALSE(prompter.Shown().empty());
    EXPECT_EQ(prompter.Shown().back().text.substr(0, 36), "Cannot decrypt the FTP Password (err");
    EXPECT_TRUE(app->GetHistory().IsEmpty());
    EXPECT_EQ(Posts().size(), before);
}

namespace {

// The same posting on the servers clubs' hosts run (the parameter indexes
// kHostServers), their files the host account's.
struct HostServer {
    const char* name;
    FtpKind kind;
    int protocol;
};
const HostServer kHostServers[] = {
    {"PureFtpd", FtpKind::PureFtpd, PROTOCOL_FTP},
    {"PureFtpdTls", FtpKind::PureFtpdTls, PROTOCOL_FTPS},
    {"ProFtpd", FtpKind::ProFtpd, PROTOCOL_FTP},
    {"ProFtpdTls", FtpKind::ProFtpdTls, PROTOCOL_FTPS},
    {"ProFtpdChroot", FtpKind::ProFtpdChroot, PROTOCOL_FTP},
};

class PostingOnHosts : public PostingEndToEnd {
protected:
    void SetUp() override
    {
        PostingEndToEnd::SetUp();
        ASSERT_TRUE(loopback::GiveToHostAccount(testFolder));
    }
    void PointAtServers() override
    {
        const HostServer& host = kHostServers[GetParam()];
        UseFtpServer(host.kind, host.protocol);
        app->Setup().SetFlags(app->Setup().GetFlags() | SF_AUTO_FILL_HAND_RECORD | SF_LINK_PDF_HAND_RECORDS);
        Ftp().m_strDirectory += "/" + TestFolderName();
        webUrl = app->Setup().m_strWebsiteUrl + "/" + TestFolderName();
        app->Setup().m_strWebsiteUrl = webUrl;
    }
};

std::string HostName(const ::testing::TestParamInfo<int>& info)
{
    return kHostServers[info.param].name;
}

}  // namespace

// Post Games and a repost of the same games: the pages, PDFs and hand
// records stand on the website, the repost replaces them (files the host's
// server made, mode 0644 under its umask), and the index links them.
TEST_P(PostingOnHosts, PostsAndRepostsOnTheHostsServer)
{
    WriteGames({5, 6});
    app->OnPostGames(false);
    ASSERT_EQ(LastStatus(), "Post Games succeeded: 2 score files. Indexing succeeded.") << LogText();
    for (int day : {5, 6}) {
        EXPECT_TRUE(TempFileHolds(ServerPage(day))) << day;
        EXPECT_EQ(ReadWholeFile(WebPath("results/" + samples::PageName(day, ".pbn"))), samples::HandRecordText());
    }
    const std::string index = ReadWholeFile(WebPath("index.htm"));
    EXPECT_NE(index.find("results/" + samples::PageName(6, ".html")), std::string::npos);
    EXPECT_EQ(prompter.textsShown.size(), 0u) << "no transcript";

    prompter.onConfirm = [](const ConfirmPostingRequest& request, ConfirmPostingAnswer& answer) {
        answer.checked.assign(request.rows.size(), true);
        return true;
    };
    prompter.Answer(IDYESTOALL);
    app->OnFileRepost();
    EXPECT_EQ(LastStatus(), "Post Games succeeded: 2 score files. Indexing succeeded.") << LogText();
    EXPECT_EQ(app->GetIndexEntries().GetCount(), 2);
    struct stat st {};
    ASSERT_EQ(::stat(WebPath("results/" + samples::PageName(5, ".html")).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
    EXPECT_EQ(prompter.textsShown.size(), 0u) << prompter.textsShown[0].second;
}

INSTANTIATE_TEST_SUITE_P(Hosts, PostingOnHosts, ::testing::Range(0, 5), HostName);

// Post Games to a host whose SFTP server makes new files readable by their
// owner only and does not let their mode be changed: no page the web
// server serves is replaced by one it cannot read, the director is told
// why once, and the run does not say it succeeded.
class SftpHostPosting : public PostingEndToEnd {};

TEST_P(SftpHostPosting, AHostThatKeepsNewFilesFromTheWebLeavesThePagesAsTheyWere)
{
    UseSftpServer(SshKind::Umask077RefusesSetstat);
    Ftp().m_strDirectory += "/" + TestFolderName();
    webUrl = LoopbackSite::Get().HostHttp().Url() + "/" + TestFolderName();
    app->Setup().m_strWebsiteUrl = webUrl;
    // What the host's web server (another account) reads.
    for (const char* name : {"results/results_template.html", "index_template.htm"})
        ASSERT_EQ(::chmod(WebPath(name).c_str(), 0644), 0);
    ASSERT_EQ(::chmod(WebPath("results").c_str(), 0755), 0);
    WriteWebFile("index.htm", "the club's index");
    ASSERT_EQ(::chmod(WebPath("index.htm").c_str(), 0644), 0);
    WriteGames({5, 6});
    app->OnPostGames(false);
    EXPECT_EQ(LastStatus().find("succeeded: 2 score files. Indexing succeeded"), std::string::npos) << LastStatus();
    EXPECT_EQ(BoxesSaying("readable only by their owner"), 1);
    EXPECT_EQ(ReadWholeFile(WebPath("index.htm")), "the club's index");
    struct stat st {};
    ASSERT_EQ(::stat(WebPath("index.htm").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
    for (int day : {5, 6})
        EXPECT_FALSE(PathExists(WebPath("results/" + samples::PageName(day, ".html")))) << day;
    EXPECT_TRUE(TempFilesBelow(testFolder).empty());
}

INSTANTIATE_TEST_SUITE_P(Sftp, SftpHostPosting, ::testing::Values(PROTOCOL_SFTP),
                         [](const ::testing::TestParamInfo<int>& i) { return std::string(GetProtocolName(i.param)); });
