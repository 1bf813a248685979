// What belongs to one protocol: plain FTP's progress-bar upload, folders
// and modes; FTPS's netrc file; SFTP's batch.
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <regex>
#include <set>
#include <thread>
#include <tuple>
#include <unistd.h>
#include <sys/stat.h>

#include "platform/path_helpers.h"
#include "platform/private_folder.h"
#include "platform/text_helpers.h"
#include "transfer/ftp_connection.h"
#include "transfer/qm_file_find.h"
#include "transfer/secret_file.h"
#include "transfer_fixture.h"


template <int Protocol>
class OneProtocolTest : public TransferTest {
protected:
    void SetUp() override
    {
        TransferTest::SetUp();
        UseProtocol(Protocol);
    }
};
using PlainFtpTest = OneProtocolTest<PROTOCOL_FTP>;
using SftpTest = OneProtocolTest<PROTOCOL_SFTP>;

TEST_F(PlainFtpTest, ProgressBarUploadGoesThroughATemporaryName)
{
    ProgressFrame progress;
    app->SetMainFrame(&progress);
    app->m_bShowProgressBar = true;
    auto w = LoggedIn();
    const std::string bytes(3 << 20, 'p');
    ASSERT_TRUE(w->UploadFile(folder.Write("p.htm", bytes), "a\\b\\page.htm"));
    EXPECT_EQ(ReadWholeFile(WebPath("a/b/page.htm")), bytes);
    EXPECT_FALSE(PathExists(WebPath("a/b/qmupload.tmp")));
    ASSERT_GE(progress.shows.size(), 2u);
    EXPECT_EQ(progress.shows.front(), std::make_pair(3 << 20, 0));
    EXPECT_EQ(progress.shows.back(), std::make_pair(3 << 20, 3 << 20));
    EXPECT_EQ(progress.hides, 1);
    EXPECT_TRUE(progress.ShowedText("Connecting to server"));  // the session's callbacks reached the status bar

    // Cancelled from the progress bar: the old page stays as it was and the
    // temporary file is left behind.
    progress.cancelWhenDone = 1 << 20;
    EXPECT_FALSE(w->UploadFile(folder.Write("q.htm", std::string(64 << 20, 'q')), "a/b/page.htm"));
    EXPECT_EQ(ReadWholeFile(WebPath("a/b/page.htm")), bytes);
    EXPECT_TRUE(PathExists(WebPath("a/b/qmupload.tmp")));
    EXPECT_TRUE(prompter.Texts().empty());
    app->SetMainFrame(&frame);
}

TEST_F(PlainFtpTest, ActiveModeCommandsUseAbsolutePathsWhateverTheLastTransferLeft)
{
    Ftp().m_bActiveFtp = true;
    Ftp().m_strPort[0] = StrFormat("0x%x", LoopbackSite::Get().Ftp().Port());  // base 0: hexadecimal
    Ftp().m_strParameters[0] = "-4";
    auto w = LoggedIn();
    ASSERT_TRUE(w->UploadFile(folder.Write("g.htm", "top"), "g.htm"));
    ASSERT_TRUE(w->UploadFile(folder.Write("g2.htm", "deep"), "deep/deeper/g.htm"));
    // The last transfer went into deep/deeper; these name the test folder.
    ASSERT_TRUE(w->RenameFile("g.htm", "h.htm"));
    EXPECT_EQ(ReadWholeFile(WebPath("h.htm")), "top");
    ASSERT_TRUE(w->UploadFile(folder.Write("g3.htm", "again"), "deep/deeper/x.htm"));
    ASSERT_TRUE(w->DeleteFile("h.htm"));
    EXPECT_FALSE(PathExists(WebPath("h.htm")));
    ASSERT_TRUE(w->UploadFile(folder.Write("n.htm", "n"), "new/n.htm"));
    EXPECT_TRUE(PathExists(WebPath("new/n.htm")));
    EXPECT_FALSE(PathExists(WebPath("deep/deeper/new")));
    EXPECT_EQ(ReadWholeFile(WebPath("deep/deeper/g.htm")), "deep");
}

