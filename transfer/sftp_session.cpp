#include "transfer/sftp_session.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "platform/fd_io.h"
#include "platform/line_splitter.h"
#include "platform/path_helpers.h"
#include "platform/private_folder.h"
#include "platform/random_text.h"
#include "platform/text_helpers.h"
#include "transfer/process_runner.h"
#include "transfer/transfer_host.h"
#include "transfer/transfer_limits.h"

const char kSftpSessionRecordPrefix[] = "sftp-";

namespace {

// What /proc tells of a process: its name, its process group and when it
// started (in clock ticks after boot), which together tell it from a
// later process that got the same number.
struct ProcessStat {
    std::string name;
    long group = 0;
    unsigned long long started = 0;
};

bool ReadProcessStat(long pid, ProcessStat& stat)
{
    char text[1024] = {};
    const int fd = ::open(StrFormat("/proc/%ld/stat", pid).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const ssize_t n = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (n <= 0)
        return false;
    // "pid (name) state ppid pgrp ...": the name may hold blanks and
    // parentheses, so the fields are counted from its last ")".
    const char* open = std::strchr(text, '(');
    const char* close = std::strrchr(text, ')');
    if (!open || !close || close < open)
        return false;
    stat.name.assign(open + 1, close);
    long parent = 0;
    char state = 0;
    // Fields 3 (state), 4 (parent), 5 (group), then 6 to 21 skipped, 22
    // (start time).
    return std::sscanf(close + 1, " %c %ld %ld %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %llu",
                       &state, &parent, &stat.group, &stat.started) == 4;
}

}  // namespace

CSftpSession::CSftpSession(ITransferHost& host, std::vector<std::string> argv, std::vector<std::string> environment)
    : m_host(host), m_argv(std::move(argv)), m_environment(std::move(environment)), m_marker("#qm-" + UnguessableHex(24) + "-")
{
}

CSftpSession::~CSftpSession()
{
    std::string ignored;
    Close(ignored);
}

pid_t CSftpSession::Pid() const
{
    return m_runner && m_runner->IsRunning() ? m_runner->GetPid() : -1;
}

bool CSftpSession::Start()
{
    m_runner = std::make_unique<CProcessRunner>(m_host, false);
    m_errorsTaken = 0;
    if (!m_runner->Start(m_argv, std::string(), "sftp", m_environment)) {
        m_runner.reset();
        return false;
    }
    const std::string folder = PrivateTempFolder();
    if (!folder.empty()) {
        const std::string path = JoinPath(folder, StrFormat("%s%ld-%ld", kSftpSessionRecordPrefix,
                                                            static_cast<long>(::getpid()),
                                                            static_cast<long>(m_runner->GetPid())));
        // The record holds when that sftp started: the sweep ends only
        // the process it names, not a later one that got its number.
        ProcessStat stat;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            if (ReadProcessStat(m_runner->GetPid(), stat)) {
                const std::string started = StrFormat("%llu\n", stat.started);
                WriteAll(fd, started.data(), started.size());
            }
            ::close(fd);
            m_record = path;
        }
    }
    return true;
}

bool CSftpSession::CanCarry(const std::vector<std::string>& argv)
{
    return m_runner && m_runner->PollExit() == 1 && argv == m_argv;
}

void CSftpSession::TakeErrors(std::string& errors)
{
    const std::string& all = m_runner->GetOutput();
    if (all.size() > m_errorsTaken) {
        errors += all.substr(m_errorsTaken);
        m_errorsTaken = all.size();
    }
}

void CSftpSession::EndRecord()
{
    if (!m_record.empty())
        ::unlink(m_record.c_str());
    m_record.clear();
}

namespace {

bool StartsAndEnds(const std::string& line, const char* start, const char* end)
{
    const size_t s = std::strlen(start), e = std::strlen(end);
    return line.size() >= s + e && line.compare(0, s, start) == 0 &&
           line.compare(line.size() - e, std::string::npos, end) == 0;
}

// sftp's lines: a CR is a byte of a name like any other.
std::vector<std::string> LinesOf(const std::string& text)
{
    std::vector<std::string> lines;
    for (const std::string_view line : SplitLines(text, LineEnds::Lf))
        lines.emplace_back(line);
    return lines;
}

}  // namespace

