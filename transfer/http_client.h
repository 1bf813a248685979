// Plain HTTP requests through libcurl: the website download and the URL
// download's GET.
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
