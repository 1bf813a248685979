#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/app_folders.h"
#include "platform/path_helpers.h"
#include "platform/text_helpers.h"
#include "platform/exceptions.h"
#include "support/test_app.h"

TEST_F(AppTest, TempNamesAreUniqueOwnerOnlyAndDeletedAtExit)
{
    // Files of the same form already there (someone else's) stay as they
    // are: a new name is always one nobody has used.
    const std::string theirs = folder.Write("tmp/QMtAAAAAA.txt", "theirs");
    std::string a, b, secret;
    ASSERT_TRUE(app->GetTempFile("", "QMt", ".txt", a));
    ASSERT_TRUE(app->GetTempFile("", "QMt", "txt", b));
    for (const std::string& p : {a, b}) {
        EXPECT_EQ(p.rfind(tempDir + "/QMt", 0), 0u) << p;
        EXPECT_EQ(GetFileNameOnly(p).size(), std::string("QMtXXXXXX.txt").size()) << p;
        EXPECT_EQ(p.substr(p.size() - 4), ".txt") << "the dot is added where it is missing: " << p;
        EXPECT_NE(p, theirs);
    }
    EXPECT_NE(a, b);
    EXPECT_EQ(ReadWholeFile(theirs), "theirs");
    ASSERT_TRUE(app->GetTempFile("", "QMn", ".netrc", secret));
    struct stat st {};
    ASSERT_EQ(::stat(secret.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    const std::string dir = app->GetTempDirectory("QMm");
    EXPECT_EQ(dir.rfind(tempDir + "/QMm", 0), 0u) << dir;
    ASSERT_EQ(::stat(dir.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ::mkdir((dir + "/sub").c_str(), 0700);
    folder.Write("tmp/" + GetFileNameOnly(dir) + "/sub/deep.png", "x");
    // A link inside a temporary folder is removed, not followed.
    const std::string outside = folder.Write("keep.txt", "keep");
    ASSERT_EQ(::symlink(folder.Path().c_str(), (dir + "/link").c_str()), 0);
    app->DeleteTempPaths();
    for (const std::string& p : {a, b, secret, dir})
        EXPECT_FALSE(FileExists(p) || FolderExists(p)) << p;
    EXPECT_TRUE(FileExists(outside));
}

TEST_F(AppTest, TempNamesGiveUpWhenRefusedOrWithoutAFolder)
{
    const std::string full = folder.File("full");
    ::mkdir(full.c_str(), 0700);
    for (unsigned n = 0; n < 0x10000; ++n)
        ::close(::open(JoinPath(full, StrFormat("QMr%04X.htm", n)).c_str(), O_CREAT | O_WRONLY, 0600));
    // Names made in advance by someone else do not stop the program: its
    // own names are random, six letters or digits.
    std::string path, other;
    ASSERT_TRUE(app->GetTempFile(full, "QMr", ".htm", path));
    ASSERT_TRUE(app->GetTempFile(full, "QMr", ".htm", other));
    EXPECT_EQ(GetFileNameOnly(path).size(), std::string("QMrXXXXXX.htm").size()) << path;
    EXPECT_NE(path, other);
    const std::string dir = app->GetTempDirectory("QMm");
    EXPECT_EQ(GetFileNameOnly(dir).size(), std::string("QMmXXXXXX").size()) << dir;
    // A name the file system refuses (an extension from a template's URL
    // too long for a file name) gives up quietly, the path cleared.
    path = "x";
    EXPECT_FALSE(app->GetTempFile(full, "QMr", "." + std::string(300, 'h'), path));
    EXPECT_TRUE(path.empty());
    EXPECT_TRUE(prompter.Shown().empty());

    // A folder that cannot be used is reported under the operation name.
    ::setenv("TMPDIR", folder.File("nowhere").c_str(), 1);
    EXPECT_FALSE(app->GetTempFile("", "QMt", ".txt", path));
    EXPECT_NE(LogText().find("]Operation=[CQuillmarkApp::GetTempFile: GetTempPath]\n"), std::string::npos);
    EXPECT_THROW(app->GetTempDirectory("QMm"), CUserException);
    EXPECT_NE(LogText().find("]Operation=[CQuillmarkApp::GetTempDirectory: GetTempPath]\n"), std::string::npos);
}

TEST_F(AppTest, DataFolderFollowsTheEnvironment)
{
    std::string path;
    ::unsetenv("QUILLMARK_DATA_DIR");
    ::setenv("XDG_DATA_HOME", folder.File("xdg").c_str(), 1);
    EXPECT_FALSE(app->GetAppDataFolder(path, false));
    EXPECT_EQ(app->GetDataPath(false), "") << "no folder, no legacy path";
    ASSERT_TRUE(app->GetAppDataFolder(path, true));
    EXPECT_EQ(path, folder.File("xdg") + "/Ostervale/Quillmark");
    ::unsetenv("XDG_DATA_HOME");
    ::setenv("QUILLMARK_DATA_DIR", dataDir.c_str(), 1);

    // A file where a folder should be.
    path = folder.Path();
    folder.Write("afile", "");
    EXPECT_FALSE(AppendAndCreateFolder(path, "afile", true));
}

TEST_F(AppTest, StagingFolderIsChosenOnceAndKept)
{
    ::mkdir((dataDir + "/Staging1").c_str(), 0700);
    ::mkdir((dataDir + "/Staging2").c_str(), 0700);
    EXPECT_EQ(app->GetStagingFolder(), dataDir + "/Staging3");
    EXPECT_EQ(app->Setup().m_strStagingFolder, "Staging3");
    EXPECT_TRUE(FolderExists(dataDir + "/Staging3"));

    // A name already held is used unchanged, and made again when deleted.
    app->Setup().m_strStagingFolder = "Staging9";
    EXPECT_EQ(app->GetStagingFolder(), dataDir + "/Staging9");
    ::rmdir((dataDir + "/Staging9").c_str());
    EXPECT_EQ(app->GetStagingFolder(), dataDir + "/Staging9");
    EXPECT_TRUE(FolderExists(dataDir + "/Staging9"));

    // A file in the way is a failure, told with its error code.
    folder.Write("data/Staging7", "");
    app->Setup().m_strStagingFolder = "Staging7";
    EXPECT_THROW(app->GetStagingFolder(), CUserException);
    EXPECT_EQ(prompter.LastText(), StrFormat("Cannot access staging directory (error code 0x%08X).", ENOTDIR));
    // A name that would lead out of the data folder is replaced.
    app->Setup().m_strStagingFolder = "../elsewhere";
    EXPECT_EQ(app->GetStagingFolder(), dataDir + "/Staging4");
}

// Without HOME the data folder falls back under the shared temporary folder:
// only a folder of this user's own, that others cannot write, is used there
// (or anywhere else).
TEST_F(AppTest, OnlyAFolderOfTheUsersOwnHoldsTheData)
{
    const char* oldHome = std::getenv("HOME");
    const std::string home = oldHome ? oldHome : "";
    ::unsetenv("HOME");
    ::unsetenv("XDG_DATA_HOME");
    ::unsetenv("QUILLMARK_DATA_DIR");
    const std::string mine = tempDir + "/Quillmark-" + std::to_string(::geteuid());
    ::mkdir(mine.c_str(), 0700);
    std::string path;
    struct Check {
        uid_t owner;
        mode_t mode;
        bool used;
    };
    for (const std::string& made : {mine, dataDir}) {
        SCOPED_TRACE(made);
        if (made == dataDir)
            ::setenv("QUILLMARK_DATA_DIR", dataDir.c_str(), 1);
        for (const Check& c : {Check{65534, 0700, false}, Check{::geteuid(), 0777, false},
                               Check{::geteuid(), 0700, true}}) {
            ASSERT_EQ(::chown(made.c_str(), c.owner, static_cast<gid_t>(-1)), 0);
            ASSERT_EQ(::chmod(made.c_str(), c.mode), 0);
            EXPECT_EQ(app->GetAppDataFolder(path, true), c.used) << c.owner << " " << std::oct << c.mode;
        }
    }
    EXPECT_EQ(path, dataDir);
    ::unsetenv("QUILLMARK_DATA_DIR");
    ASSERT_TRUE(app->GetAppDataFolder(path, true));
    EXPECT_EQ(path, mine + "/Ostervale/Quillmark");
    EXPECT_EQ(UserBaseFolder("XDG_CONFIG_HOME", ".config"), mine);
    if (!home.empty())
        ::setenv("HOME", home.c_str(), 1);
    ::setenv("QUILLMARK_DATA_DIR", dataDir.c_str(), 1);
}
