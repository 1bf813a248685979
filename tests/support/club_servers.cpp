#include "support/club_servers.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <ftw.h>
#include <iostream>
#include <pwd.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace loopback {

const char* const kHostAccountName = "qmhost";

namespace {

bool Fail(const char* server, const std::string& why)
{
    std::cerr << server << " did not start: " << why << "\n";
    return false;
}

bool WriteFile(const std::string& path, const std::string& text, mode_t mode)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    return out && ::chmod(path.c_str(), mode) == 0;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool IsExecutable(const std::string& path)
{
    return ::access(path.c_str(), X_OK) == 0;
}

// A crypt() hash of password ($6$, SHA-512), as host panels write them.
bool CryptHash(const std::string& password, const std::string& dir, std::string& hash)
{
    const std::string in = dir + "/password.in", out = dir + "/password.hash";
    if (!WriteFile(in, password, 0600))
        return false;
    const int rc = RunProgram({"/bin/sh", "-c", "exec openssl passwd -6 -stdin < \"$0\" > \"$1\"", in, out});
    ::unlink(in.c_str());
    hash = ReadFile(out);
    ::unlink(out.c_str());
    while (!hash.empty() && (hash.back() == '\n' || hash.back() == '\r'))
        hash.pop_back();
    return rc == 0 && hash.rfind("$6$", 0) == 0;
}

uid_t g_chownUid;
gid_t g_chownGid;
int ChownOne(const char* path, const struct stat*, int, FTW*)
{
    return ::lchown(path, g_chownUid, g_chownGid) == 0 ? 0 : -1;
}

}  // namespace

std::string TestServersRoot()
{
    return std::string(QM_SOURCE_DIR) + "/build-servers/root";
}

bool LookUpHostAccount(HostAccount& account)
{
    const passwd* pw = ::getpwnam(kHostAccountName);
    if (!pw) {
        std::cerr << "The host account \"" << kHostAccountName
                  << "\" is missing: run scripts/install-deps (it makes it).\n";
        return false;
    }
    account.name = pw->pw_name;
    account.uid = pw->pw_uid;
    account.gid = pw->pw_gid;
    return true;
}

bool GiveToHostAccount(const std::string& path)
{
    HostAccount account;
    if (!LookUpHostAccount(account))
        return false;
    g_chownUid = account.uid;
    g_chownGid = account.gid;
    return ::nftw(path.c_str(), ChownOne, 16, FTW_PHYS) == 0;
}

bool CPureFtpServer::Start(const std::string& root, const std::string& user, const std::string& password,
                           const std::string& dir, const std::string& certDir, const Options& options)
{
    const char* const name = "Pure-FTPd";
    const std::string bin = TestServersRoot() + "/usr/sbin/pure-ftpd";
    const std::string purePw = TestServersRoot() + "/usr/bin/pure-pw";
    const std::string shim = QM_SYSLOG_SHIM;
    if (!IsExecutable(bin) || !IsExecutable(purePw))
        return Fail(name, bin + " or pure-pw is missing: run scripts/install-deps (scripts/unpack-test-servers)");
    if (::access(shim.c_str(), R_OK) != 0)
        return Fail(name, "the syslog shim " + shim + " is not built");
    HostAccount account;
    if (!LookUpHostAccount(account))
        return Fail(name, "no host account");
    ::mkdir(dir.c_str(), 0700);
    log = dir + "/commands.log";

    // The virtual user: home root, "/./" chroots it there.
    std::string hash;
    if (!CryptHash(password, dir, hash))
        return Fail(name, "openssl passwd -6 failed");
    const std::string passwdFile = dir + "/pureftpd.passwd", pdb = dir + "/pureftpd.pdb";
    const std::string home = options.chroot ? root + "/./" : root;
    if (!WriteFile(passwdFile,
                   user + ":" + hash + ":" + std::to_string(account.uid) + ":" + std::to_string(account.gid) +
                       "::" + home + "::::::::::::\n",
                   0600))
        return Fail(name, "could not write " + passwdFile);
    if (RunProgram({purePw, "mkdb", pdb, "-f", passwdFile}, log) != 0)
        return Fail(name, "pure-pw mkdb failed (see " + log + ")");

    const int port = PickFreePort();
    // Debian's wrapper defaults (pure-ftpd-wrapper with /etc/pure-ftpd/conf
    // as shipped, PAM replaced by the user database) and the host's own.
    std::vector<std::string> argv{"/usr/bin/env", "LD_PRELOAD=" + shim, "QM_SYSLOG_FILE=" + log, bin,
                                  "-S", "127.0.0.1," + std::to_string(port),
                                  "-l", "puredb:" + pdb,
                                  "-u", "1000", "-J", "HIGH", "-O", "clf:" + dir + "/transfer.log", "-E",
                                  "-U", "133:022",
                                  "-g", dir + "/pure-ftpd.pid",
                                  "-d", "-d"};
    if (options.chroot)
        argv.push_back("-A");
    if (options.listLimit > 0)
        argv.insert(argv.end(), {"-L", std::to_string(options.listLimit) + ":8"});
    if (options.tls != Options::Tls::None) {
        // Certificate and key in one PEM file, readable by root only.
        const std::string pem = dir + "/pure-ftpd.pem";
        const std::string both = ReadFile(certDir + "/cert.pem") + ReadFile(certDir + "/key.pem");
        if (both.find("PRIVATE KEY") == std::string::npos || !WriteFile(pem, both, 0600))
            return Fail(name, "no certificate in " + certDir + " (MakeSelfSignedCertificate)");
        argv.insert(argv.end(), {"-Y", options.tls == Options::Tls::Required ? "3" : "1", "-2", pem});
    }
    if (!CServerProcess::Start(argv, port, dir + "/pure-ftpd.out"))
        return Fail(name, "it did not listen on port " + std::to_string(port) + ": " + ReadFile(dir + "/pure-ftpd.out") +
                              ReadFile(log));
    return true;
}

}  // namespace loopback

