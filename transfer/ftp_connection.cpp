#include "transfer/ftp_connection.h"

#include "platform/line_splitter.h"

#include <cerrno>
#include <cstdio>
#include <chrono>
#include <cstring>
#include <curl/curl.h>
#include <sys/stat.h>

#include "platform/path_helpers.h"
#include "platform/text_helpers.h"
#include "platform/error_text.h"
#include "platform/exceptions.h"
#include "transfer/curl_support.h"
#include "transfer/qm_session.h"
#include "transfer/transfer_host.h"
#include "transfer/transfer_limits.h"
#include "transfer/url_string.h"

namespace {

constexpr long kConnectTimeoutSeconds = 60;
constexpr long kResponseTimeoutSeconds = 60;
constexpr long kStallSeconds = 60;
constexpr long kUploadBufferSize = 512 * 1024;
// A control connection left by an earlier login is taken up only when it
// has been idle no longer than this: well below the idle limits servers
// set, so that a connection a firewall dropped without a word is never
// waited on.
constexpr long kReuseIdleSeconds = 15;

// "." and ".." resolved; always starts with "/", no trailing "/" except
// for the root.
std::string Normalize(const std::string& path)
{
    return NormalRemotePath(path, true);
}

}  // namespace

CFtpConnection::CFtpConnection(CQMSession& session, std::string server, unsigned port, std::string user,
                               const std::string& password, bool passive, bool ipv4Only)
    : m_session(session), m_server(std::move(server)), m_port(port), m_user(std::move(user)),
      m_password(password), m_passive(passive), m_ipv4Only(ipv4Only)
{
}

CFtpConnection::~CFtpConnection()
{
    if (m_keepConnection)
        m_password.Clear();
    else
        Close();
}

bool CFtpConnection::IsSafeName(const std::string& name)
{
    return name.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

bool CFtpConnection::Refuse(const std::string& name)
{
    m_lastError = inet::ExtendedError;
    m_lastErrorText = "A remote name cannot hold a line break or NUL character: " +
                      ReplaceAll(ReplaceAll(name, "\r", "\\r"), "\n", "\\n");
    SetLastServerResponse(m_lastErrorText);
    return false;
}

std::string CFtpConnection::Absolute(const std::string& path) const
{
    std::string p = ReplaceAll(path, "\\", "/");
    if (p.empty() || p[0] != '/')
        p = m_cwd + "/" + p;
    return Normalize(p);
}

std::string CFtpConnection::UrlFor(const std::string& absolutePath, bool folder) const
{
    std::string url = "ftp://" + m_server;
    if (m_port)
        url += ":" + std::to_string(m_port);
    // "%2F" starts the path at the server's root; with no CWD the commands
    // then carry the whole path.
    url += "/%2F" + EncodePath(absolutePath.size() > 1 ? absolutePath.substr(1) : std::string());
    if (folder && url.back() != '/')
        url += '/';
    return url;
}

void* CFtpConnection::Prepare(const std::string& url, int64_t timeLimitMs)
{
    CURL* h = m_session.PrepareHandle();
    if (!h)
        return nullptr;
    m_timeLimitMs = timeLimitMs > 0 ? timeLimitMs : TransferLimits().requestMs;
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    // Plain FTP and nothing else, whatever the server name holds.
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "ftp");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "ftp");
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(m_timeLimitMs));
    curl_easy_setopt(h, CURLOPT_USERNAME, m_user.c_str());
    curl_easy_setopt(h, CURLOPT_PASSWORD, m_password.Get().c_str());
    curl_easy_setopt(h, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
    if (!m_passive)
        curl_easy_setopt(h, CURLOPT_FTPPORT, "-");
    curl_easy_setopt(h, CURLOPT_IPRESOLVE, m_ipv4Only ? CURL_IPRESOLVE_V4 : CURL_IPRESOLVE_WHATEVER);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    curl_easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT, kResponseTimeoutSeconds);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, kStallSeconds);
    curl_easy_setopt(h, CURLOPT_TCP_KEEPALIVE, 1L);
    curl_easy_setopt(h, CURLOPT_MAXAGE_CONN, kReuseIdleSeconds);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, m_errorBuffer);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &CFtpConnection::OnHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &CFtpConnection::OnProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, this);
    return h;
}

