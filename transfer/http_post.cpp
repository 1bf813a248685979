#include "transfer/http_post.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <chrono>
#include <cstring>
#include <curl/curl.h>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

#include "platform/html_text.h"
#include "platform/line_splitter.h"
#include "platform/text_helpers.h"
#include "platform/exceptions.h"
#include "platform/secret.h"
#include "transfer/curl_support.h"
#include "transfer/transfer_host.h"
#include "transfer/transfer_limits.h"
#include "transfer/url_string.h"
#include "platform/fd_io.h"

namespace {

using Clock = std::chrono::steady_clock;

struct PostState {
    ITransferHost* app;
    const std::string* body;
    size_t sent = 0;
    int total = 0;
    std::string reply;
    int64_t expected = 0;
    bool receiving = false;
    bool cancelled = false;
    bool tooLarge = false;
    bool timedOut = false;
    // An exception in a callback, held here: it may not cross libcurl.
    bool failed = false;
    long sendMs = 0, receiveMs = 0;
    Clock::time_point lastActivity = Clock::now();
    curl_off_t lastUp = -1, lastDown = -1;
};

bool Answer(PostState& s, int answer)
{
    if (answer == 0)
        s.cancelled = true;
    return answer != 0;
}

size_t OnReadUnguarded(char* buffer, size_t size, size_t count, void* p)
{
    auto* s = static_cast<PostState*>(p);
    if (s->cancelled)
        return CURL_READFUNC_ABORT;
    // 1024-byte pieces: progress is shown and a cancel is noticed between
    // pieces.
    size_t n = std::min<size_t>({size * count, 1024, s->body->size() - s->sent});
    std::memcpy(buffer, s->body->data() + s->sent, n);
    s->sent += n;
    if (n && !Answer(*s, s->app->UploadProgress(true, s->total, static_cast<int>(s->sent))))
        return CURL_READFUNC_ABORT;
    return n;
}

size_t OnHeaderUnguarded(char* data, size_t size, size_t count, void* p)
{
    auto* s = static_cast<PostState*>(p);
    const size_t n = size * count;
    const std::string line = TrimRight(std::string(data, n));
    if (line.compare(0, 5, "HTTP/") == 0) {
        s->expected = 0;
        if (!s->receiving) {
            s->receiving = true;
            if (!Answer(*s, s->app->SetStatusText("Receiving reply", 2)))
                return 0;
        }
    } else if (StartsWithNoCase(line, "content-length:")) {
        s->expected = std::strtoll(line.c_str() + 15, nullptr, 10);
    } else if (line.empty() && s->receiving) {
        // Headers done: the expected length, else the body length and half.
        if (s->expected <= 0)
            s->expected = static_cast<int64_t>(s->body->size() + s->body->size() / 2);
        if (!Answer(*s, s->app->UploadProgress(true, static_cast<int>(std::min<int64_t>(s->expected, INT32_MAX)), 0)))
            return 0;
        s->reply.reserve(static_cast<size_t>(std::min<int64_t>(s->expected, CHTPost::kMaxReply)) + 64);
    }
    return n;
}

size_t OnWriteUnguarded(char* data, size_t size, size_t count, void* p)
{
    auto* s = static_cast<PostState*>(p);
    const size_t n = size * count;
    if (s->reply.size() + n > CHTPost::kMaxReply) {
        s->tooLarge = true;
        return 0;
    }
    s->reply.append(data, n);
    const int total = static_cast<int>(std::min<int64_t>(s->expected, INT32_MAX));
    if (!Answer(*s, s->app->UploadProgress(true, total, static_cast<int>(s->reply.size()))))
        return 0;
    return n;
}

template <class Callback>
size_t Guarded(Callback callback, size_t failed, char* data, size_t size, size_t count, void* p)
{
    try {
        return callback(data, size, count, p);
    } catch (...) {
        static_cast<PostState*>(p)->failed = true;
        return failed;
    }
}

size_t OnRead(char* data, size_t size, size_t count, void* p)
{
    return Guarded(&OnReadUnguarded, CURL_READFUNC_ABORT, data, size, count, p);
}

size_t OnHeader(char* data, size_t size, size_t count, void* p)
{
    return Guarded(&OnHeaderUnguarded, 0, data, size, count, p);
}

size_t OnWrite(char* data, size_t size, size_t count, void* p)
{
    return Guarded(&OnWriteUnguarded, 0, data, size, count, p);
}

int OnProgress(void* p, curl_off_t, curl_off_t dlnow, curl_off_t, curl_off_t ulnow)
{
    auto* s = static_cast<PostState*>(p);
    if (s->cancelled || s->app->GetCancelState(false) == CS_CANCELLED) {
        s->cancelled = true;
        return 1;
    }
    // The send time-out while the body goes out, the receive time-out
    // while waiting for and reading the reply: both count from the last
    // movement.
    const auto now = Clock::now();
    if (ulnow != s->lastUp || dlnow != s->lastDown) {
        s->lastUp = ulnow;
        s->lastDown = dlnow;
        s->lastActivity = now;
    }
    const long limit = s->sent < s->body->size() ? s->sendMs : s->receiveMs;
    if (now - s->lastActivity > std::chrono::milliseconds(limit)) {
        s->timedOut = true;
        return 1;
    }
    return 0;
}

}  // namespace

