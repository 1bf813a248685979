// A plain-FTP connection on the session's libcurl handle. libcurl keeps the
// control connection open between operations; every operation names its
// files by absolute path (the server's current folder is whatever the last
// command left; a listing changes into its folder first), and every path
// segment put into a URL is percent-encoded.
// A login that ends with every request gone through may leave its control
// connection to the next login of the same worker (EndLogin), so that a
// posting run does not log in afresh for every score file; a connection
// idle for longer than 15 seconds is never taken up again.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/secret.h"
#include "transfer/ftp_replies.h"

class CQMSession;

class CFtpConnection {
public:
    // progress(total, done): false stops the transfer (cancel).
    using Progress = std::function<bool(int64_t total, int64_t done)>;

    // port 0: the FTP default. passive: PASV/EPSV, else PORT. ipv4Only:
    // resolve the server name to IPv4 addresses only.
    CFtpConnection(CQMSession& session, std::string server, unsigned port, std::string user,
                   const std::string& password, bool passive, bool ipv4Only);
    ~CFtpConnection();
    CFtpConnection(const CFtpConnection&) = delete;
    CFtpConnection& operator=(const CFtpConnection&) = delete;

    // Logs in and learns the login folder. Throws CInternetException.
    void Connect();
    // Drops the connection and wipes the password.
    void Close();
    // Ends this login and wipes the password. The control connection stays
    // in the session for the next login when every request of this login
    // went through, and is dropped otherwise.
    void EndLogin();

    // The client-side current folder (absolute, no trailing "/" except
    // the root).
    // Checks that the folder exists (unless this connection found it
    // already) and makes it current.
    bool SetCurrentDirectory(const std::string& folder);
    // A path relative to the current folder (or absolute) made absolute,
    // "." and ".." resolved, separators "/".
    std::string Absolute(const std::string& path) const;

    bool CreateDirectory(const std::string& path);
    bool Remove(const std::string& path);
    bool Rename(const std::string& from, const std::string& to);
    // Sends raw commands in order (absolute paths expected). A command
    // that begins with "*" may fail without failing the call.
    bool Commands(const std::vector<std::string>& commands);
    // Stores a local file. before: commands sent first (folders, removal).
    bool PutFile(const std::string& localPath, const std::string& remotePath,
                 const std::vector<std::string>& before, const Progress& progress);
    // The server's listing of a folder, within the listing limit: a change
    // into the folder and a LIST without argument, which every server
    // answers alike (some read a LIST argument as several names split at
    // its blanks). A listing the server says it cut short, or one that
    // lists other folders, fails: part of a folder is never taken for all
    // of it.
    bool List(const std::string& folder, std::string& text);

    // Why the last operation failed: an internet error code; for 12003 the
    // server's reply is the thread's last server response.
    uint32_t GetLastError() const { return m_lastError; }
    // The failure as text (curl's message or the server's reply).
    const std::string& GetLastErrorText() const { return m_lastErrorText; }
    // The last reply line of the server.
    const std::string& GetLastResponse() const { return m_lastResponse; }
    // The last whole reply of the server (every line of a multi-line one)
    // and its code, of the last request.
    const std::string& GetLastReply() const { return m_replies.LastReply(); }
    int GetLastReplyCode() const { return m_replies.LastCode(); }

    static bool IsSafeName(const std::string& name);

private:
    // What a read into memory keeps, and why it stopped.
    struct Sink {
        std::string* bytes;
        uint64_t limit;
        bool tooLarge = false;
        bool failed = false;  // an exception, held back from libcurl
    };

    std::string UrlFor(const std::string& absolutePath, bool folder) const;
    // timeLimitMs 0: the request limit of TransferLimits.
    void* Prepare(const std::string& url, int64_t timeLimitMs = 0);
    bool Perform(void* handle);
    // A read into memory: List. what names it in a message.
    bool Read(const std::string& absolutePath, bool folder, std::string& bytes, uint64_t limit,
              const std::string& what);
    // Ends a read with a failure the server's answer gave away.
    bool FailRead(const std::string& text);
    bool Refuse(const std::string& name);
    static size_t OnHeader(char* data, size_t size, size_t count, void* self);
    static size_t OnWrite(char* data, size_t size, size_t count, void* target);
    static size_t OnRead(char* data, size_t size, size_t count, void* file);
    static int OnProgress(void* self, int64_t dltotal, int64_t dlnow, int64_t ultotal, int64_t ulnow);

    CQMSession& m_session;
    std::string m_server;
    unsigned m_port;
    std::string m_user;
    CSecretString m_password;
    bool m_passive;
    bool m_ipv4Only;
    std::string m_cwd = "/";
    uint32_t m_lastError = 0;
    std::string m_lastErrorText;
    std::string m_lastResponse;
    std::string m_pendingLine;
    CFtpReplyReader m_replies;
    char m_errorBuffer[256] = {};
    const Progress* m_progress = nullptr;
    bool m_uploading = false;
    bool m_anyFailed = false;       // a request of this login failed
    bool m_keepConnection = false;  // set by EndLogin: the destructor leaves it open
    int m_lastCurlCode = 0;  // CURLcode of the last request
    int64_t m_timeLimitMs = 0;  // of the request being made
};
