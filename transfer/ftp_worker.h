// The one object through which the program talks to the club's server. A
// caller makes a worker for one operation, hands it the FTP settings and
// logs in, changes folder, uploads, deletes, lists or downloads; the worker
// hides which protocol is configured: plain FTP through libcurl on the
// session's handle, FTPS through the curl program, SFTP through an sftp
// program kept running, its commands written to its standard input (and
// recorded in a temporary file). Everything runs on the UI thread; waits pump
// the window's messages and watch the cancel state.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "transfer/ftp_replies.h"
#include "transfer/login_failure.h"
#include "transfer/remote_listing.h"
#include "transfer/sftp_folder_cache.h"
#include "transfer/sftp_session.h"

class CException;
class CFTPSettings;
class CFtpConnection;
class CProcessRunner;
class CQmFileFind;
class ITransferHost;

class CFTPWorker {
public:
    // The walk's callback: the worker, the finder on the entry, and the
    // entry's folder relative to the start ("" at the top, "\" between
    // levels). Returns false to stop the walk.
    using EnumerateCallback = std::function<bool(CFTPWorker&, CQmFileFind&, const std::string& folder)>;

    // host: the program around the worker, which gets its status texts,
    // log lines and error reports and gives it the password.
    CFTPWorker(CFTPSettings* settings, ITransferHost& host);
    ~CFTPWorker();
    CFTPWorker(const CFTPWorker&) = delete;
    CFTPWorker& operator=(const CFTPWorker&) = delete;

    // Plain FTP connects and logs in; FTPS and SFTP only check that server
    // and user are set. Then changes to the configured remote folder. A
    // failed login leaves the worker disconnected, ready for another try.
    bool Login();
    void Disconnect();
    // From now on a plain-FTP Disconnect leaves the control connection open
    // for the next Login while it is good (see CFtpConnection::EndLogin),
    // and an SFTP Disconnect leaves the running sftp (and its connection)
    // for the next step; the worker closes either when it ends. For an
    // operation that logs in and out for each of many files in quick
    // succession.
    void KeepConnectionBetweenLogins() { m_bKeepBetweenLogins = true; }
    bool IsLoggedIn() const { return m_bLoggedIn; }
    // The connection or login failure this worker has shown the user (one
    // box for the worker's life, however often it is met), or null.
    const LoginFailure* GetLoginFailure() const { return m_loginFailure ? &*m_loginFailure : nullptr; }
    // webVisible: the folder is part of the website's URL path (not only
    // of the server's folder tree).
    bool SetCurrentDirectory(const std::string& directory, int webVisible);
    // Appends the recorded folders joined by "/" with a trailing "/"; for
    // SFTP without webOnly, as the batch's cd line.
    void GetCurrentPath(std::string& out, bool webOnly) const;

    // remotePath is relative to the current folder ("\" or "/").
    bool UploadFile(const std::string& localPath, const std::string& remotePath);
    bool DeleteFile(const std::string& name);
    bool RenameFile(const std::string& from, const std::string& to);
    // Reads name (relative to the web-visible current folder) from the
    // website over HTTP; the bytes are followed by one zero byte. missing
    // (when given) tells a page the website answered for but did not give
    // (not there, not allowed: no message) from a failure (no answer, a
    // broken reply, a server error: reported).
    bool DownloadFile(std::vector<char>& bytes, const std::string& name, bool* missing = nullptr);
    // Walks the tree below the current folder breadth-first (top folder
    // first), never entering a folder named "..._files". False when the
    // walk did not cover the whole tree: the callback stopped it, a folder
    // could not be listed, or the tree went past the walk limits; the last
    // two are reported to the user and logged here.
    bool EnumerateFiles(const EnumerateCallback& callback);

    // FTPS: one curl run. options go before the URL; name (when given, even
    // empty) is appended to the URL after the current path; trailing
    // arguments go after the URL.
    bool RunCurl(const std::vector<std::string>& options, const std::string* name,
                 const std::vector<std::string>& trailing, bool directory, std::string* output);
    bool RunProcess(const std::vector<std::string>& argv, const std::string& program, std::string* output,
                    const std::vector<std::string>& environment = {});
    // Runs the program to its end while the window keeps working. A cancel,
    // the run's time limit and output past the runner's limit each end the
    // program at once; the last two are written to the transcript and the
    // log. False unless the program ended with code 0.
    bool RunAndWait(CProcessRunner& runner, const std::vector<std::string>& argv, const std::string& program,
                    std::string* output, const std::vector<std::string>& environment = {});
    // SFTP: one step, the commands of a batch text, carried by the sftp
    // that the worker keeps running from its first SFTP step until it
    // disconnects (or, when it keeps connections, until it ends). A failed
    // step ends that sftp; the next step starts a new one. A step with a
    // line longer than sftp reads whole is refused before anything is sent.
    bool RunSftpBatch(const std::string& batch, std::string* output);
    // One command, its arguments quoted.
    bool RunSftpCommand(const std::string& command, const std::string& a1, const std::string& a2,
                        std::string* output);
    bool RunSftpCommandEx(const std::string& command, const std::string& argument, std::string* output)
    {
        return RunSftpCommand(command, std::string(), argument, output);
    }
    // SFTP: the entries of folder (relative to the current folder, "" for
    // itself) as one strict reading of sftp's "ls -lan" gives them, "." and
    // ".." included; nothing when it could not be listed or read for
    // certain, with error saying why.
    std::optional<std::vector<CSftpListEntry>> ListSftpFolder(const std::string& folder, std::string& error);
    // A path quoted for an sftp batch line: in double quotes, with "\" and
    // '"' escaped by a backslash, after SftpName.
    static std::string QuotePath(const std::string& text);
    // A path as sftp's batch commands read it as a name: rm, mkdir, cd, ls
    // and put take an argument that begins with "-" for options, quoted or
    // not, so such a (relative) path gets "./" in front.
    static std::string SftpName(const std::string& text);
    // True when a remote name can be sent: no CR, LF or NUL.
    static bool IsSendableName(const std::string& name);

