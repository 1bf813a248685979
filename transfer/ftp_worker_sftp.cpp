// SFTP through one sftp program per session, given its steps on its standard input.
#include "transfer/ftp_worker.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <tuple>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/error_text.h"
#include "platform/fd_io.h"
#include "platform/path_helpers.h"
#include "platform/private_folder.h"
#include "platform/random_text.h"
#include "platform/text_helpers.h"
#include "transfer/ftp_settings.h"
#include "transfer/process_runner.h"
#include "transfer/sftp_session.h"
#include "transfer/transfer_host.h"

const char kSftpCopyPrefix[] = "qmu";

namespace {

// sftp reads a batch line in pieces of this many bytes, its line feed
// included, and runs each piece as a command of its own: the tail of a
// longer line would run as a command nobody wrote.
constexpr size_t kSftpLineBytes = 2047;
// How long ssh waits for the server to accept and to send its greeting. A
// server that never answers fails the step on its own after this.
constexpr int kSftpConnectTimeoutSeconds = 30;
// ssh's keep-alive: a server that stops answering, during the login or
// later, ends the step after this many unanswered probes this far apart.
constexpr int kSftpAliveIntervalSeconds = 15;
constexpr int kSftpAliveCount = 3;

bool StartsAndEnds(const std::string& line, const char* start, const char* end)
{
    const size_t s = std::strlen(start), e = std::strlen(end);
    return line.size() >= s + e && line.compare(0, s, start) == 0 &&
           line.compare(line.size() - e, std::string::npos, end) == 0;
}

// What sftp says for a folder that is not there; a listing step expects it.
bool IsMissingFolderLine(const std::string& line)
{
    return StartsAndEnds(line, "Can't ls: \"", "\" not found");
}

// What sftp says when a folder to be made stands already ("-mkdir").
bool IsStandingFolderLine(const std::string& line)
{
    return StartsAndEnds(line, "remote mkdir \"", "\": Failure") ||
           line == "Couldn't create directory: Failure";
}

// What sftp says when the server refuses to change a file's mode.
bool IsRefusedModeLine(const std::string& line)
{
    return StartsAndEnds(line, "remote setstat \"", "\": Permission denied") ||
           StartsAndEnds(line, "Couldn't setstat on \"", "\": Permission denied");
}

// What sftp says when a rename did not come about.
bool IsFailedRenameLine(const std::string& line)
{
    return line.rfind("remote rename \"", 0) == 0 || line.rfind("Couldn't rename file \"", 0) == 0;
}

// The error text without the lines that drop says are answers, not faults;
// found tells whether there were any.
std::string WithoutLines(const std::string& errors, bool (*drop)(const std::string&), bool* found = nullptr)
{
    std::string kept;
    size_t start = 0;
    while (start < errors.size()) {
        size_t end = errors.find('\n', start);
        end = end == std::string::npos ? errors.size() : end + 1;
        const std::string line = errors.substr(start, end - start);
        if (drop(TrimRight(line))) {
            if (found)
                *found = true;
        } else {
            kept += line;
        }
        start = end;
    }
    return kept;
}

bool HoldsLine(const std::string& errors, bool (*test)(const std::string&))
{
    bool found = false;
    WithoutLines(errors, test, &found);
    return found;
}

// The longest quoted argument of a batch line, unquoted (the line itself
// when it has none).
std::string LongestArgument(const std::string& line)
{
    std::string longest, current;
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (!quoted) {
            quoted = c == '"';
            continue;
        }
        if (c == '\\' && i + 1 < line.size()) {
            current += line[++i];
        } else if (c == '"') {
            if (current.size() > longest.size())
                longest = current;
            current.clear();
            quoted = false;
        } else {
            current += c;
        }
    }
    return longest.empty() ? line : longest;
}

// The "ls" line that lists folder ("" for the session's folder). "-n"
// makes sftp format every line itself, the folder in front of each name,
// from servers of every release (without it an OpenSSH server before 9.1
// has its own lines printed, with bare names).
std::string ListLine(const std::string& folder)
{
    return folder.empty() ? "-ls -lan" : "-ls -lan " + CFTPWorker::QuotePath(folder);
}

