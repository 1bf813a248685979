#include "transfer_fixture.h"

#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <filesystem>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

const std::string kPassword = "pa ss#\"\\w\xC3\xA9";
const std::string kUser = "club";

const std::string kSshBanner = "Host key verification failed.\n"
                               "ssh: connect to host 10.9.9.9 port 22: Connection refused\n"
                               "Permission denied (publickey).\n" +
                               std::string(20000, 'B') + "\n";

namespace {

struct SshKindInfo {
    const char* name;
    const char* suffix;  // of the key folder and the log
};

const SshKindInfo& Info(SshKind kind)
{
    static const SshKindInfo kinds[kSshKinds] = {
        {"Current", ""},
        {"Older", "-older"},
        {"OlderWithoutPosixRename", "-older-no-posix-rename"},
        {"RefusesSetstat", "-refuses-setstat"},
        {"Banner", "-banner"},
        {"Umask077", "-umask077"},
        {"Umask077RefusesSetstat", "-umask077-refuses-setstat"},
        {"ProFtpd", "-proftpd"},
        {"ProFtpdNoOverwrite", "-proftpd-no-overwrite"},
        {"ProFtpdDeniesChmod", "-proftpd-denies-chmod"},
    };
    return kinds[static_cast<size_t>(kind)];
}

loopback::CSshServer::Options ServerOptions(SshKind kind)
{
    loopback::CSshServer::Options options;
    switch (kind) {
    case SshKind::Current:
        break;
    case SshKind::OlderWithoutPosixRename:
        options.dropExtensions.push_back("posix-rename@openssh.com");
        options.olderRelease = true;
        break;
    case SshKind::Older:
        options.olderRelease = true;
        break;
    case SshKind::RefusesSetstat:
        options.refuseSetstat = true;
        break;
    case SshKind::Banner:
        options.banner = kSshBanner;
        break;
    case SshKind::Umask077RefusesSetstat:
        options.refuseSetstat = true;
        options.umask = "077";
        break;
    case SshKind::Umask077:
        options.umask = "077";
        break;
    case SshKind::ProFtpd:
    case SshKind::ProFtpdNoOverwrite:
    case SshKind::ProFtpdDeniesChmod:
        break;
    }
    return options;
}

loopback::CProFtpServer::Options ProFtpdOptions(SshKind kind)
{
    loopback::CProFtpServer::Options options;
    options.protocol = loopback::CProFtpServer::Options::Protocol::Sftp;
    options.chroot = true;
    options.noOverwrite = kind == SshKind::ProFtpdNoOverwrite;
    options.denyChmod = kind == SshKind::ProFtpdDeniesChmod;
    return options;
}

}  // namespace

const char* const kNoOverwriteFolder = "no-overwrite";
const char* const kWebServerAccount = "www-data";

namespace {

const char* const kFtpKindNames[kFtpKinds] = {"PureFtpd", "PureFtpdTls", "PureFtpdShortListings",
                                              "ProFtpd",  "ProFtpdTls",  "ProFtpdChroot"};

// The test folders belong to the host account when it exists; the tests of
// the hosts' servers fail plainly without it (loopback::LookUpHostAccount).
void GiveToHostAccountIfAny(const std::string& path)
{
    if (::getpwnam(loopback::kHostAccountName))
        loopback::GiveToHostAccount(path);
}

}  // namespace

const char* FtpKindName(FtpKind kind)
{
    return kFtpKindNames[static_cast<size_t>(kind)];
}

int FtpKindProtocol(FtpKind kind)
{
    return kind == FtpKind::PureFtpdTls || kind == FtpKind::ProFtpdTls ? PROTOCOL_FTPS : PROTOCOL_FTP;
}

bool IsProFtpdKind(FtpKind kind)
{
    return kind == FtpKind::ProFtpd || kind == FtpKind::ProFtpdTls || kind == FtpKind::ProFtpdChroot;
}

const char* SshKindName(SshKind kind)
{
    return Info(kind).name;
}

