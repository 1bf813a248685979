#include <gtest/gtest.h>

#include <sys/stat.h>

#include "platform/date_helpers.h"
#include "platform/path_helpers.h"
#include "platform/text_helpers.h"
#include "posting/index_pages.h"
#include "posting/page_markers.h"
#include "support/golden_file.h"
#include "support/test_app.h"
#include "support/time_zone.h"

namespace {

CIndexRow Row(int year, int month, int day, const std::string& name, const std::string& section = "A",
              bool pdf = false, bool hand = false)
{
    CIndexRow row;
    row.sessionDate = LocalMidnight(year, month, day);
    row.dateText = FormatDate(row.sessionDate, "%B %#d, %Y");
    row.sessionText = FormatDate(row.sessionDate, "%A") + " Evening";
    row.section = section;
    row.name = name;
    const std::string base = StrFormat("%04d%02d%02de%s", year, month, day, ToLowerAscii(section).c_str());
    row.pagePath = StrFormat("%04d\\%02d\\", year, month) + base + ".htm";
    if (pdf)
        row.pdfPath = StrFormat("%04d\\%02d\\", year, month) + base + ".pdf";
    if (hand)
        row.handRecordPath = StrFormat("%04d/%02d/", year, month) + base + ".pbn";
    return row;
}

// The generated block of a page: from after the index-marker line to the
// end marker.
std::string Block(const std::string& page)
{
    const size_t marker = page.find(kIndexMarker);
    const size_t start = page.find('\n', marker) + 1;
    return page.substr(start, page.find(kIndexEndMarker) - start);
}

// The names of the rows of a block, grouped by week.
std::vector<std::vector<std::string>> WeekGroups(const std::string& block)
{
    std::vector<std::vector<std::string>> groups(1);
    size_t at = 0;
    while (true) {
        const size_t split = block.find("</tbody><tbody>", at);
        const size_t row = block.find("<tr>", at);
        if (row == std::string::npos)
            break;
        if (split != std::string::npos && split < row)
            groups.emplace_back();
        const size_t nameStart = block.find("\">", block.find("<a href=", row)) + 2;
        groups.back().push_back(block.substr(nameStart, block.find("</a>", nameStart) - nameStart));
        at = block.find("</tr>", row);
    }
    return groups;
}

class IndexPagesTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        staging = folder.File("staging");
        ::mkdir(staging.c_str(), 0700);
        layout.indexFile = "index.htm";
        layout.templateName = "index_template.htm";
        layout.linkBase = "https://bridge.example.org/results";
        layout.stagingFolder = staging;
    }

    IndexResult Build(const std::string& templateName, bool allPages = true)
    {
        pages.clear();
        CIndexPageBuilder builder(*app, layout, rows, changed, allPages);
        return builder.Build(ReadTestData("index/" + templateName), pages);
    }

    std::string Page(const std::string& name) const { return ReadWholeFile(JoinPath(staging, name)); }
    bool Exists(const std::string& name) const { return FileExists(JoinPath(staging, name)); }

    std::vector<std::string> PageNames() const
    {
        std::vector<std::string> names;
        for (const auto& p : pages)
            names.push_back(p.m_strFileName);
        return names;
    }

    std::string staging;
    CIndexLayout layout;
    std::vector<CIndexRow> rows;
    std::unordered_set<uint32_t> changed;
    std::vector<CIndexPage> pages;
};

using Names = std::vector<std::string>;

}  // namespace

TEST(PageMarkers, MarkerLineRule)
{
    for (const char* line : {"<!--quillmark:insert-->", "   <!--quillmark:insert-->\t\r\n", "\t <!--quillmark:insert--> \v\f"})
        EXPECT_TRUE(IsMarkerLine(line, kInsertMarker)) << line;
    // The end marker is not an insert marker; only blanks and tabs may lead.
    for (const char* line : {"<!--QUILLMARK:INSERT-->", "<!--quillmark:insert--> x", "x<!--quillmark:insert-->",
                             "<!--quillmark:insert-", "", "<!--quillmark:insertend-->", "\xC2\xA0<!--quillmark:insert-->"})
        EXPECT_FALSE(IsMarkerLine(line, kInsertMarker)) << line;
}