// A name in folder for a file on its way to its place: nobody can have
// put anything under it beforehand.
std::string TemporaryName(const std::string& folder)
{
    const std::string name = ".qm-" + UnguessableHex(16) + ".tmp";
    return folder.empty() ? name : folder + "/" + name;
}

// put gives the new remote file the local file's mode, and a server may
// refuse the chmod after it. A file that group and others may not read
// (the program stages its pages 0600) goes up as a copy that they may,
// made in the private folder (this user's, writable by nobody else); Path() is
// empty when the file goes as it is.
class CReadableCopy {
public:
    explicit CReadableCopy(const std::string& localPath)
    {
        const int in = ::open(localPath.c_str(), O_RDONLY | O_CLOEXEC);
        if (in < 0)
            return;
        struct stat st {};
        const std::string folder =
            ::fstat(in, &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0044) != 0044 ? PrivateTempFolder() : "";
        if (!folder.empty()) {
            const std::string path = JoinPath(folder, StrFormat("%s%ld-%s", kSftpCopyPrefix,
                                                                static_cast<long>(::getpid()), UnguessableHex(16).c_str()));
            const int out = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
            bool copied = out >= 0 && ::fchmod(out, 0644) == 0;
            char buffer[1 << 16];
            ssize_t n = 0;
            while (copied && (n = ::read(in, buffer, sizeof buffer)) != 0)
                copied = n > 0 ? WriteAll(out, buffer, static_cast<size_t>(n)) : errno == EINTR;
            if (out >= 0 && ::close(out) != 0)
                copied = false;
            if (copied)
                m_path = path;
            else if (out >= 0)
                ::unlink(path.c_str());
        }
        ::close(in);
    }
    ~CReadableCopy()
    {
        if (!m_path.empty())
            ::unlink(m_path.c_str());
    }
    CReadableCopy(const CReadableCopy&) = delete;
    CReadableCopy& operator=(const CReadableCopy&) = delete;
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

// What sftp puts before each name when it lists folder.
std::string ListPrefix(const std::string& folder)
{
    if (folder.empty())
        return std::string();
    const std::string name = CFTPWorker::SftpName(folder);
    return name.back() == '/' ? name : name + "/";
}

}  // namespace

std::string CFTPWorker::SftpName(const std::string& text)
{
    return !text.empty() && text[0] == '-' ? "./" + text : text;
}

std::string CFTPWorker::QuotePath(const std::string& text)
{
    // sftp's batch reader takes \" and \\ inside double quotes; wildcard
    // characters inside quotes are already literal.
    std::string out = "\"";
    for (char c : SftpName(text)) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    out += '"';
    return out;
}

bool CFTPWorker::RunSftpCommand(const std::string& command, const std::string& a1, const std::string& a2,
                                std::string* output)
{
    for (const std::string* a : {&a1, &a2}) {
        if (!IsSendableName(*a))
            return RefuseName(*a, "CFTPWorker::RunSftpCommand", false);
    }
    std::string batch;
    GetCurrentPath(batch, false);
    batch += command;
    if (!a1.empty())
        batch += " " + QuotePath(a1);
    if (!a2.empty())
        batch += " " + QuotePath(a2);
    batch += "\n";
    const bool ok = RunSftpBatch(batch, output);
    NoteSftpCommand(command, a1, a2, ok);
    return ok;
}

