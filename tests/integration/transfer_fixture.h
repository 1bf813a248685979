// What the transfer integration tests share: the loopback servers (started
// on first use, stopped at exit), a fixture that points the FTP settings
// at one of them, and a watcher that reads the command lines of this
// process's children while they run.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/setup_data.h"
#include "support/club_servers.h"
#include "support/servers.h"
#include "support/test_app.h"
#include "transfer/ftp_worker.h"

// Blanks, "#", a double quote, a backslash and a non-ASCII letter.
extern const std::string kPassword;
extern const std::string kUser;

// The kinds of SSH host a club may have, each a private server of its own
// (see loopback::CSshServer::Options): the current OpenSSH release; one
// from before 9.1; one of those also without posix-rename (a rename onto
// an existing file fails); one that refuses mode changes, as some managed
// SFTP services do; one that shows kSshBanner before the login; one whose
// sftp server runs at umask 077 (a new account on some hosts), also with
// mode changes refused. Then ProFTPD's mod_sftp as a host sets it up
// (loopback::CProFtpServer: the club chrooted to the site as the host
// account, Umask 022, AllowOverwrite on), also with AllowOverwrite off,
// and with SITE_CHMOD denied (which refuses the mode sent with an open).
enum class SshKind {
    Current, Older, OlderWithoutPosixRename, RefusesSetstat, Banner, Umask077, Umask077RefusesSetstat,
    ProFtpd, ProFtpdNoOverwrite, ProFtpdDeniesChmod
};
constexpr size_t kSshKinds = 10;
bool IsProFtpdKind(SshKind kind);

// What a test needs to reach an SSH kind with the real sftp.
struct SshHost {
    int port = 0;
    std::string keyDir;  // userkey (authorized), otherkey (not), hostkey
    std::string user;    // to log in as
    std::string log;     // the server's log: logins, and for ProFTPD the sftp requests in traceLog
    std::string traceLog;
};
// "Current", "Older", ...: for test parameter names.
const char* SshKindName(SshKind kind);
// Lines that read like ssh's own errors, then one line of 20,000 'B's.
extern const std::string kSshBanner;

// The FTP servers clubs' hosts run, set up as hosts set them up, each
// serving the site folder as the host account (loopback::CPureFtpServer,
// CProFtpServer). Pure-FTPd chroots every user; PureFtpdTls demands TLS;
// PureFtpdShortListings allows TLS and lists at most kShortListingLimit
// entries of a folder. ProFTPD with Debian's proftpd.conf: plain FTP
// unchrooted, FTPS with TLS required, plain FTP chrooted (DefaultRoot ~);
// on each a folder named kNoOverwriteFolder (in any test folder) refuses
// a store over an existing file, and each login waits about a second
// (Debian's DelayEngine on).
enum class FtpKind { PureFtpd, PureFtpdTls, PureFtpdShortListings, ProFtpd, ProFtpdTls, ProFtpdChroot };
constexpr size_t kFtpKinds = 6;
bool IsProFtpdKind(FtpKind kind);
constexpr int kShortListingLimit = 25;
extern const char* const kNoOverwriteFolder;
// The account the hosts' web server runs as ("www-data", Debian's).
extern const char* const kWebServerAccount;
// "PureFtpd", ...: for test parameter names.
const char* FtpKindName(FtpKind kind);
// PROTOCOL_FTPS for the kinds that demand TLS, else PROTOCOL_FTP.
int FtpKindProtocol(FtpKind kind);

class LoopbackSite {
public:
    static LoopbackSite& Get();
    // Each server is started the first time it is asked for.
    loopback::CFtpServer& Ftp();
    loopback::CFtpServer& Ftps();
    loopback::CHttpServer& Http();
    // The same web root served as kWebServerAccount, as a host's web
    // server runs: the website of the hosts' kinds (UseFtpServer, and
    // UseSftpServer for the ProFTPD and umask 077 kinds).
    loopback::CHttpServer& HostHttp();
    // All SSH kinds serve the same file system; each has its own key
    // folder and log (folder "ssh" and "sshd.log" for Current, "ssh-older"
    // and "sshd-older.log" and so on for the others).
    loopback::CSshServer& Ssh(SshKind kind = SshKind::Current);
    std::string SshLog(SshKind kind) const;
    // Any kind, OpenSSH or ProFTPD (started on first use).
    SshHost SftpHost(SshKind kind);
    // The path the SFTP server of that kind knows a local file below the
    // site by (ProFTPD chroots the club to the site: site/www is "/www").
    std::string SshRemotePath(SshKind kind, const std::string& local) const;
    loopback::CStallingSshServer& StallingSsh();
    // A host's FTP server of that kind, started on first use; its port.
    int HostFtpPort(FtpKind kind);
    // Every command and reply of that kind's server.
    std::string HostFtpLog(FtpKind kind) const;

