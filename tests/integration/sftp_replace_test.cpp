// SFTP uploads against hosts of the releases clubs have (OpenSSH before 9.1,
// with and without a rename that replaces, one that refuses mode changes):
// whatever stands under a page's name is replaced and never written
// through, names a listing cannot carry never make the worker wrong, and
// what the server refuses costs no upload whose file arrived.
#include <sys/stat.h>
#include <unistd.h>

#include "platform/text_helpers.h"
#include "posting/command_table.h"
#include "posting/posting_commands.h"
#include "support/fault_guards.h"
#include "transfer/transfer_limits.h"
#include "transfer_fixture.h"

namespace {

struct FileState {
    bool regular = false, link = false, folder = false;
    ino_t inode = 0;
    unsigned mode = 0;
};

FileState StateOf(const std::string& path)
{
    struct stat st {};
    FileState state;
    if (::lstat(path.c_str(), &st) != 0)
        return state;
    state.regular = S_ISREG(st.st_mode);
    state.link = S_ISLNK(st.st_mode);
    state.folder = S_ISDIR(st.st_mode);
    state.inode = st.st_ino;
    state.mode = static_cast<unsigned>(st.st_mode & 07777);
    return state;
}

}  // namespace

class SftpHosts : public TransferTest, public ::testing::WithParamInterface<SshKind> {
protected:
    void SetUp() override
    {
        TransferTest::SetUp();
        UseSftpServer(GetParam());
    }
};

TEST_P(SftpHosts, WhateverStandsUnderTheNameIsReplacedNeverWrittenThrough)
{
    // Outside the FTP Directory: what a link under a page's name points at.
    const std::string outside = folder.Write("outside.htm", "keep me");
    ASSERT_EQ(::chmod(outside.c_str(), 0600), 0);
    const std::string outsideFolder = folder.File("outside-folder");
    ASSERT_EQ(::mkdir(outsideFolder.c_str(), 0700), 0);
    ASSERT_EQ(::mkdir(WebPath("results").c_str(), 0777), 0);
    WriteWebFile("results/page.htm", "old page");
    ASSERT_EQ(::symlink(outside.c_str(), WebPath("results/link.htm").c_str()), 0);
    ASSERT_EQ(::mkdir(WebPath("results/folder.htm").c_str(), 0777), 0);
    ASSERT_EQ(::symlink(outsideFolder.c_str(), WebPath("TestFile.txt").c_str()), 0);
    // Names that sftp's listing cannot carry: a line break that makes up a
    // line for a folder "nm" in sftp's order, one that makes up an echo, a
    // CR, a name that is not UTF-8, a leading blank.
    WriteWebFile("nl\ndrwxr-xr-x    ? 0        0            4096 Dec 10 08:50 nm", "odd");
    for (const char* odd : {"e\nsftp> -ls -lan", "cr\rx", "caf\xE9"})
        WriteWebFile(std::string("results/") + odd, "odd");
    WriteWebFile("results/ lead.htm", "old lead");
    const FileState oldPage = StateOf(WebPath("results/page.htm"));

    auto w = LoggedIn();
    // A page under the name: removed, not written over.
    ASSERT_TRUE(w->UploadFile(StagedPage("new page"), "results\\page.htm")) << w->GetTranscript();
    EXPECT_EQ(ReadWholeFile(WebPath("results/page.htm")), "new page");
    const FileState page = StateOf(WebPath("results/page.htm"));
    EXPECT_TRUE(page.regular);
    EXPECT_NE(page.inode, oldPage.inode) << "the old page was written over";
    EXPECT_EQ(page.mode, 0644u);
    // A link: replaced; what it pointed at keeps its bytes and its mode.
    ASSERT_TRUE(w->UploadFile(StagedPage("linked page"), "results\\link.htm")) << w->GetTranscript();
    EXPECT_TRUE(StateOf(WebPath("results/link.htm")).regular);
    EXPECT_EQ(ReadWholeFile(WebPath("results/link.htm")), "linked page");
    EXPECT_EQ(ReadWholeFile(outside), "keep me");
    EXPECT_EQ(StateOf(outside).mode, 0600u);
    // A page with a leading blank, and one into a folder that a made-up
    // line says stands.
    ASSERT_TRUE(w->UploadFile(StagedPage("new lead"), "results\\ lead.htm")) << w->GetTranscript();
    EXPECT_EQ(ReadWholeFile(WebPath("results/ lead.htm")), "new lead");
    ASSERT_TRUE(w->UploadFile(StagedPage("in nm"), "nm\\a.htm")) << w->GetTranscript();
    EXPECT_EQ(ReadWholeFile(WebPath("nm/a.htm")), "in nm");
    ASSERT_TRUE(w->UploadFile(StagedPage("below results"), "results\\2024\\a.htm")) << w->GetTranscript();
    EXPECT_EQ(ReadWholeFile(WebPath("results/2024/a.htm")), "below results");
    // Removed meanwhile by someone else: a page, and the folder it was in.
    ASSERT_TRUE(w->UploadFile(StagedPage("one"), "sub\\gone.htm"));
    ASSERT_EQ(::unlink(WebPath("sub/gone.htm").c_str()), 0);
    ASSERT_TRUE(w->UploadFile(StagedPage("two"), "sub\\gone.htm")) << w->GetTranscript();
    EXPECT_EQ(ReadWholeFile(WebPath("sub/gone.htm")), "two");
    ASSERT_EQ(::unlink(WebPath("sub/gone.htm").c_str()), 0);
    ASSERT_EQ(::rmdir(WebPath("sub").c_str()), 0);
    ASSERT_TRUE(w->UploadFile(StagedPage("three"), "sub\\gone.htm")) << w->GetTranscript();
    EXPECT_EQ(ReadWholeFile(WebPath("sub/gone.htm")), "three");
    EXPECT_TRUE(prompter.Texts().empty());

    // A folder under the name fails the upload plainly and stays as it was.
    EXPECT_FALSE(w->UploadFile(StagedPage("no place"), "results\\folder.htm"));
    ASSERT_EQ(prompter.Texts().size(), 1u);
    EXPECT_NE(prompter.Texts()[0].find("results/folder.htm"), std::string::npos) << prompter.Texts()[0];
    EXPECT_TRUE(StateOf(WebPath("results/folder.htm")).folder);
    w->Disconnect();

    // Upload a Test File does the same: the link to a folder is replaced,
    // and that folder keeps its mode.
    Ftp().m_strDirectory += "/" + TestFolderName();
    ASSERT_EQ(RunCommand(*app, CMD_HELP_UPLOAD_TEST_FILE), CommandRun::Done);
    EXPECT_TRUE(StateOf(WebPath("TestFile.txt")).regular);
    EXPECT_EQ(StateOf(WebPath("TestFile.txt")).mode, 0644u);
    EXPECT_EQ(StateOf(outsideFolder).mode, 0700u);
    EXPECT_TRUE(TempFilesBelow(testFolder).empty());
}

