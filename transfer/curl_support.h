// Small pieces shared by everything that talks to servers through libcurl.
#pragma once

#include <cstdint>
#include <curl/curl.h>
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
