#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

#include "platform/dispatch_driver.h"
#include "standin/pbn_reader.h"
#include "standin/results_page.h"
#include "standin/standin_layout.h"
#include "platform/vantorel_interface.h"
#include "support/fault_guards.h"
#include "support/poppler_tools.h"
#include "support/score_samples.h"
#include "support/test_app.h"

namespace {

class StandInLayout : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterStandInLayout();
        m_dir = m_folder.Path();
        m_score = Write("Open Pairs 230904a.txt", samples::LayoutScoreText());
        m_pbn = Write("230904a.pbn", samples::LayoutHandRecords());
        m_htmlLayout = Write("results.vtl", "# results page\ntitle = Monday Pairs\n");
        m_pdfLayout = Write("handrecords.vtl", "title=Monday hand records\n");
        ASSERT_TRUE(m_layout.CreateDispatch(kVantorelProgId));
    }
    void TearDown() override
    {
        m_layout.ReleaseDispatch();
    }

    std::string Write(const std::string& name, const std::string& text) { return m_folder.Write(name, text); }
    void Call(DispId id, const std::string& path = {})
    {
        m_layout.InvokeHelper(id, DISPATCH_METHOD, VarType::Empty,
                              path.empty() ? std::vector<Variant>{} : std::vector<Variant>{Variant(path)});
    }
    // The object's own error from a call: its code and description.
    std::pair<HRESULT, std::string> Raised(DispId id, const std::string& path = {})
    {
        try {
            Call(id, path);
        } catch (const COleDispatchException& e) {
            return {e.m_scError, e.m_strDescription};
        }
        return {S_OK, "(no error)"};
    }

    CTempFolder m_folder;
    std::string m_dir, m_score, m_pbn, m_htmlLayout, m_pdfLayout;
    COleDispatchDriver m_layout;
};

}  // namespace

TEST_F(StandInLayout, FullRunWritesThePageAndThePdfOfTheHandRecords)
{
    // The calls in the order the posting makes them, with PDF linking on.
    const std::string html = m_dir + "/Open Pairs 230904a.htm";
    const std::string pdf = m_dir + "/QMm1.pdf";
    m_layout.SetProperty(vantorel::Quiet, Variant(true));
    Call(vantorel::OpenHandRecords, m_pbn);
    Call(vantorel::SortBoards);
    Call(vantorel::LoadLayout, m_htmlLayout);
    Call(vantorel::DoubleDummyAllBoards);
    Call(vantorel::LoadLayout, m_pdfLayout);
    Call(vantorel::SaveAsPdf, pdf);
    Call(vantorel::LoadLayout, m_htmlLayout);
    Call(vantorel::ImportScoreData, m_score);
    EXPECT_EQ(m_layout.InvokeHelper(vantorel::CheckScoreData, DISPATCH_METHOD, VarType::Int32), Variant(int32_t{1}));
    EXPECT_EQ(dynamic_cast<CStandInLayout&>(*m_layout.GetDispatch()).GetReportedBoards(), std::vector<int>{5});
    Call(vantorel::SaveAsHtml, html);

    // The page: ASCII only, the body between lines of their own, the score
    // text once in a <pre> block, one table per board in board order.
    const std::string page = ReadWholeFile(html);
    for (unsigned char c : page)
        ASSERT_LT(c, 0x80);
    // Where a whole line stands in the page (npos when it does not).
    auto find = [&](const std::string& line) { return page.find("\r\n" + line + "\r\n"); };
    const size_t body = find("<body>"), bodyEnd = find("</body>");
    ASSERT_LT(body, bodyEnd);
    EXPECT_EQ(find("<pre>"), body + 8);
    EXPECT_EQ(page.find("<pre>", find("<pre>") + 7), std::string::npos) << "the score text once";
    EXPECT_LT(find("EVENT&gt; Open Pairs | SESSION&gt; Monday Aft | SECTION&gt; A"), find("</pre>"));
    EXPECT_LT(find("   1  62.50  30.00    1   1.05  Jos&#233; Mu&#241;oz - Ann Lee"), bodyEnd);
    EXPECT_LT(find("   2  45.83  22.00    2   0.74  Smith &amp; Jones &lt;guests&gt;"), bodyEnd);
    EXPECT_NE(page.find("<title>Monday Pairs</title>"), std::string::npos);

    size_t previous = 0;
    for (int board : {1, 2, 3, 4, 6}) {
        const size_t at = page.find("<table class=\"deal\" id=\"board-" + std::to_string(board) + "\">");
        ASSERT_NE(at, std::string::npos) << board;
        EXPECT_GT(at, previous) << board;
        previous = at;
    }
    EXPECT_LT(previous, page.find("</body>"));
    const std::string board2 = page.substr(page.find("id=\"board-2\""), 900);
    for (const char* cell : {"Dealer: East<br>", "Vul: N-S</td>", "&#9824; AK862<br>",
                             "<span class=\"red\" style=\"color: #c00000\">&#9829;</span> 10652<br>"})
        EXPECT_NE(board2.find(cell), std::string::npos) << cell;
    EXPECT_NE(page.substr(page.find("id=\"board-6\""), 900).find("&#9824; -<br>"), std::string::npos);  // a void

    // The PDF: five boards, four to a page.
    std::string out, err;
    if (!RunPopplerTool("pdfinfo", "'" + pdf + "'", out, err))
        FAIL() << "pdfinfo (poppler-utils, installed by scripts/install-deps) cannot be run";
    EXPECT_EQ(err, "");
    EXPECT_EQ(PdfInfoField(out, "PDF version"), "1.4");
    EXPECT_EQ(PdfInfoField(out, "Pages"), "2");
    EXPECT_EQ(PdfInfoField(out, "Title"), "Monday hand records");
    ASSERT_TRUE(RunPopplerTool("pdftotext", "-layout '" + pdf + "' -", out, err));
    EXPECT_EQ(err, "");
    for (const char* text : {"Board 1", "Board 2", "Board 3", "Board 4", "Board 6", "Dealer: West",
                             "Vulnerable: Both", "S AK862", "H 10652", "C 965432", "S -"})
        EXPECT_NE(out.find(text), std::string::npos) << text << "\n" << out;
    EXPECT_EQ(out.find("Board 5"), std::string::npos);
    EXPECT_LT(out.find("Board 4"), out.find('\f'));
    EXPECT_GT(out.find("Board 6"), out.find('\f'));
}