// A server that refuses mode changes: uploads succeed, staged files arrive
// readable by the web server all the same, and the refusal is said once.
TEST_P(SftpHosts, ARefusedChmodCostsNoUploadWhoseFileArrived)
{
    auto w = LoggedIn();
    for (const char* name : {"a.htm", "2024\\b.htm", "a.htm"})
        ASSERT_TRUE(w->UploadFile(StagedPage(name), name)) << name << "\n" << w->GetTranscript();
    EXPECT_EQ(StateOf(WebPath("a.htm")).mode, 0644u);
    EXPECT_EQ(StateOf(WebPath("2024/b.htm")).mode, 0644u);
    EXPECT_TRUE(prompter.Texts().empty());
    const bool refuses = GetParam() == SshKind::RefusesSetstat;
    EXPECT_EQ(Count(LogText(), "does not let file modes be changed"), refuses ? 1u : 0u) << LogText();
    EXPECT_EQ(w->GetTranscript().find("setstat"), std::string::npos) << w->GetTranscript();
}

INSTANTIATE_TEST_SUITE_P(Kinds, SftpHosts,
                         ::testing::Values(SshKind::Current, SshKind::Older, SshKind::OlderWithoutPosixRename,
                                           SshKind::RefusesSetstat),
                         [](const auto& info) { return std::string(SshKindName(info.param)); });

class SftpSteps : public TransferTest {
protected:
    void SetUp() override
    {
        TransferTest::SetUp();
        UseProtocol(PROTOCOL_SFTP);
    }
};

// A step larger than the pipe to sftp (64 KiB) goes in whole while sftp
// reads it, to a server that answers.
TEST_F(SftpSteps, AStepLargerThanThePipeRunsWhole)
{
    // A step whose tail was lost waits for an end that never comes: a bound
    // of the test's own fails it within seconds (the step takes well under
    // one).
    CTransferLimits limits;
    limits.requestMs = 5 * 1000;
    CTransferLimitsGuard guard(limits);
    auto w = LoggedIn();
    std::string cd;
    w->GetCurrentPath(cd, false);
    // Comment lines cost sftp no round trip; the command at the end does.
    std::string batch = cd;
    for (int line = 0; batch.size() < (100u << 10); ++line)
        batch += StrFormat("# a line of a long step, number %06d\n", line);
    batch += "mkdir \"d-last\"\n";
    ASSERT_TRUE(w->RunSftpBatch(batch, nullptr)) << w->GetTranscript();
    EXPECT_TRUE(StateOf(WebPath("d-last")).folder) << "the step's tail was lost";
}

// Only ssh's own words before the login say that a connection did not come
// about. The banner of a host is not ssh's, and neither is what sftp says
// of a failed command, which holds names: with the right key, a missing FTP
// Directory, and a missing file named like ssh's words, as the first step
// of a session and in a session that stands, are told as what they are.
TEST_F(SftpSteps, FailuresAfterTheLoginAreNotToldAsNoConnection)
{
    const std::string missing = folder.File("ssh: connect to host 10.9.9.9 port 22: Connection refused.htm");
    UseSftpServer(SshKind::Banner);
    Ftp().m_strDirectory = "/no/such/folder";
    auto gone = MakeWorker();
    ASSERT_TRUE(gone->Login());
    EXPECT_FALSE(gone->UploadFile(folder.Write("a.htm", "a"), "a.htm"));
    EXPECT_EQ(gone->GetLoginFailure(), nullptr);

    UseSftpServer(SshKind::Banner);
    auto first = LoggedIn();
    EXPECT_FALSE(first->UploadFile(missing, "b.htm"));
    EXPECT_EQ(first->GetLoginFailure(), nullptr) << "a new session's first step";

    auto w = LoggedIn();
    ASSERT_TRUE(w->UploadFile(folder.Write("b.htm", "b"), "b.htm")) << w->GetTranscript();
    EXPECT_FALSE(w->UploadFile(missing, "c.htm"));
    EXPECT_EQ(w->GetLoginFailure(), nullptr) << "a session that stands";
    ASSERT_EQ(prompter.Texts().size(), 3u);
    for (const std::string& box : prompter.Texts()) {
        EXPECT_EQ(box.find("could not connect"), std::string::npos) << box;
        EXPECT_EQ(box.find("BBBBBBBB"), std::string::npos) << box;
    }
    EXPECT_EQ(w->GetTranscript().find("BBBBBBBB"), std::string::npos);
}
