// A run killed in the middle of an FTPS upload leaves its netrc file and
// temporary files behind; the next start removes them, but never those of a
// run that still runs.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "platform/path_helpers.h"
#include "platform/private_folder.h"
#include "support/child_process.h"
#include "support/test_app.h"
#include "transfer/ftp_worker.h"
#include "transfer/process_runner.h"

namespace {

const char kLeftPassword[] = "Sw0rdfish-left-behind";

// Runs and is not a zombie.
bool Alive(pid_t pid)
{
    const std::string stat = ReadWholeFile("/proc/" + std::to_string(pid) + "/stat");
    const size_t close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z';
}

bool WaitFor(const std::function<bool()>& done)
{
    for (int i = 0; i < 500; ++i) {
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return done();
}

// Every regular file under folder whose bytes hold text.
void FilesHolding(const std::string& folder, const std::string& text, std::vector<std::string>& found)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    while (dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string path = JoinPath(folder, name);
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0)
            continue;
        if (S_ISDIR(st.st_mode))
            FilesHolding(path, text, found);
        else if (S_ISREG(st.st_mode) && ReadWholeFile(path).find(text) != std::string::npos)
            found.push_back(path);
    }
    ::closedir(dir);
}

class LeftoverSweep : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        ::setenv("QM_TEST_PASSWORD", kLeftPassword, 1);
        // A curl that tells it has started and then hangs, so that the
        // upload is under way when the run is killed.
        fakeCurl = folder.Write("fakecurl", "#!/bin/sh\necho $$ > '" + folder.File("curl.pid") + "'\nexec sleep 60\n");
        ::chmod(fakeCurl.c_str(), 0755);
    }
    void TearDown() override
    {
        ::unsetenv("QM_TEST_PASSWORD");
        AppTest::TearDown();
    }
    // Starts an upload in a child and waits until curl runs.
    std::unique_ptr<CChildProcess> UploadUnderWay()
    {
        ::unlink(folder.File("curl.pid").c_str());
        auto child = std::make_unique<CChildProcess>(TestProgramPath("qm_ftps_upload"),
                                                     std::vector<std::string>{fakeCurl, "990"});
        std::string line;
        EXPECT_TRUE(child->ReadLine(line));
        EXPECT_EQ(line, "swept");
        for (int i = 0; i < 500 && ReadWholeFile(folder.File("curl.pid")).empty(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return child;
    }
    void KillCurl()
    {
        const int pid = std::atoi(ReadWholeFile(folder.File("curl.pid")).c_str());
        if (pid > 0)
            ::kill(pid, SIGKILL);
    }
    // A start of the program on data folder data.
    void Start(const std::string& data)
    {
        ::setenv("QUILLMARK_DATA_DIR", data.c_str(), 1);
        CChildProcess start(TestProgramPath("qm_ftps_upload"), {});
        std::string line;
        EXPECT_TRUE(start.ReadLine(line));
        EXPECT_EQ(line, "swept");
        start.Wait();
        ::setenv("QUILLMARK_DATA_DIR", dataDir.c_str(), 1);
    }
    std::vector<std::string> Holding()
    {
        std::vector<std::string> found;
        FilesHolding(tempDir, kLeftPassword, found);
        FilesHolding(dataDir, kLeftPassword, found);
        return found;
    }
    std::vector<std::string> Names(const std::string& prefix)
    {
        std::vector<std::string> names;
        if (DIR* dir = ::opendir(tempDir.c_str())) {
            while (dirent* e = ::readdir(dir)) {
                if (std::string(e->d_name).rfind(prefix, 0) == 0)
                    names.push_back(e->d_name);
            }
            ::closedir(dir);
        }
        return names;
    }
    std::string fakeCurl;
};

}  // namespace

TEST_F(LeftoverSweep, AKilledUploadLeavesNoPasswordAfterTheNextStart)
{
    const std::string unrelated = folder.Write("tmp/QMtKEEP.txt", "not made by any run");
    auto child = UploadUnderWay();
    // Another start (another data folder) while that run still runs: its
    // files stay.
    ::mkdir(folder.File("data2").c_str(), 0700);
    Start(folder.File("data2"));
    ASSERT_EQ(Holding().size(), 1u) << "the running upload's netrc file";
    EXPECT_EQ(Names("QMt").size(), 2u);
    EXPECT_EQ(Names("QMm").size(), 1u);

    child->Kill(SIGKILL);
    child->Wait();
    KillCurl();
    ASSERT_EQ(Holding().size(), 1u) << "a killed run cannot clean up";
    Start(dataDir);
    EXPECT_EQ(Holding(), std::vector<std::string>{});
    EXPECT_EQ(Names("QMt"), std::vector<std::string>{"QMtKEEP.txt"}) << "only what a run made goes";
    EXPECT_EQ(Names("QMm"), std::vector<std::string>{});
    EXPECT_TRUE(FileExists(unrelated));
}