bool IsProFtpdKind(SshKind kind)
{
    return kind == SshKind::ProFtpd || kind == SshKind::ProFtpdNoOverwrite || kind == SshKind::ProFtpdDeniesChmod;
}

LoopbackSite& LoopbackSite::Get()
{
    static LoopbackSite site;
    return site;
}

LoopbackSite::LoopbackSite()
{
    site = folder.File("site");
    www = site + "/www";
    certDir = folder.File("cert");
    postsFile = folder.File("posts.jsonl");
    for (const auto& dir : {site, www, certDir})
        ::mkdir(dir.c_str(), 0755);
    // The hosts' servers run as another account: it must reach the site.
    ::chmod(folder.Path().c_str(), 0711);
    GiveToHostAccountIfAny(site);
}

namespace {

template <class Server, class Starter>
Server& Started(std::mutex& mutex, Server& server, const char* name, Starter start)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (!server.Running() && !start())
        ADD_FAILURE() << name << " server did not start";
    return server;
}

}  // namespace

loopback::CFtpServer& LoopbackSite::Ftp()
{
    return Started(m_mutex, m_ftp, "FTP",
                   [&] { return m_ftp.Start(site, kUser, kPassword, {}, folder.File("ftp.log")); });
}

loopback::CFtpServer& LoopbackSite::Ftps()
{
    return Started(m_mutex, m_ftps, "FTPS", [&] {
        return (PathExists(certDir + "/cert.pem") || loopback::MakeSelfSignedCertificate(certDir)) &&
               m_ftps.Start(site, kUser, kPassword, certDir, folder.File("ftps.log"));
    });
}

loopback::CHttpServer& LoopbackSite::Http()
{
    return Started(m_mutex, m_http, "HTTP", [&] { return m_http.Start(www, postsFile, folder.File("http.log")); });
}

loopback::CHttpServer& LoopbackSite::HostHttp()
{
    return Started(m_mutex, m_hostHttp, "HTTP (as the web server's account)", [&] {
        return m_hostHttp.Start(www, folder.File("posts-host.jsonl"), folder.File("http-host.log"), kWebServerAccount);
    });
}

loopback::CSshServer& LoopbackSite::Ssh(SshKind kind)
{
    if (IsProFtpdKind(kind)) {
        ADD_FAILURE() << SshKindName(kind) << " is not an OpenSSH kind: use LoopbackSite::SftpHost";
        kind = SshKind::Current;
    }
    loopback::CSshServer& server = m_ssh[static_cast<size_t>(kind)];
    const std::string name = std::string("SSH (") + SshKindName(kind) + ")";
    return Started(m_mutex, server, name.c_str(), [&] {
        return server.Start(folder.File(std::string("ssh") + Info(kind).suffix), SshLog(kind), ServerOptions(kind));
    });
}

std::string LoopbackSite::SshLog(SshKind kind) const
{
    if (IsProFtpdKind(kind))
        return folder.File(std::string("ssh") + Info(kind).suffix) + "/sftp.log";
    return folder.File(std::string("sshd") + Info(kind).suffix + ".log");
}

SshHost LoopbackSite::SftpHost(SshKind kind)
{
    SshHost host;
    host.log = SshLog(kind);
    if (!IsProFtpdKind(kind)) {
        loopback::CSshServer& server = Ssh(kind);
        host.port = server.Port();
        host.keyDir = server.dir;
        host.user = loopback::CurrentUser();
        return host;
    }
    loopback::CProFtpServer& server = m_proSftp[static_cast<size_t>(kind)];
    Started(m_mutex, server, SshKindName(kind), [&] {
        return server.Start(site, kUser, kPassword, folder.File(std::string("ssh") + Info(kind).suffix), {},
                            ProFtpdOptions(kind));
    });
    host.port = server.Port();
    host.keyDir = server.dir;
    host.user = kUser;
    host.traceLog = server.log;
    return host;
}

