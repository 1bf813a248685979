#include "transfer/process_runner.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "platform/secret.h"
#include "platform/text_helpers.h"
#include "platform/error_text.h"
#include "transfer/transfer_host.h"
#include "transfer/transfer_limits.h"

extern char** environ;

namespace {

const char kPassMarker[] = "> PASS ";
constexpr size_t kPassMarkerLength = sizeof kPassMarker - 1;

int OpenPidfd(pid_t pid)
{
#ifdef SYS_pidfd_open
    const long fd = ::syscall(SYS_pidfd_open, pid, 0);
    if (fd >= 0) {
        ::fcntl(static_cast<int>(fd), F_SETFD, FD_CLOEXEC);
        return static_cast<int>(fd);
    }
#endif
    return -1;
}

int64_t NowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

// ---- CPasswordMask ---------------------------------------------------------

void CPasswordMask::Feed(const char* data, size_t size, std::string& out)
{
    for (size_t i = 0; i < size; ++i) {
        const char c = data[i];
        const bool lineEnd = c == '\r' || c == '\n';
        if (m_masking) {
            if (lineEnd) {
                m_masking = false;
                m_atLineStart = true;
                out += c;
            }
            continue;
        }
        if (m_atLineStart || m_matched > 0) {
            if (c == kPassMarker[m_matched]) {
                if (++m_matched == kPassMarkerLength) {
                    out.append(kPassMarker, kPassMarkerLength);
                    out += "********";
                    m_matched = 0;
                    m_atLineStart = false;
                    m_masking = true;
                }
                continue;
            }
            // Not the marker: give back what was held.
            out.append(kPassMarker, m_matched);
            m_matched = 0;
        }
        out += c;
        m_atLineStart = lineEnd;
    }
}

void CPasswordMask::Flush(std::string& out)
{
    out.append(kPassMarker, m_matched);
    m_matched = 0;
}

// ---- CProcessRunner --------------------------------------------------------

CProcessRunner::CProcessRunner(ITransferHost& host, bool noCancelCheck)
    : m_host(host), m_bCancelCheck(!noCancelCheck), m_nOutputLimit(TransferLimits().childOutputBytes)
{
}

CProcessRunner::CProcessRunner() : CProcessRunner(QuietTransferHost()) {}

CProcessRunner::~CProcessRunner()
{
    if (m_bRunning)
        Terminate();
    CloseFd(m_stdinWrite);
    CloseFd(m_stdoutRead);
    CloseFd(m_stderrRead);
    CloseFd(m_pidfd);
}

void CProcessRunner::CloseFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

void CProcessRunner::SetError(const std::string& text, int error)
{
    std::string message = text;
    const std::string system = SystemErrorText(error);
    if (!system.empty())
        message += "\r\n" + system;
    m_host.WriteLog(message + "\n");
    m_host.ShowErrorBox(message);
}

bool CProcessRunner::Start(const std::vector<std::string>& argv, const std::string& workingFolder,
                           const std::string& programName, const std::vector<std::string>& environment)
{
    m_strProgram = programName;
    if (argv.empty() || m_bRunning) {
        SetError("Error creating process", EINVAL);
        return false;
    }
    int in[2] = {-1, -1}, out[2] = {-1, -1}, err[2] = {-1, -1};
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
        const int e = errno;
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) {
            if (fd >= 0)
                ::close(fd);
        }
        SetError("Error creating pipe", e);
        return false;
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    // Nothing else of this process reaches the child.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    if (!workingFolder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, workingFolder.c_str());

    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGINT);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    // Its own process group, so that a cancel also reaches the programs
    // it starts (sftp runs ssh).
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);

    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    std::vector<char*> env;
    for (char** e = environ; *e; ++e) {
        const char* eq = std::strchr(*e, '=');
        const size_t nameLength = eq ? static_cast<size_t>(eq - *e) + 1 : std::strlen(*e);
        bool replaced = false;
        for (const std::string& o : environment)
            replaced = replaced || o.compare(0, nameLength, *e, nameLength) == 0;
        if (!replaced)
            env.push_back(*e);
    }
    for (const std::string& o : environment)
        env.push_back(const_cast<char*>(o.c_str()));
    env.push_back(nullptr);

    pid_t pid = -1;
    const int rc = ::posix_spawnp(&pid, args[0], &actions, &attr, args.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    if (rc != 0) {
        ::close(in[1]);
        ::close(out[0]);
        ::close(err[0]);
        SetError("Error creating process", rc);
        return false;
    }
    m_pid = pid;
    m_stdinWrite = in[1];
    m_stdoutRead = out[0];
    m_stderrRead = err[0];
    // No write may hold this thread: a program that reads nothing (an sftp
    // still waiting for its server) leaves the pipe full.
    ::fcntl(m_stdinWrite, F_SETFL, ::fcntl(m_stdinWrite, F_GETFL) | O_NONBLOCK);
    ::fcntl(m_stdoutRead, F_SETFL, ::fcntl(m_stdoutRead, F_GETFL) | O_NONBLOCK);
    ::fcntl(m_stderrRead, F_SETFL, ::fcntl(m_stderrRead, F_GETFL) | O_NONBLOCK);
    m_pidfd = OpenPidfd(pid);
    m_bRunning = true;
    m_bStdoutEnded = false;
    m_nExitCode = 259;
    m_bufferCount = m_bufferNext = 0;
    m_nOutputBytes = 0;
    m_bOverLimit = false;
    return true;
}

