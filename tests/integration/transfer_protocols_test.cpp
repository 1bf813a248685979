// The FTP worker against real servers, the same cases for every protocol:
// plain FTP (libcurl), FTPS (curl program), SFTP (sftp program).
#include <algorithm>
#include <fcntl.h>
#include <unistd.h>
#include <set>
#include <tuple>

#include "app/path_helpers.h"
#include "app/text_helpers.h"
#include "transfer/ftp_connection.h"
#include "transfer/qm_file_find.h"
#include "transfer_fixture.h"

namespace {

std::string ProtocolName(const ::testing::TestParamInfo<int>& info)
{
    return GetProtocolName(info.param);
}

struct Listed {
    std::string folder, name;
    bool directory;
    bool operator<(const Listed& o) const { return std::tie(folder, name) < std::tie(o.folder, o.name); }
    friend void PrintTo(const Listed& l, std::ostream* os)
    {
        *os << "{" << l.folder << "|" << l.name << "|" << l.directory << "}";
    }
    bool operator==(const Listed& o) const
    {
        return folder == o.folder && name == o.name && directory == o.directory;
    }
};

}  // namespace

class ProtocolTest : public TransferTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override
    {
        TransferTest::SetUp();
        UseProtocol(GetParam());
    }
    // Logs in and goes to the test's folder (web-visible).
    std::unique_ptr<CFTPWorker> LoggedIn()
    {
        auto w = MakeWorker();
        EXPECT_TRUE(w->Login());
        EXPECT_TRUE(w->SetCurrentDirectory(TestFolderName(), 1));
        return w;
    }
    bool IsSftp() const { return GetParam() == PROTOCOL_SFTP; }
    bool Upload(CFTPWorker& w, const std::string& bytes, const std::string& remote)
    {
        return w.UploadFile(MakeLocalFile("up.bin", bytes), remote);
    }
};

TEST_P(ProtocolTest, UploadReplaceRenameDeleteListAndDownload)
{
    ChildWatcher watcher;
    auto w = LoggedIn();
    const std::string name = "2024\\05\\page #1 \xC3\xA9t\xC3\xA9.htm";  // new year and month folders
    ASSERT_TRUE(Upload(*w, "first version", name));
    EXPECT_EQ(ReadWholeFile(WebPath("2024/05/page #1 \xC3\xA9t\xC3\xA9.htm")), "first version");

    // Replace, and a zero-byte file beside it.
    ASSERT_TRUE(Upload(*w, "second, longer version", name));
    EXPECT_EQ(ReadWholeFile(WebPath("2024/05/page #1 \xC3\xA9t\xC3\xA9.htm")), "second, longer version");
    ASSERT_TRUE(Upload(*w, "", "2024/05/empty file.txt"));
    EXPECT_EQ(FileSize(WebPath("2024/05/empty file.txt")), 0);
    ASSERT_TRUE(Upload(*w, "companion", "2024/05/page_files/img.txt"));
    ASSERT_TRUE(Upload(*w, "top", "top.htm"));

    // Over HTTP from the website, relative to the web-visible folder.
    std::vector<char> bytes;
    ASSERT_TRUE(w->DownloadFile(bytes, "2024/05/page #1 \xC3\xA9t\xC3\xA9.htm"));
    EXPECT_EQ(std::string(bytes.data()), "second, longer version");
    EXPECT_EQ(bytes.size(), std::string("second, longer version").size() + 1);
    ASSERT_TRUE(w->DownloadFile(bytes, "2024/05/empty file.txt"));
    EXPECT_EQ(bytes.size(), 1u);
    EXPECT_FALSE(w->DownloadFile(bytes, "2024/05/missing.htm"));

    // The walk: top first, then each folder; "_files" folders never.
    std::set<Listed> listed;
    ASSERT_TRUE(w->EnumerateFiles([&](CFTPWorker&, CQmFileFind& f, const std::string& folder) {
        listed.insert({folder, f.GetFileName(), f.IsDirectory()});
        return true;
    }));
    const std::set<Listed> expected{{"", "2024", true},
                                    {"", "top.htm", false},
                                    {"2024", "05", true},
                                    {"2024\\05", "page #1 \xC3\xA9t\xC3\xA9.htm", false},
                                    {"2024\\05", "empty file.txt", false}};
    EXPECT_EQ(listed, expected);

    ASSERT_TRUE(w->RenameFile("2024/05/page #1 \xC3\xA9t\xC3\xA9.htm", "2024/05/renamed #2.htm"));
    EXPECT_FALSE(PathExists(WebPath("2024/05/page #1 \xC3\xA9t\xC3\xA9.htm")));
    EXPECT_EQ(ReadWholeFile(WebPath("2024/05/renamed #2.htm")), "second, longer version");

    ASSERT_TRUE(w->DeleteFile("2024\\05\\renamed #2.htm"));
    EXPECT_FALSE(PathExists(WebPath("2024/05/renamed #2.htm")));
    EXPECT_FALSE(w->DeleteFile("2024/05/renamed #2.htm"));  // gone already
    EXPECT_NE(LogText().find("Remove=[2024/05/renamed #2.htm] status=[0x00000000]"), std::string::npos);

    // The test file of Upload a Test File.
    const std::string testFile = MakeLocalFile("QMt0001.txt", "Quillmark test file\n");
    if (IsSftp())
        ASSERT_TRUE(w->RunSftpCommand("put", testFile, "TestFile.txt", nullptr));
    else
        ASSERT_TRUE(w->UploadFile(testFile, "TestFile.txt"));
    EXPECT_EQ(ReadWholeFile(WebPath("TestFile.txt")), "Quillmark test file\n");

    w->Disconnect();
    EXPECT_TRUE(NoNetrcLeft());
    ExpectPasswordNowhere(*w, watcher);
    if (GetParam() == PROTOCOL_FTPS) {
        // The check above looked at real curl command lines.
        const auto lines = watcher.CommandLines();
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                                [](const std::string& l) { return l.find("--netrc-file") != std::string::npos; }));
    }
    EXPECT_TRUE(prompter.Texts().empty()) << prompter.Texts()[0];
}

