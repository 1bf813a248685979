// What belongs to one protocol: plain FTP's progress-bar upload, folders
// and modes; FTPS's netrc file; SFTP's batch; and servers that die under a
// transfer.
#include <dirent.h>
#include <sys/stat.h>
#include <thread>

#include "app/text_helpers.h"
#include "transfer/ftp_connection.h"
#include "transfer/secret_file.h"
#include "transfer_fixture.h"

namespace {

class ProgressFrame : public CRecordingStatusSink {
public:
    int UploadProgress(bool show, int total, int done) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (show)
            shows.emplace_back(total, done);
        else
            ++hides;
        if (show && cancelWhenDone > 0 && done >= cancelWhenDone)
            return 0;
        return 1;
    }
    std::vector<std::pair<int, int>> shows;
    int hides = 0;
    int cancelWhenDone = 0;

private:
    std::mutex m_mutex;
};

// The newest sftp batch file in folder.
std::string NewestBatch(const std::string& folder)
{
    std::string newest;
    struct timespec best {};
    DIR* d = ::opendir(folder.c_str());
    while (dirent* e = d ? ::readdir(d) : nullptr) {
        const std::string name = e->d_name;
        if (name.rfind("QMb", 0) != 0)
            continue;
        struct stat st {};
        ::stat((folder + "/" + name).c_str(), &st);
        if (newest.empty() || st.st_mtim.tv_sec > best.tv_sec ||
            (st.st_mtim.tv_sec == best.tv_sec && st.st_mtim.tv_nsec > best.tv_nsec)) {
            best = st.st_mtim;
            newest = folder + "/" + name;
        }
    }
    if (d)
        ::closedir(d);
    return newest.empty() ? std::string() : ReadWholeFile(newest);
}

}  // namespace

class PlainFtpTest : public TransferTest {
protected:
    void SetUp() override
    {
        TransferTest::SetUp();
        UseProtocol(PROTOCOL_FTP);
    }
};

TEST_F(PlainFtpTest, ProgressBarUploadGoesThroughATemporaryName)
{
    ProgressFrame progress;
    app->SetMainFrame(&progress);
    app->m_bShowProgressBar = true;
    auto w = MakeWorker();
    ASSERT_TRUE(w->Login());
    ASSERT_TRUE(w->SetCurrentDirectory(TestFolderName(), 1));
    const std::string bytes(3 << 20, 'p');
    ASSERT_TRUE(w->UploadFile(MakeLocalFile("p.htm", bytes), "a\\b\\page.htm"));
    EXPECT_EQ(ReadWholeFile(WebPath("a/b/page.htm")), bytes);
    EXPECT_FALSE(PathExists(WebPath("a/b/qmupload.tmp")));
    ASSERT_GE(progress.shows.size(), 2u);
    EXPECT_EQ(progress.shows.front(), std::make_pair(3 << 20, 0));
    EXPECT_EQ(progress.shows.back(), std::make_pair(3 << 20, 3 << 20));
    EXPECT_EQ(progress.hides, 1);
    // The session's callbacks reached the status bar.
    bool connecting = false;
    for (const auto& t : progress.Texts())
        connecting = connecting || (t.first == 1 && t.second == "Connecting to server");
    EXPECT_TRUE(connecting);

    // Cancelled from the progress bar: the old page stays as it was and the
    // temporary file is left behind.
    progress.cancelWhenDone = 1 << 20;
    EXPECT_FALSE(w->UploadFile(MakeLocalFile("q.htm", std::string(64 << 20, 'q')), "a/b/page.htm"));
    EXPECT_EQ(ReadWholeFile(WebPath("a/b/page.htm")), bytes);
    EXPECT_TRUE(PathExists(WebPath("a/b/qmupload.tmp")));
    EXPECT_TRUE(prompter.Texts().empty());
    app->SetMainFrame(&frame);
}

