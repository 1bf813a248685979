#include "support/servers.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sstream>
#include <netinet/in.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace loopback {

namespace {

pid_t Spawn(const std::vector<std::string>& argv, const std::string& logFile)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    const std::string log = logFile.empty() ? "/dev/null" : logFile;
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigfillset(&defaults);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, args[0], &actions, &attr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    return rc == 0 ? pid : -1;
}

sockaddr_in Loopback(int port)
{
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    return addr;
}

bool Reaped(pid_t pid, int waitMs)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (true) {
        int status = 0;
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid || (r < 0 && errno == ECHILD))
            return true;
        if (std::chrono::steady_clock::now() >= until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// True once a TCP connection to 127.0.0.1:port succeeds within timeoutMs.
bool WaitForPort(int port, int timeoutMs)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < until) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr = Loopback(port);
        const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
        ::close(fd);
        if (ok)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

// The Debian Python that has the server modules.
const char* const kPython = "/usr/bin/python3";

const std::string kScripts = std::string(QM_SOURCE_DIR) + "/tests/servers";

}  // namespace

int PickFreePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr = Loopback(0);
    int port = 0;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
        socklen_t len = sizeof addr;
        if (::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
            port = ntohs(addr.sin_port);
    }
    if (fd >= 0)
        ::close(fd);
    return port;
}

int RunProgram(const std::vector<std::string>& argv, const std::string& logFile)
{
    const pid_t pid = Spawn(argv, logFile);
    int status = 0;
    return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string CurrentUser()
{
    const passwd* pw = ::getpwuid(::getuid());
    return pw ? pw->pw_name : "root";
}

bool CServerProcess::Start(const std::vector<std::string>& argv, int port, const std::string& logFile,
                           int timeoutMs)
{
    Stop();
    m_pid = Spawn(argv, logFile);
    m_port = port;
    if (m_pid < 0)
        return false;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < until) {
        if (WaitForPort(port, 100))
            return true;
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {  // died at start
            m_pid = -1;
            return false;
        }
    }
    Stop();
    return false;
}

void CServerProcess::Stop()
{
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGTERM);
    if (Reaped(m_pid, 3000))
        m_pid = -1;
    else
        Kill();
}

// The text of a /proc file, or what could be read of it: a process that
// ends meanwhile makes the read fail (ESRCH), which streams would throw.
static std::string ReadProcFile(const std::string& path)
{
    std::string text;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return text;
    char buf[4096];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0)
        text.append(buf, static_cast<size_t>(n));
    ::close(fd);
    return text;
}

std::vector<ProcessInfo> ListProcesses()
{
    std::vector<ProcessInfo> all;
    DIR* proc = ::opendir("/proc");
    while (dirent* e = proc ? ::readdir(proc) : nullptr) {
        const std::string dir = std::string("/proc/") + e->d_name;
        std::string line = ReadProcFile(dir + "/stat");
        line = line.substr(0, line.find('\n'));
        if (line.rfind(')') == std::string::npos)
            continue;
        ProcessInfo p;
        p.pid = static_cast<pid_t>(std::atol(e->d_name));
        std::istringstream(line.substr(line.rfind(')') + 2)) >> p.state >> p.ppid >> p.pgrp;
        p.cmdline = ReadProcFile(dir + "/cmdline");
        std::replace(p.cmdline.begin(), p.cmdline.end(), '\0', ' ');
        all.push_back(p);
    }
    if (proc)
        ::closedir(proc);
    return all;
}

void CServerProcess::Kill()
{
    if (m_pid <= 0)
        return;
    // sshd's per-connection processes go too, children before grandchildren.
    const auto all = ListProcesses();
    std::vector<pid_t> doomed{m_pid};
    for (size_t i = 0; i < doomed.size(); ++i) {
        for (const auto& p : all) {
            if (p.ppid == doomed[i])
                doomed.push_back(p.pid);
        }
    }
    for (pid_t pid : doomed)
        ::kill(pid, SIGKILL);
    Reaped(m_pid, 5000);
    m_pid = -1;
}

bool CFtpServer::Start(const std::string& root, const std::string& user, const std::string& password,
                       const std::string& certDir, const std::string& logFile, const Options& options)
{
    const int port = PickFreePort();
    std::vector<std::string> argv{kPython, kScripts + "/ftp_server.py", "--port", std::to_string(port),
                                  "--root", root, "--user", user, "--password", password};
    if (options.refuseOverwrite)
        argv.push_back("--no-overwrite");
    if (!options.sessionsFile.empty())
        argv.insert(argv.end(), {"--sessions", options.sessionsFile});
    if (options.idleTimeoutSeconds > 0)
        argv.insert(argv.end(), {"--idle-timeout", std::to_string(options.idleTimeoutSeconds)});
    if (!options.holdStore.empty())
        argv.insert(argv.end(), {"--hold-store", options.holdStore, "--held", options.heldFile});
    if (!certDir.empty())
        argv.insert(argv.end(), {"--tls-cert", certDir + "/cert.pem", "--tls-key", certDir + "/key.pem"});
    return CServerProcess::Start(argv, port, logFile);
}