void CProcessRunner::CloseStdin()
{
    CloseFd(m_stdinWrite);
}

ssize_t CProcessRunner::WriteStdinOnce(const char* data, size_t size)
{
    if (m_stdinWrite < 0)
        return -1;
    // A program that has ended gives EPIPE here, never the signal that
    // would end this process: it is held back on this thread while writing
    // and taken away again when the write raised it.
    sigset_t pipeSignal, before;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    ::pthread_sigmask(SIG_BLOCK, &pipeSignal, &before);
    sigset_t pending;
    sigemptyset(&pending);
    ::sigpending(&pending);
    const bool wasPending = sigismember(&pending, SIGPIPE) == 1;
    ssize_t n;
    do {
        n = ::write(m_stdinWrite, data, size);
    } while (n < 0 && errno == EINTR);
    const int error = errno;
    if (n < 0 && error == EPIPE && !wasPending) {
        const timespec now{0, 0};
        while (::sigtimedwait(&pipeSignal, nullptr, &now) < 0 && errno == EINTR) {
        }
    }
    ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
    if (n < 0)
        return error == EAGAIN || error == EWOULDBLOCK ? 0 : -1;
    return n;
}

bool CProcessRunner::WriteSomeStdin(std::string& pending)
{
    while (!pending.empty()) {
        const ssize_t n = WriteStdinOnce(pending.data(), pending.size());
        if (n < 0)
            return false;
        if (n == 0)
            break;  // full: the rest when the program has read some
        pending.erase(0, static_cast<size_t>(n));
    }
    return true;
}

void CProcessRunner::DrainStderr()
{
    if (m_stderrRead < 0)
        return;
    char chunk[4096];
    // A program that writes without pause must not keep this loop going:
    // at most this much per call, then the caller looks at its other work.
    for (size_t taken = 0; taken < 256 * 1024 && !m_bOverLimit; taken += sizeof chunk) {
        const ssize_t n = ::read(m_stderrRead, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                CloseFd(m_stderrRead);  // the program closed its error stream
            break;
        }
        // Past the limit nothing more is read or kept: the caller ends
        // the program.
        if (!CountOutput(static_cast<size_t>(n))) {
            WipeBytes(chunk, static_cast<size_t>(n));
            break;
        }
        if (m_strProgram == "curl")
            m_mask.Feed(chunk, static_cast<size_t>(n), m_strOutput);
        else
            m_strOutput.append(chunk, static_cast<size_t>(n));
        WipeBytes(chunk, static_cast<size_t>(n));
    }
}

bool CProcessRunner::CountOutput(size_t n)
{
    m_nOutputBytes += n;
    if (m_nOutputBytes > m_nOutputLimit)
        m_bOverLimit = true;
    return !m_bOverLimit;
}

void CProcessRunner::RecordExit(int status)
{
    if (WIFEXITED(status))
        m_nExitCode = static_cast<uint32_t>(WEXITSTATUS(status));
    else if (WIFSIGNALED(status))
        m_nExitCode = 128u + static_cast<uint32_t>(WTERMSIG(status));
    else
        m_nExitCode = 255;
    m_bRunning = false;
    DrainStderr();
    m_mask.Flush(m_strOutput);
    if (m_nExitCode != 0 || !m_strOutput.empty()) {
        m_strOutput += StrFormat("%s has exited with code %u\r\n--------------------\r\n\r\n",
                                 m_strProgram.c_str(), m_nExitCode);
    }
}

int CProcessRunner::PollExit()
{
    if (!m_bRunning)
        return 0;
    int status = 0;
    const pid_t r = ::waitpid(m_pid, &status, WNOHANG);
    if (r == 0)
        return 1;
    if (r < 0) {
        if (errno == EINTR)
            return 1;
        // Nobody else reaps our child; this only happens when the program
        // is gone without a status (it counts as failed).
        SetError("Error in waitpid", errno);
        m_bRunning = false;
        m_nExitCode = 255;
        return 0;
    }
    RecordExit(status);
    return 0;
}

