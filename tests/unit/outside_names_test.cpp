// Names that come from outside (a setup file from elsewhere, a website's
// listing, an earlier posting) never lead the program to write or delete
// outside its own folders: the Index Filename, the staging folder's name
// and the page names are refused unless they are plain file names.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "app/setup_checks.h"
#include "app/setup_file.h"
#include "platform/path_helpers.h"
#include "platform/standin/standin_layout.h"
#include "platform/text_helpers.h"
#include "posting/index_pages.h"
#include "posting/score_file.h"
#include "support/fake_web.h"
#include "support/golden_file.h"
#include "support/posting_samples.h"
#include "support/test_app.h"

namespace {

const char kBadName[] = "The Index Filename is not a plain file name";

class OutsideNamesTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        RegisterStandInLayout();
        clock.now = 1700000000;
        app->SetClock(&clock);
        CSetupData& s = app->Setup();
        s.m_strWebsiteUrl = "http://club.example";
        s.m_strWebsiteScoreFileDirectory = "results";
        s.m_strScoreFileTemplate = "results_template.html";
        s.m_strIndexTemplate = "index_template.htm";
        s.m_strIndexFile = "index.htm";
        s.m_Ftp.m_strServer = "ftp.club.example";
        s.m_Ftp.m_strUser = "club";
        scores = folder.File("scores");
        ::mkdir(scores.c_str(), 0700);
        s.m_strScoreFileDirectory = scores;
        samples::UseLayouts(s, folder.Path());
        urls.app = app.get();
        urls.pages["http://club.example/results/results_template.html"] =
            ReadTestData("template/results_template.html");
        urls.pages["http://club.example/index_template.htm"] = ReadTestData("index/index_template.htm");
        app->SetUrlSource(&urls);
        ::mkdir(site.root.c_str(), 0700);
        app->SetWebTransportFactory([this](CFTPSettings&) { return std::make_unique<CFakeWebTransport>(site); });

        // The staging folder is data/StagingN: "../../x" is the folder
        // beside the data folder, "../ProgramData.bin" the Upload History.
        staging = app->GetStagingFolder();
        outside = folder.File("x");
        ::mkdir(outside.c_str(), 0700);
        folder.Write("x/.profile", "export KEEP=1\n");
        folder.Write("x/notes.htm", "<p>mine</p>\n");
        programData = folder.Write("data/ProgramData.bin", "the Upload History");
    }

    // Everything outside the staging folder is as SetUp left it.
    void ExpectOutsideUntouched()
    {
        EXPECT_EQ(ReadWholeFile(JoinPath(outside, ".profile")), "export KEEP=1\n");
        EXPECT_EQ(ReadWholeFile(JoinPath(outside, "notes.htm")), "<p>mine</p>\n");
        EXPECT_EQ(ReadWholeFile(programData), "the Upload History");
    }

    CFixedClock clock;
    CFakeUrlSource urls;
    CFakeWebsite site{folder.File("website")};
    std::string scores, staging, outside, programData;
};

}  // namespace

