// The SFTP steps of one operation ride on one SSH connection: logins are
// read from the private sshd's log, the client processes from /proc.
#include <csignal>
#include <dirent.h>

#include "platform/private_folder.h"
#include "transfer/sftp_session.h"
#include "transfer_fixture.h"

namespace {

class SftpConnection : public TransferTest {
protected:
    void SetUp() override
    {
        TransferTest::SetUp();
        UseProtocol(PROTOCOL_SFTP);
        loginsBefore = SshLogins();
    }
    int NewLogins() const { return SshLogins() - loginsBefore; }
    // The records that running sessions keep in the private folder.
    static std::vector<std::string> SessionRecords()
    {
        std::vector<std::string> names;
        if (DIR* dir = ::opendir(PrivateTempFolder().c_str())) {
            while (dirent* e = ::readdir(dir)) {
                if (std::string(e->d_name).rfind(kSftpSessionRecordPrefix, 0) == 0)
                    names.push_back(e->d_name);
            }
            ::closedir(dir);
        }
        return names;
    }
    // The server side of every connection: the processes the sshd started.
    static void DropConnections()
    {
        const pid_t server = LoopbackSite::Get().Ssh().Pid();
        std::vector<pid_t> doomed{server};
        for (size_t i = 0; i < doomed.size(); ++i) {
            for (const auto& p : loopback::ListProcesses()) {
                if (p.ppid == doomed[i])
                    doomed.push_back(p.pid);
            }
        }
        for (size_t i = 1; i < doomed.size(); ++i)
            ::kill(doomed[i], SIGKILL);
    }
    int loginsBefore = 0;
};

}  // namespace

// Logins and logouts for each file, folders, deletes, a listing: all over
// one connection, which ends with the worker; a worker that does not keep
// connections ends it at each Disconnect.
TEST_F(SftpConnection, AnOperationLogsInOnceAndEndsItsConnection)
{
    {
        auto w = MakeWorker();
        w->KeepConnectionBetweenLogins();
        for (const char* name : {"a\\one.htm", "b\\two.htm", "three.htm"}) {
            ASSERT_TRUE(w->Login());
            ASSERT_TRUE(w->SetCurrentDirectory(TestFolderName(), 1));
            ASSERT_TRUE(w->UploadFile(folder.Write("p.htm", name), name)) << w->GetTranscript();
            w->Disconnect();
        }
        ASSERT_TRUE(w->Login());
        ASSERT_TRUE(w->SetCurrentDirectory(TestFolderName(), 1));
        EXPECT_TRUE(w->DeleteFile("three.htm"));
        std::string listing;
        ASSERT_TRUE(w->RunSftpCommandEx("ls -la", "a", &listing));
        EXPECT_NE(listing.find(" a/one.htm\n"), std::string::npos) << listing;
        EXPECT_FALSE(SftpProcesses().empty());
        EXPECT_EQ(SessionRecords().size(), 1u);
        // A folder an upload went into is not asked for or made again.
        for (const auto& batch : TempFiles("QMb"))
            ASSERT_EQ(::truncate(batch.c_str(), 0), 0);
        ASSERT_TRUE(w->UploadFile(folder.Write("p.htm", "seven"), "a\\seven.htm"));
        const auto batches = TempFiles("QMb");
        ASSERT_EQ(batches.size(), 1u);
        EXPECT_EQ(ReadWholeFile(batches[0]).find("mkdir"), std::string::npos) << ReadWholeFile(batches[0]);
        // A step in another folder, then one back in the first.
        ASSERT_TRUE(w->SetCurrentDirectory("a", 1));
        ASSERT_TRUE(w->UploadFile(folder.Write("p.htm", "five"), "five.htm"));
        w->Disconnect();
        ASSERT_TRUE(w->Login());
        ASSERT_TRUE(w->SetCurrentDirectory(TestFolderName(), 1));
        ASSERT_TRUE(w->UploadFile(folder.Write("p.htm", "six"), "six.htm"));
    }
    EXPECT_EQ(ReadWholeFile(WebPath("a/five.htm")), "five");
    EXPECT_EQ(ReadWholeFile(WebPath("a/seven.htm")), "seven");
    EXPECT_EQ(ReadWholeFile(WebPath("six.htm")), "six");
    EXPECT_EQ(ReadWholeFile(WebPath("a/one.htm")), "a\\one.htm");
    EXPECT_EQ(ReadWholeFile(WebPath("b/two.htm")), "b\\two.htm");
    EXPECT_FALSE(PathExists(WebPath("three.htm")));
    EXPECT_EQ(NewLogins(), 1);
    EXPECT_TRUE(SftpProcesses().empty());
    EXPECT_TRUE(SessionRecords().empty());

    auto w = LoggedIn();
    ASSERT_TRUE(w->UploadFile(folder.Write("p.htm", "x"), "four.htm"));
    w->Disconnect();
    EXPECT_TRUE(SftpProcesses().empty());
    ASSERT_TRUE(w->Login());
    ASSERT_TRUE(w->SetCurrentDirectory(TestFolderName(), 1));
    ASSERT_TRUE(w->UploadFile(folder.Write("p.htm", "y"), "four.htm"));
    EXPECT_EQ(NewLogins(), 3);
}

