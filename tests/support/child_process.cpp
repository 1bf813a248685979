#include "support/child_process.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

std::string TestProgramPath(const std::string& name)
{
    return std::string(QM_BINARY_DIR) + "/tests/" + name;
}

CChildProcess::CChildProcess(const std::string& program, const std::vector<std::string>& args)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    std::vector<std::string> all{program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all)
        argv.push_back(&a[0]);
    argv.push_back(nullptr);
    const int rc = ::posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    m_out = fds[0];
    if (rc != 0) {
        ::close(m_out);
        throw std::runtime_error("cannot start " + program);
    }
}

CChildProcess::~CChildProcess()
{
    if (!m_waited) {
        ::kill(m_pid, SIGKILL);
        Wait();
    }
    if (m_out >= 0)
        ::close(m_out);
}

bool CChildProcess::ReadLine(std::string& line, int timeoutMs)
{
    for (;;) {
        const size_t nl = m_buffer.find('\n');
        if (nl != std::string::npos) {
            line = m_buffer.substr(0, nl);
            m_buffer.erase(0, nl + 1);
            return true;
        }
        pollfd p{m_out, POLLIN, 0};
        const int r = ::poll(&p, 1, timeoutMs);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        char buf[4096];
        const ssize_t n = ::read(m_out, buf, sizeof buf);
        if (n <= 0)
            return false;
        m_buffer.append(buf, static_cast<size_t>(n));
    }
}

void CChildProcess::Kill(int signal)
{
    if (!m_waited)
        ::kill(m_pid, signal);
}

bool CChildProcess::Ended()
{
    if (!m_waited && ::waitpid(m_pid, &m_status, WNOHANG) == m_pid)
        m_waited = true;
    return m_waited;
}

int CChildProcess::Wait()
{
    if (!m_waited) {
        while (::waitpid(m_pid, &m_status, 0) < 0 && errno == EINTR) {
        }
        m_waited = true;
    }
    return m_status;
}
