// Outside text in generated pages: event names, dates, sections and paths
// from score files, setup files and pages read back from the website are
// written escaped and as encoded links, and what is read back from a page
// is text again, so a round trip through the website never escapes twice.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/time.h>

#include "platform/html_text.h"
#include "platform/path_helpers.h"
#include "platform/standin/standin_layout.h"
#include "platform/text_helpers.h"
#include "posting/index_pages.h"
#include "posting/score_file.h"
#include "support/fake_web.h"
#include "support/golden_file.h"
#include "support/posting_samples.h"
#include "support/test_app.h"
#include "transfer/http_post.h"

namespace {

// The line of a page that holds needle ("" when none).
std::string LineWith(const std::string& page, const std::string& needle)
{
    const size_t at = page.find(needle);
    if (at == std::string::npos)
        return {};
    const size_t start = page.rfind('\n', at);
    const size_t end = page.find('\n', at);
    return page.substr(start == std::string::npos ? 0 : start + 1, end == std::string::npos ? end : end - start);
}

class PageTextTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        RegisterStandInLayout();
        clock.now = 1700000000;
        app->SetClock(&clock);
        CSetupData& s = app->Setup();
        s.m_strWebsiteUrl = "http://club.example";
        s.m_strWebsiteScoreFileDirectory = "results";
        s.m_strScoreFileTemplate = "results_template.html";
        s.m_strIndexTemplate = "index_template.htm";
        s.m_strIndexFile = "index.htm";
        s.m_Ftp.m_strServer = "ftp.club.example";
        s.m_Ftp.m_strUser = "club";
        scores = folder.File("scores");
        ::mkdir(scores.c_str(), 0700);
        s.m_strScoreFileDirectory = scores;
        samples::UseLayouts(s, folder.Path());
        urls.app = app.get();
        urls.pages["http://club.example/results/results_template.html"] =
            ReadTestData("template/results_template.html");
        urls.pages["http://club.example/index_template.htm"] = ReadTestData("index/index_template.htm");
        app->SetUrlSource(&urls);
        ::mkdir(site.root.c_str(), 0700);
        app->SetWebTransportFactory([this](CFTPSettings&) { return std::make_unique<CFakeWebTransport>(site); });
    }

    // The game of the day with another event name.
    void WriteGame(int day, const std::string& event)
    {
        samples::WriteGame(scores, day, clock.now - 600, true);
        const std::string path = JoinPath(scores, samples::GameFileName(day));
        folder.Write("scores/" + samples::GameFileName(day),
                     ReplaceAll(samples::GameText(day), "EVENT> Club Pairs", "EVENT> " + event));
        const timeval times[2] = {{static_cast<time_t>(clock.now - 600), 0}, {static_cast<time_t>(clock.now - 600), 0}};
        ::utimes(path.c_str(), times);
    }

    CFixedClock clock;
    CFakeUrlSource urls;
    CFakeWebsite site{folder.File("website")};
    std::string scores;
};

}  // namespace

TEST(HtmlText, EscapedTextDecodesToItselfAndNothingElseIsDecoded)
{
    for (const char* text : {"Fish & Chips <Pairs>", "<script>alert(\"x\")</script>", "&amp; written &lt;",
                             "Z\xC3\xBCrich \xE6\x9D\xB1\xE4\xBA\xAC", "a > b", ""}) {
        SCOPED_TRACE(text);
        for (HtmlNonAscii mode : {HtmlNonAscii::Keep, HtmlNonAscii::AsReferences}) {
            const std::string escaped = HtmlEscape(text, mode);
            EXPECT_EQ(escaped.find_first_of("<\""), std::string::npos) << escaped;
            EXPECT_EQ(HtmlDecode(escaped), text);
        }
    }
    EXPECT_EQ(HtmlEscape("Caf\xC3\xA9 <b>", HtmlNonAscii::Keep), "Caf\xC3\xA9 &lt;b>");
    EXPECT_EQ(HtmlEscape("Caf\xC3\xA9 <b>"), "Caf&#233; &lt;b&gt;");
    // What is not a character reference stays as it is.
    for (const char* text : {"&unknown;", "&#0;", "&#xD800;", "&amp", "&#-5;", "& ;", "&#x110000;"})
        EXPECT_EQ(HtmlDecode(text), text);
    EXPECT_EQ(HtmlDecode("&#60;&#x3E;&nbsp;&apos;&quot;"), "<> '\"");

    // The reply page's base element cannot be broken out of by the server name.
    std::string reply = "<html><head><title>ok</title></head></html>";
    CHTPost::AddBaseElement(reply, "x\"><script>alert(1)</script>");
    EXPECT_EQ(reply.find("<script>"), std::string::npos) << reply;
    EXPECT_NE(reply.find("<base href=\"http://x&quot;>&lt;script>"), std::string::npos) << reply;
}