TEST_P(ProtocolTest, WrongCredentialsFailAndTheNextLoginWorks)
{
    if (IsSftp()) {
        // Keys only: a key the server does not know.
        Ftp().m_strParameters[2] = ReplaceAll(Ftp().m_strParameters[2], "userkey", "otherkey");
    } else {
        app->SetFtpPassword("wrong " + kPassword);
    }
    auto w = MakeWorker();
    const std::string local = MakeLocalFile("a.htm", "x");
    if (GetParam() == PROTOCOL_FTP) {
        EXPECT_FALSE(w->Login());
        EXPECT_FALSE(w->IsLoggedIn());
        EXPECT_EQ(w->GetConnection(), nullptr);
        ASSERT_FALSE(prompter.Texts().empty());
        EXPECT_EQ(frame.GetLastStatus(), "FTP: Login was unsuccessful: host=127.0.0.1 user=club");
    } else {
        ASSERT_TRUE(w->Login());  // nothing is contacted yet
        EXPECT_TRUE(w->SetCurrentDirectory(TestFolderName(), 1));
        EXPECT_FALSE(w->UploadFile(local, "a.htm"));
        EXPECT_FALSE(w->GetTranscript().empty());
    }
    EXPECT_FALSE(PathExists(WebPath("a.htm")));

    // Put right, the same worker logs in again.
    app->SetFtpPassword(kPassword);
    UseProtocol(GetParam());
    w->Disconnect();
    ASSERT_TRUE(w->Login());
    ASSERT_TRUE(w->SetCurrentDirectory(TestFolderName(), 1));
    EXPECT_TRUE(w->UploadFile(local, "a.htm"));
    EXPECT_TRUE(PathExists(WebPath("a.htm")));
    EXPECT_TRUE(NoNetrcLeft());
    EXPECT_EQ(w->GetTranscript().find("pa ss"), std::string::npos);
}

