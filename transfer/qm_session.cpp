#include "transfer/qm_session.h"

#include <algorithm>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/text_helpers.h"
#include "transfer/curl_support.h"
#include "transfer/transfer_host.h"

const CQMSession::StatusRow CQMSession::s_StatusTable[] = {
    {STATUS_RESOLVING_NAME, "Resolving name", 1},
    {STATUS_NAME_RESOLVED, "Name resolved", 0},
    {STATUS_CONNECTING, "Connecting to server", 1},
    {STATUS_CONNECTED, "Connected to server", 1},
    {STATUS_SENDING_REQUEST, "Sending request", 0},
    {STATUS_REQUEST_SENT, "Request sent", 0},
    {STATUS_RECEIVING_RESPONSE, "Receiving response", 0},
    {STATUS_RESPONSE_RECEIVED, "Response received", 0},
    {STATUS_CLOSING_CONNECTION, "Closing connection", 1},
    {STATUS_CONNECTION_CLOSED, "Connection closed", 1},
    {STATUS_HANDLE_CREATED, "Handle created", 3},
    {STATUS_HANDLE_CLOSING, "Handle closing", 0},
    {0, nullptr, 0},
};

CQMSession::CQMSession(ITransferHost& host) : m_host(host)
{
    EnsureCurlInitialized();
    m_handle = curl_easy_init();
    OnStatusCallback(STATUS_HANDLE_CREATED);
}

CQMSession::~CQMSession()
{
    OnStatusCallback(STATUS_HANDLE_CLOSING);
    if (m_multi)
        curl_multi_cleanup(m_multi);
    if (m_handle)
        curl_easy_cleanup(m_handle);
}

void CQMSession::CloseConnections()
{
    if (m_multi) {
        curl_multi_cleanup(m_multi);
        m_multi = nullptr;
    }
    if (m_handle)
        curl_easy_cleanup(m_handle);
    m_handle = curl_easy_init();
    m_lastSocket = CURL_SOCKET_BAD;
}

void CQMSession::DropUnlessQuiet()
{
    if (m_lastSocket == CURL_SOCKET_BAD)
        return;
    pollfd p{m_lastSocket, POLLIN, 0};
    if (::poll(&p, 1, 0) != 0)
        CloseConnections();
}

CURLcode CQMSession::Perform(CURL* handle, const std::function<bool()>& goOn)
{
    if (!m_multi)
        m_multi = curl_multi_init();
    if (!m_multi)
        return CURLE_OUT_OF_MEMORY;
    if (curl_multi_add_handle(m_multi, handle) != CURLM_OK)
        return CURLE_FAILED_INIT;
    constexpr int kLongestWaitMs = 64;
    int waitMs = 1;
    int running = 1;
    CURLMcode mc = CURLM_OK;
    bool stopped = false;
    for (;;) {
        mc = curl_multi_perform(m_multi, &running);
        if (mc != CURLM_OK || running == 0)
            break;
        if (goOn && !goOn()) {
            stopped = true;
            break;
        }
        long due = -1;
        curl_multi_timeout(m_multi, &due);
        const int wait = due >= 0 && due < waitMs ? static_cast<int>(due) : waitMs;
        int ready = 0;
        mc = curl_multi_poll(m_multi, nullptr, 0, wait, &ready);
        if (mc != CURLM_OK)
            break;
        // Busy: look again soon; idle: wait longer each time.
        waitMs = ready > 0 ? 1 : std::min(waitMs * 2, kLongestWaitMs);
    }
    const CURLcode result = MultiTransferResult(
        m_multi, handle, mc == CURLM_OUT_OF_MEMORY ? CURLE_OUT_OF_MEMORY : CURLE_FAILED_INIT, stopped);
    // Known only while the handle is in the multi handle that holds the
    // connection; CURL_SOCKET_BAD when none stays open.
    if (curl_easy_getinfo(handle, CURLINFO_ACTIVESOCKET, &m_lastSocket) != CURLE_OK)
        m_lastSocket = CURL_SOCKET_BAD;
    curl_multi_remove_handle(m_multi, handle);
    return result;
}

CURL* CQMSession::PrepareHandle()
{
    if (!m_handle)
        m_handle = curl_easy_init();
    CURL* h = m_handle;
    if (!h)
        return nullptr;
    curl_easy_reset(h);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_RESOLVER_START_FUNCTION, &CQMSession::OnResolverStart);
    curl_easy_setopt(h, CURLOPT_RESOLVER_START_DATA, this);
    curl_easy_setopt(h, CURLOPT_OPENSOCKETFUNCTION, &CQMSession::OnOpenSocket);
    curl_easy_setopt(h, CURLOPT_OPENSOCKETDATA, this);
    curl_easy_setopt(h, CURLOPT_CLOSESOCKETFUNCTION, &CQMSession::OnCloseSocket);
    curl_easy_setopt(h, CURLOPT_CLOSESOCKETDATA, this);
    curl_easy_setopt(h, CURLOPT_PREREQFUNCTION, &CQMSession::OnPrereq);
    curl_easy_setopt(h, CURLOPT_PREREQDATA, this);
    return h;
}

std::string CQMSession::StatusTextFor(int code)
{
    for (const StatusRow* row = s_StatusTable; row->text; ++row) {
        if (row->code != code)
            continue;
        if (row->flags & 2)
            return "Connection open";
        if (row->flags & 1)
            return row->text;
        return {};
    }
    return {};  // "Status value %d" with no flags: never shown
}

void CQMSession::OnStatusCallback(int code)
{
    const std::string text = StatusTextFor(code);
    if (!text.empty())
        m_host.SetStatusText(text, 1);
}

int CQMSession::OnResolverStart(void*, void*, void* session)
{
    static_cast<CQMSession*>(session)->OnStatusCallback(STATUS_RESOLVING_NAME);
    return 0;
}

curl_socket_t CQMSession::OnOpenSocket(void* session, curlsocktype purpose, struct curl_sockaddr* address)
{
    static_cast<CQMSession*>(session)->OnStatusCallback(STATUS_CONNECTING);
    return OpenSocketCloexec(nullptr, purpose, address);
}

int CQMSession::OnCloseSocket(void* session, curl_socket_t socket)
{
    auto* self = static_cast<CQMSession*>(session);
    if (socket == self->m_lastSocket)
        self->m_lastSocket = CURL_SOCKET_BAD;
    self->OnStatusCallback(STATUS_CLOSING_CONNECTION);
    const int rc = ::close(socket);
    self->OnStatusCallback(STATUS_CONNECTION_CLOSED);
    return rc;
}

int CQMSession::OnPrereq(void* session, char*, char*, int, int)
{
    static_cast<CQMSession*>(session)->OnStatusCallback(STATUS_CONNECTED);
    return CURL_PREREQFUNC_OK;
}
