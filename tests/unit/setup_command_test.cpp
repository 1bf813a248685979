// The Setup command with scripted sheet answers: what is stored, the change
// log line by line, the password line, the save, and values that are refused.
#include <gtest/gtest.h>

#include <cerrno>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "app/setup_checks.h"
#include "support/test_app.h"

namespace {

class SetupCommandTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        app->TestDataProtection();
        CSetupData& s = app->Setup();
        s.m_strScoreFileDirectory = folder.Path();
        s.m_tPostFilesModifiedAfter = 1699990000;
        s.m_strWebsiteUrl = "http://Club.example.org/Results";
        s.m_tOldestToIndex = 86400;
        s.m_Ftp.m_strServer = "ftp.example.org";
        s.m_Ftp.m_strUser = "club";
        s.SetFlags(SF_ACTIVE_FTP | SF_ALERT_NO_BWS);
        ASSERT_TRUE(app->SetFtpPassword("old secret"));
        oldBlob = s.m_ProtectedPassword;
        clock.now = 1700000000;
        app->SetClock(&clock);
    }

    // The "Setup ..." lines of the log without their time stamps.
    std::vector<std::string> SetupLines() const
    {
        std::vector<std::string> out;
        std::istringstream in(LogText());
        for (std::string line; std::getline(in, line);) {
            const size_t at = line.find("]Setup");
            if (line.rfind("[", 0) == 0 && at != std::string::npos)
                out.push_back(line.substr(at + 1));
        }
        return out;
    }

    CFixedClock clock;
    std::vector<uint8_t> oldBlob;
};

}  // namespace

TEST_F(SetupCommandTest, OkWithoutChangesOrCancelWritesAndSavesNothing)
{
    prompter.setupAnswer = [](SetupSheetValues& v) { return v.ftp.password == "************"; };
    app->OnSetupSetup();
    // Cancel after edits changes nothing either.
    prompter.setupAnswer = [](SetupSheetValues& v) {
        v.ftp.server = "other.example.org";
        return false;
    };
    app->OnSetupSetup();
    EXPECT_EQ(app->Setup().m_Ftp.m_strServer, "ftp.example.org");
    EXPECT_TRUE(SetupLines().empty());
    EXPECT_TRUE(frame.Texts().empty());
    EXPECT_EQ(app->Setup().m_ProtectedPassword, oldBlob);
    EXPECT_FALSE(FileExists(JoinPath(dataDir, "ProgramData.bin")));
}

