// How much a reply from the network may hold and how long a request may
// take. Each limit sits far above what a club's real pages, listings and
// uploads need, so that only a broken or hostile server ever reaches one;
// reaching one fails the request with a message that names it. Tests lower
// them to see them work.
#pragma once

#include <cstdint>
#include <string>

struct CTransferLimits {
    // A page or file read over HTTP: templates, View File, the website's
    // pages that Index Website reads back.
    uint64_t httpBodyBytes = 64ull << 20;
    // A plain-FTP folder listing, and a file read whole over plain FTP.
    uint64_t ftpListingBytes = 16ull << 20;
    uint64_t ftpFileBytes = 64ull << 20;
    // What a curl or sftp run writes on its output and error streams.
    uint64_t childOutputBytes = 16ull << 20;
    // Any request from its start to its end (a page, a listing, a delete,
    // a login).
    int64_t requestMs = 10 * 60 * 1000;
    // An upload: the request limit plus one second for every this many
    // bytes (a rate far below any real line).
    uint64_t uploadBytesPerSecond = 8 * 1024;
};

CTransferLimits TransferLimits();
// Replaces the limits (tests); returns the ones in force before.
CTransferLimits SetTransferLimits(const CTransferLimits& limits);

// The time limit of an upload of size bytes.
int64_t UploadTimeLimitMs(uint64_t size);
// "64 MiB", "512 KiB", "300 bytes"; "10 min", "2 s", "250 ms".
std::string ByteLimitText(uint64_t bytes);
std::string TimeLimitText(int64_t ms);
