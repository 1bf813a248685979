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
