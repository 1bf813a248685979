// Plain HTTP requests through libcurl: the website download, the existence
// checks (HEAD) of SFTP uploads and the URL download's GET.
#pragma once

#include <cstdint>
#include <curl/curl.h>
#include <functional>
#include <string>

struct CHttpReply {
    long status = 0;
    std::string statusText;     // the reason phrase of the status line
    int64_t contentLength = -1; // -1 when the reply has none
};

struct CHttpGetOptions {
    // (total or -1, done) as data arrives; false stops the transfer.
    std::function<bool(int64_t total, int64_t done)> progress;
    // Asked at least every 50 ms, also while nothing arrives; false stops
    // the transfer (a cancel).
    std::function<bool()> goOn;
    // Called once the status line and headers are in.
    std::function<void(const CHttpReply&)> onHeaders;
    // Bodies of a status other than 200..299 are not kept; they are read
    // against maxBody all the same.
    bool keepErrorBody = false;
    // The most the body may hold (0: the HTTP limit of TransferLimits).
    uint64_t maxBody = 0;
};

// GET url on handle (a fresh handle when null), appending the body. The
// result is libcurl's: CURLE_OK only when the whole body arrived (a reply
// shorter than its Content-Length gives CURLE_PARTIAL_FILE). A body past
// its limit gives CURLE_FILESIZE_EXCEEDED, a request past its time limit
// CURLE_OPERATION_TIMEDOUT. errorText receives the reason on failure, and
// the body is left empty then: nothing is made of part of a reply.
CURLcode HttpGet(CURL* handle, const std::string& url, std::string& body, CHttpReply& reply,
                 const CHttpGetOptions& options, std::string& errorText);

// The website connection of the existence checks: HEAD requests to
// base + "/" + path on one reused handle.
class CHttpProbe {
public:
    explicit CHttpProbe(std::string base);
    ~CHttpProbe();
    CHttpProbe(const CHttpProbe&) = delete;
    CHttpProbe& operator=(const CHttpProbe&) = delete;

    // base without its trailing "/"s, as Base() gives it.
    static std::string TrimmedBase(std::string base);
    bool IsOpen() const { return m_handle != nullptr; }
    const std::string& Base() const { return m_base; }
    // HEAD of an already encoded path. False when no reply came; error is
    // then the internet error code and errorText libcurl's message.
    bool Head(const std::string& encodedPath, long& status, uint32_t& error, std::string& errorText);

private:
    CURL* m_handle = nullptr;
    std::string m_base;
};
