// The internet session of plain FTP and of the URL download: one libcurl
// easy handle (and, for Perform, a multi handle) whose connection cache
// keeps the FTP connection open between operations, with libcurl's
// callbacks turned into status texts.
#pragma once

#include <curl/curl.h>
#include <functional>
#include <set>
#include <string>

class ITransferHost;

class CQMSession {
public:
    // Status codes the session reports (the internet layer's numbering).
    enum StatusCode : int {
        STATUS_RESOLVING_NAME = 10,
        STATUS_NAME_RESOLVED = 11,
        STATUS_CONNECTING = 20,
        STATUS_CONNECTED = 21,
        STATUS_SENDING_REQUEST = 30,
        STATUS_REQUEST_SENT = 31,
        STATUS_RECEIVING_RESPONSE = 40,
        STATUS_RESPONSE_RECEIVED = 41,
        STATUS_CLOSING_CONNECTION = 50,
        STATUS_CONNECTION_CLOSED = 51,
        STATUS_HANDLE_CREATED = 60,
        STATUS_HANDLE_CLOSING = 70,
    };
    struct StatusRow {
        int code;
        const char* text;
        int flags;  // 1: show the text; 2: show "Connection open" instead
    };
    // Ends with a row whose text is null.
    static const StatusRow s_StatusTable[];

    // host: the program, which shows the status texts.
    explicit CQMSession(ITransferHost& host);
    // The program this session's connections report to.
    ITransferHost& Host() const { return m_host; }
    virtual ~CQMSession();
    CQMSession(const CQMSession&) = delete;
    CQMSession& operator=(const CQMSession&) = delete;

    CURL* GetHandle() const { return m_handle; }
    // Puts the handle back to its defaults (the cached connection stays)
    // and installs the session's callbacks and common options.
    CURL* PrepareHandle();
    // Drops the cached connections: the handle is replaced by a new one.
    void CloseConnections();
    // Drops the cached connections unless the connection the last request
    // left open is quiet. A server says nothing on an idle FTP control
    // connection except that it is closing it, which libcurl takes for a
    // live connection; a request on it would fail.
    void DropUnlessQuiet();
    // Folders (absolute paths) that a change of folder found on the
    // connection the session holds; a login that makes a new connection
    // forgets them, so that it checks them again.
    bool FolderFound(const std::string& folder) const { return m_foundFolders.count(folder) != 0; }
    void NoteFolderFound(const std::string& folder) { m_foundFolders.insert(folder); }
    void ForgetFoundFolders() { m_foundFolders.clear(); }
    // Runs a request prepared on the handle, keeping its connection for the
    // next one, as curl_easy_perform does but without its idle pauses:
    // libcurl 7.88 can leave an FTP data connection unstarted until its
    // one-second wait runs out (when the passive-mode reply is read in the
    // same pass as the command went out), so the wait here is kept short
    // and grows only while nothing happens. goOn (when given) is asked on
    // every round; false ends the request with CURLE_ABORTED_BY_CALLBACK.
    CURLcode Perform(CURL* handle, const std::function<bool()>& goOn = {});

    // The text a status code shows in status pane 1, or "" when it shows
    // nothing: codes not in the table give "Status value %d", which is
    // never shown.
    static std::string StatusTextFor(int code);
    // Sends the code's text to status pane 1 (when it shows one).
    virtual void OnStatusCallback(int code);

private:
    static int OnResolverStart(void* resolver, void* reserved, void* session);
    static curl_socket_t OnOpenSocket(void* session, curlsocktype purpose, struct curl_sockaddr* address);
    static int OnCloseSocket(void* session, curl_socket_t socket);
    static int OnPrereq(void* session, char* conn_primary_ip, char* conn_local_ip, int conn_primary_port,
                        int conn_local_port);

    ITransferHost& m_host;
    CURL* m_handle = nullptr;
    CURLM* m_multi = nullptr;  // holds the cached connections of Perform
    // The connection the last request left open, or CURL_SOCKET_BAD.
    curl_socket_t m_lastSocket = CURL_SOCKET_BAD;
    std::set<std::string> m_foundFolders;
};