TEST_F(PlainFtpTest, CommandsUseAbsolutePathsWhateverTheLastTransferLeft)
{
    auto w = MakeWorker();
    ASSERT_TRUE(w->Login());
    ASSERT_TRUE(w->SetCurrentDirectory(TestFolderName(), 1));
    ASSERT_TRUE(w->UploadFile(MakeLocalFile("g.htm", "top"), "g.htm"));
    ASSERT_TRUE(w->UploadFile(MakeLocalFile("g2.htm", "deep"), "deep/deeper/g.htm"));
    // The last transfer went into deep/deeper; these name the test folder.
    ASSERT_TRUE(w->RenameFile("g.htm", "h.htm"));
    EXPECT_EQ(ReadWholeFile(WebPath("h.htm")), "top");
    EXPECT_EQ(ReadWholeFile(WebPath("deep/deeper/g.htm")), "deep");
    ASSERT_TRUE(w->UploadFile(MakeLocalFile("g3.htm", "again"), "deep/deeper/x.htm"));
    ASSERT_TRUE(w->DeleteFile("h.htm"));
    EXPECT_FALSE(PathExists(WebPath("h.htm")));
    ASSERT_TRUE(w->UploadFile(MakeLocalFile("n.htm", "n"), "new/n.htm"));
    EXPECT_TRUE(PathExists(WebPath("new/n.htm")));
    EXPECT_FALSE(PathExists(WebPath("deep/deeper/new")));
    // A remote file read through the connection, relative to the folder.
    std::string bytes;
    ASSERT_TRUE(w->GetConnection()->GetFile("deep/deeper/g.htm", bytes));
    EXPECT_EQ(bytes, "deep");
}

TEST_F(PlainFtpTest, ActiveModeHexPortAndIpv4Only)
{
    Ftp().m_dwFlags |= SF_ACTIVE_FTP;
    Ftp().m_strPort[0] = StrFormat("0x%x", LoopbackSite::Get().Ftp().Port());  // base 0: hexadecimal
    Ftp().m_strParameters[0] = "-4";
    auto w = MakeWorker();
    ASSERT_TRUE(w->Login());
    bool opened = false;
    for (const auto& t : frame.Texts()) {
        opened = opened || t.second == StrFormat("Opening FTP connection: host=127.0.0.1 port=%d user=club "
                                                 "mode=non-passive",
                                                 LoopbackSite::Get().Ftp().Port());
    }
    EXPECT_TRUE(opened);
    ASSERT_TRUE(w->SetCurrentDirectory(TestFolderName(), 1));
    ASSERT_TRUE(w->UploadFile(MakeLocalFile("a.htm", "active"), "a.htm"));
    EXPECT_EQ(ReadWholeFile(WebPath("a.htm")), "active");
}

TEST_F(PlainFtpTest, ShortWebsiteReplyIsAFailedDownload)
{
    const std::string content(300, 'c');
    ASSERT_TRUE(folder.Write("unused", "") != "");
    FILE* f = std::fopen(WebPath("page.short").c_str(), "wb");
    std::fwrite(content.data(), 1, content.size(), f);
    std::fclose(f);
    auto w = MakeWorker();
    ASSERT_TRUE(w->Login());
    ASSERT_TRUE(w->SetCurrentDirectory(TestFolderName(), 1));
    std::vector<char> bytes{'x'};
    EXPECT_FALSE(w->DownloadFile(bytes, "page.short"));
    EXPECT_TRUE(bytes.empty());
    ASSERT_EQ(prompter.Texts().size(), 1u);
    EXPECT_NE(LogText().find("CFTPWorker::DownloadFile:"), std::string::npos);
}

class FtpsTest : public TransferTest {
protected:
    void SetUp() override
    {
        TransferTest::SetUp();
        UseProtocol(PROTOCOL_FTPS);
    }
    // A stand-in for curl that records how the netrc file looked while it
    // ran, then runs the real curl (or sleeps, to be cancelled).
    std::string FakeCurl(bool sleepInstead)
    {
        const std::string record = folder.File("netrc-seen");
        const std::string script = folder.Write(
            "fakecurl",
            "#!/bin/sh\n"
            "prev=\n"
            "for a in \"$@\"; do\n"
            "  if [ \"$prev\" = --netrc-file ]; then stat -c %a \"$a\" > '" + record + ".mode'; cp \"$a\" '" +
                record + ".copy'; echo \"$a\" > '" + record + ".path'; fi\n"
            "  prev=$a\n"
            "done\n" +
                (sleepInstead ? "exec sleep 30\n" : "exec curl \"$@\"\n"));
        ::chmod(script.c_str(), 0755);
        return script;
    }
};

