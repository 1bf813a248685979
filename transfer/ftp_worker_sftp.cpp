// SFTP through one sftp program per session, given its steps on its standard input.
#include "transfer/ftp_worker.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include "platform/error_text.h"
#include "platform/fd_io.h"
#include "platform/text_helpers.h"
#include "transfer/ftp_settings.h"
#include "transfer/process_runner.h"
#include "transfer/sftp_session.h"
#include "transfer/transfer_host.h"

namespace {

// sftp reads a batch line in pieces of this many bytes, its line feed
// included, and runs each piece as a command of its own: the tail of a
// longer line would run as a command nobody wrote.
constexpr size_t kSftpLineBytes = 2047;
// How long ssh waits for the server to accept and to send its greeting. A
// server that never answers fails the step on its own after this.
constexpr int kSftpConnectTimeoutSeconds = 30;
// What sftp says for a folder that is not there; a listing step expects it.
const char kMissingFolderStart[] = "Can't ls: \"";
const char kMissingFolderEnd[] = "\" not found";

// The error text without the lines that say a listed folder is not there.
std::string WithoutMissingFolders(const std::string& errors)
{
    std::string kept;
    size_t start = 0;
    while (start < errors.size()) {
        size_t end = errors.find('\n', start);
        end = end == std::string::npos ? errors.size() : end + 1;
        std::string line = errors.substr(start, end - start);
        const std::string bare = TrimRight(line);
        const bool missing = bare.rfind(kMissingFolderStart, 0) == 0 && bare.size() >= sizeof kMissingFolderEnd &&
                             bare.compare(bare.size() - (sizeof kMissingFolderEnd - 1), std::string::npos,
                                          kMissingFolderEnd) == 0;
        if (!missing)
            kept += line;
        start = end;
    }
    return kept;
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

// The "ls" line that lists folder ("" for the session's folder).
std::string ListLine(const std::string& folder)
{
    return folder.empty() ? "-ls -la" : "-ls -la " + CFTPWorker::QuotePath(folder);
}

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
    // put gives the remote file the local file's mode, and staged files
    // are private: the web server must be able to read what is put.
    if (command == "put")
        batch += "chmod 644 " + QuotePath(a2.empty() ? CSftpFolderCache::Leaf(a1) : a2) + "\n";
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

bool CFTPWorker::RunSftpStep(const std::string& batch, std::string* output, bool probing)
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
    // for a silent server as long as TCP does.
    const std::string connectTimeout = StrFormat("-oConnectTimeout=%d", kSftpConnectTimeoutSeconds);
    for (const char* o : {"-F", "/dev/null", "-oBatchMode=yes", connectTimeout.c_str(), "-oClearAllForwardings=yes",
                          "-oForwardAgent=no", "-oForwardX11=no", "-b", "-"})
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
    // A failed step ends its sftp part way: what it changed is not known.
    if (!ok)
        m_sftpFolders.Forget();
    // A folder that a listing step finds missing is an answer, not a fault.
    if (probing)
        errors = WithoutMissingFolders(errors);
    if (!errors.empty())
        m_strTranscript += FormatCommandLine(argv) + "\r\n" + errors;
    if (!ok && !m_pSftp->StopReason().empty())
        StoppedRun("sftp", m_pSftp->StopReason());
    // A new session that ended on its first step never got past ssh's
    // connection and login: ssh said why.
    m_bSftpLoginFailed = false;
    LoginFailure failure;
    if (!ok && newSession && m_host.GetCancelState(false) != CS_CANCELLED && LoginFailureFromSsh(errors, failure)) {
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
    // The answer of each listing follows the echo of its line; a folder
    // that is not there answers nothing.
    std::vector<std::string> answers(folders.size());
    size_t next = 0;
    int current = -1;
    size_t start = 0;
    while (start < output.size()) {
        size_t end = output.find('\n', start);
        if (end == std::string::npos)
            end = output.size();
        const std::string line = output.substr(start, end - start);
        if (line.rfind("sftp> ", 0) == 0) {
            current = -1;
            if (next < folders.size() && line.compare(6, std::string::npos, ListLine(folders[next])) == 0)
                current = static_cast<int>(next++);
        } else if (current >= 0) {
            answers[static_cast<size_t>(current)] += line + "\n";
        }
        start = end + 1;
    }
    const std::string base = SftpBase();
    for (size_t i = 0; i < folders.size(); ++i)
        m_sftpFolders.Store(CSftpFolderCache::Key(base, folders[i]),
                            CSftpFolderCache::ParseListing(answers[i], ListPrefix(folders[i])));
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
    // Every line this upload may send, before anything is sent.
    const std::string put = "put " + QuotePath(localPath) + " " + QuotePath(target) + "\n";
    const std::string chmod = "chmod 644 " + QuotePath(target) + "\n";
    std::string lines = cd + "rm " + QuotePath(target) + "\n" + put + chmod;
    for (const auto& level : levels)
        lines += ListLine(level) + "\n-mkdir " + QuotePath(level) + "\n";
    if (RefuseLongSftpLine(lines, operation, true))
        return false;

    // What exists is asked over the session's own connection: one listing
    // step for the levels not seen yet, from the first of them down (a
    // level below a missing one answers nothing, which costs nothing).
    const std::string base = SftpBase();
    auto key = [&base](const std::string& level) { return CSftpFolderCache::Key(base, level); };
    for (size_t i = 0; i < levels.size(); ++i) {
        const CSftpFolderCache::Entries* known = m_sftpFolders.Find(key(levels[i]));
        if (!known) {
            if (!ListSftpFolders(std::vector<std::string>(levels.begin() + static_cast<long>(i), levels.end()))) {
                if (m_host.GetCancelState(false) != CS_CANCELLED && !m_bSftpLoginFailed) {
                    SetLastServerResponse("sftp could not list the folders of " + target + " (see the transfer log)");
                    m_host.ReportError(inet::ExtendedError, operation);
                }
                return false;
            }
            break;
        }
        if (i + 1 < levels.size() && !known->count(CSftpFolderCache::Leaf(levels[i + 1])))
            break;  // the rest is missing
    }

    // Folders only where missing ("-": one made meanwhile by someone else
    // does not stop the upload), the old file removed before the new one
    // is put, and the file made readable by the web server.
    std::string batch = cd;
    std::vector<bool> made(levels.size(), false);
    bool there = true;
    for (size_t i = 1; i < levels.size(); ++i) {
        const CSftpFolderCache::Entries* parent = there ? m_sftpFolders.Find(key(levels[i - 1])) : nullptr;
        there = parent && parent->count(CSftpFolderCache::Leaf(levels[i]));
        if (!there) {
            batch += "-mkdir " + QuotePath(levels[i]) + "\n";
            made[i] = true;
        }
    }
    const CSftpFolderCache::Entries* here = there ? m_sftpFolders.Find(key(levels.back())) : nullptr;
    if (here && here->count(CSftpFolderCache::Leaf(target)))
        batch += "rm " + QuotePath(target) + "\n";
    batch += put + chmod;
    if (RunSftpBatch(batch, nullptr)) {
        for (size_t i = 1; i < levels.size(); ++i) {
            if (made[i])
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