SftpErrorKind SftpErrorKindOf(const std::string& raw)
{
    const std::string line = TrimRight(raw);
    if (StartsAndEnds(line, "Can't ls: \"", "\" not found"))
        return SftpErrorKind::MissingFolder;
    if (StartsAndEnds(line, "remote mkdir \"", "\": Failure") || line == "Couldn't create directory: Failure")
        return SftpErrorKind::StandingFolder;
    if (StartsAndEnds(line, "remote setstat \"", "\": Permission denied") ||
        StartsAndEnds(line, "Couldn't setstat on \"", "\": Permission denied") ||
        line == "remote fsetstat: Permission denied" || line == "Couldn't fsetstat: Permission denied")
        return SftpErrorKind::RefusedMode;
    if ((line.rfind("remote delete ", 0) == 0 || line.rfind("remote rename \"", 0) == 0) &&
        StartsAndEnds(line, "remote ", ": No such file or directory"))
        return SftpErrorKind::MissingFile;
    if (StartsAndEnds(line, "File \"", "\" not found."))
        return SftpErrorKind::MissingFile;
    if (line.rfind("remote rename \"", 0) == 0 || line.rfind("Couldn't rename file \"", 0) == 0)
        return SftpErrorKind::FailedRename;
    if (StartsAndEnds(line, "dest open \"", "\": Permission denied"))
        return SftpErrorKind::RefusedOpen;
    return SftpErrorKind::Other;
}

bool SftpStepResult::Holds(SftpErrorKind kind) const
{
    for (const SftpErrorLine& e : errors) {
        if (e.kind == kind)
            return true;
    }
    return false;
}

std::string SftpStepResult::ErrorText(std::initializer_list<SftpErrorKind> leaveOut) const
{
    std::string text;
    for (const SftpErrorLine& e : errors) {
        if (std::find(leaveOut.begin(), leaveOut.end(), e.kind) == leaveOut.end())
            text += e.text + "\n";
    }
    return text;
}

std::string SftpStepResult::Output() const
{
    std::string text;
    for (const SftpReply& reply : replies) {
        if (!reply.command.empty())
            text += "sftp> " + reply.command + "\n";
        for (const std::string& line : reply.lines)
            text += line + "\n";
    }
    return text;
}

SftpStepResult CSftpSession::Ended(SftpStepResult result, std::string errors)
{
    if (result.end != SftpStepEnd::Done)
        Close(errors);
    for (std::string& line : LinesOf(errors)) {
        const SftpErrorKind kind = SftpErrorKindOf(line);
        result.errors.push_back({kind, std::move(line)});
    }
    // A session's first step that ended before sftp wrote a word (it
    // echoes each command once logged in) never got past ssh's connection
    // and login: ssh said why. Anything after holds the server's names
    // too, which say nothing of the connection.
    if (result.end == SftpStepEnd::CommandFailed && m_step == 1 && !m_answered &&
        LoginFailureFromSsh(errors, result.loginFailure))
        result.end = SftpStepEnd::LoginFailed;
    return result;
}

