// The FTP worker against real servers, the same cases for every protocol:
// plain FTP (libcurl), FTPS (curl program), SFTP (sftp program).
#include <algorithm>
#include <fcntl.h>
#include <functional>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <tuple>
#include <unistd.h>

#include "platform/text_helpers.h"
#include "transfer/ftp_connection.h"
#include "transfer/qm_file_find.h"
#include "transfer_fixture.h"

namespace {

using Listed = std::tuple<std::string, std::string, bool>;  // folder, name, directory

char ByteAt(const std::string& path, int64_t at)
{
    char c = 0;
    const int fd = ::open(path.c_str(), O_RDONLY);
    EXPECT_EQ(::pread(fd, &c, 1, at), 1) << path;
    ::close(fd);
    return c;
}

}  // namespace

class ProtocolTest : public TransferTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override
    {
        TransferTest::SetUp();
        UseProtocol(GetParam());
    }
    bool IsSftp() const { return GetParam() == PROTOCOL_SFTP; }
};

TEST_P(ProtocolTest, UploadReplaceRenameDeleteListAndDownload)
{
    ChildWatcher watcher;
    auto w = LoggedIn();
    const std::string page = "2024/05/page #1 \xC3\xA9t\xC3\xA9.htm";  // new year and month folders
    ASSERT_TRUE(w->UploadFile(folder.Write("1.htm", "first version"), ReplaceAll(page, "/", "\\")));
    EXPECT_EQ(ReadWholeFile(WebPath(page)), "first version");
    ASSERT_TRUE(w->UploadFile(folder.Write("2.htm", "second, longer version"), page));
    EXPECT_EQ(ReadWholeFile(WebPath(page)), "second, longer version");
    ASSERT_TRUE(w->UploadFile(folder.Write("0.txt", ""), "2024/05/empty file.txt"));
    EXPECT_EQ(FileSize(WebPath("2024/05/empty file.txt")), 0);
    ASSERT_TRUE(w->UploadFile(folder.Write("i.txt", "companion"), "2024/05/page_files/img.txt"));
    // Quotes are names like any other; a backslash in a remote path is a
    // separator, in a local name a character.
    ASSERT_TRUE(w->UploadFile(folder.Write("lo\\cal \"x\" #1.htm", "odd"), "q\"uote and back\\sla\"sh.htm"));
    EXPECT_EQ(ReadWholeFile(WebPath("q\"uote and back/sla\"sh.htm")), "odd");
    // Line breaks could smuggle in commands: refused before anything is sent.
    EXPECT_FALSE(w->UploadFile(folder.Write("e.htm", "x"), "evil\r\nDELE x.htm"));
    ASSERT_EQ(prompter.Texts().size(), 1u);
    EXPECT_NE(prompter.Texts()[0].find("line break"), std::string::npos);
    EXPECT_FALSE(w->DeleteFile("a\nb"));
    EXPECT_FALSE(w->RenameFile(page, "b\r.htm"));
    prompter.Clear();

    // Over HTTP from the website, relative to the web-visible folder.
    std::vector<char> bytes;
    ASSERT_TRUE(w->DownloadFile(bytes, page));
    EXPECT_EQ(std::string(bytes.data()), "second, longer version");
    ASSERT_TRUE(w->DownloadFile(bytes, "2024/05/empty file.txt"));
    EXPECT_EQ(bytes.size(), 1u);  // just the closing zero byte
    EXPECT_FALSE(w->DownloadFile(bytes, "2024/05/missing.htm"));
    prompter.Clear();

    // The walk: top first, then each folder; "_files" folders never.
    std::set<Listed> listed;
    ASSERT_TRUE(w->EnumerateFiles([&](CFTPWorker&, CQmFileFind& f, const std::string& folder) {
        listed.insert({folder, f.GetFileName(), f.IsDirectory()});
        return true;
    }));
    const std::set<Listed> expected{{"", "2024", true},
                                    {"", "q\"uote and back", true},
                                    {"2024", "05", true},
                                    {"2024\\05", "page #1 \xC3\xA9t\xC3\xA9.htm", false},
                                    {"2024\\05", "empty file.txt", false},
                                    {"q\"uote and back", "sla\"sh.htm", false}};
    EXPECT_EQ(listed, expected);

    ASSERT_TRUE(w->RenameFile(page, "2024/05/renamed #2.htm"));
    EXPECT_FALSE(PathExists(WebPath(page)));
    EXPECT_EQ(ReadWholeFile(WebPath("2024/05/renamed #2.htm")), "second, longer version");
    ASSERT_TRUE(w->DeleteFile("2024\\05\\renamed #2.htm"));
    EXPECT_FALSE(PathExists(WebPath("2024/05/renamed #2.htm")));
    EXPECT_FALSE(w->DeleteFile("2024/05/renamed #2.htm"));  // gone already
    prompter.Clear();

    // The test file of Upload a Test File.
    const std::string testFile = folder.Write("QMt0001.txt", "Quillmark test file\n");
    ASSERT_TRUE(w->UploadFile(testFile, "TestFile.txt"));
    EXPECT_EQ(ReadWholeFile(WebPath("TestFile.txt")), "Quillmark test file\n");

    w->Disconnect();
    EXPECT_TRUE(NoNetrcLeft());
    ExpectPasswordNowhere(*w, watcher);
    if (GetParam() == PROTOCOL_FTPS) {  // the check above saw real curl command lines
        const auto lines = watcher.CommandLines();
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                                [](const std::string& l) { return l.find("--netrc-file") != std::string::npos; }));
    }
    EXPECT_TRUE(prompter.Texts().empty());
}

