#include "transfer/http_client.h"

#include <cstring>

#include "platform/text_helpers.h"
#include "transfer/curl_support.h"
#include "transfer/transfer_limits.h"

namespace {

struct GetState {
    std::string* body = nullptr;
    CHttpReply* reply = nullptr;
    const CHttpGetOptions* options = nullptr;
    uint64_t maxBody = 0;
    // Body bytes of the reply so far, kept or not: a body that is thrown
    // away (an error page) is still read, and bounded like any other.
    uint64_t received = 0;
    bool headersDone = false;
    bool discard = false;
    bool tooLarge = false;
    // An exception in a callback, held here: it may not cross libcurl.
    std::string failure;
};

// Runs a callback's work; an exception ends the transfer (the callback
// returns failed) and is kept for the caller, never thrown through C code.
template <class Work, class Result>
Result Guarded(GetState& s, Result failed, Work work)
{
    try {
        return work();
    } catch (const std::bad_alloc&) {
        s.failure = "Out of memory";
    } catch (const std::exception& e) {
        s.failure = e.what();
    } catch (...) {
        s.failure = "Unexpected failure";
    }
    return failed;
}

void ParseHeaderLine(const std::string& line, CHttpReply& reply)
{
    if (line.compare(0, 5, "HTTP/") == 0) {
        // "HTTP/1.1 404 Not Found": a new status line (after a redirect or
        // a 100 Continue) starts a new reply.
        reply = CHttpReply();
        const size_t sp1 = line.find(' ');
        if (sp1 == std::string::npos)
            return;
        const size_t sp2 = line.find(' ', sp1 + 1);
        reply.status = std::strtol(line.c_str() + sp1 + 1, nullptr, 10);
        if (sp2 != std::string::npos)
            reply.statusText = Trim(line.substr(sp2 + 1));
        return;
    }
    if (StartsWithNoCase(line, "content-length:"))
        reply.contentLength = std::strtoll(line.c_str() + 15, nullptr, 10);
}

size_t OnHeader(char* data, size_t size, size_t count, void* p)
{
    auto* s = static_cast<GetState*>(p);
    const size_t n = size * count;
    return Guarded(*s, size_t{0}, [&] {
        ParseHeaderLine(TrimRight(std::string(data, n)), *s->reply);
        return n;
    });
}

void HeadersDone(GetState& s)
{
    if (s.headersDone)
        return;
    s.headersDone = true;
    s.discard = !s.options->keepErrorBody && (s.reply->status < 200 || s.reply->status > 299);
    if (s.options->onHeaders)
        s.options->onHeaders(*s.reply);
}

size_t OnWrite(char* data, size_t size, size_t count, void* p)
{
    auto* s = static_cast<GetState*>(p);
    const size_t n = size * count;
    return Guarded(*s, size_t{0}, [&] {
        HeadersDone(*s);
        if (s->received + n > s->maxBody) {
            s->tooLarge = true;
            return size_t{0};
        }
        s->received += n;
        if (!s->discard)
            s->body->append(data, n);
        return n;
    });
}

int OnProgress(void* p, curl_off_t dltotal, curl_off_t dlnow, curl_off_t, curl_off_t)
{
    auto* s = static_cast<GetState*>(p);
    if (!s->options->progress)
        return 0;
    return Guarded(*s, 1, [&] {
        return s->options->progress(s->reply->contentLength >= 0 ? dltotal : -1, dlnow) ? 0 : 1;
    });
}

// Reads of the website give up after a minute without a byte.
void StallLimit(CURL* h)
{
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, 60L);
}

}  // namespace

CURLcode HttpGet(CURL* handle, const std::string& url, std::string& body, CHttpReply& reply,
                 const CHttpGetOptions& options, std::string& errorText)
{
    EnsureCurlInitialized();
    CURL* h = handle ? handle : curl_easy_init();
    if (!h) {
        errorText = "Out of memory";
        return CURLE_OUT_OF_MEMORY;
    }
    char errorBuffer[CURL_ERROR_SIZE];
    GetState state;
    state.body = &body;
    state.reply = &reply;
    state.options = &options;
    state.maxBody = options.maxBody ? options.maxBody : TransferLimits().httpBodyBytes;
    const int64_t timeLimitMs = TransferLimits().requestMs;
    const size_t bodyStart = body.size();
    reply = CHttpReply();
    // Never a cached copy.
    CHttpRequestSetup setup(url, timeLimitMs, errorBuffer, curl_slist_append(nullptr, "Cache-Control: no-cache"),
                            &OnHeader, &OnWrite, &OnProgress, &state);
    // A session's handle keeps its own socket callback (status texts).
    setup.openSockets = handle == nullptr;
    SetUpHttpRequest(h, setup);
    StallLimit(h);
    curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 10L);
    // A reply that announces more than the limit ends before its body.
    curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(state.maxBody));
    CURLcode rc = PerformWatched(h, [&state] {
        return !state.options->goOn || Guarded(state, false, [&state] { return state.options->goOn(); });
    });
    Guarded(state, 0, [&] {
        HeadersDone(state);
        return 0;
    });
    if (state.tooLarge || rc == CURLE_FILESIZE_EXCEEDED) {
        rc = CURLE_FILESIZE_EXCEEDED;
        errorText = "The reply is larger than the limit of " + ByteLimitText(state.maxBody) +
                    "; nothing of it was kept.";
    } else if (!state.failure.empty()) {
        rc = CURLE_OUT_OF_MEMORY;
        errorText = state.failure;
    } else if (rc == CURLE_OPERATION_TIMEDOUT && RanIntoTimeLimit(h, timeLimitMs)) {
        errorText = "No complete reply within the time limit of " + TimeLimitText(timeLimitMs) + ".";
    } else if (rc != CURLE_OK) {
        errorText = errorBuffer[0] ? errorBuffer : curl_easy_strerror(rc);
    }
    if (rc != CURLE_OK)
        body.resize(bodyStart);
    ReleaseHttpRequest(h);
    curl_slist_free_all(setup.headers);
    if (!handle)
        curl_easy_cleanup(h);
    return rc;
}
