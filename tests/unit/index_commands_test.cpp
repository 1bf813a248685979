#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/date_helpers.h"
#include "platform/path_helpers.h"
#include "platform/text_helpers.h"
#include "posting/index_pages.h"
#include "posting/score_file.h"
#include "support/fake_web.h"
#include "support/golden_file.h"
#include "support/test_app.h"

namespace {

using Names = std::vector<std::string>;

const char* const kTemplateUrl = "https://bridge.example.org/index_template.htm";

// A prompter that also answers the Index dialog: it flips the rows listed.
class CIndexPrompter : public CScriptedPrompter {
public:
    std::vector<size_t> flip;
    std::vector<std::string> shownEvents;

    bool EditIndex(const std::vector<CScoreFile*>& entries, std::vector<bool>& toggles) override
    {
        shownEvents.clear();
        for (const CScoreFile* e : entries)
            shownEvents.push_back(e->GetDescriptor(SFD_EVENT) + (e->IsHidden() ? " (hidden)" : ""));
        for (size_t row : flip)
            toggles.at(row) = !toggles.at(row);
        return true;
    }
};

class IndexCommandsTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        app->SetPrompter(&indexPrompter);
        clock.now = LocalMidnight(2024, 3, 20) + 12 * 3600;
        app->SetClock(&clock);
        CSetupData& setup = app->Setup();
        setup.m_strWebsiteUrl = "https://bridge.example.org";
        setup.m_strWebsiteScoreFileDirectory = "results";
        setup.m_strScoreFileTemplate = "results_template.html";
        setup.m_strIndexTemplate = "index_template.htm";
        setup.m_strIndexFile = "index.htm";
        urls.app = app.get();
        urls.pages[kTemplateUrl] = ReadTestData("index/index_template.htm");
        app->SetUrlSource(&urls);
        ::mkdir(site.root.c_str(), 0700);
        app->SetWebTransportFactory(
            [this](CFTPSettings&) { return std::make_unique<CFakeWebTransport>(site); });
        staging = app->GetStagingFolder();
        ::unlink(ProgramData().c_str());
    }

    // An index entry as a posting leaves it: page path and web name
    // "yyyy\mm\yyyymmdd<time><limit><section>.htm".
    CScoreFile& AddEntry(int y, int m, int d, const std::string& event, const std::string& section = "A",
                         int timeIndex = 2, bool hidden = false)
    {
        CScoreFile e;
        e.SetSessionDate(LocalMidnight(y, m, d));
        e.SetDescriptor(SFD_EVENT, event);
        e.SetDescriptor(SFD_SECTION, section);
        e.SetDescriptor(SFD_SESSION, std::string(CScoreFile::kWeekdayNames[LocalWeekday(e.GetSessionDate())]) +
                                         " " + CScoreFile::kShortSessionNames[timeIndex]);
        e.SetDescriptor(SFD_MP_LIMITS, "None");
        const std::string path = StrFormat("%04d\\%02d\\%04d%02d%02d%cn%s.htm", y, m, y, m, d,
                                           CScoreFile::kSessionLetters[timeIndex], ToLowerAscii(section).c_str());
        e.SetPath(path);
        e.SetPosted(path, 0);
        e.SetDigest(Sha256Of(path.data(), path.size()));
        e.SetHidden(hidden);
        CColScoreFile& entries = app->GetIndexEntries();
        return entries[entries.Add(e)];
    }

    std::vector<std::string> SelectedEvents(bool includeHidden)
    {
        std::vector<CScoreFile*> entries;
        app->SelectIndexEntries(entries, includeHidden);
        std::vector<std::string> names;
        for (const CScoreFile* e : entries)
            names.push_back(e->GetDescriptor(SFD_EVENT));
        return names;
    }

    std::vector<std::string> PageNames()
    {
        std::vector<std::string> names;
        for (const auto& p : app->GetIndexPages().m_Pages)
            names.push_back(p.m_strFileName);
        return names;
    }

    std::string LastStatus() { return frame.GetLastStatus(); }
    std::string ProgramData() const { return JoinPath(dataDir, "ProgramData.bin"); }
    // Whether the data was saved since the last look.
    bool Saved()
    {
        const bool saved = FileExists(ProgramData());
        ::unlink(ProgramData().c_str());
        return saved;
    }

    CIndexPrompter indexPrompter;
    CFixedClock clock;
    CFakeUrlSource urls;
    CFakeWebsite site{folder.File("website")};
    std::string staging;
};

}  // namespace