void CFTPWorker::NoteSftpCommand(const std::string& command, const std::string& a1, const std::string& a2, bool ok)
{
    // A failed step has made the folders forget already; a listing changes
    // nothing.
    if (!ok || command.rfind("ls", 0) == 0)
        return;
    const std::string base = SftpBase();
    auto folderOf = [&base](const std::string& path) {
        return CSftpFolderCache::Key(base, CSftpFolderCache::Parent(path));
    };
    if (command == "put") {
        const std::string remote = a2.empty() ? CSftpFolderCache::Leaf(a1) : a2;
        m_sftpFolders.Add(folderOf(remote), CSftpFolderCache::Leaf(remote), false);
    } else if (command == "mkdir") {
        m_sftpFolders.Add(folderOf(a1), CSftpFolderCache::Leaf(a1), true);
    } else if (command == "rm" || command == "rmdir") {
        const std::string& removed = a2.empty() ? a1 : a2;
        m_sftpFolders.Remove(folderOf(removed), CSftpFolderCache::Leaf(removed));
    } else if (command == "rename") {
        const CSftpFolderCache::Entries* from = m_sftpFolders.Find(folderOf(a1));
        const auto entry = from ? from->find(CSftpFolderCache::Leaf(a1)) : CSftpFolderCache::Entries::const_iterator();
        if (from && entry != from->end()) {
            const bool folder = entry->second;
            m_sftpFolders.Remove(folderOf(a1), CSftpFolderCache::Leaf(a1));
            m_sftpFolders.Remove(folderOf(a2), CSftpFolderCache::Leaf(a2));
            m_sftpFolders.Add(folderOf(a2), CSftpFolderCache::Leaf(a2), folder);
        } else {
            m_sftpFolders.Forget();
        }
    } else {
        m_sftpFolders.Forget();  // a command whose effect is not followed here
    }
}

std::string CFTPWorker::SftpBase() const
{
    std::string base;
    for (const auto& c : m_Components)
        base += (base.empty() ? "" : "/") + c.text;
    return base;
}

bool CFTPWorker::RefuseLongSftpLine(const std::string& batch, const std::string& operation, bool report)
{
    size_t start = 0;
    while (start < batch.size()) {
        size_t end = batch.find('\n', start);
        if (end == std::string::npos)
            end = batch.size();
        if (end - start + 1 > kSftpLineBytes) {
            std::string name = LongestArgument(batch.substr(start, end - start));
            if (name.size() > 60)
                name = name.substr(0, 60) + "...";
            const std::string text =
                StrFormat("A name is too long for an SFTP command (%zu bytes; a command line may hold %zu): \"%s\"",
                          end - start + 1, kSftpLineBytes, name.c_str());
            SetLastServerResponse(text);
            m_strTranscript += text + "\r\n\r\n";
            if (report)
                m_host.ReportError(inet::ExtendedError, operation);
            else
                m_host.WriteLog(operation + ": " + text + "\n");
            return true;
        }
        start = end + 1;
    }
    return false;
}

bool CFTPWorker::RunSftpBatch(const std::string& batch, std::string* output)
{
    return RunSftpStep(batch, output, false);
}

