// Upload a Test File against the loopback servers: what lands on the server,
// what the status line says, and that the command is an operation like any
// other (busy, cancellable, stopping at its first failure).
#include <algorithm>
#include <chrono>
#include <fstream>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/path_helpers.h"
#include "platform/text_helpers.h"
#include "posting/command_table.h"
#include "posting/posting_commands.h"
#include "support/fault_guards.h"
#include "transfer/transfer_limits.h"
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
    // ssh tells only what went wrong: a clean sftp run leaves no
    // transcript to show.
    if (GetParam() == PROTOCOL_SFTP) {
        EXPECT_TRUE(dialogs.transcripts.empty()) << dialogs.transcripts[0];
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
}

// A server that cannot be reached, a login it refuses and (SSH) a host key
// nobody accepted are each told as what they are, in one box that ends the
// test upload, with the client's own reason.
TEST_P(TestFileUpload, NoConnectionARefusedLoginAndAnUnknownHostKeyAreToldApart)
{
    const int protocol = GetParam();
    const std::string sftpParameters = Ftp().m_strParameters[PROTOCOL_SFTP];
    const std::string port = std::to_string(loopback::PickFreePort());
    struct Case {
        const char* what;
        std::function<void()> spoil;
        std::string boxStart;   // how the box begins
        std::string reason;     // the client's words, also in the box
        std::string advice;     // what to do, also in the box
        std::string status;
    };
    const std::string login = "The login to the server 127.0.0.1 as user " + Ftp().m_strUser + " was unsuccessful.";
    std::vector<Case> cases = {
        {"nothing listens on the port", [&] { Ftp().m_strPort[protocol] = port; },
         "Quillmark could not connect to the server 127.0.0.1 on port " + port + ".",
         protocol == PROTOCOL_SFTP ? "Connection refused" : protocol == PROTOCOL_FTPS ? "Failed to connect" : "",
         "Check that the server is up", "FTP: Could not connect: host=127.0.0.1 port=" + port},
        {"the login is refused",
         [&] {
             if (protocol == PROTOCOL_SFTP)
                 Ftp().m_strParameters[PROTOCOL_SFTP] = ReplaceAll(sftpParameters, "userkey", "otherkey");
             else
                 app->SetFtpPassword("wrong " + kPassword);
         },
         login, protocol == PROTOCOL_SFTP ? "Permission denied (publickey" : "",
         protocol == PROTOCOL_SFTP ? "the Password in Setup is not used" : "Check Server, User, Password",
         "FTP: Login was unsuccessful: host=127.0.0.1 user=" + Ftp().m_strUser},
    };
    // Checked against no known host at all: the server's key is unknown.
    const std::string checked = ReplaceAll(sftpParameters, "-oStrictHostKeyChecking=no",
                                           "-oStrictHostKeyChecking=yes");
    const std::string sshPort = Ftp().m_strPort[PROTOCOL_SFTP];
    std::unique_ptr<CTransferLimitsGuard> limitsGuard;
    if (protocol == PROTOCOL_SFTP) {
        ASSERT_NE(checked, sftpParameters);
        cases.push_back({"the host key is unknown", [&] { Ftp().m_strParameters[PROTOCOL_SFTP] = checked; },
                         "Quillmark could not make sure that the server 127.0.0.1 is the club's SFTP server",
                         "Host key verification failed.", "known_hosts",
                         "FTP: Host key not known: host=127.0.0.1 port=" + sshPort});
        // Known with another key, in a known-hosts file named in the
        // Additional Parameters (which the program passes on to ssh; ssh
        // only reads it), checked as ssh does unless told otherwise. The
        // user's own ~/.ssh is never touched.
        const std::string otherKey = ReadWholeFile(LoopbackSite::Get().Ssh().dir + "/otherkey.pub");
        const std::string knownHosts =
            folder.Write("known_hosts", "[127.0.0.1]:" + sshPort + " " +
                                            otherKey.substr(0, otherKey.find(' ', otherKey.find(' ') + 1)) + "\n");
        cases.push_back({"the host key has changed",
                         [&, knownHosts] {
                             Ftp().m_strParameters[PROTOCOL_SFTP] = "-i \"" + LoopbackSite::Get().Ssh().dir +
                                                                    "/userkey\" -oUserKnownHostsFile=/dev/null -oGlobalKnownHostsFile=\"" + knownHosts +
                                                                    "\"";
                         },
                         "The server 127.0.0.1 shows another SSH host key than the one this computer knows",
                         "REMOTE HOST IDENTIFICATION HAS CHANGED", "ssh-keygen -R \"[127.0.0.1]:" + sshPort + "\"",
                         "FTP: Host key has changed: host=127.0.0.1 port=" + sshPort});
        // The server's banner holds words of ssh's own and a line of 20 KB:
        // none of it decides or is shown.
        cases.push_back({"a banner, and the login is refused",
                         [&] {
                             UseSftpServer(SshKind::Banner);
                             Ftp().m_strDirectory += "/" + TestFolderName();
                             std::string& p = Ftp().m_strParameters[PROTOCOL_SFTP];
                             p = ReplaceAll(p, "userkey", "otherkey");
                         },
                         login, "Permission denied (publickey", "the Password in Setup is not used",
                         "FTP: Login was unsuccessful: host=127.0.0.1 user=" + Ftp().m_strUser});
        // A host that greets and then says nothing more: ssh's keep-alive
        // ends the wait well within a minute and a half.
        cases.push_back({"the host greets and stalls",
                         [&] {
                             Ftp().m_strPort[PROTOCOL_SFTP] = std::to_string(LoopbackSite::Get().StallingSsh().Port());
                             // A bound of the test's own below the request
                             // limit: a lost keep-alive fails here, and soon.
                             CTransferLimits limits;
                             limits.requestMs = 80 * 1000;
                             limitsGuard = std::make_unique<CTransferLimitsGuard>(limits);
                         },
                         "Quillmark could not connect to the server 127.0.0.1 on port ", "Connection closed",
                         "Check that the server is up", "FTP: Could not connect: host=127.0.0.1 port="});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        UseProtocol(protocol);
        Ftp().m_strDirectory += "/" + TestFolderName();
        app->SetFtpPassword(kPassword);
        c.spoil();
        dialogs.Clear();
        commandFrame.seen.clear();
        const auto started = std::chrono::steady_clock::now();
        app->OnHelpUploadTestFile();
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(75));
        const auto shown = dialogs.Shown();
        std::string all;
        for (const auto& t : dialogs.Texts())
            all += "[" + t + "] ";
        ASSERT_EQ(shown.size(), 1u) << all;
        const std::string& box = shown[0].text;
        EXPECT_EQ(box.rfind(c.boxStart, 0), 0u) << box;
        EXPECT_NE(box.find(c.reason), std::string::npos) << box;
        EXPECT_NE(box.find(c.advice), std::string::npos) << box;
        EXPECT_NE(box.find("Help > Upload a Test File tries"), std::string::npos) << box;
        EXPECT_LT(box.size(), 4096u);
        for (const char* banner : {"BBBBBBBB", "10.9.9.9"})
            EXPECT_EQ(box.find(banner), std::string::npos) << box;
        EXPECT_EQ(commandFrame.Count(c.status), 1) << c.status;
        EXPECT_EQ(commandFrame.seen.back().text, "Failure uploading " + TestFileAddress(Ftp()));
        EXPECT_FALSE(PathExists(WebPath("TestFile.txt")));
        EXPECT_TRUE(NoNetrcLeft());
    }
}

INSTANTIATE_TEST_SUITE_P(Protocols, TestFileUpload, ::testing::Values(0, 1, 2),
                         [](const ::testing::TestParamInfo<int>& i) { return std::string(GetProtocolName(i.param)); });