namespace loopback {

namespace {

// Debian's configuration file (from the package's templates, as its
// postinst installs them), each line that names a path of the system or
// the port changed by edit. False when a line it must change is missing.
bool PrivateCopy(const std::string& templateFile, const std::vector<std::pair<std::string, std::string>>& edits,
                 std::string& text, std::string& missing)
{
    std::istringstream in(ReadFile(templateFile));
    std::vector<bool> used(edits.size(), false);
    std::string line;
    while (std::getline(in, line)) {
        for (size_t i = 0; i < edits.size(); ++i) {
            if (line.rfind(edits[i].first, 0) == 0) {
                line = edits[i].second;
                used[i] = true;
                break;
            }
        }
        text += line + "\n";
    }
    for (size_t i = 0; i < edits.size(); ++i) {
        if (!used[i])
            missing += "\"" + edits[i].first + "\" ";
    }
    return missing.empty();
}

bool MakeKey(const std::string& path)
{
    return ::access(path.c_str(), R_OK) == 0 ||
           RunProgram({"ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-C", "", "-f", path}) == 0;
}

}  // namespace

bool CProFtpServer::Start(const std::string& root, const std::string& user, const std::string& password,
                          const std::string& folder, const std::string& certDir, const Options& options)
{
    using Protocol = Options::Protocol;
    const char* const name = options.protocol == Protocol::Sftp ? "ProFTPD (mod_sftp)" : "ProFTPD";
    const std::string bin = TestServersRoot() + "/usr/sbin/proftpd";
    const std::string modules = TestServersRoot() + "/usr/lib/proftpd";
    const std::string templates = TestServersRoot() + "/usr/share/proftpd/templates";
    if (!IsExecutable(bin) || ::access((modules + "/mod_sftp.so").c_str(), R_OK) != 0 ||
        ::access((modules + "/mod_tls.so").c_str(), R_OK) != 0)
        return Fail(name, bin + ", mod_tls or mod_sftp is missing: run scripts/install-deps "
                                "(scripts/unpack-test-servers)");
    HostAccount account;
    if (!LookUpHostAccount(account))
        return Fail(name, "no host account");
    dir = folder;
    ::mkdir(dir.c_str(), 0700);
    log = dir + (options.protocol == Protocol::Sftp ? "/trace.log" : "/commands.log");
    systemLog = dir + "/proftpd.log";

    // The club's login: a line of an AuthUserFile (ftpasswd's format).
    std::string hash;
    if (!CryptHash(password, dir, hash))
        return Fail(name, "openssl passwd -6 failed");
    const std::string shell = options.protocol == Protocol::Sftp ? "/usr/sbin/nologin" : "/bin/sh";
    if (!WriteFile(dir + "/ftpd.passwd",
                   user + ":" + hash + ":" + std::to_string(account.uid) + ":" + std::to_string(account.gid) +
                       "::" + root + ":" + shell + "\n",
                   0600) ||
        !WriteFile(dir + "/ftpd.group", account.name + ":x:" + std::to_string(account.gid) + ":" + user + "\n", 0600))
        return Fail(name, "could not write the AuthUserFile in " + dir);

    const int port = PickFreePort();
    std::string missing, modulesConf, conf;
    std::vector<std::pair<std::string, std::string>> moduleEdits{{"ModulePath ", "ModulePath " + modules}};
    if (options.protocol == Protocol::FtpsRequired)
        moduleEdits.emplace_back("#LoadModule mod_tls.c", "LoadModule mod_tls.c");
    if (options.protocol == Protocol::Sftp)
        moduleEdits.emplace_back("#LoadModule mod_sftp.c", "LoadModule mod_sftp.c");
    const std::vector<std::pair<std::string, std::string>> confEdits{
        {"Include /etc/proftpd/modules.conf", "Include " + dir + "/modules.conf"},
        {"Port 21", "Port " + std::to_string(port)},
        {"User proftpd", "User nobody"},
        {"TransferLog ", "TransferLog " + dir + "/xferlog"},
        {"SystemLog ", "SystemLog " + systemLog},
        {"AllowOverwrite on", options.noOverwrite ? "AllowOverwrite off" : "AllowOverwrite on"},
        {"DelayEngine on", options.delayLogins ? "DelayEngine on" : "DelayEngine off"},
        {"ControlsLog ", "ControlsLog " + dir + "/controls.log"},
        {"ControlsSocket ", "ControlsSocket " + dir + "/proftpd.sock"},
        {"Include /etc/proftpd/conf.d/", "# (no conf.d here)"},
    };
    if (!PrivateCopy(templates + "/modules.conf", moduleEdits, modulesConf, missing) ||
        !PrivateCopy(templates + "/proftpd.conf", confEdits, conf, missing))
        return Fail(name, "Debian's configuration in " + templates + " lacks " + missing);

    conf += "\n# The test's own: one address, every file in " + dir + ", the club from an AuthUserFile.\n"
            "DefaultAddress 127.0.0.1\n"
            "SocketBindTight on\n"
            "PidFile " + dir + "/proftpd.pid\n"
            "ScoreboardFile " + dir + "/proftpd.scoreboard\n"
            "DelayTable " + dir + "/proftpd.delay\n"
            "WtmpLog off\n"
            "AuthOrder mod_auth_file.c\n"
            "AuthUserFile " + dir + "/ftpd.passwd\n"
            "AuthGroupFile " + dir + "/ftpd.group\n";
    if (options.chroot)
        conf += "DefaultRoot ~\n";
    for (const auto& folderPattern : options.noOverwriteFolders)
        conf += "<Directory " + folderPattern + ">\n  AllowOverwrite off\n</Directory>\n";
    if (options.denyChmod)
        conf += "<Limit SITE_CHMOD>\n  DenyAll\n</Limit>\n";
    switch (options.protocol) {
    case Protocol::Ftp:
    case Protocol::FtpsRequired:
        // Every command with its reply (%J hides PASS's argument).
        conf += "LogFormat qmcommands \"%m %J -> %s %S\"\n"
                "ExtendedLog " + log + " ALL qmcommands\n";
        break;
    case Protocol::Sftp:
        break;
    }
    if (options.protocol == Protocol::FtpsRequired) {
        if (::access((certDir + "/cert.pem").c_str(), R_OK) != 0 || ::access((certDir + "/key.pem").c_str(), R_OK) != 0)
            return Fail(name, "no certificate in " + certDir + " (MakeSelfSignedCertificate)");
        conf += "TLSEngine on\n"
                "TLSLog " + dir + "/tls.log\n"
                "TLSProtocol SSLv23\n"
                "TLSRequired on\n"
                "TLSOptions EnableDiags\n"
                "TLSVerifyClient off\n"
                "TLSRSACertificateFile " + certDir + "/cert.pem\n"
                "TLSRSACertificateKeyFile " + certDir + "/key.pem\n";
    }
    if (options.protocol == Protocol::Sftp) {
        for (const char* key : {"hostkey", "userkey", "otherkey"}) {
            if (!MakeKey(dir + "/" + key))
                return Fail(name, std::string("ssh-keygen could not make ") + key);
        }
        // mod_sftp takes public keys in RFC 4716 form only.
        const std::string keys = dir + "/authorized";
        ::mkdir(keys.c_str(), 0755);
        if (RunProgram({"/bin/sh", "-c", "exec ssh-keygen -e -f \"$0\" > \"$1\"", dir + "/userkey.pub", keys + "/" + user}) != 0)
            return Fail(name, "ssh-keygen -e failed");
        conf += "SFTPEngine on\n"
                "SFTPLog " + dir + "/sftp.log\n"
                "SFTPHostKey " + dir + "/hostkey\n"
                "SFTPAuthMethods publickey\n"
                "SFTPAuthorizedUserKeys file:" + keys + "/%u\n"
                "RequireValidShell off\n"
                "TraceLog " + log + "\n"
                "Trace sftp:20\n";
    }
    const std::string confFile = dir + "/proftpd.conf";
    if (!WriteFile(dir + "/modules.conf", modulesConf, 0644) || !WriteFile(confFile, conf, 0644))
        return Fail(name, "could not write " + confFile);
    const std::string out = dir + "/proftpd.out";
    if (RunProgram({bin, "-t", "-c", confFile}, out) != 0)
        return Fail(name, "proftpd -t refused " + confFile + ": " + ReadFile(out));
    if (!CServerProcess::Start({bin, "-n", "-c", confFile}, port, out))
        return Fail(name, "it did not listen on port " + std::to_string(port) + ": " + ReadFile(out) +
                              ReadFile(systemLog));
    return true;
}

}  // namespace loopback