TEST_F(IndexCommandsTest, EntriesAreChosenByDateLimitsAndHiddenFlagAndSortedNewestFirst)
{
    AddEntry(2024, 3, 5, "Eve C", "C");
    AddEntry(2024, 3, 5, "Aft A", "A", 1);
    AddEntry(2024, 3, 5, "Eve A", "A");
    AddEntry(2024, 3, 6, "Morning", "A", 0);
    AddEntry(2024, 3, 5, "Eve b", "b");
    AddEntry(2024, 3, 7, "Hidden", "A", 2, true);
    AddEntry(2024, 3, 4, "Monday", "A");
    AddEntry(2024, 2, 28, "February", "A");
    AddEntry(1970, 1, 5, "Too old", "A");
    app->GetIndexEntries().Add(CScoreFile());  // no session date at all
    app->Setup().m_tOldestToIndex = LocalMidnight(2024, 3, 1);

    EXPECT_EQ(SelectedEvents(false), (Names{"Morning", "Eve A", "Eve b", "Eve C", "Aft A", "Monday"}));
    EXPECT_EQ(SelectedEvents(true), (Names{"Hidden", "Morning", "Eve A", "Eve b", "Eve C", "Aft A", "Monday"}));
    // Days To Index counts back from now (20 March, noon) when that is later.
    app->Setup().m_nDaysToIndex = 16;
    EXPECT_EQ(SelectedEvents(false), (Names{"Morning", "Eve A", "Eve b", "Eve C", "Aft A"}));
    app->Setup().m_nDaysToIndex = 30;
    ASSERT_FALSE(SelectedEvents(false).empty());
    EXPECT_EQ(SelectedEvents(false).back(), "Monday") << "the later of the two limits wins";
    app->Setup().m_tOldestToIndex = app->GetLowestDate();
    app->Setup().m_nDaysToIndex = 0;
    ASSERT_FALSE(SelectedEvents(false).empty());
    EXPECT_EQ(SelectedEvents(false).back(), "February");
    EXPECT_EQ(SelectedEvents(false).size(), 7u) << "a year before 1971 or no session date is never listed";
}

TEST_F(IndexCommandsTest, CreateIndexBuildsMonthPagesFromTheEntriesWithoutHiddenOnes)
{
    app->Setup().SetFlags(app->Setup().GetFlags() | SF_MULTI_PAGE_INDEX | SF_LINK_PDF_HAND_RECORDS);
    AddEntry(2024, 3, 15, "Spring Pairs").SetPdfHandRecordUploaded(true);
    AddEntry(2024, 2, 9, "Łódź Teams");
    AddEntry(2024, 2, 2, "Secret", "A", 2, true);
    AddEntry(2024, 1, 12, "Only hidden", "A", 2, true);
    AddEntry(2023, 12, 29, "Silvester Paare Zürich");
    app->OnIndexCreateIndex();
    EXPECT_EQ(LastStatus(), "Create Index succeeded");
    EXPECT_EQ(PageNames(), (Names{"index.htm", "index202403.htm", "index202402.htm", "index202312.htm",
                                  "indexByMonth.htm"}));
    const std::string feb = ReadWholeFile(JoinPath(staging, "index202402.htm"));
    EXPECT_NE(feb.find("<a href=\"https://bridge.example.org/results/2024/02/20240209ena.htm\">Łódź Teams</a>"),
              std::string::npos);
    EXPECT_EQ(feb.find("Secret"), std::string::npos);
    EXPECT_NE(feb.find("<td>February 9, 2024</td><td>Friday Evening</td><td>A</td>"), std::string::npos)
        << "an empty DATE shows the session date";
    const std::string main = ReadWholeFile(JoinPath(staging, "index.htm"));
    EXPECT_NE(main.find("[<a href=\"https://bridge.example.org/results/2024/03/20240315ena.pdf\"><small>PDF</small>"
                        "</a>]"),
              std::string::npos);
    EXPECT_NE(feb.find("<td></td></tr>"), std::string::npos) << "the link cell stays when an entry has no links";
}