TEST_F(PlainFtpTest, ServerThatNeverStoresOverAFileGetsTheOldOneRemovedFirst)
{
    const std::string root = folder.File("strict");
    for (const std::string& dir : {root, root + "/www"})
        ::mkdir(dir.c_str(), 0755);
    loopback::CFtpServer strict;
    ASSERT_TRUE(strict.Start(root, kUser, kPassword, {}, folder.File("strict.log"), true));
    Ftp().m_strPort[0] = std::to_string(strict.Port());
    auto w = MakeWorker();
    ASSERT_TRUE(w->Login());
    ASSERT_TRUE(w->UploadFile(folder.Write("1.htm", "first version"), "a\\page.htm"));
    ASSERT_TRUE(w->UploadFile(folder.Write("2.htm", "second, longer version"), "a\\page.htm"));
    EXPECT_EQ(ReadWholeFile(root + "/www/a/page.htm"), "second, longer version");
    w->Disconnect();
    ASSERT_TRUE(w->Login());
    ASSERT_TRUE(w->UploadFile(folder.Write("3.htm", "third"), "a/page.htm"));
    EXPECT_EQ(ReadWholeFile(root + "/www/a/page.htm"), "third");
    EXPECT_TRUE(prompter.Texts().empty());

    // A refusal that removing cannot cure (a folder where a file is) fails
    // once, reported once, and leaves the file alone.
    EXPECT_FALSE(w->UploadFile(folder.Write("4.htm", "x"), "a/page.htm/x.htm"));
    EXPECT_EQ(prompter.Texts().size(), 1u);
    EXPECT_EQ(ReadWholeFile(root + "/www/a/page.htm"), "third");
    // The connection is still good.
    ASSERT_TRUE(w->UploadFile(folder.Write("5.htm", "fifth"), "a/page.htm"));
    EXPECT_EQ(ReadWholeFile(root + "/www/a/page.htm"), "fifth");
}

TEST_F(PlainFtpTest, ALoginTakesUpTheLastLoginsConnectionOnlyWhileItIsGood)
{
    const std::string root = folder.File("kept");
    for (const std::string& dir : {root, root + "/www", root + "/www/results"})
        ::mkdir(dir.c_str(), 0755);
    loopback::CFtpServer server;
    loopback::CFtpServer::Options options;
    options.sessionsFile = folder.File("sessions.txt");
    options.idleTimeoutSeconds = 1;
    ASSERT_TRUE(server.Start(root, kUser, kPassword, {}, folder.File("kept.log"), options));
    Ftp().m_strPort[0] = std::to_string(server.Port());
    auto count = [&](const std::string& word) {
        const std::string text = ReadWholeFile(options.sessionsFile);
        size_t n = 0;
        for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1))
            ++n;
        return n;
    };
    const std::string local = folder.Write("k.htm", "kept");
    auto post = [&](CFTPWorker& w, const std::string& name) {
        ASSERT_TRUE(w.Login());
        ASSERT_TRUE(w.SetCurrentDirectory("results", 1));
        ASSERT_TRUE(w.UploadFile(local, name));
        w.Disconnect();
    };
    {
        auto w = MakeWorker();
        w->KeepConnectionBetweenLogins();
        // Posting logs in and out for every file: one login on the server.
        post(*w, "a.htm");
        post(*w, "b.htm");
        post(*w, "c.htm");
        EXPECT_EQ(count("login"), 1u);
        EXPECT_EQ(ReadWholeFile(root + "/www/results/c.htm"), "kept");

        // The server closed the idle connection: a new one, no error.
        std::this_thread::sleep_for(std::chrono::milliseconds(2500));
        post(*w, "d.htm");
        EXPECT_EQ(count("login"), 2u);
        EXPECT_TRUE(prompter.Texts().empty());

        // A request that failed (one after which libcurl would keep the
        // connection): the next login starts afresh and checks its folders
        // again.
        ASSERT_TRUE(w->Login());
        std::string listing;
        EXPECT_FALSE(w->GetConnection()->List("missing", listing));
        w->Disconnect();
        for (const char* name : {"a.htm", "b.htm", "c.htm", "d.htm"})
            ::unlink((root + "/www/results/" + name).c_str());
        ASSERT_EQ(::rmdir((root + "/www/results").c_str()), 0);
        ASSERT_TRUE(w->Login());
        EXPECT_FALSE(w->SetCurrentDirectory("results", 1));
        w->Disconnect();
        EXPECT_EQ(count("login"), 3u);
        ::mkdir((root + "/www/results").c_str(), 0755);
        post(*w, "e.htm");
        EXPECT_EQ(count("login"), 4u);
    }
    // The worker has ended: nothing of it stays open on the server.
    for (int i = 0; i < 100 && count("closed") < 4; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(count("closed"), 4u);
    // Other operations log in afresh each time.
    auto w = MakeWorker();
    post(*w, "f.htm");
    post(*w, "g.htm");
    EXPECT_EQ(count("login"), 6u);
}

