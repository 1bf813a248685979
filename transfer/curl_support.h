// Small pieces shared by everything that talks to servers through libcurl.
#pragma once

#include <cstdint>
#include <curl/curl.h>
#include <functional>
#include <string>

// curl_global_init, once per process, before any handle is made.
void EnsureCurlInitialized();

// The internet error code (12000 range) for a libcurl result: 12007 name
// not resolved, 12029 cannot connect, 12002 timed out, 12017 cancelled,
// 12030/12031 connection aborted or reset, 12175 TLS failure, 12003 when
// the server refused with a reply of its own, 12004 for the rest.
uint32_t InternetErrorFromCurl(CURLcode code);

// Opens sockets with close-on-exec so child processes never inherit a
// connection.
curl_socket_t OpenSocketCloexec(void* clientp, curlsocktype purpose, struct curl_sockaddr* address);

// What an HTTP request of the program (the URL download, the website reads,
// the form post) sets on its handle. Callbacks left null are not set.
struct CHttpRequestSetup {
    CHttpRequestSetup() = default;
    // A request to url within timeLimitMs whose callbacks are all handed
    // state; libcurl's message goes to errorBuffer.
    CHttpRequestSetup(std::string requestUrl, int64_t limitMs, char* errors, curl_slist* headerList,
                      curl_write_callback headerCallback, curl_write_callback bodyCallback,
                      curl_xferinfo_callback progressCallback, void* state)
        : url(std::move(requestUrl)), timeLimitMs(limitMs), errorBuffer(errors), headers(headerList),
          onHeader(headerCallback), headerData(state), onBody(bodyCallback), bodyData(state),
          onProgress(progressCallback), progressData(state)
    {
    }

    std::string url;
    long connectTimeoutMs = 60000;
    // The whole request, from start to end (0: the request limit of
    // TransferLimits).
    int64_t timeLimitMs = 0;
    // CURL_ERROR_SIZE bytes for libcurl's message; emptied first.
    char* errorBuffer = nullptr;
    // false when the handle belongs to a session whose own socket callback
    // shows the connection's progress (it opens close-on-exec as well).
    bool openSockets = true;
    curl_slist* headers = nullptr;
    curl_write_callback onHeader = nullptr;
    void* headerData = nullptr;
    curl_write_callback onBody = nullptr;
    void* bodyData = nullptr;
    curl_xferinfo_callback onProgress = nullptr;
    void* progressData = nullptr;
};

// The schemes a web request and its redirects may use: a Website URL or a
// redirect naming gopher://, dict:// or file:// must never make libcurl
// speak another protocol to whatever listens there.
extern const char kWebProtocols[];

// No signals, the address, http and https alone (redirects too), the
// connect time-out and the time limit, the error buffer, close-on-exec
// sockets, the extra headers and the callbacks with their data.
void SetUpHttpRequest(CURL* handle, const CHttpRequestSetup& setup);
// Runs the request like curl_easy_perform, but asks goOn at least every
// 50 ms (also while nothing arrives, and while connecting); false from it
// ends the request with CURLE_ABORTED_BY_CALLBACK.
CURLcode PerformWatched(CURL* handle, const std::function<bool()>& goOn);
// How handle's transfer in multi ended: otherwise when multi reports no end
// for it, and an abort when the caller stopped it.
CURLcode MultiTransferResult(CURLM* multi, CURL* handle, CURLcode otherwise, bool stopped);
// Whether a request that ended with CURLE_OPERATION_TIMEDOUT ran into its
// whole time limit (not a stall).
bool RanIntoTimeLimit(CURL* handle, int64_t limitMs);
// Takes back what SetUpHttpRequest handed to a handle that lives on (the
// error buffer, the header list and the callbacks' data).
void ReleaseHttpRequest(CURL* handle);
