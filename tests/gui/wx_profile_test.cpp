#include <gtest/gtest.h>

#include "ui/wx_profile.h"

#include <unistd.h>

// Values survive a new profile object on the same file, including text
// that the file format would otherwise read as syntax.
TEST(WxProfileTest, ValuesPersistAcrossInstances)
{
    char dir[] = "/tmp/qmprofXXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string path = std::string(dir) + "/sub/Quillmark.conf";
    {
        CWxProfile profile(path);
        EXPECT_TRUE(profile.WriteString("Main Window", "Rect", "10,20,300,400"));
        EXPECT_TRUE(profile.WriteString("Settings", "Odd", "a=b;[c] \"d\" é"));
        EXPECT_TRUE(profile.WriteInt("Settings", "ShowProgressBar", 1));
    }
    CWxProfile again(path);
    EXPECT_EQ(again.GetString("Main Window", "Rect"), "10,20,300,400");
    EXPECT_EQ(again.GetString("Settings", "Odd"), "a=b;[c] \"d\" é");
    EXPECT_EQ(again.GetInt("Settings", "ShowProgressBar", 0), 1);
    EXPECT_EQ(again.GetString("Settings", "Missing", "def"), "def");
    std::system((std::string("rm -rf ") + dir).c_str());
}
