// SFTP uploads against the servers clubs' hosts run, set up as hosts set
// them up: OpenSSH of several releases and umasks, ProFTPD's mod_sftp with
// and without overwriting and mode changes. On every one, nothing is
// written through a link, a page readable on the web stays readable, the
// folders made can be entered by the web server, nothing of the program's
// own is left behind, and what a server refuses is told plainly.
#include <csignal>
#include <dirent.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/private_folder.h"
#include "platform/text_helpers.h"
#include "transfer/ftp_worker.h"
#include "transfer/qm_file_find.h"
#include "transfer_fixture.h"

namespace {

unsigned ModeOf(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? static_cast<unsigned>(st.st_mode & 07777) : 0u;
}

bool IsLink(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool IsFolder(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// What a kind of host does with an upload.
enum class Outcome {
    Uploads,           // the page arrives, readable by all
    KeepsUnreadable,   // new files stay readable by their owner only: nothing is put in place
    RefusesPutsMode,   // the open that carries the file's mode is refused
};

Outcome OutcomeOf(SshKind kind)
{
    switch (kind) {
    case SshKind::Umask077RefusesSetstat: return Outcome::KeepsUnreadable;
    case SshKind::ProFtpdDeniesChmod: return Outcome::RefusesPutsMode;
    default: return Outcome::Uploads;
    }
}

// The copies SFTP uploads put, in the private temporary folder.
std::vector<std::string> CopiesLeft()
{
    std::vector<std::string> found;
    DIR* d = ::opendir(PrivateTempFolder().c_str());
    while (dirent* e = d ? ::readdir(d) : nullptr) {
        if (std::string(e->d_name).rfind(kSftpCopyPrefix, 0) == 0)
            found.push_back(e->d_name);
    }
    if (d)
        ::closedir(d);
    return found;
}

}  // namespace

class SftpClubHosts : public TransferTest, public ::testing::WithParamInterface<SshKind> {
protected:
    void SetUp() override
    {
        TransferTest::SetUp();
        UseSftpServer(GetParam());
    }
};

TEST_P(SftpClubHosts, PagesStayReadableAndNothingIsWrittenThroughALink)
{
    const Outcome outcome = OutcomeOf(GetParam());
    // Inside the account but outside the FTP Directory: what links under
    // pages' names point at, relatively and absolutely.
    const std::string site = LoopbackSite::Get().site;
    const std::string relative = site + "/outside-" + TestFolderName() + "-rel.htm";
    const std::string absolute = site + "/outside-" + TestFolderName() + "-abs.htm";
    for (const std::string& path : {relative, absolute}) {
        FILE* f = std::fopen(path.c_str(), "w");
        std::fputs("keep me", f);
        std::fclose(f);
        ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    }
    MakeWebFolder("results");
    WriteWebFile("results/page.htm", "old page");
    ASSERT_EQ(::chmod(WebPath("results/page.htm").c_str(), 0644), 0);
    ASSERT_EQ(::symlink(("../../../" + relative.substr(site.size() + 1)).c_str(), WebPath("results/rel.htm").c_str()), 0);
    ASSERT_EQ(::symlink(absolute.c_str(), WebPath("results/abs.htm").c_str()), 0);
    MakeWebFolder("results/folder.htm");
    MakeWebFolder("odd");
    WriteWebFile("odd/cr\rx", "odd");

    auto w = LoggedIn();
    const bool uploads = outcome == Outcome::Uploads;
    for (const char* name : {"results\\page.htm", "results\\rel.htm", "results\\abs.htm", "results\\2026\\09\\a.htm",
                             "results\\page.htm"}) {
        EXPECT_EQ(w->UploadFile(StagedPage(std::string("new ") + name), name), uploads) << name << "\n"
                                                                                    << w->GetTranscript();
    }
    // A page removed meanwhile by someone else.
    if (uploads) {
        ASSERT_EQ(::unlink(WebPath("results/page.htm").c_str()), 0);
        EXPECT_TRUE(w->UploadFile(StagedPage("again"), "results\\page.htm")) << w->GetTranscript();
        EXPECT_EQ(ReadWholeFile(WebPath("results/page.htm")), "again");
    }
    const size_t boxesBefore = prompter.Texts().size();
    // A folder under the name fails plainly and stays as it was.
    EXPECT_FALSE(w->UploadFile(StagedPage("no place"), "results\\folder.htm"));
    EXPECT_TRUE(IsFolder(WebPath("results/folder.htm")));
    ASSERT_EQ(prompter.Texts().size(), boxesBefore + 1);
    EXPECT_NE(prompter.Texts().back().find("results/folder.htm"), std::string::npos) << prompter.Texts().back();

    // The links' targets keep their bytes and modes on every host.
    for (const std::string& path : {relative, absolute}) {
        EXPECT_EQ(ReadWholeFile(path), "keep me") << path;
        EXPECT_EQ(ModeOf(path), 0600u) << path;
    }
    if (uploads) {
        for (const char* name : {"rel.htm", "abs.htm", "2026/09/a.htm"}) {
            EXPECT_FALSE(IsLink(WebPath(std::string("results/") + name))) << name;
            EXPECT_EQ(ReadWholeFile(WebPath(std::string("results/") + name)),
                      "new results\\" + ReplaceAll(name, "/", "\\"));
            EXPECT_EQ(ModeOf(WebPath(std::string("results/") + name)), 0644u) << name;
        }
        for (const char* made : {"results/2026", "results/2026/09"})
            EXPECT_EQ(ModeOf(WebPath(made)) & 0005, 0005u) << made << " cannot be entered by the web server";
        EXPECT_EQ(prompter.Texts().size(), 1u);
    } else {
        // The old page stands, readable as before; the links stand too.
        EXPECT_EQ(ReadWholeFile(WebPath("results/page.htm")), "old page");
        EXPECT_EQ(ModeOf(WebPath("results/page.htm")), 0644u);
        EXPECT_TRUE(IsLink(WebPath("results/rel.htm")));
        // One plain box that says why and what to ask the host, then the
        // folder's.
        ASSERT_EQ(prompter.Texts().size(), 2u);
        const std::string box = prompter.Texts()[0];
        EXPECT_NE(box.find(outcome == Outcome::KeepsUnreadable ? "readable only by their owner" : "with the mode"),
                  std::string::npos)
            << box;
        EXPECT_NE(box.find("Ask the host"), std::string::npos) << box;
    }
    // A folder made meanwhile by someone else where the listing said none
    // stood: made again quietly, and the page goes in.
    MakeWebFolder("late");
    EXPECT_EQ(w->UploadFile(StagedPage("late"), "late\\y.htm"), uploads) << w->GetTranscript();
    // A folder whose listing cannot be read for certain (a name with a CR)
    // is listed once, and what stands there is removed before the rename.
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(w->UploadFile(StagedPage("odd"), "odd\\x.htm"), uploads) << w->GetTranscript();
    EXPECT_TRUE(TempFilesBelow(testFolder).empty());
    // Nothing of the program's own stays here either: no copy it put.
    EXPECT_TRUE(CopiesLeft().empty());

    std::string batches;
    for (const std::string& record : TempFiles("QMb"))
        batches += ReadWholeFile(record);
    if (uploads) {  // (a failed step forgets what was listed)
        EXPECT_EQ(Count(batches, "-ls -lan \"odd\""), 1u) << batches;
    }
    // What the server does not do is asked once: a rename that replaces,
    // a mode set.
    const std::string transcript = w->GetTranscript();
    EXPECT_EQ(Count(transcript, "remote rename"), GetParam() == SshKind::OlderWithoutPosixRename ? 1u : 0u)
        << transcript;
    if (GetParam() == SshKind::RefusesSetstat || GetParam() == SshKind::Umask077RefusesSetstat) {
        EXPECT_EQ(Count(batches, "put -p"), 1u) << batches;
        EXPECT_EQ(Count(batches, "chmod"), 0u) << batches;
    }
    // Only what went wrong is shown: no folder that stood, no leftover
    // already gone, no refused mode.
    for (const char* answer : {"remote mkdir", "remote delete", "setstat"})
        EXPECT_EQ(transcript.find(answer), std::string::npos) << transcript;
}

// A put cut short (Cancel, a connection lost) leaves its temporary file on
// the server only until the next step, or the next run's first look at
// that folder.
// (The hosts where something arrives.)
class SftpCutShort : public SftpClubHosts {};

TEST_P(SftpCutShort, APutCutShortLeavesNothingAfterTheNextStepOrRun)
{
    const std::string big = MakeSparseFile("big.bin", int64_t(256) << 20);
    const auto cutShort = [&](CFTPWorker& w, bool cancel) {
        ProgressFrame cutting;
        cutting.quit = [&] {
            if (TempFilesBelow(testFolder).empty())
                return false;
            if (cancel)
                return true;
            // The ssh that sftp started carries the connection.
            for (const auto& sftp : SftpProcesses()) {
                for (const auto& p : loopback::ListProcesses()) {
                    if (p.ppid == sftp.pid)
                        ::kill(p.pid, SIGKILL);
                }
            }
            return false;
        };
        app->SetMainFrame(&cutting);
        EXPECT_FALSE(w.UploadFile(big, "big.bin"));
        app->SetMainFrame(&frame);
        EXPECT_FALSE(PathExists(WebPath("big.bin")));
    };
    for (const bool cancel : {true, false}) {
        SCOPED_TRACE(cancel ? "cancelled" : "connection lost");
        // The next step of the same worker.
        auto w = LoggedIn();
        cutShort(*w, cancel);
        ASSERT_FALSE(TempFilesBelow(testFolder).empty()) << "nothing was left to remove";
        ASSERT_TRUE(w->UploadFile(StagedPage("small"), "small.htm")) << w->GetTranscript();
        EXPECT_TRUE(TempFilesBelow(testFolder).empty());
        // The next run.
        cutShort(*w, cancel);
        w.reset();
        ASSERT_FALSE(TempFilesBelow(testFolder).empty());
        auto next = LoggedIn();
        ASSERT_TRUE(next->UploadFile(StagedPage("small"), "small.htm")) << next->GetTranscript();
        EXPECT_TRUE(TempFilesBelow(testFolder).empty());
        EXPECT_EQ(next->GetTranscript().find("remote delete"), std::string::npos) << next->GetTranscript();
    }
}

// The Index Website walk reads the same listings on every host, and a
// name holding a CR or a line break never makes up an entry.
TEST_P(SftpClubHosts, TheWalkReadsEveryHostAlikeAndOddNamesMakeNothingUp)
{
    MakeWebFolder("results");
    WriteWebFile("results/a.htm", "a");
    MakeWebFolder("results/2026");
    WriteWebFile("results/2026/b.htm", "b");
    ChildWatcher watcher;
    auto w = LoggedIn();
    std::set<std::string> seen;
    const auto walk = [&] {
        seen.clear();
        return w->EnumerateFiles([&](CFTPWorker&, CQmFileFind& f, const std::string& at) {
            if (!f.IsDots())
                seen.insert(at + "|" + f.GetFileName() + (f.IsDirectory() ? "/" : ""));
            return true;
        });
    };
    ASSERT_TRUE(walk()) << w->GetTranscript();
    EXPECT_EQ(seen, (std::set<std::string>{"|results/", "results|a.htm", "results|2026/", "results\\2026|b.htm"}));
    // A host that greets and then goes quiet holds ssh for ever unless it
    // probes: the sftp the walk ran asked for that (a host that stalls
    // shows it, in 45 s, in TestFileUpload).
    bool probes = false;
    for (const std::string& line : watcher.CommandLines()) {
        probes = probes || (line.rfind("sftp ", 0) == 0 && line.find("-oServerAliveInterval=") != std::string::npos &&
                            line.find("-oServerAliveCountMax=") != std::string::npos);
    }
    EXPECT_TRUE(probes);
    // A CR inside a name is a byte of it, and a line break is told for
    // what it may be: the walk fails plainly rather than take a made-up
    // folder line for an entry.
    WriteWebFile("results/cr\rx", "odd");
    WriteWebFile("results/nl\ndrwxr-xr-x    ? 0        0            4096 Dec 10 08:50 zz", "odd");
    prompter.Clear();
    EXPECT_FALSE(walk());
    EXPECT_EQ(seen.count("results|zz/"), 0u);
    EXPECT_EQ(seen.count("results\\zz|"), 0u);
    EXPECT_EQ(seen.count("results|crx"), 0u);
}

INSTANTIATE_TEST_SUITE_P(Kinds, SftpClubHosts,
                         ::testing::Values(SshKind::Current, SshKind::OlderWithoutPosixRename, SshKind::RefusesSetstat,
                                           SshKind::Umask077, SshKind::Umask077RefusesSetstat, SshKind::ProFtpd,
                                           SshKind::ProFtpdNoOverwrite, SshKind::ProFtpdDeniesChmod),
                         [](const auto& info) { return std::string(SshKindName(info.param)); });
INSTANTIATE_TEST_SUITE_P(Kinds, SftpCutShort,
                         ::testing::Values(SshKind::Current, SshKind::OlderWithoutPosixRename, SshKind::RefusesSetstat,
                                           SshKind::Umask077, SshKind::ProFtpd, SshKind::ProFtpdNoOverwrite),
                         [](const auto& info) { return std::string(SshKindName(info.param)); });
