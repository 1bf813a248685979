// The SSH hosts the SFTP tests run against behave like the hosts they stand
// for. Checked with the real sftp client, not with the program, so that a
// test of the program against one of them fails for the program's fault.
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

#include "transfer_fixture.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// One run of OpenSSH's sftp in batch mode, in a process group of its own so
// that its ssh goes with it when it is stopped.
class SftpRun {
public:
    SftpRun(const CTempFolder& folder, int port, const std::string& key, const std::vector<std::string>& options,
            const std::string& batch, const std::string& user = loopback::CurrentUser())
        : m_out(folder.File("sftp" + std::to_string(++s_runs) + ".out")), m_err(m_out + ".err")
    {
        const std::string batchFile = folder.Write("batch" + std::to_string(s_runs), batch);
        std::vector<std::string> argv{"sftp", "-F", "/dev/null", "-oBatchMode=yes", "-oStrictHostKeyChecking=no",
                                      "-oUserKnownHostsFile=/dev/null", "-i", key, "-P", std::to_string(port)};
        argv.insert(argv.end(), options.begin(), options.end());
        argv.insert(argv.end(), {"-b", "-", user + "@127.0.0.1"});
        std::vector<char*> args;
        for (auto& a : argv)
            args.push_back(&a[0]);
        args.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, batchFile.c_str(), O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, m_out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, m_err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawnattr_t attr;
        posix_spawnattr_init(&attr);
        posix_spawnattr_setpgroup(&attr, 0);
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
        if (::posix_spawnp(&m_pid, "sftp", &actions, &attr, args.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attr);
        m_started = Clock::now();
    }
    ~SftpRun()
    {
        if (!m_ended && m_pid > 0) {
            ::kill(-m_pid, SIGKILL);
            ::waitpid(m_pid, &m_status, 0);
        }
    }
    // Whether sftp has ended by the time that many seconds have passed since
    // its start.
    bool EndsWithin(double seconds)
    {
        const auto until = m_started + std::chrono::milliseconds(static_cast<int>(seconds * 1000));
        while (!m_ended && m_pid > 0) {
            m_ended = ::waitpid(m_pid, &m_status, WNOHANG) == m_pid;
            if (!m_ended && Clock::now() >= until)
                return false;
            if (!m_ended)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        m_seconds = std::chrono::duration<double>(Clock::now() - m_started).count();
        return m_ended;
    }
    int ExitCode() const { return m_ended && WIFEXITED(m_status) ? WEXITSTATUS(m_status) : -1; }
    double Seconds() const { return m_seconds; }
    std::string Out() const { return ReadWholeFile(m_out); }
    std::string Err() const { return ReadWholeFile(m_err); }

private:
    static int s_runs;
    std::string m_out, m_err;
    pid_t m_pid = -1;
    Clock::time_point m_started;
    bool m_ended = false;
    int m_status = 0;
    double m_seconds = 0;
};

int SftpRun::s_runs = 0;

// What a rename onto a name that a link to a file holds does.
enum class OntoLink { ReplacesLink, WritesThrough, Refused };

struct ServerCase {
    SshKind kind;
    bool listsWithFolder;   // ls -la "results" names results/a.htm, not a.htm
    bool chmodWorks;
    bool renameReplaces;    // a rename onto an existing file
    bool showsBanner;
    mode_t madeMode;        // of a file put from a 0644 one, of a folder made
    mode_t madeFolderMode;
    bool putWorks;          // a put of a new file
    bool putOverwrites;     // a put over an existing file
    OntoLink ontoLink;
};

const ServerCase kServerCases[] = {
    {SshKind::Current, true, true, true, false, 0644, 0755, true, true, OntoLink::ReplacesLink},
    {SshKind::Older, false, true, true, false, 0644, 0755, true, true, OntoLink::ReplacesLink},
    {SshKind::OlderWithoutPosixRename, false, true, false, false, 0644, 0755, true, true, OntoLink::Refused},
    {SshKind::RefusesSetstat, true, false, true, false, 0644, 0755, true, true, OntoLink::ReplacesLink},
    {SshKind::Banner, true, true, true, true, 0644, 0755, true, true, OntoLink::ReplacesLink},
    {SshKind::Umask077, true, true, true, false, 0600, 0700, true, true, OntoLink::ReplacesLink},
    {SshKind::Umask077RefusesSetstat, true, false, true, false, 0600, 0700, true, true, OntoLink::ReplacesLink},
    {SshKind::ProFtpd, false, true, true, false, 0644, 0755, true, true, OntoLink::WritesThrough},
    {SshKind::ProFtpdNoOverwrite, false, true, true, false, 0644, 0755, true, false, OntoLink::WritesThrough},
    // The mode sent with the open of a new file is refused (after the file
    // was made); over an existing file the put goes through.
    {SshKind::ProFtpdDeniesChmod, false, false, true, false, 0644, 0755, false, true, OntoLink::WritesThrough},
};

void PrintTo(const ServerCase& c, std::ostream* os)
{
    *os << SshKindName(c.kind);
}

class SftpServers : public TransferTest, public ::testing::WithParamInterface<ServerCase> {};

// The status the hosts' web server (another account) answers for a path
// below the web root.
std::string WebStatus(const std::string& path)
{
    const CTempFolder scratch;
    const std::string out = scratch.File("status");
    loopback::RunProgram({"curl", "-s", "--max-time", "10", "-o", "/dev/null", "-w", "%{http_code}",
                          LoopbackSite::Get().HostHttp().Url() + path},
                         out);
    return ReadWholeFile(out);
}

// The real user id of a process.
uid_t ProcessUid(pid_t pid)
{
    const std::string status = ReadWholeFile("/proc/" + std::to_string(pid) + "/status");
    const size_t at = status.find("\nUid:");
    return at == std::string::npos ? 0 : static_cast<uid_t>(std::stoul(status.substr(at + 5)));
}

mode_t Mode(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

}  // namespace

// Each kind differs from the current release in what it stands for, and in
// nothing else this checks. Failed steps go on ("-"), their effects are
// read from the disk: modes as bits (the tests run as root, who reads
// anything), owners as the account the server logs the club in as.
TEST_P(SftpServers, BehaveAsTheHostsTheyStandFor)
{
    const ServerCase& c = GetParam();
    LoopbackSite& site = LoopbackSite::Get();
    const SshHost host = site.SftpHost(c.kind);
    ASSERT_NE(host.port, 0);
    MakeWebFolder("results");
    WriteWebFile("results/a.htm", "a");
    WriteWebFile("from.htm", "from");
    WriteWebFile("to.htm", "to");
    WriteWebFile("mode.htm", "mode");
    WriteWebFile("exists.htm", "old");
    WriteWebFile("onto-link.htm", "new");
    WriteWebFile("target.htm", "target");
    ASSERT_EQ(::chmod(WebPath("mode.htm").c_str(), 0600), 0);
    ASSERT_EQ(::chmod(WebPath("target.htm").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("target.htm", WebPath("link.htm").c_str()), 0);
    loopback::GiveToHostAccount(WebPath("link.htm"));
    const std::string local = folder.Write("put.htm", std::string("put\r\n\0\xff", 6));
    ASSERT_EQ(::chmod(local.c_str(), 0644), 0);
    const std::string batch = "cd \"" + site.SshRemotePath(c.kind, testFolder) + "\"\n"
                              "-ls -la \"results\"\n"
                              "-put \"" + local + "\" put.htm\n"
                              "-put \"" + local + "\" exists.htm\n"
                              "-mkdir made\n"
                              "-chmod 644 mode.htm\n"
                              "-rename from.htm to.htm\n"
                              "-rename onto-link.htm link.htm\n";
    SftpRun run(folder, host.port, host.keyDir + "/userkey", {}, batch, host.user);
    ASSERT_TRUE(run.EndsWithin(30));
    const std::string out = run.Out(), err = run.Err();
    EXPECT_EQ(run.ExitCode(), 0) << err;

    if (c.listsWithFolder) {
        EXPECT_NE(out.find(" results/a.htm\n"), std::string::npos) << out;
    } else {
        EXPECT_NE(out.find(" a.htm\n"), std::string::npos) << out;
        EXPECT_EQ(out.find("results/a.htm"), std::string::npos) << out;
    }
    if (c.putWorks) {
        EXPECT_EQ(ReadWholeFile(WebPath("put.htm")), ReadWholeFile(local));
        EXPECT_EQ(Mode(WebPath("put.htm")), c.madeMode);
        // The web server, running as another account, serves only what
        // others may read.
        EXPECT_EQ(WebStatus("/" + TestFolderName() + "/put.htm"), c.madeMode == 0644 ? "200" : "404");
    } else {
        EXPECT_EQ(FileSize(WebPath("put.htm")), 0) << "the open refused after the file was made";
    }
    EXPECT_EQ(ReadWholeFile(WebPath("exists.htm")), c.putOverwrites ? ReadWholeFile(local) : "old") << err;
    EXPECT_EQ(Mode(WebPath("made")), c.madeFolderMode);
    EXPECT_EQ(Mode(WebPath("mode.htm")), c.chmodWorks ? 0644u : 0600u) << err;
    EXPECT_EQ(ReadWholeFile(WebPath("to.htm")), c.renameReplaces ? "from" : "to") << err;
    EXPECT_EQ(PathExists(WebPath("from.htm")), !c.renameReplaces);
    struct stat link {};
    ASSERT_EQ(::lstat(WebPath("link.htm").c_str(), &link), 0);
    EXPECT_EQ(S_ISLNK(link.st_mode), c.ontoLink != OntoLink::ReplacesLink);
    EXPECT_EQ(ReadWholeFile(WebPath("target.htm")), c.ontoLink == OntoLink::WritesThrough ? "new" : "target");
    if (IsProFtpdKind(c.kind)) {
        loopback::HostAccount account;
        ASSERT_TRUE(loopback::LookUpHostAccount(account));
        struct stat made {};
        ASSERT_EQ(::stat(WebPath("made").c_str(), &made), 0);
        EXPECT_EQ(made.st_uid, account.uid);
        EXPECT_NE(ReadWholeFile(host.traceLog).find("read SFTP request type "), std::string::npos) << host.traceLog;
    }
    if (c.showsBanner)
        EXPECT_NE(err.find(kSshBanner), std::string::npos) << err.substr(0, 300);
    else
        EXPECT_EQ(err.find("Permission denied (publickey)."), std::string::npos) << err;

    // At LogLevel ERROR nothing of a banner (or anything else) reaches stderr.
    SftpRun quiet(folder, host.port, host.keyDir + "/userkey", {"-oLogLevel=ERROR"}, "pwd\n", host.user);
    ASSERT_TRUE(quiet.EndsWithin(30));
    EXPECT_EQ(quiet.ExitCode(), 0);
    EXPECT_EQ(quiet.Err(), "");
}

INSTANTIATE_TEST_SUITE_P(Kinds, SftpServers, ::testing::ValuesIn(kServerCases),
                         [](const ::testing::TestParamInfo<ServerCase>& info) { return SshKindName(info.param.kind); });

// A host that greets and then says nothing holds sftp well past its
// ConnectTimeout; only keepalives end the wait. Both run at once.
TEST(SftpServersStalling, HoldSftpUntilKeepalivesGiveUp)
{
    CTempFolder folder;
    LoopbackSite& site = LoopbackSite::Get();
    const int port = site.StallingSsh().Port();
    const std::string key = site.Ssh().dir + "/userkey";
    SftpRun plain(folder, port, key, {"-oConnectTimeout=3"}, "pwd\n");
    SftpRun alive(folder, port, key, {"-oConnectTimeout=3", "-oServerAliveInterval=1", "-oServerAliveCountMax=2"},
                  "pwd\n");
    ASSERT_TRUE(alive.EndsWithin(10)) << alive.Err();
    EXPECT_NE(alive.ExitCode(), 0);
    EXPECT_FALSE(plain.EndsWithin(5.5)) << plain.Err();
}

// The hosts' web server runs as an account of its own, neither root nor
// the one the hosts' servers log the club in as.
TEST(SftpServersWeb, TheHostsWebServerIsAnotherAccount)
{
    loopback::HostAccount account;
    ASSERT_TRUE(loopback::LookUpHostAccount(account));
    const uid_t uid = ProcessUid(LoopbackSite::Get().HostHttp().Pid());
    EXPECT_NE(uid, 0u);
    EXPECT_NE(uid, account.uid);
    EXPECT_EQ(uid, ::getpwnam(kWebServerAccount)->pw_uid);
}