TEST_F(FtpsTest, NetrcFileIsPrivateQuotedAndGoneAfterTheRun)
{
    auto w = MakeWorker();
    w->SetCurlProgram(FakeCurl(false));
    ASSERT_TRUE(w->Login());
    ASSERT_TRUE(w->SetCurrentDirectory(TestFolderName(), 1));
    ASSERT_TRUE(w->UploadFile(MakeLocalFile("a.htm", "tls"), "a.htm"));
    EXPECT_EQ(ReadWholeFile(WebPath("a.htm")), "tls");
    EXPECT_EQ(Trim(ReadWholeFile(folder.File("netrc-seen.mode"))), "600");
    EXPECT_EQ(ReadWholeFile(folder.File("netrc-seen.copy")), FormatNetrc("127.0.0.1", kUser, kPassword));
    EXPECT_FALSE(PathExists(Trim(ReadWholeFile(folder.File("netrc-seen.path")))));
    EXPECT_TRUE(NoNetrcLeft());
}

TEST_F(FtpsTest, NetrcGoneAfterACancelAndAFailedRun)
{
    // Quits once the stand-in has seen the netrc file.
    struct QuittingFrame : CRecordingStatusSink {
        std::string seen;
        bool PumpMessages() override { return !PathExists(seen); }
    } quitting;
    quitting.seen = folder.File("netrc-seen.path");
    auto w = MakeWorker();
    w->SetCurlProgram(FakeCurl(true));
    ASSERT_TRUE(w->Login());
    app->SetMainFrame(&quitting);
    EXPECT_FALSE(w->UploadFile(MakeLocalFile("a.htm", "x"), "a.htm"));
    app->SetMainFrame(&frame);
    EXPECT_TRUE(PathExists(folder.File("netrc-seen.copy")));  // it was there while curl ran
    EXPECT_TRUE(NoNetrcLeft());

    Ftp().m_strPort[1] = std::to_string(loopback::PickFreePort());
    w->SetCurlProgram("curl");
    EXPECT_FALSE(w->UploadFile(MakeLocalFile("a.htm", "x"), "a.htm"));
    EXPECT_NE(w->GetTranscript().find("curl has exited with code 7"), std::string::npos) << w->GetTranscript();
    EXPECT_TRUE(NoNetrcLeft());
}

TEST_F(FtpsTest, UnwritableNetrcFailsWithoutRunningCurl)
{
    ::setenv("TMPDIR", (tempDir + "/missing").c_str(), 1);
    ChildWatcher watcher;
    auto w = MakeWorker();
    ASSERT_TRUE(w->Login());
    EXPECT_FALSE(w->UploadFile(MakeLocalFile("a.htm", "x"), "a.htm"));
    ::setenv("TMPDIR", tempDir.c_str(), 1);
    ASSERT_EQ(prompter.Texts().size(), 1u);
    EXPECT_NE(LogText().find("CSecretFile::WriteNetrc"), std::string::npos);
    for (const auto& line : watcher.CommandLines())
        EXPECT_EQ(line.find(" curl "), std::string::npos) << line;
    EXPECT_FALSE(PathExists(WebPath("a.htm")));
}

TEST_F(FtpsTest, VerboseCurlShowsTheLoginMasked)
{
    Ftp().m_strParameters[1] += " -v";
    auto w = MakeWorker();
    ASSERT_TRUE(w->Login());
    ASSERT_TRUE(w->SetCurrentDirectory(TestFolderName(), 1));
    ASSERT_TRUE(w->UploadFile(MakeLocalFile("a.htm", "v"), "a.htm"));
    const std::string& t = w->GetTranscript();
    EXPECT_NE(t.find("> PASS ********\r\n"), std::string::npos) << t;
    EXPECT_EQ(t.find("pa ss"), std::string::npos);
    EXPECT_NE(t.find("curl has exited with code 0"), std::string::npos);
}

class SftpTest : public TransferTest {
protected:
    void SetUp() override
    {
        TransferTest::SetUp();
        UseProtocol(PROTOCOL_SFTP);
    }
};