bool CMadeUpTreeFtpServer::Start(const std::string& tree, const std::string& root, const std::string& user,
                                 const std::string& password, const std::string& certDir,
                                 const std::string& countFile, const std::string& logFile)
{
    const int port = PickFreePort();
    std::vector<std::string> argv{kPython, kScripts + "/hostile_ftp_server.py", "--port", std::to_string(port),
                                  "--root", root, "--user", user, "--password", password, "--tree", tree,
                                  "--count-file", countFile};
    if (!certDir.empty())
        argv.insert(argv.end(), {"--tls-cert", certDir + "/cert.pem", "--tls-key", certDir + "/key.pem"});
    return CServerProcess::Start(argv, port, logFile);
}

bool CHttpServer::Start(const std::string& root, const std::string& postsFile, const std::string& logFile,
                        const std::string& runAs)
{
    const int port = PickFreePort();
    std::vector<std::string> argv{kPython, kScripts + "/http_server.py", "--port", std::to_string(port),
                                  "--root", root, "--posts", postsFile};
    if (!runAs.empty())
        argv.insert(argv.end(), {"--user", runAs});
    return CServerProcess::Start(argv, port, logFile);
}

std::string CHttpServer::Url() const
{
    return "http://127.0.0.1:" + std::to_string(Port());
}

bool CHostileHttpServer::Start(const std::string& logFile, const std::string& certDir)
{
    const int port = PickFreePort();
    std::vector<std::string> argv{kPython, kScripts + "/hostile_http_server.py", "--port", std::to_string(port)};
    if (!certDir.empty()) {
        argv.push_back("--cert-dir");
        argv.push_back(certDir);
    }
    m_secure = !certDir.empty();
    return CServerProcess::Start(argv, port, logFile);
}

std::string CHostileHttpServer::Url() const
{
    return (m_secure ? "https://127.0.0.1:" : "http://127.0.0.1:") + std::to_string(Port());
}

bool CRecordingListener::Start(const std::string& recordFile, const std::string& logFile)
{
    record = recordFile;
    const int port = PickFreePort();
    return CServerProcess::Start(
        {kPython, kScripts + "/recording_listener.py", "--port", std::to_string(port), "--record", recordFile}, port,
        logFile);
}

bool CSshServer::Start(const std::string& folder, const std::string& logFile, const Options& options)
{
    dir = folder;
    const int port = PickFreePort();
    std::vector<std::string> setup{kPython, kScripts + "/sshd_setup.py", "--dir", dir, "--port", std::to_string(port)};
    std::vector<std::string> drop = options.dropExtensions;
    if (options.olderRelease)
        drop.insert(drop.begin(), "users-groups-by-id@openssh.com");
    for (const auto& extension : drop)
        setup.insert(setup.end(), {"--sftp-filter-drop", extension});
    if (options.refuseSetstat)
        setup.push_back("--refuse-setstat");
    if (!options.umask.empty())
        setup.insert(setup.end(), {"--umask", options.umask});
    if (!options.banner.empty()) {
        ::mkdir(dir.c_str(), 0755);
        const std::string bannerFile = dir + "/banner";
        std::ofstream out(bannerFile, std::ios::binary | std::ios::trunc);
        out << options.banner;
        out.close();
        if (!out)
            return false;
        setup.insert(setup.end(), {"--banner-file", bannerFile});
    }
    if (RunProgram(setup, logFile) != 0)
        return false;
    ::mkdir("/run/sshd", 0755);
    if (RunProgram({"/usr/sbin/sshd", "-t", "-f", dir + "/sshd_config"}, logFile) != 0)
        return false;
    return CServerProcess::Start({"/usr/sbin/sshd", "-D", "-e", "-f", dir + "/sshd_config"}, port, logFile);
}

bool CStallingSshServer::Start(const std::string& logFile)
{
    const int port = PickFreePort();
    return CServerProcess::Start({kPython, kScripts + "/stalling_ssh_server.py", "--port", std::to_string(port)},
                                 port, logFile);
}

bool MakeSelfSignedCertificate(const std::string& dir)
{
    return RunProgram({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", dir + "/key.pem",
                       "-out", dir + "/cert.pem", "-days", "2", "-subj", "/CN=127.0.0.1", "-addext",
                       "subjectAltName=IP:127.0.0.1"}) == 0;
}

}  // namespace loopback
