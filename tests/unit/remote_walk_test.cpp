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

TEST(RemoteWalk, DepthAndFolderLimitsStopTheWalkWithAMessage)
{
    CRemoteWalk deep(CWalkLimits{2, 100});
    std::string folder;
    ASSERT_TRUE(deep.Next(folder));
    ASSERT_EQ(deep.AddFolder("a"), Added::Queued);
    ASSERT_TRUE(deep.Next(folder));
    ASSERT_EQ(deep.AddFolder("b"), Added::Queued);  // two levels below the start
    ASSERT_TRUE(deep.Next(folder));
    EXPECT_EQ(deep.AddFolder("c"), Added::TooDeep);
    EXPECT_EQ(deep.Problem(),
              "The folders on the server go deeper than 2 levels (at \"a/b/c\"); the folder walk was stopped there.");

    // The start counts: three folders in all.
    CRemoteWalk wide(CWalkLimits{16, 3});
    ASSERT_TRUE(wide.Next(folder));
    EXPECT_EQ(wide.AddFolder("a"), Added::Queued);
    EXPECT_EQ(wide.AddFolder("b"), Added::Queued);
    EXPECT_EQ(wide.AddFolder("a"), Added::Skipped) << "a folder seen before costs nothing";
    EXPECT_EQ(wide.AddFolder("c"), Added::TooMany);
    EXPECT_EQ(wide.Problem(), "The server holds more than 3 folders here; the folder walk was stopped at \"c\".");

    // A hostile name cannot make the message too long to show.
    CRemoteWalk longName(CWalkLimits{0, 100});
    ASSERT_TRUE(longName.Next(folder));
    EXPECT_EQ(longName.AddFolder(std::string(5000, 'x')), Added::TooDeep);
    EXPECT_LT(longName.Problem().size(), 400u);
}