    // Shows the transcript of the curl and sftp runs (nothing when empty).
    void ShowLog();
    const std::string& GetTranscript() const { return m_strTranscript; }

    CFtpConnection* GetConnection() const { return m_pConnection.get(); }
    int GetProtocol() const;
    bool IsFTP() const { return GetProtocol() == 0; }
    bool IsSFTP() const { return GetProtocol() == 2; }
    const char* GetProtocolName() const;

    // The programs run for FTPS and SFTP (found on PATH unless a path is
    // given).
    void SetCurlProgram(std::string program) { m_strCurlProgram = std::move(program); }
    void SetSftpProgram(std::string program) { m_strSftpProgram = std::move(program); }

private:
    struct PathComponent {
        std::string text;
        int webVisible;
    };

    bool UploadFtp(const std::string& localPath, const std::string& target, const std::string& folder,
                   bool blockLoop);
    bool UploadFtps(const std::string& localPath, const std::string& target);
    bool UploadSftp(const std::string& localPath, const std::string& target, const std::string& folder);
    std::string CurlUrl(const std::string* name, bool directory) const;
    std::vector<std::string> ExtraParameters() const;
    // True (the transcript says why) when extra holds an argument that may
    // not be handed to the protocol's program.
    bool RefuseExtraParameters(const std::vector<std::string>& extra);
    bool RefuseName(const std::string& name, const std::string& operation, bool report);
    // Tells the user and the log why a walk stopped (nothing after a
    // cancel, which is no failure); false.
    bool ReportWalkFailure(const std::string& text);
    void EndSftpSession();
    // The box (the first time only) and the status line of a connection or
    // login that did not come about; e, when given, is logged as it came.
    void ReportLoginFailure(const LoginFailure& failure, const CException* e = nullptr);
    // listing: a step of "ls" lines, for which a folder that is not there
    // is an answer. The step's errors that are faults go to the transcript;
    // a failed connection or login is told to the user.
    SftpStepResult RunSftpStep(const std::string& batch, bool listing);
    // True (told to the log, and to the user when report is set) when a
    // line of batch is longer than sftp reads as one command.
    bool RefuseLongSftpLine(const std::string& batch, const std::string& operation, bool report);
    // The session's folder: the recorded folders joined by "/".
    std::string SftpBase() const;
    // Lists the folders (relative to the session's folder, "" for itself)
    // in one step into m_sftpFolders.
    SftpStepResult ListSftpFolders(const std::vector<std::string>& folders);
    // The lines that remove the temporary files earlier steps left, sent
    // at the start of the next.
    std::string SftpLeftoverLines() const;
    // Follows what a step did to the temporary files of m_sftpLeftovers:
    // those it was to remove are gone when it is done; those it was to put
    // stay when it is not.
    void NoteSftpLeftovers(const SftpStepResult& result, const std::vector<std::string>& removed,
                           const std::vector<std::string>& put);
    // Keeps m_sftpFolders in step with a command that succeeded (a step
    // that failed has made it forget everything).
    void NoteSftpCommand(const std::string& command, const std::string& a1, const std::string& a2, bool ok);
    // Notes in the transcript and the log why a run was stopped; false.
    bool StoppedRun(const std::string& program, const std::string& why);

    CFTPSettings* m_pSettings;
    ITransferHost& m_host;
    std::unique_ptr<CFtpConnection> m_pConnection;
    std::unique_ptr<CSftpSession> m_pSftp;
    // The record of every command written to this session's sftp.
    int m_nBatchRecord = -1;
    // What the SFTP steps have seen of the remote folders.
    CSftpFolderCache m_sftpFolders;
    std::vector<PathComponent> m_Components;
    std::string m_strTranscript;
    bool m_bLoggedIn = false;
    bool m_bKeepBetweenLogins = false;
    std::optional<LoginFailure> m_loginFailure;
    // The server's rename replaces what stands under the new name
    // (OpenSSH's posix-rename), until one is seen that does not.
    bool m_bSftpRenameReplaces = true;
    // Whether the server lets file modes be changed, once seen.
    enum class SftpModes { Unknown, Allowed, Refused } m_sftpModes = SftpModes::Unknown;
    // Told the user that the server makes uploads unreadable, or refuses
    // the mode sent with them.
    bool m_bSftpHostFaultTold = false;
    // Temporary files on the server (paths relative to the login folder)
    // that a step cut short may have left.
    std::set<std::string> m_sftpLeftovers;
    // Remote folders that plain-FTP uploads of this worker have gone into.
    std::set<std::string> m_madeFolders;
    // The exchanges of the last curl run, read from its verbose output.
    CCurlVerboseText m_curlRun;
    // The extra parameters ask curl for its whole account: the transcript
    // keeps it.
    bool m_bCurlShowsAll = false;
    std::string m_strCurlProgram = "curl";
    std::string m_strSftpProgram = "sftp";
    // The time limit of the curl or sftp runs; 0: the request limit.
    int64_t m_nRunTimeLimitMs = 0;
};
