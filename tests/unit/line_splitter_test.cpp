// The one line splitter, over the shapes of text its callers meet: files
// written on Windows, old Mac files, transcripts that stop mid-line, lines
// longer than a caller takes, and NUL bytes from a damaged file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/line_splitter.h"

namespace {

using namespace std::string_literals;

// Each line as its text, with "<open>" when no line end closed it and
// "<cut>" when the limit cut it; CR shows as "\r" so a kept one is seen.
std::vector<std::string> Render(std::string_view text, LineEnds ends, size_t maxBytes)
{
    std::vector<std::string> out;
    CLineSplitter splitter(text, ends, maxBytes);
    TextLine line;
    size_t consumed = 0;
    while (splitter.Next(line)) {
        std::string shown;
        for (char c : line.text)
            shown += c == '\r' ? std::string("\\r") : std::string(1, c);
        if (line.cut)
            shown += "<cut>";
        else if (!line.ended)
            shown += "<open>";
        out.push_back(shown);
        // withEnd is the line and its line end, and the lines tile the text.
        EXPECT_EQ(line.withEnd.substr(0, line.text.size()), line.text);
        EXPECT_EQ(text.substr(consumed, line.withEnd.size()), line.withEnd);
        consumed += line.withEnd.size();
        EXPECT_EQ(splitter.Position(), consumed);
    }
    EXPECT_EQ(consumed, text.size());
    return out;
}

constexpr size_t kAny = CLineSplitter::kNoLimit;

}  // namespace

TEST(LineSplitter, SplitsEveryShapeAsEachModeDefines)
{
    struct Case {
        std::string text;
        LineEnds ends;
        size_t maxBytes;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases{
        // Empty text and a lone line end.
        {"", LineEnds::CrLf, kAny, {}},
        {"\n", LineEnds::Lf, kAny, {""}},
        {"\r\n", LineEnds::CrLf, kAny, {""}},
        {"\r", LineEnds::CrOrLf, kAny, {""}},
        // LF only: a CR is part of the line wherever it stands.
        {"a\r\nb\rc\n", LineEnds::Lf, kAny, {"a\\r", "b\\rc"}},
        // CR LF: the CR before a LF goes, a lone CR stays (also at the end).
        {"a\r\nb\rc\n\r\n", LineEnds::CrLf, kAny, {"a", "b\\rc", ""}},
        {"a\r", LineEnds::CrLf, kAny, {"a\\r<open>"}},
        {"a\r\r\n", LineEnds::CrLf, kAny, {"a\\r"}},
        // CR or LF: old Mac files, and a CR LF pair is one line end.
        {"a\rb\r\nc\n\nd", LineEnds::CrOrLf, kAny, {"a", "b", "c", "", "d<open>"}},
        {"a\r\r\nb", LineEnds::CrOrLf, kAny, {"a", "", "b<open>"}},
        {"a\n\rb", LineEnds::CrOrLf, kAny, {"a", "", "b<open>"}},
        // No final line end: the last line comes, marked as open.
        {"one\ntwo", LineEnds::CrLf, kAny, {"one", "two<open>"}},
        {"one\n\n", LineEnds::Lf, kAny, {"one", ""}},
        // An over-long line comes in pieces of the limit; a line of just the
        // limit (its line end not counted) is whole.
        {"abcdefgh\nxy\n", LineEnds::CrLf, 3, {"abc<cut>", "def<cut>", "gh", "xy"}},
        {"abc\r\nabcd", LineEnds::CrLf, 3, {"abc", "abc<cut>", "d<open>"}},
        {"abc\r", LineEnds::CrLf, 3, {"abc<cut>", "\\r<open>"}},
        {"abcdef", LineEnds::CrOrLf, 3, {"abc<cut>", "def<open>"}},
        // NUL bytes are bytes: they neither end a line nor the text.
        {"a\0b\n\0\nc"s, LineEnds::CrLf, kAny, {"a\0b"s, "\0"s, "c<open>"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.text));
        EXPECT_EQ(Render(c.text, c.ends, c.maxBytes), c.lines);
    }
}

TEST(LineSplitter, TextBeforeNulAndSeekLetACallerStopAndResume)
{
    EXPECT_EQ(TextBeforeNul("a\nb\0c\nd"s), "a\nb");
    EXPECT_EQ(TextBeforeNul("no nul"), "no nul");
    EXPECT_EQ(SplitLines(TextBeforeNul("x\r\ny\0z"s)), (std::vector<std::string_view>{"x", "y"}));

    CLineSplitter splitter("head\n<!-- mark -->\nrest\n");
    std::string_view line;
    ASSERT_TRUE(splitter.Next(line));
    EXPECT_EQ(splitter.Rest(), "<!-- mark -->\nrest\n");
    splitter.SeekTo(splitter.Position() + 5);
    ASSERT_TRUE(splitter.Next(line));
    EXPECT_EQ(line, "mark -->");
    splitter.SeekTo(1000);
    EXPECT_FALSE(splitter.Next(line));
    EXPECT_EQ(splitter.Rest(), "");
}