std::string LoopbackSite::SshRemotePath(SshKind kind, const std::string& local) const
{
    if (!IsProFtpdKind(kind))
        return local;
    if (local == site)
        return "/";
    EXPECT_EQ(local.rfind(site + "/", 0), 0u) << local << " is not below the site " << site;
    return local.substr(site.size());
}

loopback::CStallingSshServer& LoopbackSite::StallingSsh()
{
    return Started(m_mutex, m_stallingSsh, "stalling SSH",
                   [&] { return m_stallingSsh.Start(folder.File("stalling-ssh.log")); });
}

int LoopbackSite::HostFtpPort(FtpKind kind)
{
    const std::string name = FtpKindName(kind);
    const auto certificate = [&] {
        return PathExists(certDir + "/cert.pem") || loopback::MakeSelfSignedCertificate(certDir);
    };
    if (IsProFtpdKind(kind)) {
        loopback::CProFtpServer& server = m_proFtp[static_cast<size_t>(kind)];
        loopback::CProFtpServer::Options options;
        if (kind == FtpKind::ProFtpdTls)
            options.protocol = loopback::CProFtpServer::Options::Protocol::FtpsRequired;
        options.chroot = kind == FtpKind::ProFtpdChroot;
        options.noOverwriteFolders.push_back(www + "/*/" + kNoOverwriteFolder);
        return Started(m_mutex, server, name.c_str(), [&] {
                   return certificate() && server.Start(site, kUser, kPassword, folder.File(name), certDir, options);
               }).Port();
    }
    loopback::CPureFtpServer& server = m_pureFtp[static_cast<size_t>(kind)];
    loopback::CPureFtpServer::Options options;
    switch (kind) {
    case FtpKind::PureFtpd:
        break;
    case FtpKind::PureFtpdTls:
        options.tls = loopback::CPureFtpServer::Options::Tls::Required;
        break;
    case FtpKind::PureFtpdShortListings:
        options.tls = loopback::CPureFtpServer::Options::Tls::Allowed;
        options.listLimit = kShortListingLimit;
        break;
    default:
        break;
    }
    return Started(m_mutex, server, name.c_str(), [&] {
               return certificate() && server.Start(site, kUser, kPassword, folder.File(name), certDir, options);
           }).Port();
}

std::string LoopbackSite::HostFtpLog(FtpKind kind) const
{
    return folder.File(FtpKindName(kind)) + "/commands.log";
}

int ProgressFrame::UploadProgress(bool show, int total, int done)
{
    {
        std::lock_guard<std::mutex> lock(m_progressMutex);
        if (show)
            shows.emplace_back(total, done);
        else
            ++hides;
    }
    const int answer = CRecordingStatusSink::UploadProgress(show, total, done);
    return show && cancelWhenDone > 0 && done >= cancelWhenDone ? 0 : answer;
}

bool ProgressFrame::ShowedText(const std::string& text) const
{
    const auto texts = Texts();
    return std::any_of(texts.begin(), texts.end(), [&](const auto& t) { return t.second == text; });
}

ChildWatcher::ChildWatcher() : m_thread([this] {
    while (!m_stop) {
        for (const auto& p : loopback::ListProcesses()) {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (p.ppid == ::getpid() && (m_lines.empty() || m_lines.back() != p.cmdline))
                m_lines.push_back(p.cmdline);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
})
{
}

ChildWatcher::~ChildWatcher()
{
    m_stop = true;
    m_thread.join();
}

std::vector<std::string> ChildWatcher::CommandLines()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lines;
}

namespace {

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string PercentDecoded(const std::string& text, bool plusIsBlank)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() &&
            HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            out += plusIsBlank && text[i] == '+' ? ' ' : text[i];
        }
    }
    return out;
}

}  // namespace

bool HoldsPassword(const std::string& text)
{
    // The start of the password is enough: "pa ss#".
    const std::string start = kPassword.substr(0, 6);
    for (const std::string& form : {text, PercentDecoded(text, false), PercentDecoded(text, true)}) {
        if (form.find(start) != std::string::npos)
            return true;
    }
    return false;
}