TEST_F(PlainFtpTest, ManySmallUploadsDoNotPause)
{
    // Each posted file is a few small uploads; libcurl left alone sometimes
    // sat out a one-second wait before opening the data connection.
    auto w = LoggedIn();
    const std::string local = folder.Write("small.htm", "small");
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 400; ++i)
        ASSERT_TRUE(w->UploadFile(local, StrFormat("small%d.htm", i % 4))) << i;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 4.0);  // some 0.3 s on this machine, whatever else it runs
    EXPECT_EQ(ReadWholeFile(WebPath("small3.htm")), "small");
}

TEST_F(PlainFtpTest, ShortWebsiteReplyIsAFailedDownload)
{
    WriteWebFile("page.short", std::string(300, 'c'));
    std::vector<char> bytes{'x'};
    EXPECT_FALSE(LoggedIn()->DownloadFile(bytes, "page.short"));
    EXPECT_TRUE(bytes.empty());
    ASSERT_EQ(prompter.Texts().size(), 1u);
    EXPECT_NE(LogText().find("CFTPWorker::DownloadFile:"), std::string::npos);
}

class FtpsTest : public OneProtocolTest<PROTOCOL_FTPS> {
protected:
    // A stand-in for curl that records the netrc file while it ran (mode,
    // copy, path, and a hard link that shows what became of its bytes),
    // then runs the real curl (or sleeps, to be cancelled).
    std::string FakeCurl(bool sleepInstead)
    {
        const std::string seen = folder.File("seen");
        const std::string script = folder.Write(
            "fakecurl", "#!/bin/sh\nprev=\nfor a in \"$@\"; do\n  if [ \"$prev\" = --netrc-file ]; then\n"
                        "    stat -c %a \"$a\" > '" + seen + ".mode'; cp \"$a\" '" + seen + ".copy'\n"
                        "    ln \"$a\" '" + seen + ".link'; echo \"$a\" > '" + seen + ".path'\n  fi\n"
                        "  prev=$a\ndone\n" + (sleepInstead ? "exec sleep 30\n" : "exec curl \"$@\"\n"));
        ::chmod(script.c_str(), 0755);
        return script;
    }
    std::string Seen(const char* what) { return ReadWholeFile(folder.File(std::string("seen.") + what)); }
    // The netrc file was there while curl ran and was zeroed in place.
    bool SeenZeroed() { return PathExists(folder.File("seen.link")) && Seen("link").empty(); }
};

TEST_F(FtpsTest, NetrcIsPrivateQuotedThenZeroedAndGoneAndTheLoginIsMasked)
{
    Ftp().m_strParameters[1] += " -v";
    auto w = MakeWorker();
    w->SetCurlProgram(FakeCurl(false));
    ASSERT_TRUE(w->Login());
    ASSERT_TRUE(w->SetCurrentDirectory(TestFolderName(), 1));
    ASSERT_TRUE(w->UploadFile(folder.Write("a.htm", "tls"), "a.htm"));
    EXPECT_EQ(ReadWholeFile(WebPath("a.htm")), "tls");  // the quoted password was read right
    EXPECT_EQ(Trim(Seen("mode")), "600");
    EXPECT_EQ(Seen("copy"), FormatNetrc("127.0.0.1", kUser, kPassword));
    EXPECT_TRUE(SeenZeroed());
    EXPECT_FALSE(PathExists(Trim(Seen("path"))));
    EXPECT_TRUE(NoNetrcLeft());
    const std::string& t = w->GetTranscript();
    EXPECT_NE(t.find("> PASS ********\r\n"), std::string::npos) << t;
    EXPECT_FALSE(HoldsPassword(t));
}

