#include "transfer/curl_support.h"

#include <mutex>
#include <sys/socket.h>

#include "platform/error_text.h"
#include "transfer/transfer_limits.h"

const char kWebProtocols[] = "http,https";

void EnsureCurlInitialized()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

uint32_t InternetErrorFromCurl(CURLcode code)
{
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return inet::NameNotResolved;
    case CURLE_COULDNT_CONNECT:
        return inet::CannotConnect;
    case CURLE_OPERATION_TIMEDOUT:
        return inet::Timeout;
    case CURLE_ABORTED_BY_CALLBACK:
        return inet::OperationCancelled;
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
        return inet::ConnectionAborted;
    case CURLE_RECV_ERROR:
        return inet::ConnectionReset;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_USE_SSL_FAILED:
        return inet::SecureFailure;
    case CURLE_URL_MALFORMAT:
        return inet::InvalidUrl;
    case CURLE_UNSUPPORTED_PROTOCOL:
        return inet::UnrecognizedScheme;
    case CURLE_LOGIN_DENIED:
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_QUOTE_ERROR:
    case CURLE_UPLOAD_FAILED:
    case CURLE_REMOTE_FILE_NOT_FOUND:
    case CURLE_FTP_COULDNT_RETR_FILE:
    case CURLE_FTP_COULDNT_USE_REST:
    case CURLE_FTP_PORT_FAILED:
    case CURLE_FTP_ACCEPT_FAILED:
    case CURLE_FTP_WEIRD_PASV_REPLY:
    case CURLE_FTP_WEIRD_227_FORMAT:
    case CURLE_FTP_CANT_GET_HOST:
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_REMOTE_DISK_FULL:
        return inet::ExtendedError;
    default:
        return inet::InternalError;
    }
}

curl_socket_t OpenSocketCloexec(void*, curlsocktype, struct curl_sockaddr* address)
{
    return ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
}

void SetUpHttpRequest(CURL* h, const CHttpRequestSetup& setup)
{
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    if (setup.openSockets)
        curl_easy_setopt(h, CURLOPT_OPENSOCKETFUNCTION, &OpenSocketCloexec);
    curl_easy_setopt(h, CURLOPT_URL, setup.url.c_str());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, kWebProtocols);
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, kWebProtocols);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, setup.connectTimeoutMs);
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS,
                     static_cast<long>(setup.timeLimitMs > 0 ? setup.timeLimitMs : TransferLimits().requestMs));
    if (setup.errorBuffer) {
        setup.errorBuffer[0] = 0;
        curl_easy_setopt(h, CURLOPT_ERRORBUFFER, setup.errorBuffer);
    }
    if (setup.headers)
        curl_easy_setopt(h, CURLOPT_HTTPHEADER, setup.headers);
    if (setup.onHeader) {
        curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, setup.onHeader);
        curl_easy_setopt(h, CURLOPT_HEADERDATA, setup.headerData);
    }
    if (setup.onBody) {
        curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, setup.onBody);
        curl_easy_setopt(h, CURLOPT_WRITEDATA, setup.bodyData);
    }
    if (setup.onProgress) {
        curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, setup.onProgress);
        curl_easy_setopt(h, CURLOPT_XFERINFODATA, setup.progressData);
    }
}

void ReleaseHttpRequest(CURL* h)
{
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, nullptr);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, nullptr);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, nullptr);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, nullptr);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, nullptr);
}

CURLcode MultiTransferResult(CURLM* multi, CURL* handle, CURLcode otherwise, bool stopped)
{
    CURLcode result = otherwise;
    int left = 0;
    while (const CURLMsg* msg = curl_multi_info_read(multi, &left)) {
        if (msg->msg == CURLMSG_DONE && msg->easy_handle == handle)
            result = msg->data.result;
    }
    return stopped ? CURLE_ABORTED_BY_CALLBACK : result;
}

CURLcode PerformWatched(CURL* h, const std::function<bool()>& goOn)
{
    CURLM* multi = curl_multi_init();
    if (!multi)
        return CURLE_OUT_OF_MEMORY;
    if (curl_multi_add_handle(multi, h) != CURLM_OK) {
        curl_multi_cleanup(multi);
        return CURLE_FAILED_INIT;
    }
    CURLcode result = CURLE_FAILED_INIT;
    int running = 1;
    bool stopped = false;
    while (true) {
        const CURLMcode mc = curl_multi_perform(multi, &running);
        if (mc != CURLM_OK) {
            result = mc == CURLM_OUT_OF_MEMORY ? CURLE_OUT_OF_MEMORY : CURLE_FAILED_INIT;
            break;
        }
        if (running == 0)
            break;
        if (goOn && !goOn()) {
            stopped = true;
            break;
        }
        curl_multi_poll(multi, nullptr, 0, 50, nullptr);
    }
    result = MultiTransferResult(multi, h, result, stopped);
    curl_multi_remove_handle(multi, h);
    curl_multi_cleanup(multi);
    return result;
}

bool RanIntoTimeLimit(CURL* h, int64_t limitMs)
{
    curl_off_t totalUs = 0;
    return curl_easy_getinfo(h, CURLINFO_TOTAL_TIME_T, &totalUs) == CURLE_OK && totalUs / 1000 >= limitMs - 50;
}