// A failed command fails its own step only; a connection the server
// drops costs at most the step that found it gone, and the next step
// makes a new one.
TEST_F(SftpConnection, AFailedStepOrADroppedConnectionCostsThatStepOnly)
{
    auto w = MakeWorker();
    w->KeepConnectionBetweenLogins();
    ASSERT_TRUE(w->Login());
    ASSERT_TRUE(w->SetCurrentDirectory(TestFolderName(), 1));
    ASSERT_TRUE(w->UploadFile(folder.Write("p.htm", "1"), "one.htm"));
    EXPECT_FALSE(w->DeleteFile("not-there.htm"));
    ASSERT_TRUE(w->UploadFile(folder.Write("p.htm", "2"), "two.htm"));
    EXPECT_EQ(NewLogins(), 2) << "the failed delete ended its connection";

    DropConnections();
    const bool afterDrop = w->UploadFile(folder.Write("p.htm", "3"), "three.htm");
    ASSERT_TRUE(w->UploadFile(folder.Write("p.htm", "4"), "four.htm")) << w->GetTranscript();
    EXPECT_EQ(ReadWholeFile(WebPath("four.htm")), "4");
    EXPECT_EQ(PathExists(WebPath("three.htm")), afterDrop);
    if (!afterDrop) {
        EXPECT_NE(LogText().find("CFTPWorker::UploadFile: SFTP(put)"), std::string::npos);
        // sftp says "Connection closed" as when a login does not come
        // about; in a session that stood it is a failed step.
        EXPECT_EQ(w->GetLoginFailure(), nullptr);
    }
    EXPECT_EQ(NewLogins(), 3);
    EXPECT_EQ(ReadWholeFile(WebPath("one.htm")), "1");
    EXPECT_EQ(ReadWholeFile(WebPath("two.htm")), "2");
}

// Cancel in the middle of a step: the step fails, and neither sftp nor
// ssh nor the session's record is left, even while the worker lives on.
TEST_F(SftpConnection, CancelEndsTheConnectionAndLeavesNothing)
{
    auto w = LoggedIn();
    w->KeepConnectionBetweenLogins();
    ASSERT_TRUE(w->UploadFile(folder.Write("p.htm", "1"), "one.htm"));
    ASSERT_FALSE(SftpProcesses().empty());
    const std::string big = MakeSparseFile("big.bin", int64_t(256) << 20);
    ProgressFrame quitting;
    quitting.quit = [] { return !SftpProcesses().empty(); };
    app->SetMainFrame(&quitting);
    EXPECT_FALSE(w->UploadFile(big, "big.bin"));
    app->SetMainFrame(&frame);
    EXPECT_LT(FileSize(WebPath("big.bin")), int64_t(256) << 20);
    EXPECT_TRUE(SftpProcesses().empty());
    EXPECT_TRUE(SessionRecords().empty());
    EXPECT_EQ(NewLogins(), 1);
}