bool CFtpConnection::Perform(void* handle)
{
    CURL* h = static_cast<CURL*>(handle);
    if (!h) {
        m_lastCurlCode = CURLE_FAILED_INIT;
        m_lastError = inet::OutOfHandles;
        m_lastErrorText = InternetErrorText(m_lastError);
        return false;
    }
    m_errorBuffer[0] = 0;
    m_lastResponse.clear();
    m_pendingLine.clear();
    m_replies.Clear();
    // The window is served and a cancel noticed every tenth of a second,
    // whatever the server does (a reply that never comes included).
    ITransferHost& host = m_session.Host();
    auto last = std::chrono::steady_clock::now();
    const auto goOn = [&host, &last] {
        const auto now = std::chrono::steady_clock::now();
        if (now - last < std::chrono::milliseconds(100))
            return true;
        last = now;
        return host.GetCancelState(true) != CS_CANCELLED;
    };
    const CURLcode rc = m_session.Perform(h, goOn);
    m_lastCurlCode = rc;
    m_anyFailed = m_anyFailed || rc != CURLE_OK;
    // Nothing of the request stays on the handle (the password stays with
    // the connection object only).
    curl_easy_setopt(h, CURLOPT_PASSWORD, "");
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, nullptr);
    if (rc == CURLE_OK) {
        m_lastError = 0;
        m_lastErrorText.clear();
        return true;
    }
    m_lastError = InternetErrorFromCurl(rc);
    m_lastErrorText = m_errorBuffer[0] ? m_errorBuffer : curl_easy_strerror(rc);
    if (rc == CURLE_OPERATION_TIMEDOUT && RanIntoTimeLimit(h, m_timeLimitMs))
        m_lastErrorText = "The server did not finish within the time limit of " + TimeLimitText(m_timeLimitMs);
    if (m_lastError == inet::ExtendedError)
        SetLastServerResponse(m_lastResponse.empty() ? m_lastErrorText : m_lastResponse);
    return false;
}

void CFtpConnection::Connect()
{
    if (!IsSafeName(m_user) || !IsSafeName(m_password.Get()) || !IsSafeName(m_server)) {
        Refuse(m_user);
        throw CInternetException(inet::LoginFailure,
                                 "The FTP server, user or password holds a line break or NUL character.");
    }
    // A connection an earlier login left is taken up only while it is good.
    m_session.DropUnlessQuiet();
    void* h = Prepare(UrlFor("/", true));
    if (h)
        curl_easy_setopt(static_cast<CURL*>(h), CURLOPT_NOBODY, 1L);
    // NOBODY on the root with no CWD: log in and ask for the login folder.
    if (!Perform(h)) {
        const std::string message =
            m_lastError == inet::ExtendedError && !m_lastResponse.empty() ? m_lastResponse : m_lastErrorText;
        throw CInternetException(m_lastError, message);
    }
    long connects = 0;
    if (curl_easy_getinfo(static_cast<CURL*>(h), CURLINFO_NUM_CONNECTS, &connects) != CURLE_OK || connects > 0)
        m_session.ForgetFoundFolders();
    char* entry = nullptr;
    if (curl_easy_getinfo(static_cast<CURL*>(h), CURLINFO_FTP_ENTRY_PATH, &entry) == CURLE_OK && entry && *entry)
        m_cwd = Normalize(entry);
    else
        m_cwd = "/";
}

void CFtpConnection::Close()
{
    m_password.Clear();
    m_session.CloseConnections();
}

void CFtpConnection::EndLogin()
{
    m_keepConnection = !m_anyFailed;
    if (m_keepConnection)
        m_password.Clear();
    else
        Close();
}

