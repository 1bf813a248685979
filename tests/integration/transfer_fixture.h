// What the transfer integration tests share: the loopback servers (started
// on first use, stopped at exit), a fixture that points the FTP settings
// at one of them, and a watcher that reads the command lines of this
// process's children while they run.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/setup_data.h"
#include "support/servers.h"
#include "support/test_app.h"
#include "transfer/ftp_worker.h"

// Blanks, "#", a double quote, a backslash and a non-ASCII letter.
extern const std::string kPassword;
extern const std::string kUser;

class LoopbackSite {
public:
    static LoopbackSite& Get();
    // Each server is started the first time it is asked for.
    loopback::CFtpServer& Ftp();
    loopback::CFtpServer& Ftps();
    loopback::CHttpServer& Http();
    loopback::CSshServer& Ssh();

    CTempFolder folder;
    std::string site;  // the FTP servers' root
    std::string www;   // site/www: the web root, served over HTTP too
    std::string certDir;
    std::string postsFile;

private:
    LoopbackSite();
    std::mutex m_mutex;
    loopback::CFtpServer m_ftp, m_ftps;
    loopback::CHttpServer m_http;
    loopback::CSshServer m_ssh;
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

    // Points the settings at the protocol's server.
    void UseProtocol(int protocol);
    std::unique_ptr<CFTPWorker> MakeWorker();
    // A worker logged in and in the test's own folder.
    std::unique_ptr<CFTPWorker> LoggedIn();
    // The per-test folder below the web root ("t-<test name>").
    std::string TestFolderName() const;
    std::string WebPath(const std::string& relative) const;  // local path under the test folder
    void WriteWebFile(const std::string& relative, const std::string& bytes);
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
// How many logins the private sshd has accepted so far (from its log).
int SshLogins();
// The sftp and ssh processes that run with the test key: those of the
// program's SFTP steps.
std::vector<loopback::ProcessInfo> SftpProcesses();

// Whether text holds the test password: as it is, or in any
// percent-encoded form (a blank as "%20" or "+", any character as %XX in
// either case), as it would stand in a URL or a form.
bool HoldsPassword(const std::string& text);

int64_t FileSize(const std::string& path);
bool PathExists(const std::string& path);