// A run killed while its sftp carried a step: an sftp that outlives it
// (this one does not end at the end of its input) is ended by the next
// start, with the program it started, and its record goes; another start
// while the run still runs leaves both alone.
TEST_F(LeftoverSweep, AnSftpLeftByAKilledRunEndsAtTheNextStart)
{
    ::mkdir(folder.File("bin").c_str(), 0700);
    const std::string pidFile = folder.File("sftp.pid");
    const std::string fakeSftp = folder.Write(
        "bin/sftp", "#!/bin/sh\ntrap '' HUP TERM\nsleep 60 &\necho $! > '" + pidFile + ".child'\necho $$ > '" +
                        pidFile + "'\nwhile :; do sleep 1; done\n");
    ::chmod(fakeSftp.c_str(), 0755);
    CChildProcess child(TestProgramPath("qm_sftp_step"), {fakeSftp});
    std::string line;
    ASSERT_TRUE(child.ReadLine(line));
    ASSERT_EQ(line, "swept");
    ASSERT_TRUE(WaitFor([&] { return !ReadWholeFile(pidFile).empty() && !ReadWholeFile(pidFile + ".child").empty(); }));
    const pid_t sftp = std::atoi(ReadWholeFile(pidFile).c_str());
    const pid_t grandchild = std::atoi(ReadWholeFile(pidFile + ".child").c_str());
    const std::string record = JoinPath(PrivateTempFolder(), "sftp-" + std::to_string(child.Pid()) + "-" +
                                                                 std::to_string(sftp));
    ASSERT_TRUE(WaitFor([&] { return FileExists(record); }));
    // The copy of a file that run was putting, named as its temporary file
    // on the server.
    const std::string copy = JoinPath(PrivateTempFolder(), std::string(kSftpCopyPrefix) + std::to_string(child.Pid()) +
                                                               "-0123456789abcdef.tmp");
    ASSERT_EQ(::close(::open(copy.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644)), 0);

    ::mkdir(folder.File("data2").c_str(), 0700);
    Start(folder.File("data2"));
    EXPECT_TRUE(Alive(sftp));
    EXPECT_TRUE(FileExists(record));
    EXPECT_TRUE(FileExists(copy)) << "the run still runs";

    child.Kill(SIGKILL);
    child.Wait();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ASSERT_TRUE(Alive(sftp)) << "outlives the killed run";
    Start(dataDir);
    EXPECT_TRUE(WaitFor([&] { return !Alive(sftp) && !Alive(grandchild); }));
    EXPECT_FALSE(FileExists(record));
    EXPECT_FALSE(FileExists(copy));
}

// The sweep ends only the sftp its record was made for: a real sftp
// leading its own group under a recorded number, but started at another
// time than the record holds (the number was reused) or with no time in
// the record, lives on.
TEST_F(LeftoverSweep, AnSftpUnderARecordedNumberEndsOnlyWhenItIsTheOneRecorded)
{
    // A server that never answers keeps the sftp waiting.
    const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof addr;
    ASSERT_EQ(::bind(server, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(server, 8), 0);
    ASSERT_EQ(::getsockname(server, reinterpret_cast<sockaddr*>(&addr), &length), 0);
    // A run that has ended.
    CChildProcess ended("/bin/true", {});
    ended.Wait();

    struct Case {
        const char* what;
        long long startOffset;  // added to the sftp's own start time; 0: its own
        bool timeInRecord;
        bool ends;
    };
    for (const Case& c : {Case{"another start time", 1, true, false}, Case{"no start time", 0, false, false},
                          Case{"its own start time", 0, true, true}}) {
        SCOPED_TRACE(c.what);
        CProcessRunner sftp(*app);  // its own process group, as the program starts it
        ASSERT_TRUE(sftp.Start({"sftp", "-F", "/dev/null", "-oBatchMode=yes", "-oConnectTimeout=60", "-P",
                                std::to_string(ntohs(addr.sin_port)), "nobody@127.0.0.1"},
                               {}, "sftp"));
        const pid_t pid = sftp.GetPid();
        std::string stat;
        ASSERT_TRUE(WaitFor([&] {
            stat = ReadWholeFile("/proc/" + std::to_string(pid) + "/stat");
            return stat.find("(sftp)") != std::string::npos;
        })) << stat;
        // Field 22, counted after the name.
        std::istringstream fields(stat.substr(stat.rfind(')') + 2));
        std::string field;
        for (int i = 3; i <= 22; ++i)
            fields >> field;
        const std::string record = JoinPath(PrivateTempFolder(), "sftp-" + std::to_string(ended.Pid()) + "-" +
                                                                     std::to_string(pid));
        const std::string text = c.timeInRecord ? std::to_string(std::stoll(field) + c.startOffset) + "\n" : "";
        folder.Write("record.tmp", text);
        ASSERT_EQ(::rename(folder.File("record.tmp").c_str(), record.c_str()), 0);

        Start(dataDir);
        EXPECT_FALSE(FileExists(record));
        if (c.ends) {
            EXPECT_TRUE(WaitFor([&] { return sftp.PollExit() == 0; }));
        } else {
            // It would be gone at once after a kill: a short look suffices.
            for (int i = 0; i < 25 && sftp.PollExit() == 1; ++i)
                sftp.WaitForActivity(20);
            EXPECT_EQ(sftp.PollExit(), 1) << "an sftp the record was not made for was ended";
        }
    }
    ::close(server);
}