SftpStepResult CSftpSession::RunStep(const std::string& commands, int64_t timeLimitMs)
{
    SftpStepResult result;
    std::string errors;
    if (!m_runner || m_runner->PollExit() != 1) {
        result.end = SftpStepEnd::CommandFailed;
        return Ended(std::move(result), std::move(errors));
    }
    const std::string marker = m_marker + std::to_string(++m_step);
    const std::string echo = "sftp> " + marker;
    // Every step starts from the login folder ("cd" alone) and its own cd
    // line, unless the step before left sftp in that very folder: its cd
    // line was the same, and it changed folder nowhere else.
    CLineSplitter lines(commands, LineEnds::Lf);
    std::string_view first;
    lines.Next(first);
    const bool startsWithCd = first.rfind("cd ", 0) == 0;
    const std::string folderLine = startsWithCd ? std::string(first) : std::string();
    std::string sent;
    if (m_folderKnown && folderLine == m_folderLine)
        sent = startsWithCd ? std::string(lines.Rest()) : commands;
    else
        sent = "cd\n" + commands;
    m_folderKnown = false;
    // A later line that changes folder (also one of the local side).
    bool changesElsewhere = false;
    for (std::string_view line; lines.Next(line);) {
        const size_t next = line.find_first_not_of(" \t-");
        for (const char* change : {"cd", "chdir", "lcd", "lchdir"})
            changesElsewhere = changesElsewhere || (next != std::string_view::npos && line.substr(next).rfind(change, 0) == 0);
    }
    // The echoes to expect, in order.
    std::vector<std::string> expected;
    for (std::string& line : LinesOf(sent)) {
        if (!line.empty())
            expected.push_back(std::move(line));
    }
    size_t nextEcho = 0;
    const auto take = [&](const std::string& line) {
        if (line.rfind("sftp> ", 0) == 0) {
            const std::string command = line.substr(6);
            if (nextEcho < expected.size() && command == expected[nextEcho]) {
                ++nextEcho;
                result.replies.push_back({command, {}});
                return;
            }
            result.echoesInTurn = false;
        } else if (result.replies.empty()) {
            result.echoesInTurn = false;
        }
        if (result.replies.empty())
            result.replies.push_back({std::string(), {}});
        result.replies.back().lines.push_back(line);
    };
    // Each step has the whole output limit and its own time limit.
    m_runner->RestartOutputCount();
    const int64_t limitMs = timeLimitMs > 0 ? timeLimitMs : TransferLimits().requestMs;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    // sftp reads nothing before its login is done, and the pipe holds
    // 64 KiB: the step goes in as sftp takes it, between looks at its
    // output, the cancel state and the time limit.
    std::string input = sent + marker + "\n";
    std::string pending, line;
    for (;;) {
        if (!input.empty() && !m_runner->WriteSomeStdin(input)) {
            result.end = SftpStepEnd::CommandFailed;  // sftp no longer reads: it has ended
            break;
        }
        int r;
        bool done = false;
        while ((r = m_runner->ReadLine(line, std::string(), false)) == CProcessRunner::RL_LINE) {
            m_answered = true;
            line = pending + line;
            pending.clear();
            if (line == echo) {
                done = true;
                break;
            }
            take(line);
        }
        if (done) {
            result.end = SftpStepEnd::Done;
            break;
        }
        if (r == CProcessRunner::RL_ERROR && m_runner->OutputLimitReached()) {
            result.stopReason = StrFormat("wrote more than %s", ByteLimitText(m_runner->GetOutputLimit()).c_str());
            m_runner->Terminate();
            result.replies.clear();  // nothing is made of a cut answer
            result.end = SftpStepEnd::TooMuchOutput;
            break;
        }
        pending += line;
        // sftp ended before the marker: a command failed or the connection
        // went away.
        if (r != CProcessRunner::RL_NODATA || !m_runner->IsRunning()) {
            result.end = SftpStepEnd::CommandFailed;
            break;
        }
        m_runner->WaitForActivity(50, !input.empty());
        if (m_host.GetCancelState(true) == CS_CANCELLED) {
            m_runner->Terminate();
            result.end = SftpStepEnd::Cancelled;
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            result.stopReason = StrFormat("did not finish within %s", TimeLimitText(limitMs).c_str());
            m_runner->Terminate();
            result.end = SftpStepEnd::TimedOut;
            break;
        }
    }
    if (result.end == SftpStepEnd::Done) {
        // What the step's commands wrote to the error stream is there
        // before the marker's echo.
        m_runner->DrainStderr();
        TakeErrors(errors);
        m_folderKnown = !changesElsewhere;
        m_folderLine = folderLine;
    } else if (!pending.empty() && result.end != SftpStepEnd::TooMuchOutput) {
        take(pending);
    }
    return Ended(std::move(result), std::move(errors));
}

void CSftpSession::Close(std::string& errors)
{
    if (!m_runner)
        return;
    if (m_runner->IsRunning()) {
        // End of input ends sftp, which closes the connection.
        m_runner->CloseStdin();
        std::string line;
        for (int waited = 0; waited < kCloseWaitMs && m_runner->PollExit() == 1; waited += 20) {
            while (m_runner->ReadLine(line, std::string(), false) == CProcessRunner::RL_LINE) {
            }
            m_runner->WaitForActivity(20);
        }
        m_runner->Terminate();
    }
    TakeErrors(errors);
    m_runner.reset();
    EndRecord();
}

void EndLeftoverSftp(const std::string& recordName)
{
    const std::string prefix = kSftpSessionRecordPrefix;
    if (recordName.compare(0, prefix.size(), prefix) != 0)
        return;
    const size_t dash = recordName.find('-', prefix.size());
    if (dash == std::string::npos)
        return;
    char* end = nullptr;
    const long pid = std::strtol(recordName.c_str() + dash + 1, &end, 10);
    if (pid <= 1 || *end != '\0')
        return;
    // Only a process that is still that sftp: its name, the group of its
    // own that it was started in and the start time its record holds (a
    // reused number is left alone, and so is a record without a time).
    char text[32] = {};
    const int fd = ::open(JoinPath(PrivateTempFolder(), recordName).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return;
    const ssize_t n = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    char* timeEnd = nullptr;
    const unsigned long long started = n > 0 ? std::strtoull(text, &timeEnd, 10) : 0;
    if (started == 0 || timeEnd == text || (*timeEnd != '\n' && *timeEnd != '\0'))
        return;
    ProcessStat stat;
    if (ReadProcessStat(pid, stat) && stat.name == "sftp" && stat.group == pid && stat.started == started)
        ::kill(-static_cast<pid_t>(pid), SIGKILL);
}
