// The small text helpers the listings and the temporary names share.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/random_text.h"
#include "platform/text_helpers.h"

TEST(TextHelpers, NextFieldTakesBlankSeparatedFieldsToTheLineEnd)
{
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases{
        {"drwxr-xr-x  2 0 0", {"drwxr-xr-x", "2", "0", "0"}},
        {"   lead and trail   ", {"lead", "and", "trail"}},
        {"tab\tstays", {"tab\tstays"}},  // only blanks separate
        {"", {}},
        {"    ", {}},
    };
    for (const auto& [line, fields] : cases) {
        std::vector<std::string> got;
        size_t pos = 0, start = 0, end = 0;
        while (NextField(line, pos, start, end)) {
            EXPECT_EQ(pos, end);
            got.push_back(line.substr(start, end - start));
        }
        EXPECT_EQ(got, fields) << line;
        EXPECT_EQ(pos, line.size()) << line;
    }
}

TEST(TextHelpers, UnguessableHexIsHexOfTheLengthAskedAndNeverRepeats)
{
    std::set<std::string> seen;
    for (size_t digits : {1u, 7u, 16u, 24u}) {
        const std::string text = UnguessableHex(digits);
        EXPECT_EQ(text.size(), digits);
        EXPECT_EQ(text.find_first_not_of("0123456789abcdef"), std::string::npos) << text;
    }
    for (int i = 0; i < 200; ++i)
        EXPECT_TRUE(seen.insert(UnguessableHex(16)).second);
}