TEST_F(StandInLayout, WithoutHandRecordsOnlyThePageIsMade)
{
    const std::string html = m_dir + "/page.htm";
    m_layout.SetProperty(vantorel::Quiet, Variant(true));
    Call(vantorel::ImportScoreData, m_score);
    Call(vantorel::SaveAsHtml, html);
    // No deal tables; no layout loaded: the page is named after the score file.
    const std::string page = ReadWholeFile(html);
    EXPECT_EQ(page.find("<table"), std::string::npos);
    EXPECT_NE(page.find("<title>Open Pairs 230904a</title>"), std::string::npos);
    EXPECT_EQ(Raised(vantorel::SaveAsPdf, m_dir + "/x.pdf").second, "No hand records are open.");
}

TEST_F(StandInLayout, CheckScoreDataCountsOnlyMissingBoards)
{
    Call(vantorel::OpenHandRecords, m_pbn);
    EXPECT_EQ(Raised(vantorel::CheckScoreData).second, "No score data has been imported.");
    Call(vantorel::ImportScoreData, Write("complete.txt", "Board 1\nBoard 6\nBd 2\n"));
    EXPECT_EQ(m_layout.InvokeHelper(vantorel::CheckScoreData, DISPATCH_METHOD, VarType::Int32), Variant(int32_t{0}));
    Call(vantorel::ImportScoreData, Write("more.txt", "Board 1\nBoard 7\nBoard 8\nBoard 8\n"));
    EXPECT_EQ(m_layout.InvokeHelper(vantorel::CheckScoreData, DISPATCH_METHOD, VarType::Int32), Variant(int32_t{2}));
}