void UrlEncodeBytes(std::string& out, const void* data, size_t size)
{
    PercentEncode(out, data, size, false);
}

void CHTPost::ComputeTimeouts(size_t headerLength, size_t bodyLength, long& sendMs, long& receiveMs)
{
    size_t t = headerLength + bodyLength;
    if (t <= 30000)
        t = 30000;
    sendMs = static_cast<long>(t);
    receiveMs = static_cast<long>(t + t / 2);
}

void CHTPost::AddBaseElement(std::string& page, const std::string& server)
{
    const size_t head = page.find("<head>");
    if (head != std::string::npos)
        page.insert(head + 6, "<base href=\"http://" + HtmlEscape(server, HtmlStyle::Utf8) + "/\">");
}

CHTPost::~CHTPost()
{
    Wait();
    if (m_replyFd >= 0)
        ::close(m_replyFd);
    WipeString(m_strBody);  // it carries the club's password
}

void CHTPost::InitPost(const std::string& displayName, const std::string& url, const std::string& headers,
                       const std::string& body)
{
    ITransferHost& app = m_host;
    m_strDisplayName = displayName;
    m_strUrl = url;
    m_strHeaders = headers;
    m_strBody = body;
    if (!app.GetTempFile(std::string(), "QMr", ".htm", m_strReplyPath) ||
        (m_replyFd = ::open(m_strReplyPath.c_str(), O_RDWR | O_CLOEXEC)) < 0) {
        const int error = errno ? errno : ENOENT;
        app.WriteLog(StrFormat("InitPost: Could not open reply file %s\n", m_strReplyPath.c_str()));
        throw CFileException(error, m_strReplyPath);
    }
    try {
        m_bFinished = false;
        m_thread = std::thread([this] {
            m_nExitCode = PostThreadProc();
            m_bFinished = true;
        });
    } catch (const std::system_error&) {
        ::close(m_replyFd);
        m_replyFd = -1;
        ::unlink(m_strReplyPath.c_str());
        throw CMemoryException();
    }
}

void CHTPost::Wait()
{
    if (!m_thread.joinable())
        return;
    m_host.WaitForThread(m_thread, m_bFinished, m_nExitCode);
}

int CHTPost::PostThreadProc()
{
    Post();
    return 0;
}

