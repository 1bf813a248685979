// SFTP as a club's real host has it: SSH only (nothing, or something that
// never answers, on port 80), a web server running as another user, sftp's
// own limits on batch lines, and servers that never finish their greeting.
#include <arpa/inet.h>
#include <chrono>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <ftw.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/path_helpers.h"
#include "platform/text_helpers.h"
#include "posting/command_table.h"
#include "posting/posting_commands.h"
#include "standin/standin_layout.h"
#include "support/fault_guards.h"
#include "support/golden_file.h"
#include "support/posting_samples.h"
#include "transfer/transfer_limits.h"
#include "transfer_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;

// A port on 127.0.0.1 whose connections the kernel accepts and nobody ever
// answers: a server that hangs before its first word.
class SilentListener {
public:
    ~SilentListener()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    // errno tells why when false.
    bool Listen(int port)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        const int on = 1;
        ::setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(static_cast<uint16_t>(port));
        if (::bind(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(m_fd, 64) != 0)
            return false;
        socklen_t length = sizeof addr;
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&addr), &length);
        m_port = ntohs(addr.sin_port);
        return true;
    }
    int Port() const { return m_port; }
    // The connections that arrived so far (each taken and closed).
    int Connections()
    {
        int n = 0;
        while (true) {
            const int c = ::accept4(m_fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (c < 0)
                return n;
            ::close(c);
            ++n;
        }
    }

private:
    int m_fd = -1;
    int m_port = 0;
};

bool SomethingListensOn(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    const bool connected = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return connected;
}

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The regular files below a folder with their permission bits.
std::vector<std::pair<std::string, unsigned>> g_modes;
std::vector<std::pair<std::string, unsigned>> ModesBelow(const std::string& folder)
{
    g_modes.clear();
    ::nftw(folder.c_str(), [](const char* path, const struct stat* st, int type, FTW*) {
        if (type == FTW_F)
            g_modes.emplace_back(path, static_cast<unsigned>(st->st_mode & 07777));
        return 0;
    }, 16, FTW_PHYS);
    return g_modes;
}

// Changes the process's folder for a while: sftp takes a local name in a
// batch relative to it.
class InFolder {
public:
    explicit InFolder(const std::string& path)
    {
        char old[PATH_MAX];
        m_old = ::getcwd(old, sizeof old) ? old : "/";
        EXPECT_EQ(::chdir(path.c_str()), 0);
    }
    ~InFolder() { EXPECT_EQ(::chdir(m_old.c_str()), 0); }

private:
    std::string m_old;
};

enum class Port80 { Closed, Silent };

}  // namespace

// A club whose SFTP host serves SSH only posts its games and its test file
// as quickly as any other, asking nothing of port 80, and every file it
// puts there can be read by a web server running as another user.
class SftpOnlyHost : public TransferTest, public ::testing::WithParamInterface<Port80> {
protected:
    void SetUp() override
    {
        TransferTest::SetUp();
        RegisterStandInLayout();
        // A Cancel once a run has taken far longer than it should: a run
        // that waits for port 80 fails here instead of holding the test.
        watchdog.quit = [this] { return running && SecondsSince(started) > 30; };
        app->SetMainFrame(&watchdog);
        UseProtocol(PROTOCOL_SFTP);
        Ftp().m_strDirectory += "/" + TestFolderName();
        CSetupData& s = app->Setup();
        s.SetFlags(s.GetFlags() | SF_AUTO_FILL_HAND_RECORD | SF_LINK_PDF_HAND_RECORDS);
        // The website is another host (here another port).
        s.m_strWebsiteUrl = LoopbackSite::Get().Http().Url() + "/" + TestFolderName();
        s.m_strWebsiteScoreFileDirectory = "results";
        s.m_strScoreFileTemplate = "results_template.html";
        s.m_strIndexTemplate = "index_template.htm";
        s.m_strIndexFile = "index.htm";
        samples::UseLayouts(s, folder.Path());
        const std::string scores = folder.File("scores");
        ::mkdir(scores.c_str(), 0700);
        s.m_strScoreFileDirectory = scores;
        s.m_HandRecordFolders.Add(scores, true);
        ::mkdir(WebPath("results").c_str(), 0777);
        WriteWebFile("results/results_template.html", ReadTestData("template/results_template.html"));
        WriteWebFile("index_template.htm", ReadTestData("index/index_template.htm"));
        const int64_t now = std::time(nullptr);
        samples::WriteGame(scores, 5, now - 600, true);
        samples::WriteGame(scores, 6, now - 599, true);
    }
    void Start()
    {
        started = Clock::now();
        running = true;
    }
    double Stop()
    {
        running = false;
        return SecondsSince(started);
    }

    ProgressFrame watchdog;
    Clock::time_point started;
    bool running = false;
};

