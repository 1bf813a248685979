#include "transfer/ftp_worker.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <sys/stat.h>

#include "platform/path_helpers.h"
#include "platform/text_helpers.h"
#include "platform/error_text.h"
#include "platform/exceptions.h"
#include "platform/secret.h"
#include "transfer/curl_support.h"
#include "transfer/ftp_connection.h"
#include "transfer/ftp_settings.h"
#include "transfer/http_client.h"
#include "transfer/qm_session.h"
#include "transfer/sftp_session.h"
#include "transfer/transfer_host.h"
#include "transfer/transfer_limits.h"
#include "transfer/url_string.h"

namespace {

const char kTempUploadName[] = "qmupload.tmp";

std::string Slashes(std::string s)
{
    for (char& c : s) {
        if (c == '\\')
            c = '/';
    }
    return s;
}

// The folder part of a remote path ("" for a bare name).
std::string FolderPart(const std::string& path)
{
    const size_t sep = path.find_last_of("/\\");
    return sep == std::string::npos ? std::string() : Slashes(path.substr(0, sep));
}

// The port text parsed with automatic base ("0x" hexadecimal, a leading 0
// octal), kept to 16 bits; "" gives 0 (the protocol's default port).
unsigned ParsePort(const std::string& text)
{
    return static_cast<unsigned>(std::strtoul(text.c_str(), nullptr, 0)) & 0xFFFF;
}

}  // namespace

CFTPWorker::CFTPWorker(CFTPSettings* settings, ITransferHost& host) : m_pSettings(settings), m_host(host) {}

CFTPWorker::~CFTPWorker()
{
    Disconnect();
    EndSftpSession();
    // The operation is over: no connection of it stays open behind it.
    if (m_bKeepBetweenLogins && m_pSettings && m_pSettings->m_pSession)
        m_pSettings->m_pSession->CloseConnections();
}

int CFTPWorker::GetProtocol() const
{
    return m_pSettings ? m_pSettings->GetProtocol() : -1;
}

const char* CFTPWorker::GetProtocolName() const
{
    return ::GetProtocolName(GetProtocol());
}