// A score file's own text, merged without a generated page, shows as it
// reads: raw text is escaped, text already written as HTML is not escaped
// again.
TEST(HtmlText, RawScoreTextInAPageIsEscapedOnce)
{
    CScoreFile raw;
    raw.SetContent("EVENT> <script>x</script> & more\r\nEVENT&gt; a &amp; b &lt;c&gt;");
    std::string out;
    raw.WriteBody(out);
    EXPECT_EQ(out, "<pre>\nEVENT> &lt;script>x&lt;/script> &amp; more\r\nEVENT> a &amp; b &lt;c>\n</pre>\n");
}

// An event name with "&" and "<" is posted, read back by Index Website and
// indexed again: the index row is the same both times, escaped once.
TEST_F(PageTextTest, EventNamesSurviveAWebsiteRoundTripEscapedOnce)
{
    struct Case {
        int day;
        std::string event, shown;
    } const cases[] = {
        {5, "Fish & Chips <Pairs>", "Fish &amp; Chips &lt;Pairs>"},
        {6, "<script>alert('x')</script> Pairs", "&lt;script>alert('x')&lt;/script> Pairs"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.event);
        WriteGame(c.day, c.event);
        EXPECT_EQ(app->PostGames(PM_POST_GAMES), 0);
        ASSERT_EQ(frame.GetLastStatus().rfind("Post Games succeeded", 0), 0u) << frame.GetLastStatus();
        const std::string pageName = samples::PageName(c.day, ".html");
        const std::string page = ReadWholeFile(JoinPath(site.root, "results/" + pageName));
        const std::string posted = ReadWholeFile(JoinPath(site.root, "index.htm"));
        const std::string row = LineWith(posted, pageName);
        EXPECT_NE(row.find("\"> " + c.shown + "</a>"), std::string::npos) << row;
        for (const std::string& html : {page, posted}) {
            EXPECT_EQ(html.find("<script"), std::string::npos);
            EXPECT_EQ(html.find("<Pairs"), std::string::npos);
        }

        // Index Website reads the page as the website holds it.
        app->GetIndexEntries().RemoveAll();
        site.listing = {{"", pageName, false, page}};
        ASSERT_TRUE(app->IndexWebsite()) << prompter.LastText();
        ASSERT_EQ(app->GetIndexEntries().GetCount(), 1);
        EXPECT_EQ(app->GetIndexEntries()[0].GetDescriptor(SFD_EVENT), " " + c.event);
        ASSERT_EQ(app->CreateIndex(true), IR_SUCCEEDED);
        const std::string rebuilt = ReadWholeFile(JoinPath(app->GetStagingFolder(), "index.htm"));
        EXPECT_EQ(LineWith(rebuilt, pageName), row);
    }
}

// Entries from a setup file or typed in Identify reach the index as text,
// and their paths as links that stay links.
TEST_F(PageTextTest, IndexRowsEscapeTextAndEncodeLinks)
{
    app->Setup().m_Ftp.m_dwFlags |= SF_LINK_PDF_HAND_RECORDS | SF_LINK_HAND_RECORDS;
    CScoreFile e;
    e.SetSessionDate(1693872000);  // 5 September 2023
    e.SetDescriptor(SFD_EVENT, "<img src=x onerror=alert(1)>");
    e.SetDescriptor(SFD_DATE, "<b>5 Sept</b> & later");
    e.SetDescriptor(SFD_SESSION, "Tuesday Aft");
    e.SetDescriptor(SFD_SECTION, "A");
    const std::string path = "2023\\09\\x\" onclick=\"alert(1) #1?.htm";
    e.SetPath(path);
    e.SetPosted(path, 0);
    e.SetHandRecordPath("hands.pbn");
    e.SetPdfHandRecordUploaded(true);
    e.SetComputerHandRecordUploaded(true);
    app->GetIndexEntries().Add(e);

    ASSERT_EQ(app->CreateIndex(true), IR_SUCCEEDED);
    const std::string index = ReadWholeFile(JoinPath(app->GetStagingFolder(), "index.htm"));
    const std::string row = LineWith(index, "onerror");
    EXPECT_EQ(row.find("<img"), std::string::npos) << row;
    EXPECT_EQ(row.find("<b>"), std::string::npos) << row;
    EXPECT_EQ(row.find("\" onclick"), std::string::npos) << row;
    const std::string link = "http://club.example/results/2023/09/x%22%20onclick%3D%22alert%281%29%20%231%3F";
    EXPECT_NE(row.find("<td>&lt;b>5 Sept&lt;/b> &amp; later</td>"), std::string::npos) << row;
    EXPECT_NE(row.find("<a href=\"" + link + ".htm\">&lt;img src=x onerror=alert(1)></a>"), std::string::npos)
        << row;
    EXPECT_NE(row.find("[<a href=\"" + link + ".pdf\"><small>PDF</small></a>]"), std::string::npos) << row;
    EXPECT_NE(row.find("[<a href=\"" + link + ".pbn\" type="), std::string::npos) << row;
}
