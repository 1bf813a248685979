// SFTP through one sftp program per session, given its steps on its standard input.
#include "transfer/ftp_worker.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <tuple>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/error_text.h"
#include "platform/fd_io.h"
#include "platform/line_splitter.h"
#include "platform/path_helpers.h"
#include "platform/private_folder.h"
#include "platform/random_text.h"
#include "platform/text_helpers.h"
#include "transfer/ftp_settings.h"
#include "transfer/process_runner.h"
#include "transfer/remote_listing.h"
#include "transfer/sftp_session.h"
#include "transfer/transfer_host.h"

const char kSftpCopyPrefix[] = ".qm-";

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

// The name of a file on its way to its place on the server, and of its
// readable copy here: ".qm-<our pid>-<16 hex digits>.tmp". Nobody can have
// put anything under it beforehand, and the program knows its own names
// again when it lists a folder.
std::string TemporaryName()
{
    return StrFormat("%s%ld-%s.tmp", kSftpCopyPrefix, static_cast<long>(::getpid()), UnguessableHex(16).c_str());
}

bool AllHex(const std::string& s, size_t from, size_t count)
{
    if (from + count > s.size())
        return false;
    for (size_t i = from; i < from + count; ++i) {
        if (!std::isxdigit(static_cast<unsigned char>(s[i])) || std::isupper(static_cast<unsigned char>(s[i])))
            return false;
    }
    return true;
}

// A name TemporaryName made, in this run or an earlier one (or the
// ".qm-<16 hex digits>.tmp" of earlier releases).
bool IsTemporaryName(const std::string& name)
{
    const std::string prefix = kSftpCopyPrefix;
    if (name.compare(0, prefix.size(), prefix) != 0 || name.size() < prefix.size() + 20 ||
        name.compare(name.size() - 4, 4, ".tmp") != 0)
        return false;
    size_t at = prefix.size();
    const size_t digits = name.find_first_not_of("0123456789", at);
    if (digits != at && digits < name.size() && name[digits] == '-')
        at = digits + 1;
    return name.size() == at + 16 + 4 && AllHex(name, at, 16);
}