TEST_F(SftpTest, BatchHoldsOnlyTheNeededLinesEscaped)
{
    ::mkdir(WebPath("2024").c_str(), 0777);
    folder.Write("unused", "");
    FILE* f = std::fopen(WebPath("2024/old.htm").c_str(), "wb");
    std::fputs("old", f);
    std::fclose(f);
    auto w = MakeWorker();
    ASSERT_TRUE(w->Login());
    ASSERT_TRUE(w->SetCurrentDirectory(TestFolderName(), 1));
    const std::string local = MakeLocalFile("new \"page\".htm", "new");
    ASSERT_TRUE(w->UploadFile(local, "2024\\old.htm"));
    EXPECT_EQ(ReadWholeFile(WebPath("2024/old.htm")), "new");
    const std::string cd = "cd \"" + LoopbackSite::Get().www + "/" + TestFolderName() + "\"\n";
    const std::string put = "put " + CFTPWorker::QuotePath(local) + " \"2024/old.htm\"\n";
    // The website answers a folder without "/" with a redirect, so the
    // folder line stays, with "-" so an existing folder does no harm.
    EXPECT_EQ(NewestBatch(tempDir), cd + "-mkdir \"2024\"\nrm \"2024/old.htm\"\n" + put);

    ASSERT_TRUE(w->UploadFile(local, "fresh.htm"));
    EXPECT_EQ(NewestBatch(tempDir), cd + "put " + CFTPWorker::QuotePath(local) + " \"fresh.htm\"\n");
}

TEST_F(SftpTest, UploadFailsWhenTheWebsiteCannotBeAsked)
{
    auto w = MakeWorker();
    w->SetWebProbeBase("http://127.0.0.1:" + std::to_string(loopback::PickFreePort()));
    ASSERT_TRUE(w->Login());
    ASSERT_TRUE(w->SetCurrentDirectory(TestFolderName(), 1));
    EXPECT_FALSE(w->UploadFile(MakeLocalFile("a.htm", "x"), "a.htm"));  // reported, not thrown
    ASSERT_EQ(prompter.Texts().size(), 1u);
    EXPECT_NE(LogText().find("WebPathExists"), std::string::npos);
}

// A server that dies while a 64 MiB upload runs: the upload fails and
// nothing claims success.
class ServerKilledTest : public TransferTest, public ::testing::WithParamInterface<int> {};

TEST_P(ServerKilledTest, UploadFails)
{
    const int64_t size = int64_t(64) << 20;
    const std::string local = MakeSparseFile("big.bin", size);
    // Under a heavy load the upload may end before the kill lands; such a
    // round proves nothing and is run again.
    int valid = 0;
    for (int round = 0; round < 5 && valid == 0; ++round) {
        LoopbackSite& site = LoopbackSite::Get();
        const std::string root = folder.File("dying" + std::to_string(round));
        ::mkdir(root.c_str(), 0755);
        ::mkdir((root + "/www").c_str(), 0755);
        loopback::CFtpServer ftp;
        loopback::CSshServer ssh;
        UseProtocol(GetParam());
        Ftp().m_strDirectory = GetParam() == PROTOCOL_SFTP ? root + "/www" : "www";
        loopback::CServerProcess* server = nullptr;
        if (GetParam() == PROTOCOL_SFTP) {
            ASSERT_TRUE(ssh.Start(folder.File("ssh" + std::to_string(round)), folder.File("sshd2.log")));
            Ftp().m_strPort[2] = std::to_string(ssh.Port());
            Ftp().m_strParameters[2] = ReplaceAll(Ftp().m_strParameters[2], site.Ssh().dir, ssh.dir);
            server = &ssh;
        } else {
            ASSERT_TRUE(ftp.Start(root, kUser, kPassword,
                                  GetParam() == PROTOCOL_FTPS ? site.certDir + "/both.pem" : "",
                                  folder.File("ftp2.log")));
            Ftp().m_strPort[GetParam()] = std::to_string(ftp.Port());
            server = &ftp;
        }
        const std::string target = root + "/www/big.bin";
        std::atomic<bool> stop{false};
        std::atomic<int64_t> sizeAtKill{-1};
        std::thread killer([&] {
            while (!stop && !PathExists(target))
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            if (!stop) {
                server->Kill();
                sizeAtKill = FileSize(target);
            }
        });
        auto w = MakeWorker();
        const bool ok = w->Login() && w->UploadFile(local, "big.bin");
        stop = true;
        killer.join();
        if (sizeAtKill >= 0 && sizeAtKill < size) {
            ++valid;
            EXPECT_FALSE(ok) << "round " << round;
        }
        EXPECT_TRUE(NoNetrcLeft());
    }
    EXPECT_EQ(valid, 1);
}

INSTANTIATE_TEST_SUITE_P(Protocols, ServerKilledTest, ::testing::Values(0, 1, 2),
                         [](const ::testing::TestParamInfo<int>& i) { return std::string(GetProtocolName(i.param)); });