TEST_P(SftpOnlyHost, PostGamesAndTheTestFileSucceedInSecondsAndArriveReadable)
{
    SilentListener port80;
    if (GetParam() == Port80::Closed) {
        ASSERT_FALSE(SomethingListensOn(80)) << "this test needs port 80 of 127.0.0.1 free";
    } else if (!port80.Listen(80)) {
        if (errno == EACCES)
            GTEST_SKIP() << "port 80 can be taken by root only";
        FAIL() << "this test needs port 80 of 127.0.0.1 free: " << std::strerror(errno);
    }

    Start();
    app->OnPostGames(false);
    const double postSeconds = Stop();
    EXPECT_EQ(watchdog.GetLastStatus(), "Post Games succeeded: 2 score files. Indexing succeeded.")
        << "after " << postSeconds << " s";
    EXPECT_LT(postSeconds, 15);

    Start();
    ASSERT_EQ(RunCommand(*app, CMD_HELP_UPLOAD_TEST_FILE), CommandRun::Done);
    const double testFileSeconds = Stop();
    EXPECT_EQ(watchdog.GetLastStatus(), "Success uploading " + TestFileAddress(Ftp()));
    EXPECT_LT(testFileSeconds, 15);

    // Pages, PDFs, hand records, the index and the test file, 0644 all
    // (the templates were put there by the test).
    std::set<std::string> uploaded;
    for (const auto& [path, mode] : ModesBelow(testFolder)) {
        const std::string name = GetFileNameOnly(path);
        if (name == "results_template.html" || name == "index_template.htm")
            continue;
        uploaded.insert(name);
        EXPECT_EQ(mode, 0644u) << path;
    }
    const std::set<std::string> expected{samples::PageName(5, ".html"), samples::PageName(5, ".pdf"),
                                         samples::PageName(5, ".pbn"),  samples::PageName(6, ".html"),
                                         samples::PageName(6, ".pdf"),  samples::PageName(6, ".pbn"),
                                         "index.htm",                   "TestFile.txt"};
    EXPECT_EQ(uploaded, expected);
    EXPECT_EQ(port80.Connections(), 0) << "no request went to port 80 of the SFTP host";
}

INSTANTIATE_TEST_SUITE_P(Port80, SftpOnlyHost, ::testing::Values(Port80::Closed, Port80::Silent),
                         [](const auto& info) { return info.param == Port80::Closed ? "Closed" : "Silent"; });

namespace {

class SftpSilentServer : public TransferTest {
protected:
    void SetUp() override
    {
        TransferTest::SetUp();
        UseProtocol(PROTOCOL_SFTP);
        ASSERT_TRUE(server.Listen(0));
        Ftp().m_strPort[2] = std::to_string(server.Port());
        app->SetMainFrame(&cancelling);
    }
    SilentListener server;
    ProgressFrame cancelling;
};

class SftpLineLimit : public TransferTest {
protected:
    void SetUp() override
    {
        TransferTest::SetUp();
        UseProtocol(PROTOCOL_SFTP);
    }
};

}  // namespace

// A server that accepts and never sends its greeting holds no step: a
// step too big for the pipe to sftp ends within a second of Cancel, and a
// step nobody cancels fails on its own within a minute.
TEST_F(SftpSilentServer, AStepEndsWithinASecondOfCancelAndWithinAMinuteWithout)
{
    // Far above the connect time-out: the step's own limit is not what ends it.
    CTransferLimits limits;
    limits.requestMs = 90 * 1000;
    CTransferLimitsGuard guard(limits);

    std::string big;
    for (int i = 0; big.size() <= (64u << 10); ++i)
        big += "-ls -la \"" + StrFormat("folder-%06d", i) + "\"\n";
    auto w = MakeWorker();
    ASSERT_TRUE(w->Login());
    {
        // One operation each, as the commands run them: a cancel ends
        // with its operation.
        ITransferHost::CBusyGuard operation(*app);
        const Clock::time_point cancelAt = Clock::now() + std::chrono::seconds(2);
        cancelling.quit = [cancelAt] { return Clock::now() >= cancelAt; };
        EXPECT_FALSE(w->RunSftpBatch(big, nullptr));
        const double afterCancel = std::chrono::duration<double>(Clock::now() - cancelAt).count();
        EXPECT_LT(afterCancel, 1.0) << "the step went on after Cancel";
        EXPECT_TRUE(SftpProcesses().empty());
    }

    cancelling.quit = nullptr;
    ITransferHost::CBusyGuard operation(*app);
    const Clock::time_point start = Clock::now();
    EXPECT_FALSE(w->RunSftpBatch("ls\n", nullptr));
    EXPECT_LT(SecondsSince(start), 60) << "a silent server held the step";
    EXPECT_NE(w->GetTranscript().find("timed out"), std::string::npos) << w->GetTranscript();
    EXPECT_TRUE(SftpProcesses().empty());
}

// sftp reads a batch line in pieces of 2,047 bytes and runs each as a
// command: a folder name laid out so that a piece of one of an upload's
// lines (the listing's, the mkdir's) would put a file is refused, plainly,
// before anything reaches the server.
TEST_F(SftpLineLimit, AFolderNameThatWouldSplitIntoACommandIsRefusedBeforeAnythingIsSent)
{
    const int loginsBefore = SshLogins();
    folder.Write("evil-src.htm", "planted");
    InFolder work(folder.Path());
    const std::string payload = "put evil-src.htm evil.htm";
    for (const std::string lineStart : {"-ls -la \"", "-mkdir \""}) {
        SCOPED_TRACE(lineStart);
        // The second piece of the line is the payload, the third the
        // closing quote.
        const std::string name = std::string(2047 - lineStart.size(), 'a') + payload +
                                 std::string(2047 - payload.size(), ' ');
        prompter.Clear();
        auto w = LoggedIn();
        EXPECT_FALSE(w->UploadFile(folder.Write("page.htm", "page"), name + "\\page.htm"));
        ASSERT_EQ(prompter.Texts().size(), 1u);
        EXPECT_NE(prompter.Texts()[0].find("too long"), std::string::npos) << prompter.Texts()[0];
        EXPECT_NE(prompter.Texts()[0].find("\"" + std::string(60, 'a') + "...\""), std::string::npos)
            << "names the name, cut short";
    }
    EXPECT_FALSE(PathExists(WebPath("evil.htm")));
    EXPECT_EQ(SshLogins(), loginsBefore) << "nothing was sent";
}
