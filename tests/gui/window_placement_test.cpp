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
    EXPECT_TRUE(ParseWindowRect("-1280:-10:0:900", r));
    for (const char* bad : {"", "1:2:3", "1:2:3:4:5", "a:b:c:d", "1,2,3,4", "1:2:3:4x",
                            "99999999999:1:2:3"})
        EXPECT_FALSE(ParseWindowRect(bad, r)) << bad;
}

// A stored rectangle is shown as it was when it fits; otherwise it is
// brought onto a display and to a usable size, or refused.
TEST(WindowPlacementTest, FitsStoredRectangleToTheDisplays)
{
    QMRect out;
    ASSERT_TRUE(FitWindowRect({10, 20, 810, 620}, kScreen, {200, 150}, out));
    EXPECT_EQ(out, (QMRect{10, 20, 810, 620}));

    // Left edge past the right edge: 100 pixels come back, size kept.
    ASSERT_TRUE(FitWindowRect({2000, 20, 2800, 620}, kScreen, {}, out));
    EXPECT_EQ(out, (QMRect{1180, 20, 1980, 620}));

    // Zero or negative width or height: the default placement.
    EXPECT_FALSE(FitWindowRect({10, 20, 10, 620}, kScreen, {}, out));
    EXPECT_FALSE(FitWindowRect({10, 20, 810, -5}, kScreen, {}, out));
    EXPECT_FALSE(FitWindowRect({10, 20, 810, 620}, {}, {}, out));

    // Larger than the display: the display's size, wholly on it.
    ASSERT_TRUE(FitWindowRect({10, 20, 9000, 7000}, kScreen, {}, out));
    EXPECT_EQ(out, (QMRect{0, 0, 1280, 1024}));

    // Smaller than the minimum: the minimum.
    ASSERT_TRUE(FitWindowRect({10, 20, 15, 22}, kScreen, {200, 150}, out));
    EXPECT_EQ(out, (QMRect{10, 20, 210, 170}));

    // Far off every screen, huge coordinates included.
    ASSERT_TRUE(FitWindowRect({-2000000000, -2000000000, -1999999000, -1999999500}, kScreen, {}, out));
    EXPECT_EQ(out, (QMRect{0, 0, 1000, 500}));
    ASSERT_TRUE(FitWindowRect({5000, 9000, 5400, 9300}, kScreen, {}, out));
    EXPECT_EQ(out, (QMRect{1180, 924, 1580, 1224}));
}

TEST(WindowPlacementTest, ChoosesTheDisplayHoldingTheWindow)
{
    const std::vector<QMRect> two{{0, 0, 1280, 1024}, {1280, 0, 2560, 800}};
    QMRect out;
    ASSERT_TRUE(FitWindowRect({1500, 100, 2100, 500}, two, {}, out));
    EXPECT_EQ(out, (QMRect{1500, 100, 2100, 500}));
    // Taller than the second display: clamped to that display's height.
    ASSERT_TRUE(FitWindowRect({1500, 100, 2100, 1000}, two, {}, out));
    EXPECT_EQ(out, (QMRect{1500, 0, 2100, 800}));
    // A minimum larger than the display wins.
    ASSERT_TRUE(FitWindowRect({1500, 100, 2100, 500}, two, {200, 900}, out));
    EXPECT_EQ(out.Height(), 900);
}

TEST(WindowPlacementTest, ColumnStateAppliesToExistingColumnsOnly)
{
    ColumnState s = ParseColumnState("100,60", "1,0,2", "1", 3);
    EXPECT_EQ(s.widths, (std::vector<int>{100, 60}));
    EXPECT_EQ(s.order, (std::vector<int>{1, 0, 2}));
    EXPECT_EQ(s.view, LV_VIEW_DETAILS);

    // More widths than columns; negative and huge widths clamped; hex read.
    s = ParseColumnState("-5,0x64,99999,70", "", "", 3);
    EXPECT_EQ(s.widths, (std::vector<int>{kMinColumnWidth, 100, kMaxColumnWidth}));
    EXPECT_TRUE(s.order.empty());
    EXPECT_EQ(s.view, -1);

    // A list ends at the first item that is not a number.
    EXPECT_EQ(ParseColumnState("50,x,70", "", "", 3).widths, (std::vector<int>{50}));
    EXPECT_TRUE(ParseColumnState("", "", "", 0).widths.empty());
}

TEST(WindowPlacementTest, ColumnOrderOnlyAsPermutationAndKnownViewsOnly)
{
    for (const char* bad : {"0,0,1", "0,1", "0,1,3", "0,1,2,3", "-1,0,1", "2,1,x"})
        EXPECT_TRUE(ParseColumnState("", bad, "", 3).order.empty()) << bad;
    EXPECT_EQ(ParseColumnState("", "2,0,1", "", 3).order, (std::vector<int>{2, 0, 1}));
    EXPECT_EQ(ParseColumnState("", "", "3", 1).view, LV_VIEW_LIST);
    for (const char* bad : {"4", "-1", "77", "x"})
        EXPECT_EQ(ParseColumnState("", "", bad, 1).view, -1) << bad;
}