TEST_F(IndexCommandsTest, CreateIndexFailsOnMissingSetupAndTellsACancelFromAFailure)
{
    app->Setup().m_strWebsiteUrl.clear();
    EXPECT_EQ(app->CreateIndex(true), IndexResult::Failed);
    EXPECT_EQ(indexPrompter.Texts(), Names{"Setup required: Website URL"});
    EXPECT_TRUE(urls.requested.empty());

    app->Setup().m_strWebsiteUrl = "https://bridge.example.org";
    urls.onRequest = [this] { app->OnFileCancel(); };
    indexPrompter.Clear();
    app->OnIndexCreateIndex();
    EXPECT_EQ(LastStatus(), "Create Index canceled");
    EXPECT_TRUE(indexPrompter.Shown().empty());
    EXPECT_FALSE(app->IsIndexReady());
}

TEST_F(IndexCommandsTest, PartialBuildPublishesChangedMonthsOnlyAndNeverAHalfIndex)
{
    app->Setup().SetFlags(app->Setup().GetFlags() | SF_MULTI_PAGE_INDEX);
    AddEntry(2024, 3, 15, "Spring Pairs");
    AddEntry(2024, 2, 9, "February Pairs");
    AddEntry(2024, 1, 12, "January Pairs");
    app->MarkMonthChanged(&app->GetIndexEntries()[1]);
    ASSERT_EQ(app->CreateIndex(false), IndexResult::Succeeded);

    // Publish Index (every page) after a build of the changed months only:
    // refused before anything goes out.
    app->OnIndexPublishIndex();
    EXPECT_EQ(LastStatus(), "Publish Index failed");
    EXPECT_TRUE(site.uploaded.empty());
    ASSERT_FALSE(indexPrompter.Texts().empty());
    EXPECT_NE(indexPrompter.LastText().find("index202403.htm: No such file or directory"), std::string::npos);
    EXPECT_FALSE(app->GetIndexPages().m_ChangedMonths.empty());

    // The publishing that follows a posting or Edit Index.
    site.uploaded.clear();
    auto worker = app->MakeWebTransport();
    EXPECT_TRUE(app->PublishIndex(*worker, false));
    EXPECT_EQ(site.uploaded, (Names{"index.htm", "index202402.htm", "indexByMonth.htm"}));

    // A build that did not complete is never published.
    const std::string good = urls.pages[kTemplateUrl];
    urls.pages[kTemplateUrl] = ReadTestData("index/index_no_marker.htm");
    EXPECT_EQ(app->CreateIndex(true), IndexResult::Failed);
    site.uploaded.clear();
    worker = app->MakeWebTransport();
    EXPECT_FALSE(app->PublishIndex(*worker, true));
    EXPECT_TRUE(site.uploaded.empty());

    // After a complete build every page goes out as built.
    urls.pages[kTemplateUrl] = good;
    ASSERT_EQ(app->CreateIndex(true), IndexResult::Succeeded);
    app->OnIndexPublishIndex();
    EXPECT_EQ(LastStatus(), "Publish Index complete");
    EXPECT_EQ(site.uploaded, (Names{"index.htm", "index202403.htm", "index202402.htm", "index202401.htm",
                                    "indexByMonth.htm"}));
    for (const std::string& name : site.uploaded)
        EXPECT_EQ(ReadWholeFile(JoinPath(site.root, name)), ReadWholeFile(JoinPath(staging, name))) << name;
    EXPECT_TRUE(app->GetIndexPages().m_ChangedMonths.empty());
    EXPECT_EQ(app->Setup().m_tLastPublishIndex, clock.now);
    EXPECT_TRUE(Saved());

    // A failed upload stops the publishing; the changed months stay.
    app->MarkMonthChanged(&app->GetIndexEntries()[0]);
    site.failUploads = {"index202402.htm"};
    site.uploaded.clear();
    worker = app->MakeWebTransport();
    clock.now += 60;
    EXPECT_FALSE(app->PublishIndex(*worker, true));
    EXPECT_EQ(site.uploaded, (Names{"index.htm", "index202403.htm"}));
    EXPECT_FALSE(app->GetIndexPages().m_ChangedMonths.empty());
    EXPECT_EQ(app->Setup().m_tLastPublishIndex, clock.now - 60);

    // Every page out, but the save after it fails (a folder in the history
    // file's place): not reported as complete.
    site.failUploads.clear();
    ASSERT_EQ(::mkdir(ProgramData().c_str(), 0700), 0);
    indexPrompter.Clear();
    app->OnIndexPublishIndex();
    ASSERT_FALSE(site.uploaded.empty());
    EXPECT_EQ(site.uploaded.back(), "indexByMonth.htm");
    EXPECT_EQ(LastStatus(), "Publish Index failed");
    EXPECT_FALSE(indexPrompter.Texts().empty()) << "the save tells why";
    ASSERT_EQ(::rmdir(ProgramData().c_str()), 0);
}