// A crafted score text of 10 MB that names boards over and over, with a
// 40,000-deal hand-record file: checking and making the page stay linear.
// A deal lookup that scanned every deal per line took minutes here.
TEST_F(StandInLayout, ALargeCraftedInputIsCheckedAndLaidOutQuickly)
{
#ifdef QM_UNDER_SANITIZER
    GTEST_SKIP() << "a sanitizer build takes minutes for this input even when linear; the normal build runs this";
#endif
    constexpr int kDeals = 40000;
    std::string pbn;
    for (int board = kDeals; board > 0; --board) {
        pbn += "[Board \"" + std::to_string(board) + "\"]\r\n";
        pbn += "[Deal \"N:AK862.T652.T7.KQ Q7.K3.AQ2.965432 9543.QJ984.83.J7 JT.A7.KJ9654.AT8\"]\r\n\r\n";
    }
    // Boards the hand records hold, and one they do not, in turn.
    std::string score = "EVENT> Crafted\r\n";
    for (int i = 0; score.size() < 10 * 1024 * 1024; ++i)
        score += i % 2 ? "Board 99999\r\n" : "Board " + std::to_string(kDeals - i % kDeals) + "\r\n";
    const std::string pbnPath = Write("large.pbn", pbn);
    const std::string scorePath = Write("large.txt", score);

    const auto start = std::chrono::steady_clock::now();
    Call(vantorel::OpenHandRecords, pbnPath);
    Call(vantorel::SortBoards);
    Call(vantorel::ImportScoreData, scorePath);
    EXPECT_EQ(m_layout.InvokeHelper(vantorel::CheckScoreData, DISPATCH_METHOD, VarType::Int32), Variant(int32_t{1}));
    Call(vantorel::SaveAsHtml, m_dir + "/large.htm");
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("[ bench    ] 10 MB score text, %d deals: %.2f s\n", kDeals, seconds);
    // About a second here, several under the sanitizers; a scan per line
    // takes minutes.
    EXPECT_LT(seconds, 30.0);
    const std::string page = ReadWholeFile(m_dir + "/large.htm");
    EXPECT_NE(page.find("id=\"board-1\""), std::string::npos);
    EXPECT_NE(page.find("id=\"board-40000\""), std::string::npos);
}