bool CFtpConnection::Commands(const std::vector<std::string>& commands)
{
    for (const auto& c : commands) {
        if (!IsSafeName(c))
            return Refuse(c);
    }
    void* h = Prepare(UrlFor("/", true));
    if (!h)
        return Perform(h);
    curl_slist* list = nullptr;
    for (const auto& c : commands)
        list = curl_slist_append(list, c.c_str());
    curl_easy_setopt(static_cast<CURL*>(h), CURLOPT_QUOTE, list);
    curl_easy_setopt(static_cast<CURL*>(h), CURLOPT_NOBODY, 1L);
    const bool ok = Perform(h);
    curl_easy_setopt(static_cast<CURL*>(h), CURLOPT_QUOTE, nullptr);
    curl_slist_free_all(list);
    return ok;
}

bool CFtpConnection::SetCurrentDirectory(const std::string& folder)
{
    const std::string target = Absolute(folder);
    // A folder found on this connection a moment ago (by the last login
    // of a posting run) is not asked for again.
    if (!m_session.FolderFound(target)) {
        if (!Commands({"CWD " + target}))
            return false;
        m_session.NoteFolderFound(target);
    }
    m_cwd = target;
    return true;
}

bool CFtpConnection::CreateDirectory(const std::string& path)
{
    return Commands({"MKD " + Absolute(path)});
}

bool CFtpConnection::Remove(const std::string& path)
{
    return Commands({"DELE " + Absolute(path)});
}

bool CFtpConnection::Rename(const std::string& from, const std::string& to)
{
    return Commands({"RNFR " + Absolute(from), "RNTO " + Absolute(to)});
}

bool CFtpConnection::PutFile(const std::string& localPath, const std::string& remotePath,
                             const std::vector<std::string>& before, const Progress& progress)
{
    if (!IsSafeName(remotePath))
        return Refuse(remotePath);
    for (const auto& c : before) {
        if (!IsSafeName(c))
            return Refuse(c);
    }
    FILE* file = std::fopen(localPath.c_str(), "rbe");
    if (!file) {
        m_lastError = static_cast<uint32_t>(errno);
        m_lastErrorText = SystemErrorText(errno) + ": " + localPath;
        return false;
    }
    struct stat st {};
    ::fstat(fileno(file), &st);
    void* v = Prepare(UrlFor(Absolute(remotePath), false), UploadTimeLimitMs(static_cast<uint64_t>(st.st_size)));
    CURL* h = static_cast<CURL*>(v);
    curl_slist* list = nullptr;
    if (h) {
        for (const auto& c : before)
            list = curl_slist_append(list, c.c_str());
        curl_easy_setopt(h, CURLOPT_QUOTE, list);
        curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(h, CURLOPT_UPLOAD_BUFFERSIZE, kUploadBufferSize);
        curl_easy_setopt(h, CURLOPT_READFUNCTION, &CFtpConnection::OnRead);
        curl_easy_setopt(h, CURLOPT_READDATA, file);
        curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(st.st_size));
    }
    m_progress = progress ? &progress : nullptr;
    m_uploading = true;
    bool ok = Perform(v);
    m_progress = nullptr;
    m_uploading = false;
    if (h) {
        curl_easy_setopt(h, CURLOPT_QUOTE, nullptr);
        curl_easy_setopt(h, CURLOPT_READDATA, nullptr);
        curl_off_t sent = 0;
        // A transfer that ended early (the local file shrank, say) is not
        // a success even when the server accepted it.
        if (ok && curl_easy_getinfo(h, CURLINFO_SIZE_UPLOAD_T, &sent) == CURLE_OK && sent != st.st_size) {
            ok = false;
            m_lastError = inet::ConnectionAborted;
            m_lastErrorText = StrFormat("Only %lld of %lld bytes were sent", static_cast<long long>(sent),
                                        static_cast<long long>(st.st_size));
        }
    }
    curl_slist_free_all(list);
    std::fclose(file);
    return ok;
}

