#include <gtest/gtest.h>

#include "ui/window_placement.h"

namespace {
const std::vector<QMRect> kScreen{{0, 0, 1280, 1024}};
}

TEST(WindowPlacementTest, ParsesOnlyFourIntegersInLeftRightTopBottomOrder)
{
    QMRect r;
    ASSERT_TRUE(ParseWindowRect("10:810:20:620", r));
    EXPECT_EQ(r, (QMRect{10, 20, 810, 620}));
    EXPECT_EQ(FormatWindowRect(r), "10:810:20:620");
    for (const char* bad : {"1:2:3", "1:2:3:4:5", "a:b:c:d", "1:2:3:4x", "99999999999:1:2:3"})
        EXPECT_FALSE(ParseWindowRect(bad, r)) << bad;
}

// A stored rectangle is shown as it was when it fits; otherwise it is
// brought onto a display and to a usable size, or refused.
TEST(WindowPlacementTest, FitsStoredRectangleToTheDisplays)
{
    struct Case {
        QMRect stored;
        QMSize minimum;
        QMRect fitted;
    } cases[] = {
        {{10, 20, 810, 620}, {200, 150}, {10, 20, 810, 620}},
        {{2000, 20, 2800, 620}, {}, {1180, 20, 1980, 620}},    // 100 pixels come back
        {{10, 20, 9000, 7000}, {}, {0, 0, 1280, 1024}},        // larger than the display
        {{10, 20, 15, 22}, {200, 150}, {10, 20, 210, 170}},    // below the minimum
        {{-2000000000, -2000000000, -1999999000, -1999999500}, {}, {0, 0, 1000, 500}},
        {{5000, 9000, 5400, 9300}, {}, {1180, 924, 1580, 1224}},
    };
    for (const Case& c : cases) {
        QMRect out;
        ASSERT_TRUE(FitWindowRect(c.stored, kScreen, c.minimum, out)) << FormatWindowRect(c.stored);
        EXPECT_EQ(out, c.fitted) << FormatWindowRect(c.stored);
    }
    // Zero or negative width or height, or no display: the default placement.
    QMRect out;
    EXPECT_FALSE(FitWindowRect({10, 20, 10, 620}, kScreen, {}, out));
    EXPECT_FALSE(FitWindowRect({10, 20, 810, -5}, kScreen, {}, out));
    EXPECT_FALSE(FitWindowRect({10, 20, 810, 620}, {}, {}, out));

    // The display holding the window sets the bound.
    const std::vector<QMRect> two{{0, 0, 1280, 1024}, {1280, 0, 2560, 800}};
    ASSERT_TRUE(FitWindowRect({1500, 100, 2100, 1000}, two, {}, out));
    EXPECT_EQ(out, (QMRect{1500, 0, 2100, 800}));
}

TEST(WindowPlacementTest, ColumnStateAppliesToExistingColumnsOnly)
{
    // More widths than columns; negative and huge widths clamped; hex read.
    ColumnState s = ParseColumnState("-5,0x64,99999,70", "", "", 3);
    EXPECT_EQ(s.widths, (std::vector<int>{kMinColumnWidth, 100, kMaxColumnWidth}));
    EXPECT_EQ(s.view, -1);
    EXPECT_EQ(ParseColumnState("50,x,70", "", "", 3).widths, (std::vector<int>{50}));

    // The order only as a permutation of the columns; known views only.
    EXPECT_EQ(ParseColumnState("", "2,0,1", "3", 3).order, (std::vector<int>{2, 0, 1}));
    for (const char* bad : {"0,0,1", "0,1", "0,1,3", "0,1,2,3", "-1,0,1"})
        EXPECT_TRUE(ParseColumnState("", bad, "", 3).order.empty()) << bad;
    EXPECT_EQ(ParseColumnState("", "", "3", 1).view, LV_VIEW_LIST);
    for (const char* bad : {"4", "-1", "x"})
        EXPECT_EQ(ParseColumnState("", "", bad, 1).view, -1) << bad;
}