bool CProcessRunner::WaitExited(int ms)
{
    const int64_t until = NowMs() + ms;
    while (PollExit() == 1) {
        const int64_t left = until - NowMs();
        if (left <= 0)
            return false;
        if (m_pidfd >= 0) {
            pollfd p{m_pidfd, POLLIN, 0};
            ::poll(&p, 1, static_cast<int>(left < 20 ? left : 20));
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    return true;
}

void CProcessRunner::Terminate()
{
    if (!m_bRunning)
        return;
    ::kill(-m_pid, SIGTERM);
    ::kill(m_pid, SIGTERM);
    if (!WaitExited(kTerminateGraceMs)) {
        ::kill(-m_pid, SIGKILL);
        ::kill(m_pid, SIGKILL);
        int status = 0;
        pid_t r;
        do {
            r = ::waitpid(m_pid, &status, 0);
        } while (r < 0 && errno == EINTR);
        if (r == m_pid)
            RecordExit(status);
        else
            m_bRunning = false;
    }
    // A group member that outlived the leader goes too.
    ::kill(-m_pid, SIGKILL);
}

void CProcessRunner::WaitForActivity(int ms, bool forInput)
{
    pollfd fds[4];
    int n = 0;
    if (m_stdoutRead >= 0 && !m_bStdoutEnded)
        fds[n++] = {m_stdoutRead, POLLIN, 0};
    if (m_stderrRead >= 0)
        fds[n++] = {m_stderrRead, POLLIN, 0};
    if (m_bRunning && m_pidfd >= 0)
        fds[n++] = {m_pidfd, POLLIN, 0};
    if (n == 0 || (m_bRunning && m_pidfd < 0 && n < 2)) {
        // Nothing to watch but the end of the program without a pidfd.
        std::this_thread::sleep_for(std::chrono::milliseconds(ms < 5 ? ms : 5));
        return;
    }
    if (forInput && m_stdinWrite >= 0)
        fds[n++] = {m_stdinWrite, POLLOUT, 0};
    ::poll(fds, static_cast<nfds_t>(n), ms);
}

CProcessRunner::ReadResult CProcessRunner::ReadLine(std::string& line, const std::string& prompt, bool wait)
{
    line.clear();
    while (true) {
        if (m_bufferNext >= m_bufferCount) {
            DrainStderr();
            if (m_bOverLimit)
                return RL_ERROR;
            m_bufferNext = m_bufferCount = 0;
            ssize_t n = -1;
            if (m_stdoutRead >= 0 && !m_bStdoutEnded) {
                do {
                    n = ::read(m_stdoutRead, m_buffer, sizeof m_buffer);
                } while (n < 0 && errno == EINTR);
                if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
                    SetError("Error in read", errno);
                    return RL_ERROR;
                }
                if (n == 0)
                    m_bStdoutEnded = true;
                if (n > 0 && !CountOutput(static_cast<size_t>(n)))
                    return RL_ERROR;
            }
            if (n > 0) {
                m_bufferCount = static_cast<size_t>(n);
            } else if (!m_bStdoutEnded || PollExit() == 1) {
                // Nothing waiting yet, or the output has ended but the
                // program has not: its exit status decides how the run went.
                if (!wait)
                    return RL_NODATA;
                if (m_bCancelCheck && !m_host.PumpMessages())
                    return RL_ERROR;
                WaitForActivity(50);
                continue;
            } else {
                if (m_bPendingCR)
                    line += '\r';  // the output ended after it
                m_bPendingCR = false;
                return m_nExitCode == 0 ? RL_EXITED : RL_ERROR;
            }
        }
        const char c = m_buffer[m_bufferNext++];
        // Only a CR right before the line feed ends the line with it; any
        // other is part of the line (a name may hold one).
        if (m_bPendingCR) {
            m_bPendingCR = false;
            if (c == '\n')
                return RL_LINE;
            line += '\r';
        }
        if (c == '\r') {
            m_bPendingCR = true;
            continue;
        }
        if (c == '\n')
            return RL_LINE;
        line += c;
        if (!prompt.empty() && line.find(prompt) != std::string::npos)
            return RL_PROMPT;
        if (line.size() >= kLinePiece)
            return RL_NODATA;
    }
}

// ---- argument helpers --------------------------------------------------------

std::vector<std::string> SplitArguments(const std::string& text)
{
    std::vector<std::string> args;
    std::string current;
    bool inArg = false, quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '"' || text[i + 1] == '\\')) {
                current += text[++i];
            } else if (c == '"') {
                quoted = false;
            } else {
                current += c;
            }
        } else if (c == ' ' || c == '\t') {
            if (inArg) {
                args.push_back(current);
                current.clear();
                inArg = false;
            }
        } else if (c == '"') {
            quoted = true;
            inArg = true;
        } else {
            current += c;
            inArg = true;
        }
    }
    if (inArg)
        args.push_back(current);
    return args;
}

std::string FormatCommandLine(const std::vector<std::string>& argv)
{
    std::string line;
    for (const std::string& a : argv) {
        if (!line.empty())
            line += ' ';
        if (a.empty() || a.find_first_of(" \t\"") != std::string::npos) {
            line += '"';
            for (char c : a) {
                if (c == '"' || c == '\\')
                    line += '\\';
                line += c;
            }
            line += '"';
        } else {
            line += a;
        }
    }
    return line;
}