bool CFTPWorker::IsSendableName(const std::string& name)
{
    return name.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

bool CFTPWorker::RefuseName(const std::string& name, const std::string& operation, bool report)
{
    const std::string text = "A remote name cannot hold a line break or NUL character: \"" +
                             ReplaceAll(ReplaceAll(name, "\r", "\\r"), "\n", "\\n") + "\"";
    SetLastServerResponse(text);
    if (report)
        m_host.ReportError(inet::ExtendedError, operation);
    else
        m_host.WriteLog(StrFormat("%s: %s\n", operation.c_str(), text.c_str()));
    return false;
}

bool CFTPWorker::ReportWalkFailure(const std::string& text)
{
    if (m_host.GetCancelState(false) == CS_CANCELLED)
        return false;
    SetLastServerResponse(text);
    m_host.ReportError(inet::ExtendedError, "CFTPWorker::EnumerateFiles");
    return false;
}

void CFTPWorker::Disconnect()
{
    if (m_pConnection) {
        if (m_bKeepBetweenLogins)
            m_pConnection->EndLogin();
        else
            m_pConnection->Close();
        m_pConnection.reset();
    }
    if (!m_bKeepBetweenLogins)
        EndSftpSession();
    m_bLoggedIn = false;
}

bool CFTPWorker::Login()
{
    if (!m_pSettings || m_pConnection)
        throw CInvalidArgException("CFTPWorker::Login");
    ITransferHost& app = m_host;
    CFTPSettings& s = *m_pSettings;
    if (s.m_strServer.empty() || s.m_strUser.empty()) {
        app.SetStatusText("Setup required: FTP", 2);
        return false;
    }
    bool result = false;
    bool connecting = false;
    try {
        if (s.GetProtocol() == PROTOCOL_FTP) {
            if (!s.m_pSession) {
                app.SetStatusText("Creating Internet session", 2);
                s.m_pSession = std::make_unique<CQMSession>(m_host);
            }
            CSecretString password;
            if (!app.GetFtpPassword(password, true))
                return false;
            const unsigned port = ParsePort(s.m_strPort[PROTOCOL_FTP]);
            const bool passive = !s.m_bActiveFtp;
            app.SetStatusTextFormat("Opening FTP connection: host=%s port=%d user=%s mode=%s", s.m_strServer.c_str(),
                                    static_cast<int>(port), s.m_strUser.c_str(), passive ? "passive" : "non-passive");
            // Exactly "-4" (nothing else) asks for IPv4 addresses only.
            const bool ipv4Only = s.m_strParameters[PROTOCOL_FTP] == "-4";
            m_pConnection = std::make_unique<CFtpConnection>(*s.m_pSession, s.m_strServer, port, s.m_strUser,
                                                             password.Get(), passive, ipv4Only);
            password.Clear();
            connecting = true;
            m_pConnection->Connect();
            connecting = false;
        }
        m_Components.clear();
        result = s.m_strDirectory.empty() ? true : SetCurrentDirectory(s.m_strDirectory, 0);
    } catch (const CException& e) {
        // A connection that could not be made, or a login the server
        // refused, says which and where to put it right; the log keeps the
        // exception as it came.
        if (connecting) {
            const auto* internet = dynamic_cast<const CInternetException*>(&e);
            // The server's own words, where it gave any, say more than
            // libcurl's code: a 421 is no time-out.
            ReportLoginFailure(LoginFailureFromInternetError(internet ? internet->m_dwError : inet::LoginFailure,
                                                             Trim(e.GetErrorMessage()),
                                                             m_pConnection ? m_pConnection->GetLastReplyCode() : 0,
                                                             m_pConnection ? m_pConnection->GetLastReply() : ""),
                               &e);
        } else {
            m_host.ReportException(e, "CFTPWorker::Login");
        }
        result = false;
    }
    if (!result) {
        // Whatever failed, the worker holds no half-made connection, so the
        // next login starts afresh.
        Disconnect();
        if (!connecting)
            app.SetStatusTextFormat("FTP: Login was unsuccessful: host=%s user=%s", s.m_strServer.c_str(),
                                    s.m_strUser.c_str());
        return false;
    }
    m_bLoggedIn = true;
    return true;
}

bool CFTPWorker::SetCurrentDirectory(const std::string& directory, int webVisible)
{
    const std::string dir = Slashes(directory);
    if (IsFTP()) {
        if (!m_pConnection)
            throw CInvalidArgException("CFTPWorker::SetCurrentDirectory");
        ITransferHost& app = m_host;
        app.SetStatusTextFormat("Changing to directory: %s", dir.c_str());
        if (!IsSendableName(dir))
            RefuseName(dir, "CFTPWorker::SetCurrentDirectory", true);
        else if (m_pConnection->SetCurrentDirectory(dir)) {
            // Kept for the website paths of downloads and for the folder
            // names in messages; the server side follows the connection's
            // own folder.
            if (!dir.empty())
                m_Components.push_back({dir, webVisible});
            return true;
        } else
            m_host.ReportError(m_pConnection->GetLastError(), "CFTPWorker::SetCurrentDirectory");
        app.SetStatusTextFormat("FTP: Change to directory was unsuccessful: directory=%s", dir.c_str());
        return false;
    }
    if (!dir.empty()) {
        if (!IsSendableName(dir))
            return RefuseName(dir, "CFTPWorker::SetCurrentDirectory", true);
        m_Components.push_back({dir, webVisible});
    }
    return true;
}

void CFTPWorker::GetCurrentPath(std::string& out, bool webOnly) const
{
    std::string joined;
    bool any = false;
    for (const auto& c : m_Components) {
        if (webOnly && !c.webVisible)
            continue;
        if (any)
            joined += '/';
        joined += c.text;
        any = true;
    }
    if (!any)
        return;
    if (IsSFTP() && !webOnly)
        out += "cd " + QuotePath(joined) + "\n";
    else
        out += joined + "/";
}

bool CFTPWorker::UploadFile(const std::string& localPath, const std::string& remotePath)
{
    ITransferHost& app = m_host;
    const bool blockLoop = IsFTP() && app.IsProgressBarShown();
    ITransferHost::CBusyGuard busy(app);
    if (!m_bLoggedIn && !Login())
        return false;
    const std::string target = Slashes(remotePath);
    app.SetStatusTextFormat("Uploading file: %s", GetFileNameOnly(target).c_str());
    if (!IsSendableName(target))
        return RefuseName(target, "CFTPWorker::UploadFile", true);
    const std::string folder = FolderPart(remotePath);
    // A curl or sftp run that carries the file gets the time of an upload
    // of its size.
    struct stat st;
    m_nRunTimeLimitMs = ::stat(localPath.c_str(), &st) == 0 ? UploadTimeLimitMs(static_cast<uint64_t>(st.st_size)) : 0;
    bool ok = false;
    switch (GetProtocol()) {
    case PROTOCOL_FTP: ok = UploadFtp(localPath, target, folder, blockLoop); break;
    case PROTOCOL_FTPS: ok = UploadFtps(localPath, target); break;
    case PROTOCOL_SFTP: ok = UploadSftp(localPath, target, folder); break;
    default: break;
    }
    m_nRunTimeLimitMs = 0;
    return ok;
}

bool CFTPWorker::UploadFtp(const std::string& localPath, const std::string& target, const std::string& folder,
                           bool blockLoop)
{
    ITransferHost& app = m_host;
    CFtpConnection& conn = *m_pConnection;
    // Folders first (each leading part, then the whole); they may fail
    // harmlessly ("*"). Absolute paths: the server's current folder is
    // whatever the previous command left.
    // A folder that an earlier upload of this worker went into is there
    // already.
    std::vector<std::string> before, folders;
    for (size_t i = 0; i < folder.size(); ++i) {
        if (folder[i] == '/' && i > 0)
            folders.push_back(conn.Absolute(folder.substr(0, i)));
    }
    if (!folder.empty())
        folders.push_back(conn.Absolute(folder));
    for (const std::string& made : folders) {
        if (!m_madeFolders.count(made))
            before.push_back("*MKD " + made);
    }
    auto stored = [this, &folders] {
        m_madeFolders.insert(folders.begin(), folders.end());
        return true;
    };
    const std::string storeName = blockLoop ? (folder.empty() ? std::string(kTempUploadName)
                                                              : folder + "/" + kTempUploadName)
                                            : target;

    if (!blockLoop) {
        // No progress bar: still watch the cancel state now and then.
        auto last = std::chrono::steady_clock::now();
        CFtpConnection::Progress watch = [&app, &last](int64_t, int64_t) {
            const auto now = std::chrono::steady_clock::now();
            if (now - last < std::chrono::milliseconds(100))
                return true;
            last = now;
            return app.GetCancelState(true) != CS_CANCELLED;
        };
        // What stands under the name goes first, in the same request:
        // some servers will not store over a file (read-only, or set never
        // to overwrite), and some write through a link that stands there to
        // wherever it points. A removal that fails is no failure (nothing
        // there yet, or a folder, which stays and makes the store fail).
        before.push_back("*DELE " + conn.Absolute(storeName));
        if (conn.PutFile(localPath, storeName, before, watch))
            return stored();
        if (conn.GetLastError() == inet::OperationCancelled)
            return false;
        if (conn.GetLastReplyCode() >= 400) {
            // The server turned the store down: its reply, with the name.
            SetLastServerResponse("The server refused to store " + target + ": " + ShownReason(conn.GetLastReply()));
            m_host.ReportError(inet::ExtendedError, "CFTPWorker::UploadFile: CFtpConnection::PutFile");
        } else {
            m_host.ReportError(conn.GetLastError(), "CFTPWorker::UploadFile: CFtpConnection::PutFile");
        }
        return false;
    }

    struct stat st {};
    if (::stat(localPath.c_str(), &st) != 0) {
        m_host.ReportException(CFileException(errno, localPath), "CFTPWorker::UploadFile: CFile::Open");
        return false;
    }
    // The progress record holds two 32-bit values: scale large files down.
    int shift = 0;
    while ((static_cast<int64_t>(st.st_size) >> shift) > INT_MAX)
        ++shift;
    const int total = static_cast<int>(static_cast<int64_t>(st.st_size) >> shift);
    // A "qmupload.tmp" left by a cancelled upload goes first.
    before.push_back("*DELE " + conn.Absolute(storeName));
    CFtpConnection::Progress progress = [&app, shift, total](int64_t, int64_t done) {
        return app.UploadProgress(true, total, static_cast<int>(done >> shift)) != 0;
    };
    bool ok = app.UploadProgress(true, total, 0) != 0 && conn.PutFile(localPath, storeName, before, progress);
    const uint32_t error = conn.GetLastError();
    app.UploadProgress(false, 0, 0);
    if (!ok) {
        if (error != inet::OperationCancelled && error != 0)
            m_host.ReportError(error, "CFTPWorker::UploadFile: read/write loop");
        return false;  // "qmupload.tmp" stays; nothing else changed
    }
    if (!conn.Commands({"*DELE " + conn.Absolute(target), "RNFR " + conn.Absolute(storeName),
                        "RNTO " + conn.Absolute(target)})) {
        m_host.ReportError(conn.GetLastError(), "CFTPWorker::UploadFile: CFtpConnection::Rename");
        return false;
    }
    return stored();
}

bool CFTPWorker::DeleteFile(const std::string& name)
{
    const std::string target = Slashes(name);
    bool ok = false;
    uint32_t status = 0;
    if (!IsSendableName(target)) {
        RefuseName(target, "CFTPWorker::DeleteFile", false);
        status = EINVAL;
    } else if (IsFTP()) {
        if (!m_pConnection)
            return false;
        ok = m_pConnection->Remove(target);
        status = ok ? 0 : m_pConnection->GetLastError();
    } else if (GetProtocol() == PROTOCOL_FTPS) {
        std::string path;
        GetCurrentPath(path, false);
        ok = RunCurl({}, nullptr, {"-Q", "DELE " + path + target}, false, nullptr);
        status = ok ? 0 : EIO;
    } else if (IsSFTP()) {
        ok = RunSftpCommandEx("rm", target, nullptr);
        status = ok ? 0 : EIO;
    }
    m_host.WriteLog(StrFormat("Remove=[%s] status=[0x%08X]\n", target.c_str(), status));
    return ok;
}

bool CFTPWorker::RenameFile(const std::string& from, const std::string& to)
{
    const std::string a = Slashes(from), b = Slashes(to);
    if (!IsSendableName(a) || !IsSendableName(b))
        return RefuseName(IsSendableName(a) ? b : a, "CFTPWorker::RenameFile", false);
    bool ok = false;
    if (IsFTP()) {
        ok = m_pConnection && m_pConnection->Rename(a, b);
    } else if (GetProtocol() == PROTOCOL_FTPS) {
        std::string path;
        GetCurrentPath(path, false);
        ok = RunCurl({}, nullptr, {"-Q", "RNFR " + path + a, "-Q", "RNTO " + path + b}, false, nullptr);
    } else if (IsSFTP()) {
        ok = RunSftpCommand("rename", a, b, nullptr);
    }
    m_host.WriteLog(StrFormat("Rename=[%s]->[%s] status=[%s]\n", a.c_str(), b.c_str(), ok ? "ok" : "failed"));
    return ok;
}

bool CFTPWorker::DownloadFile(std::vector<char>& bytes, const std::string& name, bool* missing)
{
    bytes.clear();
    if (missing)
        *missing = false;
    ITransferHost& app = m_host;
    // The website as the director wrote it: its scheme, host and port (an
    // https:// website is read over TLS, its certificate checked). Only a
    // web address names one: the host of any other would get an HTTP
    // request it never asked for.
    std::string site = app.GetWebsiteUrl();
    const std::string lower = ToLowerAscii(site);
    const bool secure = lower.compare(0, 8, "https://") == 0;
    if (lower.compare(0, 7, "http://") != 0 && !secure) {
        SetLastServerResponse("The Website URL is not an http:// or https:// address: " + site);
        m_host.ReportError(inet::ExtendedError, "CFTPWorker::DownloadFile:");
        return false;
    }
    site.erase(0, site.find("://") + 3);
    while (!site.empty() && site.back() == '/')
        site.pop_back();
    std::string path;
    GetCurrentPath(path, true);
    path += Slashes(name);
    const std::string url = (secure ? "https://" : "http://") + site + "/" + EncodePath(path);

    std::string body;
    CHttpReply reply;
    CHttpGetOptions options;
    // A page that hangs must not hold up a cancel: the window is served
    // and the cancel state asked while the page comes.
    options.goOn = [&app] { return app.GetCancelState(true) != CS_CANCELLED; };
    std::string errorText;
    const CURLcode rc = HttpGet(nullptr, url, body, reply, options, errorText);
    if (rc == CURLE_ABORTED_BY_CALLBACK && app.GetCancelState(false) == CS_CANCELLED)
        return false;  // cancelled: no message
    if (rc == CURLE_OK && reply.status >= 500) {
        SetLastServerResponse(StrFormat("%s: HTTP status %ld", url.c_str(), static_cast<long>(reply.status)));
        m_host.ReportError(inet::ExtendedError, "CFTPWorker::DownloadFile:");
        return false;
    }
    if (rc == CURLE_OK && reply.status != 200) {
        if (missing)
            *missing = true;
        return false;  // not there: no message
    }
    if (rc != CURLE_OK) {
        // A reply shorter than its Content-Length is a failure, never a
        // shorter file.
        m_host.ReportException(CInternetException(InternetErrorFromCurl(rc), url + ": " + errorText),
                        "CFTPWorker::DownloadFile:");
        return false;
    }
    bytes.assign(body.begin(), body.end());
    bytes.push_back(0);
    return true;
}

void CFTPWorker::ReportLoginFailure(const LoginFailure& failure, const CException* e)
{
    const CFTPSettings& s = *m_pSettings;
    const std::string text = LoginFailureText(s, failure);
    // Every step of an operation meets the same wall: the first tells it.
    if (!m_loginFailure) {
        if (e) {
            m_host.ReportException(*e, "CFTPWorker::Login", text);
        } else {
            // The client program's words, logged as the library's would be.
            const uint32_t code = failure.kind == LoginFailureKind::NoConnection ? inet::CannotConnect
                                  : failure.kind == LoginFailureKind::Refused    ? inet::LoginFailure
                                                                                 : inet::SecureFailure;
            m_host.ReportException(CInternetException(code, failure.reason), "CFTPWorker::Login", text);
        }
    }
    m_loginFailure = failure;
    m_host.SetStatusText(LoginFailureStatus(s, failure), 2);
}

void CFTPWorker::ShowLog()
{
    if (m_strTranscript.empty())
        return;
    m_host.ShowTranscript(m_strTranscript);
}