TEST_F(StandInLayout, BadFilesAndBadCallsGiveErrorsNotCrashes)
{
    // Junk hand records: a clean error naming the file; nothing stays open.
    std::string junk = "\x89PNG\r\n\x1a\n";
    for (int i = 0; i < 2000; ++i)
        junk += static_cast<char>((i * 7919) % 256);
    const auto [code, text] = Raised(vantorel::OpenHandRecords, Write("junk.pbn", junk));
    EXPECT_EQ(code, E_INVALIDARG);
    EXPECT_EQ(text.rfind("junk.pbn: ", 0), 0u) << text;
    EXPECT_EQ(Raised(vantorel::SortBoards).second, "No hand records are open.");
    EXPECT_EQ(Raised(vantorel::OpenHandRecords, Write("bad.pbn", "[Deal \"N:AK... - - -\"]\n")).first, E_INVALIDARG);

    // Missing files and folders carry the system's code.
    auto missing = Raised(vantorel::ImportScoreData, m_dir + "/nothing.txt");
    EXPECT_EQ(missing.first, HRESULT_FROM_WIN32(ENOENT));
    EXPECT_NE(missing.second.find("nothing.txt\": No such file or directory"), std::string::npos) << missing.second;
    EXPECT_EQ(Raised(vantorel::SaveAsHtml, m_dir + "/p.htm").second, "No score data has been imported.");
    Call(vantorel::ImportScoreData, m_score);
    EXPECT_EQ(Raised(vantorel::SaveAsHtml, m_dir + "/no/such/folder/p.htm").first, HRESULT_FROM_WIN32(ENOENT));

    // Calls the interface does not have.
    auto failure = [&](DispId id, unsigned flags, std::vector<Variant> args) {
        try {
            m_layout.InvokeHelper(id, flags, VarType::Empty, args);
        } catch (const COleException& e) {
            return e.m_sc;
        }
        return S_OK;
    };
    EXPECT_EQ(failure(vantorel::Version, DISPATCH_PROPERTYPUT, {Variant("9.9.9")}), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(failure(vantorel::SaveAsHtml, DISPATCH_METHOD, {}), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(failure(vantorel::Quiet, DISPATCH_PROPERTYPUT, {Variant("maybe")}), DISP_E_TYPEMISMATCH);
}

TEST(StandInResultsPage, HeadingFromTheScoreTextAndEachDealUnderItsBoard)
{
    PbnFile hands;
    std::string why;
    ASSERT_TRUE(ReadPbn(samples::LayoutHandRecords(), hands, why)) << why;
    SortDeals(hands.deals);
    // Board 1 named twice (two sections), board 2 only as "Bd 2", board 5
    // without a deal, board 6 with a deal but not named; the event carries
    // markup and a character outside ASCII.
    const std::string score =
        "EVENT&gt; Club <b>Pairs</b> & Zo\xC3\xAB | SESSION> Monday Aft | SECTION> AB\r\n"
        "DATE> September 4, 2023 | MP LIMITS> None\r\n"
        " Board 1\r\n   1   2  4S  N  420\r\n Bd 2\r\n Board 3\r\n Board 4\r\n Board 5\r\n"
        " Board 1\r\n   3   4  3NT S  400\r\n";
    const std::string page = BuildResultsPage("t", score, &hands.deals);
    auto at = [&](const std::string& what) { return page.find(what); };
    auto line = [&](const std::string& text) { return page.find("\r\n" + text + "\r\n"); };

    // The heading first in the score text's block, escaped, then the text.
    const size_t event = at(">Club &lt;b&gt;Pairs&lt;/b&gt; &amp; Zo&#235;</b>");
    const size_t details = at(">Monday Aft &middot; Section AB &middot; September 4, 2023</span>");
    ASSERT_NE(event, std::string::npos) << page;
    EXPECT_LT(line("<pre>"), event);
    EXPECT_LT(event, details);
    EXPECT_LT(details, line("EVENT&gt; Club &lt;b&gt;Pairs&lt;/b&gt; &amp; Zo&#235; | SESSION&gt; Monday Aft | "
                            "SECTION&gt; AB"));
    EXPECT_EQ(at("<b>Pairs"), std::string::npos) << "markup from the score text";
    // The deals keep their look where only the body is merged into a
    // template: every cell carries it.
    const std::string body = page.substr(at("<body>"));
    const std::string styledCell = "<td style=\"vertical-align: top;";
    size_t cells = 0, styled = 0;
    for (size_t i = body.find("<td"); i != std::string::npos; i = body.find("<td", i + 1)) {
        ++cells;
        styled += body.compare(i, styledCell.size(), styledCell) == 0;
    }
    EXPECT_GT(cells, 0u);
    EXPECT_EQ(styled, cells);

    // Each deal right after its board's first line, once; a board line
    // without a deal (or whose deal is shown) is followed by the next line
    // of the results.
    int n = 0;
    for (const std::string board : {" Board 1", " Bd 2", " Board 3", " Board 4"}) {
        const std::string deal = "\r\n" + board + "\r\n<div style=\"white-space: normal\">\r\n"
                                 "<table class=\"deal\" id=\"board-" + std::to_string(++n) + "\">\r\n";
        EXPECT_NE(at(deal), std::string::npos) << board;
    }
    EXPECT_NE(at("\r\n Board 5\r\n Board 1\r\n   3   4  3NT S  400\r\n</pre>\r\n"), std::string::npos);
    // The deal the results do not name after them, under its own heading.
    EXPECT_LT(line("</pre>"), line("<h2>Hand records</h2>"));
    EXPECT_LT(line("<h2>Hand records</h2>"), at("id=\"board-6\""));

    // Nothing empty: a score text without keywords gets no heading, and
    // with every deal named there is no "Hand records" heading.
    hands.deals.pop_back();
    const std::string plain = BuildResultsPage("t", " Board 1\r\n Board 2\r\n", &hands.deals);
    EXPECT_NE(plain.find("\r\n<body>\r\n<pre>\r\n Board 1\r\n<div"), std::string::npos);
    EXPECT_EQ(plain.find("<b "), std::string::npos);
    EXPECT_NE(plain.find("id=\"board-4\""), std::string::npos);
    EXPECT_EQ(BuildResultsPage("t", " Board 1\r\n", nullptr).find("<h2>"), std::string::npos);
}