namespace {

std::string ResultsPage(const std::string& event, const std::string& date, const std::string& session)
{
    std::string page = "<html><body>\r\n<h1>Results</h1>\r\n<pre>\r\n";
    if (!event.empty())
        page += "EVENT&gt;" + event + "\r\n";
    if (!session.empty())
        page += "SESSION&gt;" + session + "\r\n";
    if (!date.empty())
        page += "DATE&gt;" + date + "\r\n";
    return page + "</pre>\r\n</body></html>\r\n";
}

}  // namespace

TEST_F(IndexCommandsTest, IndexWebsiteRebuildsTheEntriesAndKeepsHiddenPages)
{
    site.listing = {
        {"", "results_template.html", false, "<html><!--quillmark:insert--></html>"},
        {"", "20240305anb.htm", false, ResultsPage("Zürich Open Pairs", "March 5, 2024", "Tuesday Aft")},
        {"", "20240306mnlma.htm", false, ResultsPage("Morning Pairs", "", "")},
        {"", "20240306mnlma.pdf", false, "%PDF"},
        {"", "20240305anb.pbn", false, "[Board \"1\"]"},
        {"", "notes.pdf", false, "%PDF"},
        {"", "2024", true, ""},
        {"2024", "20240301e0a.htm", false, ResultsPage("", "", "")},
    };
    // The page was posted earlier and then hidden; its entry was stored
    // with backslashes and another digest (the score file's).
    CScoreFile& old = AddEntry(2024, 3, 5, "Old name", "B", 1, true);
    old.SetPath("20240305ANB.htm");
    AddEntry(2023, 1, 1, "Gone from the website");
    indexPrompter.identifyResult = IdentifyResult::Skip;

    ASSERT_TRUE(app->IndexWebsite());
    EXPECT_EQ(LastStatus(), "Index Website complete: 2 file(s)");
    EXPECT_EQ(site.calls, (Names{"login", "cd results", "list", "disconnect"}));
    CColScoreFile& entries = app->GetIndexEntries();
    ASSERT_EQ(entries.GetCount(), 2);
    const CScoreFile& first = entries[0];
    EXPECT_EQ(first.GetPath(), "20240305anb.htm");
    EXPECT_TRUE(first.IsHidden()) << "a page read again stays hidden";
    EXPECT_EQ(first.GetHandRecordPath(), "20240305anb.pbn");
    EXPECT_FALSE(first.IsPdfHandRecordUploaded());
    EXPECT_EQ(first.GetDescriptor(SFD_EVENT) + "|" + first.GetDescriptor(SFD_MP_LIMITS) + "|" +
                  first.GetDescriptor(SFD_SECTION), "Zürich Open Pairs|None|B");
    const CScoreFile& second = entries[1];
    EXPECT_TRUE(second.IsPdfHandRecordUploaded());
    EXPECT_FALSE(second.IsHidden());
    EXPECT_EQ(second.GetDescriptor(SFD_DATE) + "|" + second.GetDescriptor(SFD_MP_LIMITS) + "|" +
                  second.GetDescriptor(SFD_SECTION), "March 6, 2024|NLM|A") << "from the page's name";
    EXPECT_TRUE(Saved());
    EXPECT_EQ(indexPrompter.Texts(), Names{"2024/20240301e0a.htm"}) << "only the page without an event is identified";
}

