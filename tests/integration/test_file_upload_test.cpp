// Upload a Test File against the loopback servers: what lands on the server,
// what the status line says, and that the command is an operation like any
// other (busy, cancellable, stopping at its first failure).
#include <algorithm>

#include "platform/text_helpers.h"
#include "posting/command_table.h"
#include "posting/posting_commands.h"
#include "transfer_fixture.h"

namespace {

// Records each status text with what the window would show at that moment,
// and presses Cancel when a text starting with cancelOn arrives.
class CommandFrame : public CRecordingStatusSink {
public:
    struct Seen {
        std::string text;
        bool postGamesEnabled;
        bool cancelEnabled;
    };
    int StatusText(int pane, const std::string& text) override
    {
        CQuillmarkApp& app = theApp();
        seen.push_back({text, IsCommandEnabled(app, CMD_POST_GAMES), IsCommandEnabled(app, CMD_FILE_CANCEL)});
        if (!cancelOn.empty() && text.rfind(cancelOn, 0) == 0)
            RunCommand(app, CMD_FILE_CANCEL);
        CRecordingStatusSink::StatusText(pane, text);
        return app.GetCancelState(false) == CS_CANCELLED ? 0 : 1;
    }
    int Count(const std::string& prefix) const
    {
        return static_cast<int>(std::count_if(seen.begin(), seen.end(),
                                               [&](const Seen& s) { return s.text.rfind(prefix, 0) == 0; }));
    }
    std::vector<Seen> seen;
    std::string cancelOn;
};

class TranscriptPrompter : public CScriptedPrompter {
public:
    void ShowText(const std::string& caption, const std::string& text, const std::string&, bool) override
    {
        transcripts.push_back(caption + ": " + text);
    }
    std::vector<std::string> transcripts;
};

}  // namespace

class TestFileUpload : public TransferTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override
    {
        TransferTest::SetUp();
        app->SetMainFrame(&commandFrame);
        app->SetPrompter(&dialogs);
        app->SetClock(&clock);
        UseProtocol(GetParam());
        // Into the test's own folder.
        Ftp().m_strDirectory += "/" + TestFolderName();
    }
    CommandFrame commandFrame;
    TranscriptPrompter dialogs;
    CFixedClock clock;
};

TEST_P(TestFileUpload, UploadsTheTestFileWhileBusy)
{
    const std::string address = TestFileAddress(Ftp());
    ASSERT_EQ(RunCommand(*app, CMD_HELP_UPLOAD_TEST_FILE), CommandRun::Done);

    EXPECT_EQ(ReadWholeFile(WebPath("TestFile.txt")), TestFileText(clock.now, address));
    ASSERT_FALSE(commandFrame.seen.empty());
    EXPECT_EQ(commandFrame.seen.back().text, "Success uploading " + address);
    const auto start = std::find_if(commandFrame.seen.begin(), commandFrame.seen.end(),
                                    [&](const auto& s) { return s.text == "Uploading " + address; });
    ASSERT_NE(start, commandFrame.seen.end());
    EXPECT_FALSE(start->postGamesEnabled);  // one operation at a time
    EXPECT_TRUE(start->cancelEnabled);
    EXPECT_TRUE(IsCommandEnabled(*app, CMD_POST_GAMES));
    EXPECT_TRUE(dialogs.Shown().empty()) << dialogs.Texts()[0];
    // The transcript of the sftp run follows.
    if (GetParam() == PROTOCOL_SFTP) {
        ASSERT_EQ(dialogs.transcripts.size(), 1u);
        EXPECT_NE(dialogs.transcripts[0].find("sftp has exited with code 0"), std::string::npos);
    }
    EXPECT_TRUE(NoNetrcLeft());
}

TEST_P(TestFileUpload, StopsAtTheFirstFailureOrCancel)
{
    // Cancel pressed while the upload runs: nothing is made or sent.
    commandFrame.cancelOn = "Uploading ";
    ASSERT_EQ(RunCommand(*app, CMD_HELP_UPLOAD_TEST_FILE), CommandRun::Done);
    EXPECT_FALSE(PathExists(WebPath("TestFile.txt")));
    EXPECT_EQ(commandFrame.seen.back().text, "Failure uploading " + TestFileAddress(Ftp()));
    EXPECT_EQ(app->GetCancelState(false), CS_IDLE);  // the next operation may start
    commandFrame.cancelOn.clear();
    commandFrame.seen.clear();

    // A login that fails (curl and sftp log in with their first command, so
    // a folder name that cannot be sent fails it): nothing made or retried.
    if (GetParam() == PROTOCOL_FTP)
        app->SetFtpPassword("wrong " + kPassword);
    else
        Ftp().m_strDirectory += "\nput /etc/hostname";
    const std::string address = TestFileAddress(Ftp());
    app->OnHelpUploadTestFile();
    EXPECT_EQ(commandFrame.seen.back().text, "Failure uploading " + address);
    EXPECT_EQ(commandFrame.Count("Success"), 0);
    EXPECT_TRUE(TempFiles("QMt").empty());
    EXPECT_FALSE(PathExists(WebPath("TestFile.txt")));
    EXPECT_EQ(commandFrame.Count("FTP: Login was unsuccessful"), 1);
    EXPECT_TRUE(NoNetrcLeft());
    // The box says whose login failed, what the server answered and where
    // to put it right; with no server listening there is no answer to quote.
    const std::string check = "\r\n\r\nCheck Server, User, Password, Protocol and Port Number on the FTP page of "
                              "Setup > Setup...; Help > Upload a Test File tries them without posting anything.";
    const std::string login = "The login to the server 127.0.0.1 as user club was unsuccessful.\r\n\r\n";
    if (GetParam() == PROTOCOL_FTPS) {
        // curl logs in by itself: a wrong password is told as plainly.
        Ftp().m_strDirectory = Ftp().m_strDirectory.substr(0, Ftp().m_strDirectory.find('\n'));
        app->SetFtpPassword("wrong " + kPassword);
        dialogs.Clear();
        app->OnHelpUploadTestFile();
        EXPECT_EQ(dialogs.LastText(), login + "The server answered: Access denied: 530" + check);
        EXPECT_EQ(commandFrame.Count("FTP: Login was unsuccessful"), 2);
        EXPECT_FALSE(PathExists(WebPath("TestFile.txt")));
        EXPECT_TRUE(NoNetrcLeft());
    }
    if (GetParam() != PROTOCOL_FTP)
        return;
    EXPECT_EQ(dialogs.LastText(), login + "The server answered: 530 Authentication failed." + check);
    EXPECT_NE(LogText().find("=[530 Authentication failed.]"), std::string::npos) << "the log keeps the answer";
    app->SetFtpPassword(kPassword);
    Ftp().m_strPort[PROTOCOL_FTP] = std::to_string(loopback::PickFreePort());
    dialogs.Clear();
    app->OnHelpUploadTestFile();
    const std::string box = dialogs.LastText();
    EXPECT_EQ(box.rfind(login, 0), 0u) << box;
    EXPECT_EQ(box.find("answered"), std::string::npos) << box;
    EXPECT_EQ(box.substr(box.size() - std::min(box.size(), check.size())), check);
}

INSTANTIATE_TEST_SUITE_P(Protocols, TestFileUpload, ::testing::Values(0, 1, 2),
                         [](const ::testing::TestParamInfo<int>& i) { return std::string(GetProtocolName(i.param)); });
