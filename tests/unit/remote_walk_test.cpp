// The bounds of a walk over a remote folder tree: what a server lists
// decides which folders come next, so a broken or hostile one must not be
// able to keep the walk going.
#include <gtest/gtest.h>

#include "transfer/remote_walk.h"

namespace {

using Added = CRemoteWalk::Added;

}  // namespace

TEST(RemoteWalk, OneFolderUnderAnySpellingIsQueuedOnceAndNothingOutsideTheStart)
{
    CRemoteWalk walk;
    std::string folder;
    ASSERT_TRUE(walk.Next(folder));
    EXPECT_EQ(folder, "");
    EXPECT_EQ(walk.AddFolder("sub"), Added::Queued);
    for (const char* alias : {"./sub", "sub/.", "sub//", "x/../sub", "sub\\", "."})
        EXPECT_EQ(walk.AddFolder(alias), Added::Skipped) << alias;
    EXPECT_EQ(walk.AddFolder(".."), Added::Skipped);
    EXPECT_EQ(walk.AddFolder("a/../.."), Added::Skipped);
    EXPECT_EQ(walk.AddFolder("..dots"), Added::Queued) << "a name that only starts with two dots";
    EXPECT_EQ(walk.AddFolder("Sub"), Added::Queued) << "servers may tell letter case apart";

    // Breadth-first, folder texts joined with backslashes.
    ASSERT_TRUE(walk.Next(folder));
    EXPECT_EQ(folder, "sub");
    EXPECT_EQ(walk.AddFolder("../..dots"), Added::Skipped) << "the same as the one queued from the top";
    EXPECT_EQ(walk.AddFolder("inner"), Added::Queued);
    ASSERT_TRUE(walk.Next(folder));
    EXPECT_EQ(folder, "..dots");
    ASSERT_TRUE(walk.Next(folder));
    EXPECT_EQ(folder, "Sub");
    ASSERT_TRUE(walk.Next(folder));
    EXPECT_EQ(folder, "sub\\inner");
    EXPECT_FALSE(walk.Next(folder));

    EXPECT_EQ(CRemoteWalk::NormalFolder("a\\.\\b//c/"), "/a/b/c");
    EXPECT_EQ(CRemoteWalk::NormalFolder("a/../../b"), "/../b");
}

// The limits themselves meet a made-up endless and wide tree in the
// Index Website integration tests.
TEST(RemoteWalk, AHostileNameCannotMakeTheMessageTooLongToShow)
{
    CRemoteWalk walk(CWalkLimits{0, 100});
    std::string folder;
    ASSERT_TRUE(walk.Next(folder));
    EXPECT_EQ(walk.AddFolder(std::string(5000, 'x')), Added::TooDeep);
    EXPECT_LT(walk.Problem().size(), 400u);
}