// The file as it goes up: a copy of mode 0644 (whatever the mode of the
// file the program staged: put gives the new remote file the local file's
// mode, and "put -p" sets exactly that one), named as the temporary file
// on the server, so that put needs no remote name. It is made in the
// private folder that only this user can enter; Path() is empty when it
// could not be made.
class CStagedCopy {
public:
    explicit CStagedCopy(const std::string& localPath)
    {
        const int in = ::open(localPath.c_str(), O_RDONLY | O_CLOEXEC);
        if (in < 0)
            return;
        struct stat st {};
        const std::string folder = ::fstat(in, &st) == 0 && S_ISREG(st.st_mode) ? PrivateTempFolder() : "";
        if (!folder.empty()) {
            m_name = TemporaryName();
            const std::string path = JoinPath(folder, m_name);
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
    ~CStagedCopy()
    {
        if (!m_path.empty())
            ::unlink(m_path.c_str());
    }
    CStagedCopy(const CStagedCopy&) = delete;
    CStagedCopy& operator=(const CStagedCopy&) = delete;
    const std::string& Path() const { return m_path; }
    const std::string& Name() const { return m_name; }

private:
    std::string m_path, m_name;
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
        m_sftpFolders.Add(folderOf(remote), CSftpFolderCache::Leaf(remote), CSftpFolderCache::Kind::File);
    } else if (command == "mkdir") {
        m_sftpFolders.Add(folderOf(a1), CSftpFolderCache::Leaf(a1), CSftpFolderCache::Kind::Folder);
    } else if (command == "rm" || command == "rmdir") {
        const std::string& removed = a2.empty() ? a1 : a2;
        m_sftpFolders.Remove(folderOf(removed), CSftpFolderCache::Leaf(removed));
    } else if (command == "rename") {
        const CSftpFolderCache::Entries* from = m_sftpFolders.Find(folderOf(a1));
        const auto entry = from ? from->find(CSftpFolderCache::Leaf(a1)) : CSftpFolderCache::Entries::const_iterator();
        if (from && entry != from->end()) {
            const CSftpFolderCache::Kind kind = entry->second;
            m_sftpFolders.Remove(folderOf(a1), CSftpFolderCache::Leaf(a1));
            m_sftpFolders.Remove(folderOf(a2), CSftpFolderCache::Leaf(a2));
            m_sftpFolders.Add(folderOf(a2), CSftpFolderCache::Leaf(a2), kind);
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
    CLineSplitter lines(batch, LineEnds::Lf);
    for (TextLine line; lines.Next(line);) {
        // Its line feed is read with it.
        const size_t bytes = line.text.size() + 1;
        if (bytes > kSftpLineBytes) {
            std::string name = LongestArgument(std::string(line.text));
            if (name.size() > 60)
                name = name.substr(0, 60) + "...";
            const std::string text =
                StrFormat("A name is too long for an SFTP command (%zu bytes; a command line may hold %zu): \"%s\"",
                          bytes, kSftpLineBytes, name.c_str());
            SetLastServerResponse(text);
            m_strTranscript += text + "\r\n\r\n";
            if (report)
                m_host.ReportError(inet::ExtendedError, operation);
            else
                m_host.WriteLog(operation + ": " + text + "\n");
            return true;
        }
    }
    return false;
}

bool CFTPWorker::RunSftpBatch(const std::string& batch, std::string* output)
{
    const SftpStepResult result = RunSftpStep(batch, false);
    if (output)
        *output += result.Output();
    return result.Ok();
}

std::string CFTPWorker::SftpLeftoverLines() const
{
    std::string lines;
    for (const std::string& path : m_sftpLeftovers)
        lines += "-rm " + QuotePath(path) + "\n";
    return lines;
}

void CFTPWorker::NoteSftpLeftovers(const SftpStepResult& result, const std::vector<std::string>& removed,
                                   const std::vector<std::string>& put)
{
    if (result.Ok()) {
        for (const std::string& path : removed)
            m_sftpLeftovers.erase(path);
    } else if (result.end != SftpStepEnd::NotStarted && result.end != SftpStepEnd::LoginFailed) {
        for (const std::string& path : put)
            m_sftpLeftovers.insert(path);
    }
}

SftpStepResult CFTPWorker::RunSftpStep(const std::string& stepBatch, bool listing)
{
    SftpStepResult result;  // NotStarted
    // The temporary files a step cut short left go first.
    const std::vector<std::string> leftovers(m_sftpLeftovers.begin(), m_sftpLeftovers.end());
    const std::string batch = SftpLeftoverLines() + stepBatch;
    if (RefuseLongSftpLine(batch, "CFTPWorker::RunSftpBatch", false))
        return result;
    std::vector<std::string> extra = ExtraParameters();
    if (RefuseExtraParameters(extra))
        return result;
    const CFTPSettings& s = *m_pSettings;
    // A destination that looks like an option would be taken for one.
    if (s.m_strServer.empty() || s.m_strServer[0] == '-' || s.m_strUser.empty() || s.m_strUser[0] == '-' ||
        s.m_strServer.find_first_of(" \t\r\n") != std::string::npos ||
        s.m_strUser.find_first_of(" \t\r\n@") != std::string::npos) {
        SetLastServerResponse("The SFTP server or user name is not valid: " + s.m_strUser + "@" + s.m_strServer);
        m_host.ReportError(inet::ExtendedError, "CFTPWorker::RunSftpBatch");
        return result;
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
            return result;
        // Appended to, so that a record someone emptied goes on from its start.
        ::fcntl(m_nBatchRecord, F_SETFL, ::fcntl(m_nBatchRecord, F_GETFL) | O_APPEND);
    }
    // Written through the descriptor that made the file: the name could
    // have been swapped for a link to another file meanwhile.
    int error = 0;
    if (!WriteAll(m_nBatchRecord, batch.data(), batch.size(), &error)) {
        EndSftpSession();
        m_host.ReportError(error ? static_cast<uint32_t>(error) : EIO, "CFTPWorker::RunSftpBatch: write");
        return result;
    }
    if (newSession) {
        // Under a non-UTF-8 locale sftp prints the bytes of non-ASCII names
        // as octal escapes; names are UTF-8 here.
        m_pSftp = std::make_unique<CSftpSession>(m_host, argv, std::vector<std::string>{"LC_ALL=C.UTF-8"});
        if (!m_pSftp->Start()) {
            EndSftpSession();
            return result;
        }
    }
    result = m_pSftp->RunStep(batch, m_nRunTimeLimitMs);
    NoteSftpLeftovers(result, leftovers, {});
    // A failed step ends its sftp part way: what it changed is not known.
    if (!result.Ok())
        m_sftpFolders.Forget();
    // A server that does not let a file's mode be changed (the file keeps
    // the mode it was put with): said once in the log, and no more mode
    // changes are asked of it.
    if (result.Holds(SftpErrorKind::RefusedMode) && m_sftpModes != SftpModes::Refused) {
        m_sftpModes = SftpModes::Refused;
        m_host.WriteLog("SFTP: the server does not let file modes be changed; files keep the mode they were "
                        "put with\n");
    }
    // Answers, not faults: a folder that a listing step finds missing, one
    // to be made where it was not known to stand that stands, a refused
    // mode change (said above), a leftover already gone.
    std::initializer_list<SftpErrorKind> answers = {SftpErrorKind::StandingFolder, SftpErrorKind::RefusedMode,
                                                    SftpErrorKind::MissingFile};
    std::initializer_list<SftpErrorKind> listingAnswers = {SftpErrorKind::StandingFolder, SftpErrorKind::RefusedMode,
                                                           SftpErrorKind::MissingFile, SftpErrorKind::MissingFolder};
    const std::string errors = result.ErrorText(listing ? listingAnswers : answers);
    if (!errors.empty())
        m_strTranscript += FormatCommandLine(argv) + "\r\n" + errors;
    if (!result.stopReason.empty())
        StoppedRun("sftp", result.stopReason);
    if (result.end == SftpStepEnd::LoginFailed)
        ReportLoginFailure(result.loginFailure);
    return result;
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

SftpStepResult CFTPWorker::ListSftpFolders(const std::vector<std::string>& folders)
{
    std::string batch;
    GetCurrentPath(batch, false);
    for (const auto& folder : folders)
        batch += ListLine(folder) + "\n";
    SftpStepResult result = RunSftpStep(batch, true);
    if (!result.Ok())
        return result;
    // The answer of each listing follows the echo of its line, after the
    // step's cd lines; a folder that is not there answers nothing. A name
    // holding a line break can make a line that looks like an echo: an
    // echo out of turn leaves every folder of the step unknown.
    std::vector<const SftpReply*> answers(folders.size(), nullptr);
    size_t next = 0;
    bool readable = result.echoesInTurn;
    for (const SftpReply& reply : result.replies) {
        if (next < folders.size() && reply.command == ListLine(folders[next]))
            answers[next++] = &reply;
        else if (next > 0 || !reply.lines.empty())
            readable = false;
    }
    readable = readable && next == folders.size();
    const std::string base = SftpBase();
    for (size_t i = 0; i < folders.size(); ++i) {
        const std::string key = CSftpFolderCache::Key(base, folders[i]);
        std::string text;
        if (readable) {
            for (const std::string& line : answers[i]->lines)
                text += line + "\n";
        }
        std::optional<CSftpFolderCache::Entries> entries =
            readable ? CSftpFolderCache::ParseListing(text, ListPrefix(folders[i])) : std::nullopt;
        if (!entries) {
            m_sftpFolders.StoreUnreadable(key);
            continue;
        }
        // What an upload cut short left here goes at the next step.
        for (const auto& [name, kind] : *entries) {
            if (kind == CSftpFolderCache::Kind::File && IsTemporaryName(name))
                m_sftpLeftovers.insert(CSftpFolderCache::Key(key, name));
        }
        m_sftpFolders.Store(key, std::move(*entries));
    }
    return result;
}

std::optional<std::vector<CSftpListEntry>> CFTPWorker::ListSftpFolder(const std::string& folder, std::string& error)
{
    std::string batch;
    GetCurrentPath(batch, false);
    const std::string line = folder.empty() ? "ls -lan" : "ls -lan " + QuotePath(folder);
    const SftpStepResult result = RunSftpStep(batch + line + "\n", false);
    if (!result.Ok()) {
        std::string said;
        for (const SftpErrorLine& e : result.errors) {
            const std::string text = Trim(e.text);
            if (!text.empty() && text.rfind("sftp has exited with code", 0) != 0)
                said += (said.empty() ? "" : " ") + text;
        }
        if (said.size() > 400)  // the end says most
            said = "..." + said.substr(said.size() - 400);
        error = !result.stopReason.empty() ? "sftp " + result.stopReason
                : said.empty()             ? std::string("sftp failed without saying why")
                                           : said;
        return std::nullopt;
    }
    // The answer follows the echo of the listing's line, after the step's
    // cd lines; an echo out of turn is a line a name made up.
    const SftpReply* answer = nullptr;
    bool readable = result.echoesInTurn;
    for (const SftpReply& reply : result.replies) {
        if (reply.command == line && !answer)
            answer = &reply;
        else if (answer || !reply.lines.empty())
            readable = false;
    }
    std::string text;
    if (answer) {
        for (const std::string& l : answer->lines)
            text += l + "\n";
    }
    auto entries = readable && answer ? ReadSftpListing(text, ListPrefix(folder)) : std::nullopt;
    if (!entries)
        error = "sftp's listing could not be read for certain (a name holds a line break, or bytes sftp "
                "cannot show as they are)";
    return entries;
}

bool CFTPWorker::UploadSftp(const std::string& localPath, const std::string& target, const std::string& folder)
{
    const char* operation = "CFTPWorker::UploadFile: SFTP(put)";
    if (!IsSendableName(localPath))
        return RefuseName(localPath, operation, true);
    const auto fail = [&](const std::string& text) {
        SetLastServerResponse(text);
        m_host.ReportError(inet::ExtendedError, operation);
        return false;
    };
    // The folder levels from the session's folder down: "", 2024, 2024/05.
    std::vector<std::string> levels{folder.size() > 0 && folder[0] == '/' ? "/" : ""};
    for (size_t i = 1; i < folder.size(); ++i) {
        if (folder[i] == '/')
            levels.push_back(folder.substr(0, i));
    }
    if (!folder.empty() && folder != "/")
        levels.push_back(folder);
    const std::string leaf = CSftpFolderCache::Leaf(target);
    // The file goes up under a name of its own beside its target and is
    // then renamed over whatever stands under the target's name: the page
    // on the web is never missing or half there.
    const CStagedCopy copy(localPath);
    if (copy.Path().empty())
        return fail("The file " + localPath + " could not be read to upload it as " + target);
    const std::string& temporary = copy.Name();
    const std::string aside = StrFormat("%s%s.old", kSftpCopyPrefix, UnguessableHex(16).c_str());
    const std::string base = SftpBase();
    auto key = [&base](const std::string& level) { return CSftpFolderCache::Key(base, level); };
    const std::string targetFolder = key(levels.back());
    const std::string onServer = CSftpFolderCache::Key(targetFolder, temporary);
    const std::string targetCd = targetFolder.empty() ? std::string() : "cd " + QuotePath(targetFolder) + "\n";
    std::string baseCd;
    GetCurrentPath(baseCd, false);
    const std::string intoFolder = levels.back().empty() ? std::string() : "cd " + QuotePath(levels.back()) + "\n";
    const std::string putLine = "put " + QuotePath(copy.Path()) + "\n";
    // Every line this upload may send, before anything is sent.
    std::string lines;
    for (const auto& level : levels)
        lines += ListLine(level) + "\n-mkdir " + QuotePath(level) + "\n-chmod 755 " + QuotePath(level) + "\n";
    lines += intoFolder + "-rename " + QuotePath(leaf) + " " + QuotePath(aside) + "\nrename " + QuotePath(temporary) +
             " " + QuotePath(leaf) + "\n" + targetCd + baseCd + "put -p " + QuotePath(copy.Path()) + "\n-ls -lan " +
             QuotePath(temporary) + "\n-rm " + QuotePath(onServer) + "\n";
    if (RefuseLongSftpLine(lines, operation, true))
        return false;
    // What the server does to every upload is told once.
    const auto failOnce = [&](const std::string& text) {
        if (!m_bSftpHostFaultTold) {
            m_bSftpHostFaultTold = true;
            return fail(text);
        }
        SetLastServerResponse(text);
        m_host.WriteLog(std::string(operation) + ": " + text + "\n");
        return false;
    };
    const auto goOn = [](const SftpStepResult& r) {
        return r.end == SftpStepEnd::CommandFailed || r.end == SftpStepEnd::Done;
    };
    const auto failStep = [&](const SftpStepResult& r, const std::string& text) {
        if (goOn(r))
            return fail(text);
        return false;  // cancelled, or the user was told already
    };

    // What exists is asked over the session's own connection: one listing
    // step for the folders that hold a level or the file and were not
    // listed yet, from the first of them down (one below a missing one
    // answers nothing, which costs nothing).
    for (size_t i = 0; i < levels.size(); ++i) {
        if (!m_sftpFolders.Listed(key(levels[i]))) {
            const SftpStepResult listed =
                ListSftpFolders(std::vector<std::string>(levels.begin() + static_cast<long>(i), levels.end()));
            if (!listed.Ok())
                return failStep(listed, "sftp could not list the folders of " + target + " (see the transfer log)");
            break;
        }
        const CSftpFolderCache::Entries* known = m_sftpFolders.Find(key(levels[i]));
        if (i + 1 == levels.size())
            break;
        const auto below = known ? known->find(CSftpFolderCache::Leaf(levels[i + 1])) : CSftpFolderCache::Entries::const_iterator();
        if (!known || below == known->end() || below->second != CSftpFolderCache::Kind::Folder)
            break;  // the rest is missing or unknown
    }

    // Folders only where they are not known to stand ("-": one that stands
    // after all, or was made meanwhile by someone else, does not stop the
    // upload), made readable and enterable by the web server. A folder
    // known to have been missing is known to be empty once made.
    std::vector<bool> known(levels.size(), false), madeEmpty(levels.size(), false);
    bool there = true;
    for (size_t i = 1; i < levels.size(); ++i) {
        const CSftpFolderCache::Entries* parent = there ? m_sftpFolders.Find(key(levels[i - 1])) : nullptr;
        const auto entry = parent ? parent->find(CSftpFolderCache::Leaf(levels[i])) : CSftpFolderCache::Entries::const_iterator();
        there = known[i] = parent && entry != parent->end() && entry->second == CSftpFolderCache::Kind::Folder;
        madeEmpty[i] = parent && entry == parent->end();
    }
    const bool allKnown = std::find(known.begin() + 1, known.end(), false) == known.end();
    const bool anyKnown = std::find(known.begin() + 1, known.end(), true) != known.end();
    // What stands under the target's name.
    static const CSftpFolderCache::Entries kNothing;
    const CSftpFolderCache::Entries* own = levels.size() > 1 && madeEmpty.back() ? &kNothing
                                         : there                                ? m_sftpFolders.Find(targetFolder)
                                                                                : nullptr;
    const auto standing = own ? own->find(leaf) : CSftpFolderCache::Entries::const_iterator();
    const bool absent = own && standing == own->end();
    const CSftpFolderCache::Kind kind = own && !absent ? standing->second : CSftpFolderCache::Kind::Other;
    if (own && !absent && kind == CSftpFolderCache::Kind::Folder)
        return fail("A folder stands under the name " + target + " on the server; it was left as it is");

    // The rename: a link or anything else that is not a page is removed
    // first (a server's rename may follow a link that stands under the new
    // name); where the rename does not replace, the old page is moved aside
    // first and removed once the new one stands.
    const bool knownFile = own && !absent && kind == CSftpFolderCache::Kind::File;
    auto renameLines = [&](bool replaces) {
        std::string text;
        if (!absent && !knownFile)
            text += "-rm " + QuotePath(leaf) + "\n";
        // ("-": a page removed meanwhile by someone else needs no room.)
        if (knownFile && !replaces)
            text += "-rename " + QuotePath(leaf) + " " + QuotePath(aside) + "\n";
        text += "rename " + QuotePath(temporary) + " " + QuotePath(leaf) + "\n";
        if (knownFile && !replaces)
            text += "-rm " + QuotePath(aside) + "\n";
        return text;
    };
    // After a rename that failed: the old page back, the new one gone.
    const std::string backLines = "-rename " + QuotePath(aside) + " " + QuotePath(leaf) + "\n-rm " +
                                  QuotePath(temporary) + "\n";
    // Where the server may not let modes be changed, the file's mode is
    // looked at before it goes under the target's name.
    const bool lookAtMode = m_sftpModes != SftpModes::Allowed;
    auto step = [&](bool trustFolders) {
        std::string batch;
        if (trustFolders && allKnown) {
            batch = targetCd;
        } else {
            batch = baseCd;
            for (size_t i = 1; i < levels.size(); ++i) {
                if (!trustFolders || !known[i]) {
                    batch += "-mkdir " + QuotePath(levels[i]) + "\n";
                    if (m_sftpModes != SftpModes::Refused)
                        batch += "-chmod 755 " + QuotePath(levels[i]) + "\n";
                }
            }
            batch += intoFolder;
        }
        // "put -p" sets the copy's mode 0644 on the open file, which the
        // server's umask does not cut.
        batch += m_sftpModes == SftpModes::Refused ? putLine : "put -p " + QuotePath(copy.Path()) + "\n";
        batch += lookAtMode ? "-ls -lan " + QuotePath(temporary) + "\n" : renameLines(m_bSftpRenameReplaces);
        SftpStepResult r = RunSftpStep(batch, false);
        NoteSftpLeftovers(r, {}, {onServer});
        return r;
    };
    const auto inFolder = [&](const std::string& lines) {
        m_sftpLeftovers.erase(onServer);  // this step deals with it
        SftpStepResult r = RunSftpStep(targetCd + lines, false);
        NoteSftpLeftovers(r, {onServer}, {onServer});
        return r;
    };
    SftpStepResult result = step(true);
    if (result.end == SftpStepEnd::CommandFailed && !result.Holds(SftpErrorKind::RefusedOpen) &&
        !result.Holds(SftpErrorKind::FailedRename) && anyKnown) {
        // What a listing said of the folders no longer holds (someone
        // removed one meanwhile), or never did: once more, every folder
        // made where missing, under the same temporary name.
        result = step(false);
    }
    if (result.end == SftpStepEnd::CommandFailed && result.Holds(SftpErrorKind::RefusedOpen)) {
        // The server made the file and then refused to open it with the
        // mode sent along (sftp's put always sends one): a file that is
        // there to remove says so.
        const SftpStepResult removed = inFolder("rm " + QuotePath(temporary) + "\n");
        if (removed.Ok())
            return failOnce("The server refused to take " + target + " with the mode it was sent with: it does not let "
                        "the mode of uploaded files be set. Ask the host to allow SFTP uploads to set file modes "
                        "(permissions), or to use another SFTP server.");
    }
    if (result.Ok() && lookAtMode) {
        if (m_sftpModes == SftpModes::Unknown && !result.Holds(SftpErrorKind::RefusedMode))
            m_sftpModes = SftpModes::Allowed;
        std::optional<std::vector<CSftpListEntry>> seen;
        for (const SftpReply& reply : result.replies) {
            if (reply.command == "-ls -lan " + QuotePath(temporary)) {
                std::string text;
                for (const std::string& line : reply.lines)
                    text += line + "\n";
                seen = ReadSftpListing(text, std::string());
            }
        }
        const bool readable = m_sftpModes == SftpModes::Allowed ||
                              (result.echoesInTurn && seen && seen->size() == 1 && (*seen)[0].name == temporary &&
                               (*seen)[0].PlainFile() && (*seen)[0].OthersMayRead());
        if (!readable) {
            inFolder("-rm " + QuotePath(temporary) + "\n");
            const std::string text = "The server makes new files readable only by their owner and does not let "
                                     "their mode be changed, so " + target + " was not put in place: the web server "
                                     "could not read it (the page there was left as it was). Ask the host to make "
                                     "uploaded files readable by everyone (a umask of 022 for SFTP uploads).";
            return failOnce(text);
        }
        result = inFolder(renameLines(m_bSftpRenameReplaces));
    }
    if (result.end == SftpStepEnd::CommandFailed && result.Holds(SftpErrorKind::FailedRename)) {
        // The file is up under its own name. OpenSSH's rename replaces what
        // stands under the new name; a server without it refuses while
        // something does: the old page moved aside first, then.
        if (m_bSftpRenameReplaces && knownFile) {
            result = inFolder(renameLines(false));
            if (result.Ok())
                m_bSftpRenameReplaces = false;
        }
        // Something that stays (a folder) stands under the name, or the
        // rename failed after the old page was moved aside.
        if (!result.Ok() && goOn(result))
            inFolder(backLines);
    }
    if (result.Ok()) {
        for (size_t i = 1; i < levels.size(); ++i) {
            if (madeEmpty[i])
                m_sftpFolders.Store(key(levels[i]), {});
            m_sftpFolders.Add(key(levels[i - 1]), CSftpFolderCache::Leaf(levels[i]), CSftpFolderCache::Kind::Folder);
        }
        m_sftpFolders.Add(targetFolder, leaf, CSftpFolderCache::Kind::File);
        return true;
    }
    return failStep(result, "sftp could not upload " + target + " (see the transfer log)");
}
