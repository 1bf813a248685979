#include "transfer_fixture.h"

#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "app/path_helpers.h"

const std::string kPassword = "pa ss#\"\\w\xC3\xA9";
const std::string kUser = "club";

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
    ::mkdir(site.c_str(), 0755);
    ::mkdir(www.c_str(), 0755);
    ::mkdir(certDir.c_str(), 0700);
}

loopback::CFtpServer& LoopbackSite::Ftp()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_ftp.Running() && !m_ftp.Start(site, kUser, kPassword, {}, folder.File("ftp.log")))
        ADD_FAILURE() << "FTP server did not start";
    return m_ftp;
}

loopback::CFtpServer& LoopbackSite::Ftps()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_ftps.Running()) {
        if (!PathExists(certDir + "/both.pem") && !loopback::MakeSelfSignedCertificate(certDir))
            ADD_FAILURE() << "no certificate";
        if (!m_ftps.Start(site, kUser, kPassword, certDir + "/both.pem", folder.File("ftps.log")))
            ADD_FAILURE() << "FTPS server did not start";
    }
    return m_ftps;
}

loopback::CHttpServer& LoopbackSite::Http()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_http.Running() && !m_http.Start(www, postsFile, folder.File("http.log")))
        ADD_FAILURE() << "HTTP server did not start";
    return m_http;
}

loopback::CSshServer& LoopbackSite::Ssh()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_ssh.Running() && !m_ssh.Start(folder.File("ssh"), folder.File("sshd.log")))
        ADD_FAILURE() << "sshd did not start";
    return m_ssh;
}

ChildWatcher::ChildWatcher() : m_thread([this] {
    while (!m_stop) {
        Scan();
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

void ChildWatcher::Scan()
{
    for (auto& text : LiveChildren()) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_lines.empty() || m_lines.back() != text)
            m_lines.push_back(text);
    }
}

std::vector<std::string> ChildWatcher::LiveChildren()
{
    std::vector<std::string> found;
    const std::string self = std::to_string(::getpid());
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return found;
    while (dirent* e = ::readdir(proc)) {
        if (e->d_name[0] < '0' || e->d_name[0] > '9')
            continue;
        const std::string dir = std::string("/proc/") + e->d_name;
        std::ifstream stat(dir + "/stat");
        std::string line;
        if (!std::getline(stat, line))
            continue;
        std::istringstream fields(line.substr(line.rfind(')') + 2));
        std::string state, ppid;
        fields >> state >> ppid;
        if (ppid != self)
            continue;
        std::ifstream cmd(dir + "/cmdline", std::ios::binary);
        std::stringstream ss;
        ss << cmd.rdbuf();
        std::string text = ss.str();
        for (char& c : text) {
            if (c == '\0')
                c = ' ';
        }
        found.push_back(state + " " + text);
    }
    ::closedir(proc);
    return found;
}

std::vector<std::string> ChildWatcher::CommandLines()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lines;
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
}

void TransferTest::TearDown()
{
    AppTest::TearDown();
}

std::string TransferTest::TestFolderName() const
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string("t-") + info->test_suite_name() + "-" + info->name();
    for (char& c : name) {
        if (c == '/')
            c = '_';
    }
    return name;
}

std::string TransferTest::WebPath(const std::string& relative) const
{
    return testFolder + "/" + relative;
}

void TransferTest::UseProtocol(int p)
{
    protocol = p;
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
    case PROTOCOL_SFTP: {
        auto& ssh = site.Ssh();
        s.m_strUser = loopback::CurrentUser();
        s.m_strPort[2] = std::to_string(ssh.Port());
        s.m_strParameters[2] = "-i \"" + ssh.dir + "/userkey\" -oStrictHostKeyChecking=no -oUserKnownHostsFile=/dev/null";
        s.m_strDirectory = site.www;
        break;
    }
    }
}

std::unique_ptr<CFTPWorker> TransferTest::MakeWorker()
{
    auto worker = std::make_unique<CFTPWorker>(&Ftp());
    worker->SetWebProbeBase(LoopbackSite::Get().Http().Url());
    return worker;
}

std::string TransferTest::MakeLocalFile(const std::string& name, const std::string& bytes)
{
    return folder.Write(name, bytes);
}

std::string TransferTest::MakeSparseFile(const std::string& name, int64_t size)
{
    const std::string path = folder.File(name);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(::ftruncate(fd, size), 0);
    // A few non-zero bytes so a lost block would show.
    for (int64_t at : {int64_t(0), size / 2, size - 1}) {
        if (at >= 0 && ::pwrite(fd, "Q", 1, at) != 1)
            ADD_FAILURE() << "pwrite";
    }
    ::close(fd);
    return path;
}

bool TransferTest::NoNetrcLeft() const
{
    DIR* d = ::opendir(tempDir.c_str());
    bool none = true;
    while (dirent* e = d ? ::readdir(d) : nullptr) {
        if (std::string(e->d_name).rfind("qmn", 0) == 0)
            none = false;
    }
    if (d)
        ::closedir(d);
    return none;
}

void TransferTest::ExpectPasswordNowhere(const CFTPWorker& worker, ChildWatcher& watcher)
{
    EXPECT_EQ(worker.GetTranscript().find(kPassword), std::string::npos) << worker.GetTranscript();
    EXPECT_EQ(worker.GetTranscript().find("pa ss"), std::string::npos);
    EXPECT_EQ(LogText().find("pa ss"), std::string::npos) << LogText();
    for (const auto& line : watcher.CommandLines()) {
        if (line.find("ftp_server.py") == std::string::npos) {  // the test's own servers
            EXPECT_EQ(line.find("pa ss"), std::string::npos) << line;
        }
    }
}