bool CFTPWorker::RunSftpStep(const std::string& batch, std::string* output, bool listing)
{
    if (RefuseLongSftpLine(batch, "CFTPWorker::RunSftpBatch", false))
        return false;
    std::vector<std::string> extra = ExtraParameters();
    if (RefuseExtraParameters(extra))
        return false;
    const CFTPSettings& s = *m_pSettings;
    // A destination that looks like an option would be taken for one.
    if (s.m_strServer.empty() || s.m_strServer[0] == '-' || s.m_strUser.empty() || s.m_strUser[0] == '-' ||
        s.m_strServer.find_first_of(" \t\r\n") != std::string::npos ||
        s.m_strUser.find_first_of(" \t\r\n@") != std::string::npos) {
        SetLastServerResponse("The SFTP server or user name is not valid: " + s.m_strUser + "@" + s.m_strServer);
        m_host.ReportError(inet::ExtendedError, "CFTPWorker::RunSftpBatch");
        return false;
    }
    std::vector<std::string> argv{m_strSftpProgram};
    for (auto& a : extra)
        argv.push_back(std::move(a));
    // sftp takes the steps from its standard input; the batch file keeps
    // the record of every step the session was given. sftp itself waits
    // for a silent server as long as TCP does, and for one that greeted and
    // then went quiet for ever: the connect time-out bounds the first, the
    // keep-alive everything after. ssh says only what went wrong: a
    // server's banner is not ssh's word and stays out.
    const std::string connectTimeout = StrFormat("-oConnectTimeout=%d", kSftpConnectTimeoutSeconds);
    const std::string aliveInterval = StrFormat("-oServerAliveInterval=%d", kSftpAliveIntervalSeconds);
    const std::string aliveCount = StrFormat("-oServerAliveCountMax=%d", kSftpAliveCount);
    for (const char* o : {"-F", "/dev/null", "-oBatchMode=yes", "-oLogLevel=ERROR", connectTimeout.c_str(),
                          aliveInterval.c_str(), aliveCount.c_str(), "-oClearAllForwardings=yes", "-oForwardAgent=no",
                          "-oForwardX11=no", "-b", "-"})
        argv.push_back(o);
    const std::string port = s.GetPort();
    if (!port.empty()) {
        argv.push_back("-P");
        argv.push_back(port);
    }
    argv.push_back(s.m_strUser + "@" + s.m_strServer);
    const bool newSession = !m_pSftp || !m_pSftp->CanCarry(argv);
    if (newSession) {
        EndSftpSession();
        std::string batchPath;
        if (!m_host.GetTempFile(std::string(), "QMb", ".txt", batchPath, &m_nBatchRecord))
            return false;
        // Appended to, so that a record someone emptied goes on from its start.
        ::fcntl(m_nBatchRecord, F_SETFL, ::fcntl(m_nBatchRecord, F_GETFL) | O_APPEND);
    }
    // Written through the descriptor that made the file: the name could
    // have been swapped for a link to another file meanwhile.
    int error = 0;
    if (!WriteAll(m_nBatchRecord, batch.data(), batch.size(), &error)) {
        EndSftpSession();
        m_host.ReportError(error ? static_cast<uint32_t>(error) : EIO, "CFTPWorker::RunSftpBatch: write");
        return false;
    }
    if (newSession) {
        // Under a non-UTF-8 locale sftp prints the bytes of non-ASCII names
        // as octal escapes; names are UTF-8 here.
        m_pSftp = std::make_unique<CSftpSession>(m_host, argv, std::vector<std::string>{"LC_ALL=C.UTF-8"});
        if (!m_pSftp->Start()) {
            EndSftpSession();
            return false;
        }
    }
    std::string errors;
    const bool ok = m_pSftp->RunStep(batch, output, errors, m_nRunTimeLimitMs);
    m_strSftpErrors = errors;
    // A failed step ends its sftp part way: what it changed is not known.
    if (!ok)
        m_sftpFolders.Forget();
    // A folder that a listing step finds missing is an answer, not a fault.
    if (listing)
        errors = WithoutLines(errors, IsMissingFolderLine);
    // So is one to be made where it is not known to stand that stands.
    errors = WithoutLines(errors, IsStandingFolderLine);
    // So is a server that does not let a file's mode be changed (the file
    // keeps the mode it was put with): said once in the log, and no more
    // chmod is asked of it.
    bool modeRefused = false;
    errors = WithoutLines(errors, IsRefusedModeLine, &modeRefused);
    if (modeRefused && !m_bSftpModeRefused) {
        m_bSftpModeRefused = true;
        m_host.WriteLog("SFTP: the server does not let file modes be changed; files keep the mode they were "
                        "put with\n");
    }
    if (!errors.empty())
        m_strTranscript += FormatCommandLine(argv) + "\r\n" + errors;
    if (!ok && !m_pSftp->StopReason().empty())
        StoppedRun("sftp", m_pSftp->StopReason());
    // A new session that ended on its first step before sftp wrote a word
    // (it echoes each command once logged in) never got past ssh's
    // connection and login: ssh said why. Anything after holds the
    // server's names too, which say nothing of the connection.
    m_bSftpLoginFailed = false;
    LoginFailure failure;
    if (!ok && newSession && !m_pSftp->Answered() && m_host.GetCancelState(false) != CS_CANCELLED &&
        LoginFailureFromSsh(errors, failure)) {
        m_bSftpLoginFailed = true;
        ReportLoginFailure(failure);
    }
    return ok;
}

void CFTPWorker::EndSftpSession()
{
    if (m_nBatchRecord >= 0) {
        ::close(m_nBatchRecord);
        m_nBatchRecord = -1;
    }
    if (!m_pSftp)
        return;
    std::string errors;
    m_pSftp->Close(errors);
    m_pSftp.reset();
    m_strTranscript += errors;
}