// The user's own curl configuration must not reach the program's runs: a
// .curlrc that turns off certificate checks or names another login.
TEST_F(FtpsTest, TheUsersCurlConfigurationIsIgnored)
{
    const std::string home = folder.File("home");
    ASSERT_EQ(::mkdir(home.c_str(), 0700), 0);
    std::vector<std::pair<std::string, std::string>> saved;
    for (const char* name : {"HOME", "CURL_HOME", "XDG_CONFIG_HOME"}) {
        const char* old = std::getenv(name);
        saved.emplace_back(name, old ? old : "");
        ::setenv(name, home.c_str(), 1);
    }
    const std::string trustingParameters = Ftp().m_strParameters[1];
    // Another login there: the setup's login is used all the same.
    folder.Write("home/.curlrc", "user = x:y\n");
    auto w = LoggedIn();
    const bool otherUserOk = w->UploadFile(folder.Write("a.htm", "trusted"), "a.htm");
    const std::string otherUserTranscript = w->GetTranscript();
    // No certificate checks there: the untrusted self-signed certificate
    // still stops the upload.
    folder.Write("home/.curlrc", "insecure\n");
    Ftp().m_strParameters[1].clear();
    auto unchecked = LoggedIn();
    const bool insecureOk = unchecked->UploadFile(folder.Write("b.htm", "untrusted"), "b.htm");
    Ftp().m_strParameters[1] = trustingParameters;
    for (const auto& [name, value] : saved) {
        if (value.empty())
            ::unsetenv(name.c_str());
        else
            ::setenv(name.c_str(), value.c_str(), 1);
    }
    EXPECT_TRUE(otherUserOk) << otherUserTranscript;
    EXPECT_EQ(ReadWholeFile(WebPath("a.htm")), "trusted");
    EXPECT_FALSE(insecureOk);
    EXPECT_FALSE(PathExists(WebPath("b.htm")));
    EXPECT_NE(unchecked->GetTranscript().find("curl has exited with code 60"), std::string::npos)
        << unchecked->GetTranscript();
}

TEST_F(FtpsTest, NetrcGoneAfterACancelAndAFailedRun)
{
    ProgressFrame quitting;
    quitting.quit = [&] { return PathExists(folder.File("seen.path")); };  // once the stand-in has the netrc file
    auto w = MakeWorker();
    w->SetCurlProgram(FakeCurl(true));
    ASSERT_TRUE(w->Login());
    app->SetMainFrame(&quitting);
    EXPECT_FALSE(w->UploadFile(folder.Write("a.htm", "x"), "a.htm"));
    app->SetMainFrame(&frame);
    EXPECT_TRUE(SeenZeroed());
    EXPECT_TRUE(NoNetrcLeft());

    Ftp().m_strPort[1] = std::to_string(loopback::PickFreePort());
    w->SetCurlProgram("curl");
    EXPECT_FALSE(w->UploadFile(folder.Write("a.htm", "x"), "a.htm"));
    EXPECT_NE(w->GetTranscript().find("curl has exited with code 7"), std::string::npos) << w->GetTranscript();
    EXPECT_TRUE(NoNetrcLeft());
}

TEST_F(FtpsTest, UnwritableNetrcFailsWithoutRunningCurl)
{
    ::setenv("TMPDIR", (tempDir + "/missing").c_str(), 1);
    ChildWatcher watcher;
    auto w = MakeWorker();
    ASSERT_TRUE(w->Login());
    EXPECT_FALSE(w->UploadFile(folder.Write("a.htm", "x"), "a.htm"));
    ::setenv("TMPDIR", tempDir.c_str(), 1);
    ASSERT_EQ(prompter.Texts().size(), 1u);
    EXPECT_NE(LogText().find("CSecretFile::WriteNetrc"), std::string::npos);
    for (const auto& line : watcher.CommandLines())
        EXPECT_EQ(line.find("curl"), std::string::npos) << line;
}

namespace {

// The lock of the application's list of temporary paths, which a new
// temporary file is added to right after it is made.
struct TempListLock : CQuillmarkApp {
    static std::mutex& Of(CQuillmarkApp& app) { return app.*(&TempListLock::m_tempMutex); }
};

}  // namespace

