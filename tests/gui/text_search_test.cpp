#include <gtest/gtest.h>

#include "ui/text_search.h"

TEST(TextSearchTest, LineEndsBecomeCrLfAndSingleLfInTheControl)
{
    EXPECT_EQ(NormalizeLineEnds(std::string("a\rb\nc\r\nd\n\r")), "a\r\nb\r\nc\r\nd\r\n\r\n");
    EXPECT_EQ(ToControlLineEnds(L"a\r\nb\rc\nd"), L"a\nb\nc\nd");
}

// F3 and Shift+F3 search from the selection and wrap once; a backward
// search never starts where a match could not fit.
TEST(TextSearchTest, FindsForwardAndBackwardWithOneWrap)
{
    const std::wstring text = L"post one\npost two\nlast post";
    const long len = static_cast<long>(text.size());
    EXPECT_EQ(FindInText(text, L"post", len, len, false, FIND_DOWN), 0);
    EXPECT_EQ(FindInText(text, L"post", 0, 0, true, 0), len - 4);
    EXPECT_EQ(FindInText(text, L"post", 13, 9, true, 0), 0);
    EXPECT_EQ(FindInText(text, L"POST", 0, 0, false, FIND_MATCHCASE), -1);
    EXPECT_EQ(FindInText(L"ab", L"abc", 0, 0, true, 0), -1);
    EXPECT_EQ(FindInText(L"posted 2posts\nwe post.", L"post", 0, 0, false, FIND_WHOLEWORD), 17);
    EXPECT_FALSE(MatchesAt(L"\u00e9post", L"post", 1, FIND_WHOLEWORD));

    EXPECT_EQ(BackwardSearchStart(3, 3, 2), 1);     // caret at the end of "abc"
    EXPECT_EQ(BackwardSearchStart(100, 10, 1), 9);  // selection beyond the text
    EXPECT_EQ(BackwardSearchStart(5, 2, 3), -1);
    EXPECT_EQ(MaskFindFlags(-1), 7);
    EXPECT_EQ(MaskFindFlags(FIND_DOWN | 8), FIND_DOWN);
}

TEST(TextSearchTest, SavedFontRoundTripsAndDamagedValuesAreRefused)
{
    SavedFont font;
    font.colour = 0x000000FF;
    font.height = PointsToFontHeight(10);
    font.weight = 700;
    font.pitchAndFamily = 0x31;
    font.faceName = "Courier New";
    const std::string text = FormatSavedFont(font);
    EXPECT_EQ(text, "1,000000ff,-13,700,0,0,0,0,0,0,0,49,Courier New");
    SavedFont back;
    ASSERT_TRUE(ParseSavedFont(text, back));
    EXPECT_EQ(FontHeightToPoints(back.height), 10);
    // The face name is the whole rest, commas included, cut at 31 characters.
    ASSERT_TRUE(ParseSavedFont("1,00000000,-11,400,0,0,0,0,0,0,0,0,A, B" + std::string(40, 'x'), back));
    EXPECT_EQ(back.faceName.size(), 31u);

    for (const char* bad : {
             "2,00000000,-11,400,0,0,0,0,0,0,0,0,Arial",      // another version
             "1,00000000,-11,400,0,0,0,0,0,0,0,Arial",        // twelve fields
             "1,00000000,-90000,400,0,0,0,0,0,0,0,0,Arial",   // absurd height
             "1,00000000,-11,400,300,0,0,0,0,0,0,0,Arial",    // italic byte
             "1,00000000,-11,400,0,0,0,0,0,0,0,-1,Arial",     // pitch byte
             "1,0000000g,-11,400,0,0,0,0,0,0,0,0,Arial",      // colour digits
             "1,00000000,-11,400,0,0,0,0,0,0,0,0,",           // no face
             "1,00000000,-11,400,0,0,0,0,0,0,0,0,Ar\x01ial",  // control character
         })
        EXPECT_FALSE(ParseSavedFont(bad, back)) << bad;
}

TEST(TextSearchTest, SaveAsNameIsSectionAndLocalTime)
{
    EXPECT_EQ(DefaultSaveName("ViewLogfile", 1710513000), "ViewLogfile240315T143000");
}