std::vector<std::string> TempFilesBelow(const std::string& folder)
{
    std::vector<std::string> found;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
         it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.rfind(".qm-", 0) == 0 && name.size() > 8 && name.compare(name.size() - 4, 4, ".tmp") == 0)
            found.push_back(it->path().string());
    }
    return found;
}

int64_t FileSize(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

bool PathExists(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

void TransferTest::SetUp()
{
    AppTest::SetUp();
    app->TestDataProtection();
    ASSERT_TRUE(app->SetFtpPassword(kPassword));
    testFolder = LoopbackSite::Get().www + "/" + TestFolderName();
    ::mkdir(testFolder.c_str(), 0777);
    GiveToHostAccountIfAny(testFolder);
}

std::string TransferTest::TestFolderName() const
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string("t-") + info->test_suite_name() + "-" + info->name();
    std::replace(name.begin(), name.end(), '/', '_');
    return name;
}

std::string TransferTest::WebPath(const std::string& relative) const
{
    return testFolder + "/" + relative;
}

void TransferTest::WriteWebFile(const std::string& relative, const std::string& bytes)
{
    ASSERT_EQ(::rename(folder.Write("web.tmp", bytes).c_str(), WebPath(relative).c_str()), 0) << relative;
    GiveToHostAccountIfAny(WebPath(relative));
}

void TransferTest::MakeWebFolder(const std::string& relative, mode_t mode)
{
    ASSERT_EQ(::mkdir(WebPath(relative).c_str(), mode), 0) << relative;
    ASSERT_EQ(::chmod(WebPath(relative).c_str(), mode), 0) << relative;
    GiveToHostAccountIfAny(WebPath(relative));
}

void TransferTest::UseProtocol(int p)
{
    LoopbackSite& site = LoopbackSite::Get();
    CFTPSettings& s = Ftp();
    s.m_nProtocol = p;
    s.m_strServer = "127.0.0.1";
    s.m_strUser = kUser;
    s.m_strDirectory = "www";
    app->Setup().m_strWebsiteUrl = site.Http().Url();
    switch (p) {
    case PROTOCOL_FTP:
        s.m_strPort[0] = std::to_string(site.Ftp().Port());
        break;
    case PROTOCOL_FTPS:
        s.m_strPort[1] = std::to_string(site.Ftps().Port());
        s.m_strParameters[1] = "--cacert \"" + site.certDir + "/cert.pem\"";
        break;
    case PROTOCOL_SFTP:
        UseSftpServer(SshKind::Current);
        break;
    }
}

void TransferTest::UseSftpServer(SshKind kind)
{
    LoopbackSite& site = LoopbackSite::Get();
    const SshHost host = site.SftpHost(kind);
    CFTPSettings& s = Ftp();
    s.m_nProtocol = PROTOCOL_SFTP;
    s.m_strServer = "127.0.0.1";
    s.m_strUser = host.user;
    s.m_strDirectory = site.SshRemotePath(kind, site.www);
    const bool hostsWeb = IsProFtpdKind(kind) || kind == SshKind::Umask077 || kind == SshKind::Umask077RefusesSetstat;
    app->Setup().m_strWebsiteUrl = hostsWeb ? site.HostHttp().Url() : site.Http().Url();
    s.m_strPort[2] = std::to_string(host.port);
    s.m_strParameters[2] =
        "-i \"" + host.keyDir + "/userkey\" -oStrictHostKeyChecking=no -oUserKnownHostsFile=/dev/null";
}

void TransferTest::UseFtpServer(FtpKind kind, int protocol)
{
    LoopbackSite& site = LoopbackSite::Get();
    CFTPSettings& s = Ftp();
    s.m_nProtocol = protocol < 0 ? FtpKindProtocol(kind) : protocol;
    s.m_strServer = "127.0.0.1";
    s.m_strUser = kUser;
    s.m_strDirectory = "www";  // the login folder is the site, chrooted or not
    app->Setup().m_strWebsiteUrl = site.HostHttp().Url();
    const std::string port = std::to_string(site.HostFtpPort(kind));
    if (s.m_nProtocol == PROTOCOL_FTPS) {
        s.m_strPort[1] = port;
        s.m_strParameters[1] = "--cacert \"" + site.certDir + "/cert.pem\"";
    } else {
        s.m_strPort[0] = port;
    }
}

std::unique_ptr<CFTPWorker> TransferTest::MakeWorker()
{
    return std::make_unique<CFTPWorker>(&Ftp(), *app);
}

std::unique_ptr<CFTPWorker> TransferTest::LoggedIn()
{
    auto w = MakeWorker();
    EXPECT_TRUE(w->Login());
    EXPECT_TRUE(w->SetCurrentDirectory(TestFolderName(), 1));
    return w;
}

std::string TransferTest::StagedPage(const std::string& text)
{
    std::string path;
    EXPECT_TRUE(app->GetTempFile(std::string(), "QMw", ".htm", path));
    EXPECT_EQ(::chmod(path.c_str(), 0600), 0);
    FILE* f = std::fopen(path.c_str(), "w");
    EXPECT_NE(f, nullptr) << path;
    if (f) {
        EXPECT_EQ(std::fwrite(text.data(), 1, text.size(), f), text.size());
        std::fclose(f);
    }
    return path;
}

std::string TransferTest::MakeSparseFile(const std::string& name, int64_t size)
{
    const std::string path = folder.File(name);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    EXPECT_EQ(::ftruncate(fd, size), 0);
    for (int64_t at : {int64_t(0), size / 2, size - 1})
        EXPECT_EQ(::pwrite(fd, "Q", 1, at), 1);
    ::close(fd);
    return path;
}

std::vector<std::string> TransferTest::TempFiles(const std::string& prefix) const
{
    std::vector<std::string> found;
    DIR* d = ::opendir(tempDir.c_str());
    while (dirent* e = d ? ::readdir(d) : nullptr) {
        if (std::string(e->d_name).rfind(prefix, 0) == 0)
            found.push_back(tempDir + "/" + e->d_name);
    }
    if (d)
        ::closedir(d);
    return found;
}

void TransferTest::ExpectPasswordNowhere(const CFTPWorker& worker, ChildWatcher& watcher)
{
    EXPECT_FALSE(HoldsPassword(worker.GetTranscript())) << worker.GetTranscript();
    EXPECT_FALSE(HoldsPassword(LogText())) << LogText();
    for (const auto& line : watcher.CommandLines()) {
        EXPECT_TRUE(!HoldsPassword(line) || line.find("ftp_server.py") != std::string::npos)
            << line;  // only the test's own server may hold it
    }
}

size_t Count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

int SshLogins(SshKind kind)
{
    LoopbackSite& site = LoopbackSite::Get();
    site.SftpHost(kind);
    const char* accepted = IsProFtpdKind(kind) ? "' authenticated via 'publickey' method" : "Accepted publickey for ";
    return static_cast<int>(Count(ReadWholeFile(site.SshLog(kind)), accepted));
}

std::vector<loopback::ProcessInfo> SftpProcesses()
{
    LoopbackSite& site = LoopbackSite::Get();
    site.Ssh();
    // The user key of every kind (a kind not started has no clients).
    std::vector<std::string> keys;
    for (size_t k = 0; k < kSshKinds; ++k)
        keys.push_back(site.folder.File(std::string("ssh") + Info(static_cast<SshKind>(k)).suffix) + "/userkey");
    std::vector<loopback::ProcessInfo> found;
    for (const auto& p : loopback::ListProcesses()) {
        const bool client = p.cmdline.rfind("sftp ", 0) == 0 || p.cmdline.rfind("ssh ", 0) == 0 ||
                            p.cmdline.find("/sftp ") != std::string::npos;
        const bool testKey = std::any_of(keys.begin(), keys.end(),
                                         [&](const std::string& key) { return p.cmdline.find(key) != std::string::npos; });
        if (client && p.state != 'Z' && testKey)
            found.push_back(p);
    }
    return found;
}