TEST_P(ProtocolTest, FailuresUploadNothingAndTheNextLoginWorks)
{
    WriteWebFile("keep.htm", "keep");
    const std::string local = folder.Write("a.htm", "x");
    const std::vector<std::pair<const char*, std::function<void()>>> faults{
        {"unknown host", [&] { Ftp().m_strServer = "no-such-host.invalid"; }},
        {"refused port", [&] { Ftp().m_strPort[GetParam()] = std::to_string(loopback::PickFreePort()); }},
        {"missing folder", [&] { Ftp().m_strDirectory += "/no such folder"; }},
        {"wrong password or key", [&] {
             if (IsSftp())  // keys only: one the server does not know
                 Ftp().m_strParameters[2] = ReplaceAll(Ftp().m_strParameters[2], "userkey", "otherkey");
             else
                 app->SetFtpPassword("wrong " + kPassword);
         }},
    };
    auto w = MakeWorker();
    for (const auto& [what, breakSettings] : faults) {
        UseProtocol(GetParam());
        breakSettings();
        w->Disconnect();
        // Plain FTP logs in at once (a failed folder change fails the login);
        // the others find out at the first command.
        if (w->Login() && w->SetCurrentDirectory(TestFolderName(), 1)) {
            EXPECT_NE(GetParam(), PROTOCOL_FTP) << what;
            EXPECT_FALSE(w->DeleteFile("keep.htm")) << what;
            if (std::string(what) != "missing folder") {  // curl and sftp would make it
                EXPECT_FALSE(w->UploadFile(local, "a.htm")) << what;
            }
        } else {
            EXPECT_EQ(w->GetConnection(), nullptr) << what;  // disconnected: a new login may follow
        }
        EXPECT_TRUE(PathExists(WebPath("keep.htm"))) << what;
        EXPECT_FALSE(PathExists(WebPath("a.htm"))) << what;
        EXPECT_TRUE(NoNetrcLeft()) << what;
    }
    if (GetParam() == PROTOCOL_FTP) {
        EXPECT_NE(LogText().find("CFTPWorker::SetCurrentDirectory"), std::string::npos);
        EXPECT_EQ(frame.GetLastStatus(), "FTP: Login was unsuccessful: host=127.0.0.1 user=club");
    }

    // Put right, the same worker logs in again.
    app->SetFtpPassword(kPassword);
    UseProtocol(GetParam());
    w->Disconnect();
    ASSERT_TRUE(w->Login());
    ASSERT_TRUE(w->SetCurrentDirectory(TestFolderName(), 1));
    EXPECT_TRUE(w->UploadFile(local, "a.htm"));
    EXPECT_TRUE(PathExists(WebPath("a.htm")));
    EXPECT_FALSE(HoldsPassword(w->GetTranscript()));
}

