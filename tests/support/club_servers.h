// The FTP, FTPS and SFTP servers clubs' web hosts run, each set up as a host
// sets it up, on 127.0.0.1 for the integration tests: Pure-FTPd and ProFTPD
// (mod_tls, mod_sftp) from the packages scripts/unpack-test-servers
// unpacked below build-servers/root. Each one runs in the foreground on a
// free port, keeps every file of its own in the folder it is given, and logs
// its users in as the unprivileged host account (scripts/install-deps makes
// it): a test that runs as root still sees what a host's user may do.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

#include "support/servers.h"

namespace loopback {

// The account a host's servers log the club in as (not root, no password,
// no shell, no home).
struct HostAccount {
    std::string name;
    uid_t uid = 0;
    gid_t gid = 0;
};
extern const char* const kHostAccountName;  // "qmhost"
// False, with a line on stderr that says to run scripts/install-deps, when
// the account is missing.
bool LookUpHostAccount(HostAccount& account);
// Gives path (with everything below it, links not followed) to the host
// account, as if that account had made it. False when the account is
// missing or a chown failed.
bool GiveToHostAccount(const std::string& path);

// Where the unpacked servers are (QM_SOURCE_DIR/build-servers/root).
std::string TestServersRoot();

// Pure-FTPd 1.0.50 as Debian's pure-ftpd-wrapper starts it (-u 1000 -J HIGH
// -O clf:... -E), with what hosts add: umask 133:022 and, by default,
// every user chrooted (-A). The club logs in as a virtual user (puredb)
// mapped to the host account, home root. Dot files stay hidden from
// listings, as on hosts, which do not pass -D.
class CPureFtpServer : public CServerProcess {
public:
    struct Options {
        enum class Tls { None, Allowed, Required };  // -Y 0, 1, 3
        Tls tls = Tls::None;
        bool chroot = true;
        // Entries a listing holds at most (-L N:8); 0: the server's 10,000.
        int listLimit = 0;
    };
    // dir: the server's own files (user database, PEM, logs); certDir:
    // cert.pem and key.pem from MakeSelfSignedCertificate, when TLS is on.
    bool Start(const std::string& root, const std::string& user, const std::string& password,
               const std::string& dir, const std::string& certDir, const Options& options);
    // Every command and reply (with -d -d, through the syslog shim), and
    // the server's own messages.
    std::string log;
};

// ProFTPD 1.3.8 with Debian's proftpd.conf and modules.conf, every path in
// them made private. The club logs in from a private AuthUserFile as the
// host account, home root.
class CProFtpServer : public CServerProcess {
public:
    struct Options {
        enum class Protocol { Ftp, FtpsRequired, Sftp };
        Protocol protocol = Protocol::Ftp;
        bool chroot = false;  // DefaultRoot ~
        // Folders (absolute local paths, * allowed) where a store over an
        // existing file is refused (AllowOverwrite off, ProFTPD's own
        // default).
        std::vector<std::string> noOverwriteFolders;
        // AllowOverwrite off everywhere.
        bool noOverwrite = false;
        // SITE CHMOD (SFTP: SETSTAT and the mode sent with an open) refused.
        bool denyChmod = false;
        // Debian's DelayEngine on: each login waits about a second.
        bool delayLogins = true;
    };
    // dir: the server's own files. FTPS: certDir as for CPureFtpServer.
    // SFTP: dir receives hostkey, userkey (authorized, for user) and
    // otherkey (not authorized), as CSshServer's folder; the password is
    // then not used.
    bool Start(const std::string& root, const std::string& user, const std::string& password,
               const std::string& dir, const std::string& certDir, const Options& options);
    std::string dir;
    // Every command with its reply (FTP), or the sftp trace (SFTP).
    std::string log;
    // The server's own messages (SystemLog).
    std::string systemLog;
};

}  // namespace loopback