TEST_F(SetupCommandTest, EveryChangeIsStoredAndLoggedInOrder)
{
    const std::string scores = folder.File("scores");
    ::mkdir(scores.c_str(), 0700);
    const std::string html = folder.Write("page.pbn", "layout");
    app->GetIndexPages().m_bPagesReady = true;
    prompter.setupAnswer = [&](SetupSheetValues& v) {
        v.computer.scoreFileDirectory = scores;
        v.computer.postFilesModifiedAfter = 1699999999;
        v.computer.htmlLayout = html;
        v.computer.autoFillHandRecord = true;
        // Only the letter case differs: still a new address.
        v.website.websiteUrl = "http://club.example.org/results";
        v.website.oldestToIndex = 86400 * 365;
        v.website.daysToIndex = 90;
        v.ftp.server = "WWW.BridgeWebs.com";
        v.ftp.password = "n3w pa55word";
        v.ftp.port[1] = "990";
        v.ftp.passive = true;
        v.ftp.protocol = PROTOCOL_SFTP;
        v.ftp.alertNoBws = false;
        return true;
    };
    app->OnSetupSetup();
    const std::vector<std::string> expected = {
        "Setup Computer: Score File Directory [" + folder.Path() + "]->[" + scores + "]",
        "Setup Computer: Post Files Modified After [11/14/2023 19:26:40]->[11/14/2023 22:13:19]",
        "Setup Computer: HTML Layout []->[" + html + "]",
        "Setup Computer: Automatically fill the hand record field if possible [0]->[1]",
        "Setup Website: Website URL [http://Club.example.org/Results]->[http://club.example.org/results]",
        "Setup Website: Oldest To Index [01/02/1970]->[01/01/1971]",
        "Setup Website: Days To Index [0]->[90]",
        "Setup FTP: FTP Server [ftp.example.org]->[WWW.BridgeWebs.com]",
        "Setup FTP: (BridgeWebs?) [0]->[1]",
        "Setup FTP: FTP Password changed",
        "Setup FTP: Port Number (FTPS) [21]->[990]",
        "Setup FTP: Passive FTP [0]->[1]",
        "Setup FTP: Protocol [FTP]->[SFTP]",
        "Setup FTP: Alert No BWS [1]->[0]",
        "Setup: Changes saved",
    };
    EXPECT_EQ(SetupLines(), expected);
    EXPECT_EQ(LogText().find("n3w pa55word"), std::string::npos);
    EXPECT_EQ(app->m_nSetupChangeCount, 14);

    const CSetupData& s = app->Setup();
    EXPECT_EQ(s.m_strWebsiteUrl, "http://club.example.org/results");
    // Pages built for the old address are not published.
    EXPECT_FALSE(app->IsIndexReady());
    EXPECT_EQ(s.GetFlags(), static_cast<uint32_t>(SF_BRIDGEWEBS | SF_AUTO_FILL_HAND_RECORD));
    CSecretString back;
    ASSERT_TRUE(app->GetFtpPassword(back, false));
    EXPECT_EQ(back.Get(), "n3w pa55word");
    EXPECT_EQ(frame.Texts(), (std::vector<std::pair<int, std::string>>{{2, "Setup: Saving changes"},
                                                                        {2, "Setup: Changes saved"}}));
    EXPECT_TRUE(FileExists(JoinPath(dataDir, "ProgramData.bin")));
}

// After a reset the sheet shows the current time, and the first OK stores it.
TEST_F(SetupCommandTest, FirstOkAfterResetStoresTheTimeShown)
{
    app->Setup().m_tPostFilesModifiedAfter = 0;
    prompter.setupAnswer = [](SetupSheetValues& v) { return v.computer.postFilesModifiedAfter == 1700000000; };
    app->OnSetupSetup();
    EXPECT_EQ(app->Setup().m_tPostFilesModifiedAfter, 1700000000);
    EXPECT_EQ(SetupLines(), (std::vector<std::string>{
                                "Setup Computer: Post Files Modified After [01/01/1970 00:00:00]->[11/14/2023 22:13:20]",
                                "Setup: Changes saved"}));
}

TEST_F(SetupCommandTest, FailedPasswordProtectionKeepsTheStoredPassword)
{
    CFailingProtector refusing;
    app->SetDataProtector(&refusing);
    prompter.setupAnswer = [](SetupSheetValues& v) {
        v.ftp.password = "typed";
        v.ftp.user = "someone";
        return true;
    };
    app->OnSetupSetup();
    EXPECT_EQ(app->Setup().m_ProtectedPassword, oldBlob);
    EXPECT_EQ(app->Setup().m_bPasswordProtected, 1);
    EXPECT_EQ(SetupLines(), (std::vector<std::string>{"Setup FTP: FTP User [club]->[someone]",
                                                      "Setup: Changes saved"}));
    ASSERT_FALSE(prompter.Texts().empty());
    EXPECT_EQ(prompter.Texts().back(),
              "Unable to save password: Permission denied\r\n\r\nThe FTP Password stored before is kept.");
    EXPECT_NE(LogText().find("Operation=[CQuillmarkApp::OnSetupSetup: CQuillmarkApp::Encrypt]"), std::string::npos);
    EXPECT_EQ(LogText().find("typed"), std::string::npos);

    // The kept password still reads back.
    app->SetDataProtector(nullptr);
    CSecretString back;
    ASSERT_TRUE(app->GetFtpPassword(back, false));
    EXPECT_EQ(back.Get(), "old secret");
}