TEST_P(ProtocolTest, OneGibibyteFile)
{
    const int64_t size = int64_t(1) << 30;
    const std::string local = MakeSparseFile("big.bin", size);
    ASSERT_TRUE(LoggedIn()->UploadFile(local, "big.bin"));
    EXPECT_EQ(FileSize(WebPath("big.bin")), size);
    EXPECT_EQ(ByteAt(WebPath("big.bin"), size / 2), 'Q');
    EXPECT_EQ(ByteAt(WebPath("big.bin"), size - 1), 'Q');
    ::unlink(WebPath("big.bin").c_str());
}

TEST_P(ProtocolTest, CancelStopsTheTransferAndCleansUp)
{
    ProgressFrame quitting;
    quitting.quit = [] { return true; };
    const int64_t size = int64_t(512) << 20;
    const std::string local = MakeSparseFile("big.bin", size);
    auto w = LoggedIn();
    app->SetMainFrame(&quitting);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(w->UploadFile(local, "big.bin"));
    // The short file on the server shows the cancel; the time only bounds
    // it, generously enough for a sanitizer build on a busy machine.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    app->SetMainFrame(&frame);
    EXPECT_TRUE(NoNetrcLeft());
    EXPECT_TRUE(prompter.Texts().empty());  // a cancel is not an error
    EXPECT_NE(FileSize(WebPath("big.bin")), size);
    for (const auto& p : loopback::ListProcesses()) {  // curl or sftp ended and reaped
        EXPECT_TRUE(p.ppid != ::getpid() || (p.state != 'Z' && p.cmdline.find("curl") == std::string::npos &&
                                             p.cmdline.find("sftp ") == std::string::npos))
            << p.state << " " << p.cmdline;
    }
}

// A server that dies while a 64 MiB upload runs: the upload fails and
// nothing claims success.
TEST_P(ProtocolTest, ServerKilledDuringUploadFails)
{
    const int64_t size = int64_t(64) << 20;
    const std::string local = MakeSparseFile("big.bin", size);
    // Under a heavy load the upload may end before the kill lands; such a
    // round proves nothing and is run again.
    int valid = 0;
    for (int round = 0; round < 5 && valid == 0; ++round) {
        ::unlink(WebPath("big.bin").c_str());
        UseProtocol(GetParam());
        LoopbackSite& site = LoopbackSite::Get();
        loopback::CFtpServer ftp;  // a second server on the same files, to be killed
        loopback::CSshServer ssh;
        loopback::CServerProcess* server = &ftp;
        if (IsSftp()) {
            ASSERT_TRUE(ssh.Start(folder.File("ssh" + std::to_string(round)), folder.File("sshd2.log")));
            Ftp().m_strParameters[2] = ReplaceAll(Ftp().m_strParameters[2], site.Ssh().dir, ssh.dir);
            server = &ssh;
        } else {
            ASSERT_TRUE(ftp.Start(site.site, kUser, kPassword, GetParam() == PROTOCOL_FTPS ? site.certDir : "",
                                  folder.File("ftp2.log")));
        }
        Ftp().m_strPort[GetParam()] = std::to_string(server->Port());
        const std::string target = WebPath("big.bin");
        std::atomic<bool> stop{false};
        std::atomic<int64_t> sizeAtKill{-1};
        // SFTP puts the file under a name of its own first.
        const auto arriving = [&] {
            const std::vector<std::string> temporary = IsSftp() ? TempFilesBelow(testFolder) : std::vector<std::string>();
            return !temporary.empty() ? temporary[0] : PathExists(target) ? target : std::string();
        };
        std::thread killer([&] {
            std::string at;
            while (!stop && (at = arriving()).empty())
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            if (!stop) {
                server->Kill();
                sizeAtKill = FileSize(at);
            }
        });
        auto w = MakeWorker();
        const bool ok = w->Login() && w->SetCurrentDirectory(TestFolderName(), 1) && w->UploadFile(local, "big.bin");
        stop = true;
        killer.join();
        if (sizeAtKill >= 0 && sizeAtKill < size) {
            ++valid;
            EXPECT_FALSE(ok) << "round " << round;
            if (IsSftp()) {
                EXPECT_FALSE(PathExists(target)) << "a page half there on the web";
            }
        }
        EXPECT_TRUE(NoNetrcLeft());
    }
    EXPECT_EQ(valid, 1);
}

INSTANTIATE_TEST_SUITE_P(Protocols, ProtocolTest, ::testing::Values(0, 1, 2),
                         [](const ::testing::TestParamInfo<int>& i) { return std::string(GetProtocolName(i.param)); });
