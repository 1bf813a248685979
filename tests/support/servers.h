// Real servers on 127.0.0.1 for the integration tests: each one is a child
// process on a free port, started with posix_spawn, ready once its port
// accepts connections, and stopped by its PID (SIGTERM, then SIGKILL) when
// the object goes away.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace loopback {

// A port on 127.0.0.1 that nothing listens on just now.
int PickFreePort();
// Runs a program to its end (no shell); returns its exit code, or -1.
int RunProgram(const std::vector<std::string>& argv, const std::string& logFile = {});

class CServerProcess {
public:
    CServerProcess() = default;
    ~CServerProcess() { Stop(); }
    CServerProcess(const CServerProcess&) = delete;
    CServerProcess& operator=(const CServerProcess&) = delete;

    // Starts the program with stdout and stderr going to logFile and waits
    // until port accepts. False when it could not be started or never
    // listened (it is stopped then).
    bool Start(const std::vector<std::string>& argv, int port, const std::string& logFile,
               int timeoutMs = 15000);
    void Stop();
    // SIGKILL at once (a server dying under a transfer), together with
    // every process it started (sshd's per-connection processes).
    void Kill();
    pid_t Pid() const { return m_pid; }
    int Port() const { return m_port; }
    bool Running() const { return m_pid > 0; }

private:
    pid_t m_pid = -1;
    int m_port = 0;
};

// Plain FTP, or explicit FTPS when a certificate folder (made by
// MakeSelfSignedCertificate) is given. refuseOverwrite: a store over an
// existing file is refused, as some servers are set up to do.
class CFtpServer : public CServerProcess {
public:
    struct Options {
        bool refuseOverwrite = false;
        // A line "login" for each login and "closed" for each logged-in
        // control connection that ends.
        std::string sessionsFile;
        // The server closes a control connection idle this long (0: never).
        int idleTimeoutSeconds = 0;
        // A store of a file whose name holds holdStore is never answered
        // (the server hangs mid-upload); each such name goes as a line
        // into heldFile.
        std::string holdStore;
        std::string heldFile;
    };
    bool Start(const std::string& root, const std::string& user, const std::string& password,
               const std::string& certDir, const std::string& logFile, const Options& options);
    bool Start(const std::string& root, const std::string& user, const std::string& password,
               const std::string& certDir, const std::string& logFile, bool refuseOverwrite = false)
    {
        Options options;
        options.refuseOverwrite = refuseOverwrite;
        return Start(root, user, password, certDir, logFile, options);
    }
};

// An FTP (or, with a certificate folder, FTPS) server whose folders are
// made up: tree "endless" (every folder holds a subfolder), "wide" (40
// subfolders in each), "refuse" (every listing refused) or "aliases" (one
// subfolder under four spellings). Every listing adds a line to countFile.
class CMadeUpTreeFtpServer : public CServerProcess {
public:
    bool Start(const std::string& tree, const std::string& root, const std::string& user,
               const std::string& password, const std::string& certDir, const std::string& countFile,
               const std::string& logFile);
};

// GET/HEAD of the files under root; form posts recorded in postsFile.
// runAs: the account it serves as once it listens (a host's web server
// is not the account that uploads); empty: the tests' own.
class CHttpServer : public CServerProcess {
public:
    bool Start(const std::string& root, const std::string& postsFile, const std::string& logFile,
               const std::string& runAs = {});
    std::string Url() const;  // "http://127.0.0.1:<port>"
};

// A web server that misbehaves (tests/servers/hostile_http_server.py):
// below a folder "endless", "huge" or "drip" every page is endless or drips
// ("endless404", "huge404": the same as an error page), and
// /redirect?to=URL redirects anywhere. With a certificate folder (made by
// MakeSelfSignedCertificate) it speaks HTTPS.
class CHostileHttpServer : public CServerProcess {
public:
    bool Start(const std::string& logFile, const std::string& certDir = {});
    std::string Url() const;  // "http://127.0.0.1:<port>" ("https://" with TLS)

private:
    bool m_secure = false;
};

// A listener that records every connection and every byte that reaches it
// (tests/servers/recording_listener.py); the readiness check itself counts
// as one connection.
class CRecordingListener : public CServerProcess {
public:
    bool Start(const std::string& recordFile, const std::string& logFile);
    std::string record;
};

// A private sshd with key authentication only. dir receives the keys:
// userkey (authorized), otherkey (not authorized). The options make it
// behave like other hosts clubs have.
class CSshServer : public CServerProcess {
public:
    struct Options {
        // The sftp server answers as an OpenSSH release before 9.1 does:
        // users-groups-by-id@openssh.com left out of its first reply.
        bool olderRelease = false;
        // Further extensions left out of that reply ("posix-rename@openssh.com").
        std::vector<std::string> dropExtensions;
        // setstat, fsetstat and lsetstat refused.
        bool refuseSetstat = false;
        // The sftp server's umask (-u), e.g. "077"; empty: sshd's own (022).
        std::string umask;
        // Shown by sshd before the login (Banner); empty: none.
        std::string banner;
    };
    bool Start(const std::string& dir, const std::string& logFile, const Options& options);
    bool Start(const std::string& dir, const std::string& logFile) { return Start(dir, logFile, Options()); }
    std::string dir;
};

// Sends an SSH greeting on every connection and then nothing
// (tests/servers/stalling_ssh_server.py).
class CStallingSshServer : public CServerProcess {
public:
    bool Start(const std::string& logFile);
};

// A self-signed certificate for 127.0.0.1 in dir: cert.pem and key.pem.
bool MakeSelfSignedCertificate(const std::string& dir);

// The name of the user running the tests.
std::string CurrentUser();

// What /proc tells about every process now; cmdline with blanks between
// the arguments.
struct ProcessInfo {
    pid_t pid = 0, ppid = 0, pgrp = 0;
    char state = 0;
    std::string cmdline;
};
std::vector<ProcessInfo> ListProcesses();

}  // namespace loopback