bool CFTPWorker::ListSftpFolders(const std::vector<std::string>& folders)
{
    std::string batch;
    GetCurrentPath(batch, false);
    for (const auto& folder : folders)
        batch += ListLine(folder) + "\n";
    std::string output;
    if (!RunSftpStep(batch, &output, true))
        return false;
    // The answer of each listing follows the echo of its line, after the
    // step's cd lines; a folder that is not there answers nothing. A name
    // holding a line break can make a line that looks like an echo: an
    // echo out of turn leaves every folder of the step unknown.
    std::vector<std::string> answers(folders.size());
    size_t next = 0;
    int current = -1;
    bool readable = true;
    size_t start = 0;
    while (start < output.size()) {
        size_t end = output.find('\n', start);
        if (end == std::string::npos)
            end = output.size();
        const std::string line = output.substr(start, end - start);
        start = end + 1;
        if (line.rfind("sftp> ", 0) == 0) {
            const std::string command = line.substr(6);
            if (next < folders.size() && command == ListLine(folders[next]))
                current = static_cast<int>(next++);
            else if (next > 0 || (command != "cd" && command.rfind("cd ", 0) != 0))
                readable = false;
        } else if (current >= 0) {
            answers[static_cast<size_t>(current)] += line + "\n";
        } else {
            readable = false;
        }
    }
    readable = readable && next == folders.size();
    const std::string base = SftpBase();
    for (size_t i = 0; i < folders.size(); ++i) {
        const std::string key = CSftpFolderCache::Key(base, folders[i]);
        std::optional<CSftpFolderCache::Entries> entries =
            readable ? CSftpFolderCache::ParseListing(answers[i], ListPrefix(folders[i])) : std::nullopt;
        if (entries)
            m_sftpFolders.Store(key, std::move(*entries));
        else
            m_sftpFolders.StoreUnreadable(key);
    }
    return true;
}

