#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/path_helpers.h"
#include "platform/text_helpers.h"
#include "support/child_process.h"
#include "support/test_app.h"

namespace {

const char kAnother[] = "Another instance of Quillmark is already running";

}  // namespace

TEST_F(AppTest, OneInstanceHoldsTheInterlockUntilItEnds)
{
    const std::string path = dataDir + "/Interlock.txt";
    ASSERT_TRUE(app->AcquireSingleInstanceLock());
    const std::string mine = StrFormat("pid=%u\r\n", static_cast<unsigned>(::getpid()));
    EXPECT_EQ(ReadWholeFile(path), mine);

    // A second copy in another process is refused and leaves the file alone.
    {
        CChildProcess second(TestProgramPath("qm_instance"), {});
        std::string line;
        ASSERT_TRUE(second.ReadLine(line));
        EXPECT_EQ(line, std::string("box: ") + kAnother);
        const int status = second.Wait();
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 3);
    }
    EXPECT_EQ(ReadWholeFile(path), mine);

    // At exit the file is emptied but still held.
    app->ExitInstance();
    EXPECT_EQ(ReadWholeFile(path), "");
    CQuillmarkApp other;
    other.SetPrompter(&prompter);
    EXPECT_FALSE(other.AcquireSingleInstanceLock());
    EXPECT_EQ(prompter.LastText(), kAnother);
    EXPECT_EQ(prompter.LastShown().style & 0xF0, static_cast<unsigned>(MB_ICONERROR));
}

TEST_F(AppTest, AKilledHolderDoesNotBlockTheNextStart)
{
    CChildProcess holder(TestProgramPath("qm_instance"), {"hold"});
    std::string line;
    ASSERT_TRUE(holder.ReadLine(line));
    ASSERT_EQ(line, "locked");
    EXPECT_EQ(ReadWholeFile(dataDir + "/Interlock.txt"),
              StrFormat("pid=%u\r\n", static_cast<unsigned>(holder.Pid())));
    EXPECT_FALSE(app->AcquireSingleInstanceLock());

    holder.Kill(SIGKILL);
    const int status = holder.Wait();
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_TRUE(app->AcquireSingleInstanceLock());
    EXPECT_EQ(ReadWholeFile(dataDir + "/Interlock.txt"),
              StrFormat("pid=%u\r\n", static_cast<unsigned>(::getpid())));

    // After a normal exit of a copy the next one starts as well.
    app.reset();
    SetAppPtr(nullptr);
    CChildProcess next(TestProgramPath("qm_instance"), {});
    ASSERT_TRUE(next.ReadLine(line));
    EXPECT_EQ(line, "locked");
    EXPECT_EQ(WEXITSTATUS(next.Wait()), 0);
    EXPECT_EQ(ReadWholeFile(dataDir + "/Interlock.txt"), "");
}

TEST_F(AppTest, AnInterlockThatCannotBeOpenedIsReported)
{
    ASSERT_EQ(::mkdir((dataDir + "/Interlock.txt").c_str(), 0700), 0);
    EXPECT_FALSE(app->AcquireSingleInstanceLock());
    EXPECT_NE(LogText().find("]Operation=[Open " + dataDir + "/Interlock.txt]\n"), std::string::npos);
    EXPECT_EQ(prompter.LastText(), "Is a directory");

    // No data folder at all.
    ::setenv("QUILLMARK_DATA_DIR", (dataDir + "/Interlock.txt/x/y").c_str(), 1);
    ASSERT_EQ(::rmdir((dataDir + "/Interlock.txt").c_str()), 0);
    folder.Write("data/Interlock.txt", "");
    EXPECT_FALSE(app->AcquireSingleInstanceLock());
    EXPECT_NE(LogText().find("]Operation=[Get 'common app data' folder]\n"), std::string::npos);
}