// Values the sheet should have caught are refused as a whole: nothing is
// stored, nothing saved, and the user is told which.
TEST_F(SetupCommandTest, InvalidValuesAreNeverStored)
{
    struct Case {
        std::function<void(SetupSheetValues&)> edit;
        const char* messageStart;
    };
    const Case cases[] = {
        {[](SetupSheetValues& v) { v.ftp.port[0] = "65557"; }, "Enter a port number between 1 and 65535 for FTP."},
        {[](SetupSheetValues& v) { v.ftp.server = "ftp://ftp.example.org"; }, "The server name is not valid"},
        {[](SetupSheetValues& v) { v.website.websiteUrl = "www.example.org"; }, "The Website URL is not valid"},
        {[this](SetupSheetValues& v) { v.computer.scoreFileDirectory = folder.File("missing"); },
         "The Score File Directory does not exist"},
        {[](SetupSheetValues& v) { v.computer.postFilesModifiedAfter = 1700000001; },
         "Post Files Modified After cannot be later than the current time (11/14/2023 22:13:20)."},
    };
    for (const Case& c : cases) {
        prompter.Clear();
        prompter.setupAnswer = [&](SetupSheetValues& v) {
            v.ftp.user = "changed too";
            c.edit(v);
            return true;
        };
        app->OnSetupSetup();
        EXPECT_EQ(app->Setup().m_Ftp.m_strUser, "club") << c.messageStart;
        ASSERT_EQ(prompter.Texts().size(), 2u);
        EXPECT_EQ(prompter.Texts()[1].rfind(c.messageStart, 0), 0u) << prompter.Texts()[1];
    }
    EXPECT_TRUE(SetupLines().empty());
    EXPECT_EQ(app->Setup().m_Ftp.m_strPort[0], "21");
    EXPECT_FALSE(FileExists(JoinPath(dataDir, "ProgramData.bin")));
}

// Malformed entries of each kind are refused; usual ones pass.
TEST(SetupChecksTest, SingleFieldChecks)
{
    for (const char* bad : {"", "0", "65536", "-21", " 21", "21a"})
        EXPECT_NE(CheckPort(bad, "FTP"), "") << bad;
    EXPECT_EQ(CheckPort("65535", "FTP"), "");
    for (const char* bad : {"  ", "example.org/results", "bad host", "-x.org", "a..b"})
        EXPECT_NE(CheckServerName(bad), "") << bad;
    for (const char* good : {"127.0.0.1", "my_host.example", "fe80::1"})
        EXPECT_EQ(CheckServerName(good), "") << good;
    for (const char* bad : {"ftp://example.org", "http://", "http://exa mple.org", "http://example.org\\results",
                            "http://host:99999", "http://user@host"})
        EXPECT_NE(CheckWebsiteUrl(bad), "") << bad;
    for (const char* good : {"HTTPS://Example.org/club/", "http://[::1]:8080/x"})
        EXPECT_EQ(CheckWebsiteUrl(good), "") << good;
    int32_t days = -1;
    EXPECT_EQ(CheckDaysToIndexText("999999", days), "");
    EXPECT_EQ(CheckDaysToIndexText("1000000", days), "Enter an integer between 0 and 999999.");
    EXPECT_EQ(CheckDaysToIndexText("12x", days), "Enter an integer.");
}

// The wireless alert follows the dialog's box as it was at closing, and is
// saved only when that changed it.
TEST_F(SetupCommandTest, WirelessAlertFollowsTheBoxAndSavesOnce)
{
    const std::string programData = JoinPath(dataDir, "ProgramData.bin");
    EXPECT_TRUE(app->ApplyDoNotShowWirelessAlert(false));
    EXPECT_TRUE(app->Setup().GetFlags() & SF_ALERT_NO_BWS);
    EXPECT_FALSE(FileExists(programData));

    EXPECT_TRUE(app->ApplyDoNotShowWirelessAlert(true));
    EXPECT_FALSE(app->Setup().GetFlags() & SF_ALERT_NO_BWS);
    ASSERT_TRUE(FileExists(programData));
    ::unlink(programData.c_str());
    // Ticked again on a later file: already off, nothing to save.
    EXPECT_TRUE(app->ApplyDoNotShowWirelessAlert(true));
    EXPECT_FALSE(FileExists(programData));
    EXPECT_EQ(app->Setup().GetFlags(), static_cast<uint32_t>(SF_ACTIVE_FTP));
}