void CHTPost::Post()
{
    ITransferHost& app = m_host;
    EnsureCurlInitialized();
    PostState s;
    s.app = &app;
    s.body = &m_strBody;
    s.total = static_cast<int>(std::min<size_t>(m_strBody.size(), INT32_MAX));
    ComputeTimeouts(m_strHeaders.size(), m_strBody.size(), s.sendMs, s.receiveMs);

    std::string server;
    CURLU* u = curl_url();
    if (curl_url_set(u, CURLUPART_URL, m_strUrl.c_str(), 0) == CURLUE_OK) {
        char* host = nullptr;
        if (curl_url_get(u, CURLUPART_HOST, &host, 0) == CURLUE_OK) {
            server = host;
            curl_free(host);
        }
        char* port = nullptr;
        if (curl_url_get(u, CURLUPART_PORT, &port, 0) == CURLUE_OK) {
            server += std::string(":") + port;
            curl_free(port);
        }
    }
    curl_url_cleanup(u);

    CURL* h = nullptr;
    curl_slist* headers = nullptr;
    bool replyComplete = false;
    long status = 0;
    do {
        if (server.empty()) {
            m_strError = m_strUrl + ": not a valid address";
            break;
        }
        if (!Answer(s, app.SetStatusTextFormat("Connecting to %s", server.c_str())))
            break;
        h = curl_easy_init();
        if (!h) {
            m_strError = "Out of memory.";
            break;
        }
        if (app.GetCancelState(false) == CS_CANCELLED) {
            s.cancelled = true;
            break;
        }
        app.SetStatusTextFormat("Uploading %s", m_strDisplayName.c_str());
        if (!Answer(s, app.UploadProgress(true, s.total, 0)))
            break;
        for (const std::string_view header : SplitLines(m_strHeaders, LineEnds::CrOrLf))
            if (!header.empty())
                headers = curl_slist_append(headers, std::string(header).c_str());
        // No "100 Continue" round: the body follows the headers at once.
        headers = curl_slist_append(headers, "Expect:");
        char errorBuffer[CURL_ERROR_SIZE] = {};
        // The whole post, reply included, within a time that grows with
        // the size of what is sent.
        CHttpRequestSetup setup(m_strUrl, UploadTimeLimitMs(m_strBody.size()), errorBuffer, headers, &OnHeader,
                                &OnWrite, &OnProgress, &s);
        setup.connectTimeoutMs = s.sendMs;
        SetUpHttpRequest(h, setup);
        curl_easy_setopt(h, CURLOPT_POST, 1L);
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(m_strBody.size()));
        curl_easy_setopt(h, CURLOPT_READFUNCTION, &OnRead);
        curl_easy_setopt(h, CURLOPT_READDATA, &s);
        // Asked every 50 ms, so that a cancel ends the post at once even
        // while the server says nothing.
        const CURLcode rc = PerformWatched(h, [&s] { return OnProgress(&s, 0, s.lastDown, 0, s.lastUp) == 0; });
        if (s.cancelled)
            break;
        if (s.tooLarge) {
            m_strError = "The server's reply is larger than 1 MiB; it was not kept.";
            break;
        }
        if (s.timedOut) {
            m_strError = "The operation timed out";
            break;
        }
        if (s.failed) {
            m_strError = "Out of memory.";
            break;
        }
        if (rc == CURLE_OPERATION_TIMEDOUT && RanIntoTimeLimit(h, setup.timeLimitMs)) {
            m_strError = "The upload did not end within the time limit of " + TimeLimitText(setup.timeLimitMs) + ".";
            break;
        }
        if (rc != CURLE_OK) {
            m_strError = errorBuffer[0] ? errorBuffer : curl_easy_strerror(rc);
            m_strError = m_strError.substr(0, 1024);
            break;
        }
        curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
        replyComplete = true;
    } while (false);

    if (replyComplete) {
        AddBaseElement(s.reply, server);
        if (!WriteAll(m_replyFd, s.reply.data(), s.reply.size()))
            m_strError = "Could not write the reply file " + m_strReplyPath;
        if (m_strError.empty() && (status < 200 || status > 299))
            m_strError = StrFormat("HTTP Error %d", static_cast<int>(status));
    }
    if (s.cancelled) {
        // Never taken for a post that went through.
        m_bCanceled = true;
        m_strError = "Upload canceled";
    }
    app.UploadProgress(false, 0, 0);
    if (h)
        curl_easy_cleanup(h);
    curl_slist_free_all(headers);
    ::close(m_replyFd);
    m_replyFd = -1;
}