    CTempFolder folder;
    std::string site;  // the FTP servers' root
    std::string www;   // site/www: the web root, served over HTTP too
    std::string certDir;
    std::string postsFile;

private:
    LoopbackSite();
    std::mutex m_mutex;
    loopback::CFtpServer m_ftp, m_ftps;
    loopback::CHttpServer m_http, m_hostHttp;
    std::array<loopback::CSshServer, kSshKinds> m_ssh;
    loopback::CStallingSshServer m_stallingSsh;
    std::array<loopback::CPureFtpServer, kFtpKinds> m_pureFtp;  // the slots of the Pure-FTPd kinds
    std::array<loopback::CProFtpServer, kFtpKinds> m_proFtp;    // and of the ProFTPD ones
    std::array<loopback::CProFtpServer, kSshKinds> m_proSftp;  // the ProFTPD kinds' slots
};

// A main frame that records the progress bar and can stop a transfer: the
// bar answers "cancel" once done reaches cancelWhenDone, the message pump
// reports a quit request once quit() says so.
class ProgressFrame : public CRecordingStatusSink {
public:
    int UploadProgress(bool show, int total, int done) override;
    bool PumpMessages() override { return !quit || !quit(); }
    bool ShowedText(const std::string& text) const;
    std::vector<std::pair<int, int>> shows;  // (total, done) of each update shown
    int hides = 0;
    int cancelWhenDone = 0;
    std::function<bool()> quit;

private:
    std::mutex m_progressMutex;
};

// Records the command lines of this process's children while it runs.
class ChildWatcher {
public:
    ChildWatcher();
    ~ChildWatcher();
    std::vector<std::string> CommandLines();

private:
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::vector<std::string> m_lines;
    std::thread m_thread;
};

class TransferTest : public AppTest {
protected:
    void SetUp() override;

    // Points the settings at the protocol's server (SFTP: the current
    // release's sshd).
    void UseProtocol(int protocol);
    // The SFTP settings for that kind of SSH host, with its own key.
    void UseSftpServer(SshKind kind);
    // The FTP or FTPS settings (protocol: PROTOCOL_FTP or PROTOCOL_FTPS;
    // -1: FtpKindProtocol) for that kind of host's server.
    void UseFtpServer(FtpKind kind, int protocol = -1);
    std::unique_ptr<CFTPWorker> MakeWorker();
    // A worker logged in and in the test's own folder.
    std::unique_ptr<CFTPWorker> LoggedIn();
    // The per-test folder below the web root ("t-<test name>").
    std::string TestFolderName() const;
    std::string WebPath(const std::string& relative) const;  // local path under the test folder
    // Written as the host account (see loopback::GiveToHostAccount), so
    // that the hosts' servers may replace it.
    void WriteWebFile(const std::string& relative, const std::string& bytes);
    // A folder below the test folder, the host account's.
    void MakeWebFolder(const std::string& relative, mode_t mode = 0755);
    // A file staged as the program stages its pages: 0600 in the private
    // temporary folder.
    std::string StagedPage(const std::string& text);
    // A sparse local file of the given size with "Q" at its start, middle and end.
    std::string MakeSparseFile(const std::string& name, int64_t size);
    // The paths of the files in the temporary folder whose names start with prefix.
    std::vector<std::string> TempFiles(const std::string& prefix) const;
    bool NoNetrcLeft() const { return TempFiles("qmn").empty(); }
    // The password appears nowhere: transcript, log, child command lines.
    void ExpectPasswordNowhere(const CFTPWorker& worker, ChildWatcher& watcher);

    CFTPSettings& Ftp() { return app->Setup().m_Ftp; }
    std::string testFolder;
};

// How many times what occurs in text (overlaps counted).
size_t Count(const std::string& text, const std::string& what);
// How many logins that kind's private sshd has accepted so far (from its log).
int SshLogins(SshKind kind = SshKind::Current);
// The sftp and ssh processes that run with a test key (of any SSH kind
// started so far): those of the program's SFTP steps.
std::vector<loopback::ProcessInfo> SftpProcesses();

// Whether text holds the test password: as it is, or in any
// percent-encoded form (a blank as "%20" or "+", any character as %XX in
// either case), as it would stand in a URL or a form.
bool HoldsPassword(const std::string& text);

// The files an SFTP upload left on its way below folder (".qm-*.tmp").
std::vector<std::string> TempFilesBelow(const std::string& folder);

int64_t FileSize(const std::string& path);
bool PathExists(const std::string& path);