TEST_F(IndexPagesTest, SinglePageListsEveryRowWithLinksAndKeepsEveryCharacter)
{
    layout.linkCell = true;
    rows = {Row(2024, 3, 15, "Zürich Pairs", "A", true, true), Row(2024, 3, 15, "東京 Teams", "B", true, false),
            Row(2024, 3, 9, "Coupe d'Été", "A", false, true), Row(2024, 3, 4, "Monday Duplicate", "AA")};
    ASSERT_EQ(Build("index_template.htm"), IndexResult::Succeeded);
    EXPECT_EQ(PageNames(), Names{"index.htm"});
    // The golden page: the old block replaced, two weeks, text after the end
    // marker kept, every character as given.
    EXPECT_TRUE(MatchesGolden(Page("index.htm"), "index/golden/single_page.htm"));
}

TEST_F(IndexPagesTest, MultiPageIndexAcrossAYearBoundary)
{
    layout.multiPage = true;
    rows = {Row(2024, 1, 10, "Wednesday Pairs"), Row(2024, 1, 5, "Friday Pairs"), Row(2023, 12, 28, "Holiday Teams"),
            Row(2023, 12, 20, "Wednesday Pairs"), Row(2023, 11, 2, "Thursday Swiss")};
    ASSERT_EQ(Build("index_template.htm"), IndexResult::Succeeded);
    EXPECT_EQ(PageNames(), (Names{"index.htm", "index202401.htm", "index202312.htm", "index202311.htm",
                                  "indexByMonth.htm"}));
    // The main page holds the last eight days and links to the month list.
    EXPECT_TRUE(MatchesGolden(Page("index.htm"), "index/golden/multi_main.htm"));
    EXPECT_TRUE(MatchesGolden(Page("index202312.htm"), "index/golden/multi_202312.htm"));
    EXPECT_TRUE(MatchesGolden(Page("indexByMonth.htm"), "index/golden/multi_by_month.htm"));
    EXPECT_EQ(WeekGroups(Block(Page("index202401.htm"))), (std::vector<Names>{{"Wednesday Pairs"}, {"Friday Pairs"}}));
}

TEST_F(IndexPagesTest, PartialBuildWritesOnlyChangedMonthsAndClearsTheOldBuild)
{
    layout.multiPage = true;
    rows = {Row(2024, 1, 10, "A1"), Row(2023, 12, 28, "D1"), Row(2023, 12, 20, "D2"), Row(2023, 11, 2, "N1")};
    folder.Write("staging/index202401.htm", "old");
    folder.Write("staging/INDEX202001.HTM", "old, other case");
    folder.Write("staging/index-notes.txt", "not a page");
    ::mkdir(JoinPath(staging, "index2022.htm").c_str(), 0700);
    changed = {MakeMonthKey(2023, 12)};
    ASSERT_EQ(Build("index_template.htm", false), IndexResult::Succeeded);
    EXPECT_EQ(PageNames(), (Names{"index.htm", "index202401.htm", "index202312.htm", "index202311.htm",
                                  "indexByMonth.htm"}));
    // An unchanged month is not written, and its old copy is gone; files
    // that are not pages stay.
    for (const char* name : {"index.htm", "index202312.htm", "indexByMonth.htm", "index-notes.txt"})
        EXPECT_TRUE(Exists(name)) << name;
    for (const char* name : {"index202401.htm", "index202311.htm", "INDEX202001.HTM"})
        EXPECT_FALSE(Exists(name)) << name;
    EXPECT_TRUE(FolderExists(JoinPath(staging, "index2022.htm")));
    EXPECT_NE(Page("indexByMonth.htm").find("index202311.htm"), std::string::npos)
        << "pages not rebuilt are still listed";
    EXPECT_EQ(WeekGroups(Block(Page("index202312.htm"))), (std::vector<Names>{{"D1"}, {"D2"}}));
}