// A page moved on the website since it was posted is still the same page:
// known by its content, it keeps its hidden flag.
TEST_F(IndexCommandsTest, IndexWebsiteKnowsAMovedPageByItsContent)
{
    const std::string page = ResultsPage("Morning Pairs", "", "");
    site.listing = {{"", "20240306mnlma.htm", false, page},
                    {"", "20240307mnlma.htm", false, ResultsPage("Other Pairs", "", "")}};
    CScoreFile probe;
    probe.SetContent(page);
    ASSERT_EQ(probe.Parse(true), 1);
    CScoreFile& moved = AddEntry(2024, 3, 6, "Morning Pairs", "A", 0, true);
    moved.SetPath("archive\\20240306mnlma.htm");
    moved.SetDigest(probe.GetDigest());
    ASSERT_TRUE(app->IndexWebsite());
    CColScoreFile& entries = app->GetIndexEntries();
    ASSERT_EQ(entries.GetCount(), 2);
    for (int64_t i = 0; i < entries.GetCount(); ++i)
        EXPECT_EQ(entries[i].IsHidden(), entries[i].GetPath() == "20240306mnlma.htm") << entries[i].GetPath();
}

TEST_F(IndexCommandsTest, IndexWebsiteLeavesTheEntriesAloneWhenItDoesNotFinish)
{
    site.listing = {{"", "20240301e0a.htm", false, ResultsPage("", "", "")}};
    AddEntry(2024, 3, 5, "Kept");

    // A walk that ends but cannot be saved (a folder in the history file's
    // place) is no success.
    indexPrompter.identifyResult = IdentifyResult::Skip;
    ASSERT_EQ(::mkdir(ProgramData().c_str(), 0700), 0);
    EXPECT_FALSE(app->IndexWebsite());
    EXPECT_EQ(LastStatus(), "Index Website failed: the index entries could not be saved");
    EXPECT_FALSE(indexPrompter.Texts().empty()) << "the save tells why";
    ASSERT_EQ(::rmdir(ProgramData().c_str()), 0);
    app->GetIndexEntries().RemoveAll();
    AddEntry(2024, 3, 5, "Kept");
    indexPrompter.Clear();

    // Cancel in the identification, then Yes to abandoning everything.
    indexPrompter.identifyResult = IdentifyResult::Cancel;
    indexPrompter.Answer(IDYES);
    EXPECT_FALSE(app->IndexWebsite());
    EXPECT_EQ(indexPrompter.LastShown().text, "Are you sure you want to abandon the entire indexing operation?");
    ASSERT_EQ(app->GetIndexEntries().GetCount(), 1);
    EXPECT_EQ(app->GetIndexEntries()[0].GetDescriptor(SFD_EVENT), "Kept");
    EXPECT_FALSE(Saved());
}

TEST_F(IndexCommandsTest, EditIndexHidesAndShowsEntriesAndPublishesTheChangedMonths)
{
    app->Setup().SetFlags(app->Setup().GetFlags() | SF_MULTI_PAGE_INDEX);
    AddEntry(2024, 3, 15, "Spring Pairs");
    AddEntry(2024, 2, 9, "February Pairs", "A", 2, true);
    AddEntry(2024, 1, 12, "January Pairs");
    indexPrompter.flip = {0, 1, 2, 2};
    app->OnIndexEditIndex();
    EXPECT_EQ(indexPrompter.shownEvents, (Names{"Spring Pairs", "February Pairs (hidden)", "January Pairs"}));
    EXPECT_TRUE(app->GetIndexEntries()[0].IsHidden());
    EXPECT_FALSE(app->GetIndexEntries()[1].IsHidden());
    EXPECT_FALSE(app->GetIndexEntries()[2].IsHidden()) << "a row flipped twice is unchanged";
    EXPECT_EQ(LastStatus(), "Edit Index: 1 hidden, 1 unhidden. Indexing succeeded.");
    EXPECT_EQ(site.uploaded, (Names{"index.htm", "index202402.htm", "indexByMonth.htm"}))
        << "March has no shown entry left, so it has no page";
    EXPECT_TRUE(Saved());
}
