// From a score file and its hand records to the page a club's members see:
// the template check names the page, the layout component makes the page
// and the hand-record PDF on its worker thread, and the merge puts the
// results into the club's own template, every character kept.
#include <gtest/gtest.h>

#include "platform/path_helpers.h"
#include "standin/standin_layout.h"
#include "posting/score_file.h"
#include "posting/template_file.h"
#include "support/poppler_tools.h"
#include "support/test_app.h"

namespace {

// Windows-1252 text as the scoring program writes it ("Zoë", "Müller").
const char kScoreText[] =
    "<pre>\r\n"
    "EVENT> Club Pairs | SESSION> Tuesday Aft | SECTION> B\r\n"
    "DATE> September 5, 2023 | MP LIMITS> None\r\n"
    "   1  61.50  Zo\xEB Adams - Karl M\xFCller\r\n"
    "   2  38.50  Ann Lee - Bo Chen\r\n"
    " Board 1\r\n Board 2\r\n"
    "</pre>\r\n";

const char kHandRecords[] =
    "[Board \"1\"]\r\n[Dealer \"N\"]\r\n[Vulnerable \"None\"]\r\n"
    "[Deal \"N:A643.KJT8.92.AK3 2.653.QJT7.T9842 KQ97.Q9.AK54.J75 JT85.A742.863.Q6\"]\r\n\r\n"
    "[Board \"2\"]\r\n[Dealer \"E\"]\r\n[Vulnerable \"NS\"]\r\n"
    "[Deal \"N:AK862.T652.T7.KQ Q7.K3.AQ2.965432 9543.QJ984.83.J7 JT.A7.KJ9654.AT8\"]\r\n";

const char kTemplate[] =
    "<html><head><meta charset=\"utf-8\"><title>R\xC3\xA9sultats \xE2\x80\x94 \xE6\x9D\xB1\xE4\xBA\xAC Club</title></head>\r\n"
    "<body>\r\n<h1>\xC5\x81\xC3\xB3\x64\xC5\xBA Bridge</h1>\r\n"
    "<!--quillmark:insert-->\r\n"
    "<p>Directors: \xC3\x89milie</p>\r\n"
    "</body></html>\r\n";

size_t Find(const std::string& text, const std::string& what)
{
    return text.find(what);
}

}  // namespace

TEST_F(AppTest, ScoreFileAndHandRecordsBecomeAMergedPageAndAPdf)
{
    RegisterStandInLayout();
    app->m_bAsk = true;
    CFixedClock clock;
    app->SetClock(&clock);
    app->Setup().SetFlags(SF_LINK_PDF_HAND_RECORDS);
    app->Setup().m_strHtmlLayout = folder.Write("page.vtl", "title = Tuesday Pairs\n");
    app->Setup().m_strPdfLayout = folder.Write("deals.vtl", "title = Tuesday hand records\n");

    CScoreFile score;
    ASSERT_EQ(score.Open(folder.Write("230905a.txt", kScoreText), nullptr, ScoreFileFormat::Text, OpenReport::Report), 1);
    ASSERT_EQ(score.Parse(true), 1);
    clock.now = score.GetModifiedTime() + 60;  // a fresh file: no question
    score.SetHandRecordPath(folder.Write("230905A.pbn", kHandRecords));

    CTemplateFile tmpl;
    tmpl.SetTemplate("http://club.example/results/results.html", kTemplate);
    ASSERT_EQ(tmpl.Parse(false, &score), PostResult::Success);
    EXPECT_EQ(score.GetWebName(), "20230905anb.html");

    ASSERT_EQ(score.BuildWebFiles(), PostResult::Success);
    ASSERT_EQ(tmpl.Parse(true, &score), PostResult::Success);
    EXPECT_TRUE(prompter.Shown().empty());

    // The template's own text, byte for byte, around the results; the
    // results after the marker, with the generated page's body only.
    const std::string page = ReadWholeFile(tmpl.GetStagingPath());
    const size_t marker = Find(page, "<!--quillmark:insert-->\r\n");
    ASSERT_NE(marker, std::string::npos);
    EXPECT_EQ(page.substr(0, marker), std::string(kTemplate).substr(0, marker));
    const size_t results = Find(page, "Zo&#235; Adams - Karl M&#252;ller");
    const size_t board2 = Find(page, "Board 2");
    const size_t footer = Find(page, "<p>Directors: \xC3\x89milie</p>");
    ASSERT_NE(results, std::string::npos);
    ASSERT_NE(board2, std::string::npos);
    EXPECT_LT(marker, results);
    EXPECT_LT(results, footer);
    EXPECT_EQ(Find(page, "<body>"), Find(page, "<body>\r\n<h1>")) << "the page's own body line is not copied";
    EXPECT_EQ(page.find("\n"), page.find("\r\n") + 1) << "CR LF line ends";

    // The hand records as a PDF an independent reader accepts.
    std::string out, err;
    if (!RunPopplerTool("pdfinfo", score.GetPdfPath(), out, err))
        FAIL() << "pdfinfo (poppler-utils, installed by scripts/install-deps) cannot be run";
    EXPECT_EQ(PdfInfoField(out, "PDF version"), "1.4");
    EXPECT_EQ(PdfInfoField(out, "Title"), "Tuesday hand records");
    ASSERT_TRUE(RunPopplerTool("pdftotext", score.GetPdfPath() + " -", out, err));
    EXPECT_NE(out.find("Board 2"), std::string::npos);
}