TEST_F(IndexPagesTest, TemplateWithoutMarkerFailsWithItsMessage)
{
    rows = {Row(2024, 1, 10, "A1")};
    ASSERT_EQ(Build("index_no_marker.htm"), IndexResult::Failed);
    ASSERT_EQ(prompter.Shown().size(), 1u);
    EXPECT_EQ(prompter.Shown()[0].text,
              "index_template.htm\r\nThe index URL does not contain the required insert marker:\r\n"
              "<!--quillmark:index-->\r\n(The marker must be on a line by itself.)");
    EXPECT_EQ(Page("index.htm"), ReadTestData("index/index_no_marker.htm")) << "the page holds the copied template";
}

// Session dates are local midnights, so a week across a daylight-saving
// change is an hour short or long: weeks and the eight days of the main
// page must be counted in calendar days.
TEST_F(IndexPagesTest, WeeksAndTheMainPageCountCalendarDaysAcrossDaylightSaving)
{
    struct Change {
        const char* zone;
        int springMonth, springSunday;  // the Sunday the clocks go forward
        int fallMonth, fallSunday;      // the Sunday they go back
    };
    for (const Change& c : {Change{"America/New_York", 3, 10, 11, 3}, Change{"Europe/London", 3, 31, 10, 27}}) {
        SCOPED_TRACE(c.zone);
        CTimeZoneGuard zone(c.zone);
        const int64_t spring = LocalMidnight(2024, c.springMonth, c.springSunday);
        const int64_t fall = LocalMidnight(2024, c.fallMonth, c.fallSunday);
        // The row of the calendar day that lies days after base (noon
        // keeps the arithmetic clear of the shifted hour).
        auto dayRow = [](int64_t base, int days, const char* name) {
            int y = 0, m = 0, d = 0;
            LocalDateOf(base + days * 86400 + 12 * 3600, y, m, d);
            return Row(y, m, d, name);
        };
        // Sunday to Sunday across each change: two weeks. Saturday before
        // the change and the Sunday after: two weeks. The Sunday of the
        // change and the Saturday after it: one week.
        for (int64_t sunday : {spring, fall}) {
            rows = {dayRow(sunday, 6, "sat after"), dayRow(sunday, 0, "sunday"), dayRow(sunday, -1, "sat before"),
                    dayRow(sunday, -7, "sunday before")};
            ASSERT_EQ(Build("index_template.htm"), IndexResult::Succeeded);
            EXPECT_EQ(WeekGroups(Block(Page("index.htm"))),
                      (std::vector<Names>{{"sat after", "sunday"}, {"sat before", "sunday before"}}));
            rows = {dayRow(sunday, 1, "monday"), dayRow(sunday, -6, "monday before")};
            ASSERT_EQ(Build("index_template.htm"), IndexResult::Succeeded);
            EXPECT_EQ(WeekGroups(Block(Page("index.htm"))), (std::vector<Names>{{"monday"}, {"monday before"}}));
        }
        // The main page stops at the first session eight calendar days
        // older than the newest, even when those days hold a short hour.
        layout.multiPage = true;
        rows = {dayRow(spring, 1, "monday"), dayRow(spring, -6, "monday before"), dayRow(spring, -7, "sunday before")};
        ASSERT_EQ(Build("index_template.htm"), IndexResult::Succeeded);
        const std::string main = Block(Page("index.htm"));
        EXPECT_NE(main.find("monday before"), std::string::npos);
        EXPECT_EQ(main.find("sunday before"), std::string::npos);
        EXPECT_NE(main.find("Older results..."), std::string::npos);
        layout.multiPage = false;
    }
}