bool CFtpConnection::List(const std::string& folder, std::string& text)
{
    text.clear();
    if (!IsSafeName(folder))
        return Refuse(folder);
    const std::string path = Absolute(folder);
    if (!Read(path, true, text, TransferLimits().ftpListingBytes, "The listing of " + path))
        return false;
    std::string cut;
    if (ListingCutShort(m_replies.LastReply(), cut)) {
        text.clear();
        return FailRead(cut);
    }
    if (ListingNamesOtherFolders(text)) {
        text.clear();
        return FailRead("The server answered with the listings of other folders than " + path +
                        "; nothing of the answer was used.");
    }
    return true;
}

bool CFtpConnection::FailRead(const std::string& text)
{
    m_anyFailed = true;
    m_lastError = inet::ExtendedError;
    m_lastErrorText = text;
    SetLastServerResponse(text);
    return false;
}

bool CFtpConnection::Read(const std::string& absolutePath, bool folder, std::string& bytes, uint64_t limit,
                          const std::string& what)
{
    Sink sink{&bytes, limit};
    void* v = Prepare(UrlFor(absolutePath, folder));
    // A folder is listed from inside: a change into it (its whole path in
    // one command), then a LIST that names nothing.
    if (CURL* h = static_cast<CURL*>(v); h && folder)
        curl_easy_setopt(h, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_SINGLECWD));
    if (CURL* h = static_cast<CURL*>(v)) {
        curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &CFtpConnection::OnWrite);
        curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);
        // A size the server announces beyond the limit ends the read first.
        curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limit));
    }
    bool ok = Perform(v);
    if (!ok && (sink.tooLarge || m_lastCurlCode == CURLE_FILESIZE_EXCEEDED)) {
        m_lastError = inet::ExtendedError;
        m_lastErrorText = what + " is larger than the limit of " + ByteLimitText(limit) + "; nothing of it was used.";
        SetLastServerResponse(m_lastErrorText);
    } else if (!ok && sink.failed) {
        m_lastError = ENOMEM;
        m_lastErrorText = "Out of memory";
    }
    if (!ok)
        bytes.clear();
    return ok;
}

size_t CFtpConnection::OnHeader(char* data, size_t size, size_t count, void* self)
{
    auto* c = static_cast<CFtpConnection*>(self);
    const size_t n = size * count;
    try {
        c->m_pendingLine.append(data, n);
        CLineSplitter lines(c->m_pendingLine, LineEnds::Lf);
        TextLine piece;
        size_t used = 0;
        while (lines.Next(piece) && piece.ended) {
            const std::string line = TrimRight(std::string(piece.text));
            if (!line.empty())
                c->m_lastResponse = line;
            c->m_replies.AddLine(line);
            used = lines.Position();
        }
        // An unfinished line waits for the rest of it.
        c->m_pendingLine.erase(0, used);
    } catch (...) {
        return 0;  // ends the request; nothing may be thrown through libcurl
    }
    return n;
}

size_t CFtpConnection::OnWrite(char* data, size_t size, size_t count, void* target)
{
    auto* sink = static_cast<Sink*>(target);
    const size_t n = size * count;
    if (sink->bytes->size() + n > sink->limit) {
        sink->tooLarge = true;
        return 0;
    }
    try {
        sink->bytes->append(data, n);
    } catch (...) {
        // Nothing may be thrown through libcurl: the read ends instead.
        sink->failed = true;
        return 0;
    }
    return n;
}

size_t CFtpConnection::OnRead(char* data, size_t size, size_t count, void* file)
{
    FILE* f = static_cast<FILE*>(file);
    const size_t n = std::fread(data, 1, size * count, f);
    if (n == 0 && std::ferror(f))
        return CURL_READFUNC_ABORT;
    return n;
}

int CFtpConnection::OnProgress(void* self, int64_t dltotal, int64_t dlnow, int64_t ultotal, int64_t ulnow)
{
    auto* c = static_cast<CFtpConnection*>(self);
    if (!c->m_progress)
        return 0;
    try {
        const bool goOn = c->m_uploading ? (*c->m_progress)(ultotal, ulnow) : (*c->m_progress)(dltotal, dlnow);
        return goOn ? 0 : 1;
    } catch (...) {
        return 1;  // ends the request; nothing may be thrown through libcurl
    }
}