TEST_P(ProtocolTest, UnknownHostRefusedPortAndMissingFolderFail)
{
    const std::string local = MakeLocalFile("a.htm", "x");
    const auto tryUpload = [&](const char* what) {
        auto w = MakeWorker();
        const bool ok = w->Login() && w->UploadFile(local, "a.htm");
        EXPECT_FALSE(ok) << what;
        EXPECT_TRUE(NoNetrcLeft()) << what;
    };
    Ftp().m_strServer = "no-such-host.invalid";
    tryUpload("unknown host");
    UseProtocol(GetParam());
    Ftp().m_strPort[GetParam()] = std::to_string(loopback::PickFreePort());
    tryUpload("refused port");
    UseProtocol(GetParam());

    // A configured folder that does not exist.
    Ftp().m_strDirectory += "/no such folder";
    auto w = MakeWorker();
    if (GetParam() == PROTOCOL_FTP) {
        EXPECT_FALSE(w->Login());
        EXPECT_EQ(w->GetConnection(), nullptr);  // disconnected: a new login may follow
        EXPECT_NE(LogText().find("CFTPWorker::SetCurrentDirectory"), std::string::npos);
    } else {
        ASSERT_TRUE(w->Login());
        EXPECT_FALSE(w->DeleteFile("a.htm"));
        CQmFileFind finder(w.get());
        EXPECT_EQ(finder.FindFile("*"), 0);
    }
    UseProtocol(GetParam());
    w->Disconnect();
    ASSERT_TRUE(w->Login());
    ASSERT_TRUE(w->SetCurrentDirectory(TestFolderName(), 1));
    EXPECT_TRUE(w->UploadFile(local, "a.htm"));
}

TEST_P(ProtocolTest, NamesThatCannotBeSentAreRefused)
{
    auto w = LoggedIn();
    const std::string local = MakeLocalFile("a.htm", "x");
    EXPECT_FALSE(w->UploadFile(local, "evil\r\nDELE x.htm"));
    ASSERT_FALSE(prompter.Texts().empty());
    EXPECT_NE(prompter.Texts().back().find("line break"), std::string::npos);
    EXPECT_FALSE(w->DeleteFile("a\nb"));
    EXPECT_FALSE(w->RenameFile("a.htm", "b\r.htm"));
    // Quotes are names like any other; a backslash in a remote path is a
    // separator, in a local name a character.
    const std::string odd = MakeLocalFile("lo\\cal \"x\" #1.htm", "odd");
    ASSERT_TRUE(w->UploadFile(odd, "q\"uote and back\\sla\"sh.htm"));
    EXPECT_EQ(ReadWholeFile(WebPath("q\"uote and back/sla\"sh.htm")), "odd");
}

TEST_P(ProtocolTest, OneGibibyteFile)
{
    const int64_t size = int64_t(1) << 30;
    const std::string local = MakeSparseFile("big.bin", size);
    auto w = LoggedIn();
    ASSERT_TRUE(w->UploadFile(local, "big.bin"));
    EXPECT_EQ(FileSize(WebPath("big.bin")), size);
    const int fd = ::open(WebPath("big.bin").c_str(), O_RDONLY);
    char middle = 0, last = 0;
    EXPECT_EQ(::pread(fd, &middle, 1, size / 2), 1);
    EXPECT_EQ(::pread(fd, &last, 1, size - 1), 1);
    ::close(fd);
    EXPECT_EQ(middle, 'Q');
    EXPECT_EQ(last, 'Q');
    ::unlink(WebPath("big.bin").c_str());
}

TEST_P(ProtocolTest, CancelStopsTheTransferAndCleansUp)
{
    // A frame whose pump reports the quit request after a few rounds.
    struct QuittingFrame : CRecordingStatusSink {
        bool PumpMessages() override { return false; }
    } quitting;
    const int64_t size = int64_t(512) << 20;
    const std::string local = MakeSparseFile("big.bin", size);
    auto w = LoggedIn();
    app->SetMainFrame(&quitting);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(w->UploadFile(local, "big.bin"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_TRUE(NoNetrcLeft());
    EXPECT_TRUE(prompter.Texts().empty());  // a cancel is not an error
    EXPECT_NE(FileSize(WebPath("big.bin")), size);
    for (const auto& child : ChildWatcher::LiveChildren())  // curl or sftp ended and reaped
        EXPECT_TRUE(child.find(" curl ") == std::string::npos && child.find(" sftp ") == std::string::npos) << child;
    app->SetMainFrame(&frame);
}

INSTANTIATE_TEST_SUITE_P(Protocols, ProtocolTest, ::testing::Values(0, 1, 2), ProtocolName);