TEST(PlainFileNames, OnlyANameWithinItsFolderIsJoined)
{
    for (const char* bad : {"", ".", "..", "../x", "x/", "/etc/passwd", "..\\x", "a\\b.htm", "index\x01.htm",
                            "index.htm\n", "tab\there", "del\x7F"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(IsPlainFileName(bad));
        std::string path = "unchanged";
        EXPECT_FALSE(JoinInside("/staging", bad, path));
        EXPECT_EQ(path, "unchanged");
        EXPECT_NE(CheckIndexFilename(bad), "");
    }
    for (const char* good : {"index.htm", ".index.htm", "...", "index 2024 (März).html", "a..b"}) {
        SCOPED_TRACE(good);
        std::string path;
        EXPECT_TRUE(JoinInside("/staging/", good, path));
        EXPECT_EQ(path, std::string("/staging/") + good);
        EXPECT_EQ(CheckIndexFilename(good), "");
    }
    // Shown whole, control characters as '?'.
    EXPECT_NE(CheckIndexFilename("../x\x01").find("\"../x?\""), std::string::npos);
}

// Each hostile Index Filename is refused with the reason by every command
// that would use it; nothing outside the staging folder is written or
// deleted, and nothing is uploaded.
TEST_F(OutsideNamesTest, HostileIndexFilenamesAreRefusedEverywhere)
{
    samples::WriteGame(scores, 5, clock.now - 600, true);
    for (const char* name : {"../../x/", "../../x/.profile", "../ProgramData.bin", "..", "index\x01.htm"}) {
        SCOPED_TRACE(name);
        app->Setup().m_strIndexFile = name;
        prompter.Clear();

        app->OnIndexCreateIndex();
        EXPECT_EQ(frame.GetLastStatus(), "Create Index failed");
        EXPECT_EQ(prompter.LastText().rfind(kBadName, 0), 0u) << prompter.LastText();
        EXPECT_TRUE(app->GetIndexPages().m_Pages.empty());

        prompter.Clear();
        app->OnIndexPublishIndex();
        EXPECT_EQ(frame.GetLastStatus(), "Publish Index failed");
        EXPECT_EQ(prompter.LastText().rfind(kBadName, 0), 0u) << prompter.LastText();

        // Posting stops before anything is posted.
        prompter.Clear();
        EXPECT_EQ(app->PostGames(PM_POST_GAMES), 0);
        EXPECT_EQ(prompter.LastText().rfind(kBadName, 0), 0u) << prompter.LastText();
        EXPECT_EQ(frame.GetLastStatus(), "Setup required: Website: Index Filename");

        EXPECT_TRUE(site.uploaded.empty());
        ExpectOutsideUntouched();
    }
    // An empty name asks for the setting instead of working on the folder.
    app->Setup().m_strIndexFile.clear();
    app->OnIndexCreateIndex();
    EXPECT_EQ(prompter.LastText(), "Setup required: Website: Index Filename");
    ExpectOutsideUntouched();
}

// A setup file from elsewhere still opens, but its names are used only
// once checked: the index is refused, the staging folder is a new one of
// the program's own.
TEST_F(OutsideNamesTest, ASetupFileWithHostileNamesOpensButItsNamesAreNotFollowed)
{
    const std::string qsu = folder.File("hostile.qsu");
    {
        CQuillmarkDoc doc(*app);
        app->Setup().m_strIndexFile = "../ProgramData.bin";
        app->Setup().m_strStagingFolder = "../../x";
        ASSERT_TRUE(doc.OnSaveDocument(qsu));
    }
    app->Setup().m_strIndexFile = "index.htm";
    app->Setup().m_strStagingFolder = "Staging1";
    CQuillmarkDoc doc(*app);
    ASSERT_NE(app->OpenDocumentFile(qsu), nullptr);
    EXPECT_EQ(app->Setup().m_strIndexFile, "../ProgramData.bin");

    const std::string newStaging = app->GetStagingFolder();
    EXPECT_EQ(GetFolderOnly(newStaging), dataDir);
    EXPECT_TRUE(IsPlainFileName(app->Setup().m_strStagingFolder)) << app->Setup().m_strStagingFolder;

    programData = JoinPath(dataDir, "ProgramData.bin");  // saved with the new staging name
    const std::string history = ReadWholeFile(programData);
    prompter.Clear();
    EXPECT_EQ(app->CreateIndex(true), IR_FAILED);
    EXPECT_EQ(prompter.LastText().rfind(kBadName, 0), 0u) << prompter.LastText();
    EXPECT_EQ(ReadWholeFile(programData), history);
    EXPECT_EQ(ReadWholeFile(JoinPath(outside, ".profile")), "export KEEP=1\n");
}

// The index build deletes and writes only files of the staging folder, and
// a link planted there in place of a page is removed, never written through.
TEST_F(OutsideNamesTest, TheIndexBuildNeverWritesThroughALinkInTheStagingFolder)
{
    ASSERT_EQ(::symlink(JoinPath(outside, ".profile").c_str(), JoinPath(staging, "index.htm").c_str()), 0);
    ASSERT_EQ(::symlink(JoinPath(outside, "notes.htm").c_str(), JoinPath(staging, "index-old.htm").c_str()), 0);
    app->OnIndexCreateIndex();
    EXPECT_EQ(frame.GetLastStatus(), "Create Index succeeded");
    struct stat st {};
    ASSERT_EQ(::lstat(JoinPath(staging, "index.htm").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode)) << "the page replaces the link";
    EXPECT_NE(::lstat(JoinPath(staging, "index-old.htm").c_str(), &st), 0);
    ExpectOutsideUntouched();
}

// The Setup command stores no Index Filename that fails the check, whatever
// the sheet hands back.
TEST_F(OutsideNamesTest, SetupStoresNoHostileIndexFilename)
{
    for (const char* name : {"../../x/.profile", "../ProgramData.bin", "sub\\index.htm"}) {
        SCOPED_TRACE(name);
        prompter.setupAnswer = [name](SetupSheetValues& v) {
            v.website.indexFile = name;
            return true;
        };
        app->OnSetupSetup();
        EXPECT_EQ(app->Setup().m_strIndexFile, "index.htm");
        EXPECT_NE(prompter.LastText().find(kBadName), std::string::npos) << prompter.LastText();
    }
    ExpectOutsideUntouched();
}