// Between making the batch file and writing it, its name is swapped for a
// link to another file: the batch must still go into the file that was
// made, never through the link.
TEST_F(SftpTest, TheBatchIsWrittenThroughTheDescriptorThatMadeIt)
{
    const std::string victim = folder.Write("victim.txt", "keep me\n");
    auto w = MakeWorker();
    w->SetSftpProgram("true");
    std::unique_lock<std::mutex> hold(TempListLock::Of(*app));  // the run waits right after making its file
    std::thread run([&] { w->RunSftpBatch("put a b\n", nullptr); });
    std::vector<std::string> made;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while ((made = TempFiles("QMb")).empty() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const bool swapped = !made.empty() && ::unlink(made[0].c_str()) == 0 && ::symlink(victim.c_str(), made[0].c_str()) == 0;
    hold.unlock();
    run.join();
    ASSERT_TRUE(swapped);
    EXPECT_EQ(ReadWholeFile(victim), "keep me\n");
}

// What exists is asked over the session's own connection, once per folder
// that holds one of the target's folders: the batch holds one listing step
// for those not seen yet, then only the needed lines, escaped, the file
// put under a name of its own and renamed over its target; a missing
// folder's listing is no error for the transcript.
TEST_F(SftpTest, BatchHoldsOnlyTheNeededLinesEscapedAndAFailedStepFails)
{
    ::mkdir(WebPath("2024").c_str(), 0777);
    WriteWebFile("2024/old.htm", "old");
    auto w = LoggedIn();
    const std::string local = folder.Write("new \"page\".htm", "new");
    ASSERT_TRUE(w->UploadFile(local, "2024\\old.htm"));
    EXPECT_EQ(ReadWholeFile(WebPath("2024/old.htm")), "new");
    // The session's batch file, emptied after each look: it then holds
    // the next steps alone. Each upload's own name is shown as ".qm-T.tmp";
    // no two uploads share one.
    const std::regex temporary(R"(\.qm-[0-9]+-[0-9a-f]{16}\.tmp)");
    std::set<std::string> names;
    size_t uploads = 0;
    const auto takeBatch = [&] {
        const auto files = TempFiles("QMb");
        EXPECT_EQ(files.size(), 1u);
        const std::string batch = files.empty() ? "" : ReadWholeFile(files[0]);
        for (const auto& f : files)
            EXPECT_EQ(::truncate(f.c_str(), 0), 0);
        for (auto at = std::sregex_iterator(batch.begin(), batch.end(), temporary); at != std::sregex_iterator(); ++at)
            names.insert(at->str());
        return std::regex_replace(batch, temporary, ".qm-T.tmp");
    };
    const std::string cd = "cd \"" + testFolder + "\"\n";
    const auto cdTo = [&](const std::string& folder) { return "cd \"" + testFolder + "/" + folder + "\"\n"; };
    const std::string put = "put -p " + CFTPWorker::QuotePath(JoinPath(PrivateTempFolder(), ".qm-T.tmp")) + "\n";
    const auto rename = [&](const std::string& name) {
        ++uploads;
        return "rename \".qm-T.tmp\" \"" + name + "\"\n";
    };
    // The first upload looks at the mode the file arrived with before it
    // takes the page's place; this server lets it be set, so the others go
    // in one step.
    EXPECT_EQ(takeBatch(), cd + "-ls -lan\n-ls -lan \"2024\"\n" + cdTo("2024") + put + "-ls -lan \".qm-T.tmp\"\n" +
                               cdTo("2024") + rename("old.htm"));
    // Known folders are not asked again; a new level below one is made
    // without asking (readable by all), and what this worker put there is
    // known.
    ASSERT_TRUE(w->UploadFile(local, "fresh.htm"));
    EXPECT_EQ(takeBatch(), cd + put + rename("fresh.htm"));
    for (const char* name : {"2024\\05\\a.htm", "2024\\05\\a.pdf", "2024\\05\\a.htm"})
        ASSERT_TRUE(w->UploadFile(local, name)) << name;
    const std::string made = cd + "-mkdir \"2024/05\"\n-chmod 755 \"2024/05\"\ncd \"2024/05\"\n";
    EXPECT_EQ(takeBatch(), made + put + rename("a.htm") + cdTo("2024/05") + put + rename("a.pdf") + cdTo("2024/05") +
                               put + rename("a.htm"));
    EXPECT_EQ(ReadWholeFile(WebPath("2024/05/a.htm")), "new");
    struct stat made05 {};
    ASSERT_EQ(::stat(WebPath("2024/05").c_str(), &made05), 0);
    EXPECT_EQ(made05.st_mode & 07777, 0755u);
    // A folder renamed is followed: what stood under its old name is gone.
    ASSERT_TRUE(w->RenameFile("2024/05", "2024/06"));
    takeBatch();
    ASSERT_TRUE(w->UploadFile(local, "2024\\05\\b.htm")) << w->GetTranscript();
    EXPECT_EQ(takeBatch(), made + put + rename("b.htm"));
    // Three new levels at once: made without asking, the missing ones quietly.
    ASSERT_TRUE(w->UploadFile(local, "x\\y\\z.htm"));
    ++uploads;
    EXPECT_EQ(ReadWholeFile(WebPath("x/y/z.htm")), "new");
    EXPECT_EQ(Count(takeBatch(), "-ls -lan"), 0u) << "the session's folder is known";
    EXPECT_EQ(w->GetTranscript().find("Can't ls"), std::string::npos) << w->GetTranscript();
    EXPECT_TRUE(TempFilesBelow(testFolder).empty());
    EXPECT_EQ(names.size(), uploads) << "a temporary name was used twice";

    // A step that fails (here the session's folder is gone) fails the
    // upload, reported, not thrown.
    ASSERT_TRUE(w->SetCurrentDirectory("not-there", 1));
    EXPECT_FALSE(w->UploadFile(local, "other.htm"));
    ASSERT_EQ(prompter.Texts().size(), 1u);
    EXPECT_NE(LogText().find("CFTPWorker::UploadFile: SFTP(put)"), std::string::npos);
    EXPECT_FALSE(PathExists(WebPath("not-there")));
}

// A step that fails part way has changed the server in ways the worker
// cannot know. The page it was to replace stays whole (the new one goes up
// under a name of its own first), and the next upload asks again.
TEST_F(SftpTest, AfterAStepFailsPartWayTheOldPageStandsAndTheNextUploadAsksAgain)
{
    auto w = LoggedIn();
    ASSERT_TRUE(w->UploadFile(folder.Write("page.htm", "first"), "2024\\page.htm"));
    const std::string notAFile = folder.File("a folder");
    ASSERT_EQ(::mkdir(notAFile.c_str(), 0700), 0);
    EXPECT_FALSE(w->UploadFile(notAFile, "2024\\page.htm"));
    EXPECT_EQ(ReadWholeFile(WebPath("2024/page.htm")), "first");
    ASSERT_EQ(::unlink(WebPath("2024/page.htm").c_str()), 0);
    ASSERT_EQ(::rmdir(WebPath("2024").c_str()), 0);
    EXPECT_TRUE(w->UploadFile(folder.Write("page.htm", "second"), "2024\\page.htm")) << w->GetTranscript();
    EXPECT_EQ(ReadWholeFile(WebPath("2024/page.htm")), "second");
    EXPECT_TRUE(TempFilesBelow(testFolder).empty());
}

// sftp's rm, mkdir, cd, ls and put read an argument that begins with "-"
// as options even in quotes: such names still reach the server as names.
TEST_F(SftpTest, NamesThatBeginWithADashAreNames)
{
    auto w = LoggedIn();
    const std::string local = folder.Write("-local.htm", "dash");
    ASSERT_TRUE(w->UploadFile(local, "-page.htm"));
    ASSERT_TRUE(w->UploadFile(folder.Write("other.htm", "again"), "-page.htm"));  // put under a temporary name, renamed over it
    EXPECT_EQ(ReadWholeFile(WebPath("-page.htm")), "again");
    ASSERT_TRUE(w->UploadFile(local, "-r\\-f.htm"));  // a new folder
    EXPECT_EQ(ReadWholeFile(WebPath("-r/-f.htm")), "dash");
    ASSERT_TRUE(w->RenameFile("-page.htm", "-moved.htm"));
    EXPECT_EQ(ReadWholeFile(WebPath("-moved.htm")), "again");

    std::set<std::tuple<std::string, std::string, bool>> listed;
    ASSERT_TRUE(w->EnumerateFiles([&](CFTPWorker&, CQmFileFind& f, const std::string& at) {
        if (!f.IsDots())
            listed.insert({at, f.GetFileName(), f.IsDirectory()});
        return true;
    }));
    const std::set<std::tuple<std::string, std::string, bool>> expected{
        {"", "-moved.htm", false}, {"", "-r", true}, {"-r", "-f.htm", false}};
    EXPECT_EQ(listed, expected);

    ASSERT_TRUE(w->DeleteFile("-moved.htm"));
    EXPECT_FALSE(PathExists(WebPath("-moved.htm")));
    EXPECT_TRUE(prompter.Texts().empty());
}