bool CFTPWorker::UploadSftp(const std::string& localPath, const std::string& target, const std::string& folder)
{
    if (!IsSendableName(localPath))
        return RefuseName(localPath, "CFTPWorker::UploadFile: SFTP(put)", true);
    const char* operation = "CFTPWorker::UploadFile: SFTP(put)";
    std::string cd;
    GetCurrentPath(cd, false);
    // The folder levels from the session's folder down: "", 2024, 2024/05.
    std::vector<std::string> levels{folder.size() > 0 && folder[0] == '/' ? "/" : ""};
    for (size_t i = 1; i < folder.size(); ++i) {
        if (folder[i] == '/')
            levels.push_back(folder.substr(0, i));
    }
    if (!folder.empty() && folder != "/")
        levels.push_back(folder);
    // The file goes up under a name of its own beside its target and is
    // then renamed over whatever stands under the target's name: a file
    // or a link there is replaced, never written through, and the page on
    // the web is never missing or half there.
    const std::string temporaryFolder = folder == "/" ? std::string() : folder;
    const CReadableCopy copy(localPath);
    const std::string& sent = copy.Path().empty() ? localPath : copy.Path();
    auto removeLine = [](const std::string& name) { return "-rm " + QuotePath(name) + "\n"; };
    // The old file removed first where the server's rename does not replace.
    auto renameLines = [&](const std::string& temporary, bool removeFirst) {
        return (removeFirst ? removeLine(target) : std::string()) + "rename " + QuotePath(temporary) + " " +
               QuotePath(target) + "\n";
    };
    auto putLines = [&](const std::string& temporary, bool removeFirst) {
        return "put " + QuotePath(sent) + " " + QuotePath(temporary) + "\n" +
               (m_bSftpModeRefused ? "" : "-chmod 644 " + QuotePath(temporary) + "\n") +
               renameLines(temporary, removeFirst);
    };
    // Every line this upload may send, before anything is sent.
    const std::string anyTemporary = TemporaryName(temporaryFolder);
    std::string lines = cd + putLines(anyTemporary, true) + removeLine(anyTemporary);
    for (const auto& level : levels)
        lines += ListLine(level) + "\n-mkdir " + QuotePath(level) + "\n";
    if (RefuseLongSftpLine(lines, operation, true))
        return false;

    // What exists is asked over the session's own connection: one listing
    // step for the folders that hold a level and were not listed yet, from
    // the first of them down (one below a missing one answers nothing,
    // which costs nothing).
    const std::string base = SftpBase();
    auto key = [&base](const std::string& level) { return CSftpFolderCache::Key(base, level); };
    for (size_t i = 0; i + 1 < levels.size(); ++i) {
        if (!m_sftpFolders.Listed(key(levels[i]))) {
            if (!ListSftpFolders(std::vector<std::string>(levels.begin() + static_cast<long>(i), levels.end() - 1))) {
                if (m_host.GetCancelState(false) != CS_CANCELLED && !m_bSftpLoginFailed) {
                    SetLastServerResponse("sftp could not list the folders of " + target + " (see the transfer log)");
                    m_host.ReportError(inet::ExtendedError, operation);
                }
                return false;
            }
            break;
        }
        const CSftpFolderCache::Entries* known = m_sftpFolders.Find(key(levels[i]));
        const auto below = known ? known->find(CSftpFolderCache::Leaf(levels[i + 1])) : CSftpFolderCache::Entries::const_iterator();
        if (!known || below == known->end() || !below->second)
            break;  // the rest is missing or unknown
    }

    // Folders only where they are not known to stand ("-": one that stands
    // after all, or was made meanwhile by someone else, does not stop the
    // upload). A folder known to have been missing is known to be empty
    // once made.
    std::vector<bool> known(levels.size(), false), madeEmpty(levels.size(), false);
    bool there = true;
    for (size_t i = 1; i < levels.size(); ++i) {
        const CSftpFolderCache::Entries* parent = there ? m_sftpFolders.Find(key(levels[i - 1])) : nullptr;
        const auto entry = parent ? parent->find(CSftpFolderCache::Leaf(levels[i])) : CSftpFolderCache::Entries::const_iterator();
        there = known[i] = parent && entry != parent->end() && entry->second;
        madeEmpty[i] = parent && entry == parent->end();
    }
    const bool anyKnown = std::find(known.begin(), known.end(), true) != known.end();
    const auto send = [&](bool trustFolders) {
        std::string batch = cd;
        for (size_t i = 1; i < levels.size(); ++i) {
            if (!trustFolders || !known[i])
                batch += "-mkdir " + QuotePath(levels[i]) + "\n";
        }
        // (A server whose rename does not replace has the page missing for
        // a moment.)
        const std::string temporary = TemporaryName(temporaryFolder);
        return std::make_pair(RunSftpBatch(batch + putLines(temporary, !m_bSftpRenameReplaces), nullptr), temporary);
    };
    auto [ok, temporary] = send(true);
    const auto goOn = [this] { return m_host.GetCancelState(false) != CS_CANCELLED && !m_bSftpLoginFailed; };
    const auto renameFailed = [this] { return HoldsLine(m_strSftpErrors, IsFailedRenameLine); };
    if (!ok && goOn() && !renameFailed() && anyKnown) {
        // What a listing said of the folders no longer holds (someone
        // removed one meanwhile), or never did: once more, every folder
        // made where missing.
        std::tie(ok, temporary) = send(false);
    }
    if (!ok && goOn() && renameFailed()) {
        // The file is up under its own name. OpenSSH's rename replaces what
        // stands under the new name; a server without it refuses while
        // something does.
        if (m_bSftpRenameReplaces) {
            ok = RunSftpBatch(cd + renameLines(temporary, true), nullptr);
            m_bSftpRenameReplaces = !ok;
        }
        // Something that stays (a folder) stands under the name.
        if (!ok && goOn())
            RunSftpBatch(cd + removeLine(temporary), nullptr);
    }
    if (ok) {
        for (size_t i = 1; i < levels.size(); ++i) {
            if (madeEmpty[i])
                m_sftpFolders.Store(key(levels[i]), {});
            m_sftpFolders.Add(key(levels[i - 1]), CSftpFolderCache::Leaf(levels[i]), true);
        }
        m_sftpFolders.Add(key(levels.back()), CSftpFolderCache::Leaf(target), false);
        return true;
    }
    if (m_host.GetCancelState(false) != CS_CANCELLED && !m_bSftpLoginFailed) {
        SetLastServerResponse("sftp could not upload " + target + " (see the transfer log)");
        m_host.ReportError(inet::ExtendedError, operation);
    }
    return false;
}
