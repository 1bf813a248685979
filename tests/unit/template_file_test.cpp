#include <gtest/gtest.h>

#include "platform/date_helpers.h"
#include "platform/path_helpers.h"
#include "platform/text_helpers.h"
#include "platform/exceptions.h"
#include "posting/page_file.h"
#include "posting/page_markers.h"
#include "posting/score_file.h"
#include "posting/template_file.h"
#include "support/golden_file.h"
#include "support/test_app.h"

namespace {

const char* const kTemplateUrl = "https://bridge.example.org/results/results_template.html";

const char* const kScoreText =
    "EVENT>Zürich Open Pairs\n"
    "SESSION>Tuesday Afternoon\n"
    "SECTION>B\n"
    "DATE>March 5, 2024\n"
    "MP LIMITS>None\n"
    "\n"
    " 1  Ana Müller - Łukasz Nowak      62.50\n"
    " 2  田中 - José Núñez               58.10\n";

size_t Count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

class TemplateTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        app->SetClock(&clock);
        app->m_bAsk = true;
        scorePath = folder.Write("club_pairs.txt", kScoreText);
        ASSERT_TRUE(score.Open(scorePath, nullptr, ScoreFileFormat::Text, OpenReport::Report));
        ASSERT_TRUE(score.Parse(true));
        clock.now = score.GetModifiedTime() + 60;
        tmpl.SetTemplate(kTemplateUrl, ReadTestData("template/results_template.html"));
    }

    // The page the layout program would have made.
    void UseGeneratedPage()
    {
        score.SetHtmlPath(folder.Write("generated.htm", ReadTestData("template/generated_page.htm")));
    }

    // An earlier posting of the same results in the Upload History.
    void AddEarlierPosting(const std::string& webName, int insert)
    {
        CScoreFile earlier(score);
        earlier.SetPosted(webName, insert);
        earlier.SetPostedTime(1700000000);
        app->GetHistory().Add(earlier);
    }

    CFixedClock clock;
    std::string scorePath;
    CScoreFile score;
    CTemplateFile tmpl;
};

}  // namespace

TEST_F(TemplateTest, OneMarkerGetsThePageBodyAndEveryCharacterSurvives)
{
    UseGeneratedPage();
    ASSERT_EQ(tmpl.Parse(false, &score), PostResult::Success);
    EXPECT_TRUE(prompter.Shown().empty()) << "a new, recent file asks nothing";
    EXPECT_EQ(tmpl.GetOutputName(), "20240305anb.html");
    ASSERT_EQ(tmpl.Parse(true, &score), PostResult::Success);
    const std::string staging = tmpl.GetStagingPath();
    EXPECT_EQ(GetFolderOnly(staging) + "/" + GetFileNameOnly(staging).substr(0, 3), tempDir + "/QMw");
    EXPECT_TRUE(MatchesGolden(ReadWholeFile(staging), "template/golden/merged_page.html"));
    EXPECT_EQ(score.GetWebName(), "20240305anb.html");
    EXPECT_EQ(app->GetCurrentRunFiles(), std::vector<CScoreFile*>{&score});
}

TEST_F(TemplateTest, WithoutAGeneratedPageTheRawTextGoesInsidePre)
{
    ASSERT_EQ(tmpl.Parse(false, &score), PostResult::Success);
    ASSERT_EQ(tmpl.Parse(true, &score), PostResult::Success);
    const std::string page = ReadWholeFile(tmpl.GetStagingPath());
    EXPECT_TRUE(MatchesGolden(page, "template/golden/merged_raw.html"));
    EXPECT_EQ(Count(page, "\n"), Count(page, "\r\n")) << "every line ends with CR LF";
    EXPECT_EQ(Count(page, "\r\r"), 0u);
}

TEST_F(TemplateTest, MarkerCountOtherThanOneFailsTheMerge)
{
    tmpl.SetTemplate(kTemplateUrl, ReadTestData("template/results_no_marker.html"));
    EXPECT_EQ(tmpl.Parse(false, &score), PostResult::Success);
    EXPECT_EQ(tmpl.GetOutputName(), "") << "the check pass settles no name without a marker";
    EXPECT_EQ(tmpl.Parse(true, &score), PostResult::Failed);
    ASSERT_EQ(prompter.Shown().size(), 1u);
    EXPECT_EQ(prompter.Shown()[0].text,
              std::string("Template ") + kTemplateUrl + ":\r\nExpected 1 insert locations, found 0");

    // Two markers: the earlier-posting question at each, the body after
    // each, and then the count fails the file.
    prompter.Clear();
    AddEarlierPosting("2023\\11\\oldname.html", 0);
    tmpl.SetTemplate(kTemplateUrl, ReadTestData("template/results_two_markers.html"));
    prompter.Answer(IDYES);
    prompter.Answer(IDYES);
    EXPECT_EQ(tmpl.Parse(false, &score), PostResult::Success);
    EXPECT_EQ(prompter.Shown().size(), 2u);
    EXPECT_EQ(tmpl.Parse(true, &score), PostResult::Failed);
    const std::string page = ReadWholeFile(tmpl.GetStagingPath());
    EXPECT_EQ(Count(page, "Zürich Open Pairs"), 2u);
    EXPECT_EQ(Count(page, std::string(kInsertEndMarker) + "\r\n"), 2u);
    EXPECT_EQ(page.substr(page.size() - 9), "</html>\r\n") << "a last line without a line end gets one";
    EXPECT_EQ(prompter.LastShown().text,
              std::string("Template ") + kTemplateUrl + ":\r\nExpected 1 insert locations, found 2");
}

TEST_F(TemplateTest, EarlierPostingIsAskedAboutAndItsPageNameReused)
{
    AddEarlierPosting("2023\\11\\oldname.html", 0);
    prompter.Answer(IDYES);
    ASSERT_EQ(tmpl.Parse(false, &score), PostResult::Success);
    ASSERT_EQ(prompter.Shown().size(), 1u);
    EXPECT_EQ(prompter.Shown()[0].text,
              "The results in a score file have been posted previously to a web page.\r\n\r\nScore file: " +
                  scorePath + "\r\nWeb page: 2023\\11\\oldname.html\r\nInsert: 1\r\nPosted: " +
                  FormatShortDateTime(1700000000) +
                  "\r\n\r\nPost this file anyway?\r\n\r\nPress Yes to post this file\r\n"
                  "Press No to skip this file\r\nPress Cancel to cancel posting");
    EXPECT_EQ(tmpl.GetOutputName(), "oldname.html");

    // Results that went to another insert marker get a name of their own;
    // year and month folders come from this session.
    app->Setup().SetFlags(app->Setup().GetFlags() | SF_UPLOAD_TO_SUBDIRECTORIES);
    app->GetHistory().RemoveAll();
    AddEarlierPosting("2023\\11\\oldname.html", 1);
    prompter.Answer(IDYESTOALL);
    ASSERT_EQ(tmpl.Parse(false, &score), PostResult::Success);
    EXPECT_EQ(tmpl.GetOutputName(), "2024\\03\\20240305anb.html");
    EXPECT_FALSE(app->m_bAsk) << "Yes to All answers the rest of the run";

    app->m_bAsk = true;
    prompter.Answer(IDNO);
    EXPECT_EQ(tmpl.Parse(false, &score), PostResult::Failed);
    prompter.Answer(IDCANCEL);
    EXPECT_EQ(tmpl.Parse(false, &score), PostResult::Cancelled);
}

TEST_F(TemplateTest, FileOlderThanFourHoursIsQuestioned)
{
    clock.now = score.GetModifiedTime() + 4 * 3600;
    ASSERT_EQ(tmpl.Parse(false, &score), PostResult::Success);
    EXPECT_TRUE(prompter.Shown().empty()) << "exactly four hours does not count";
    clock.now += 1;
    prompter.Answer(IDNO);
    EXPECT_EQ(tmpl.Parse(false, &score), PostResult::Failed);
    EXPECT_EQ(prompter.Texts().at(0).rfind("A score file is more than four hours old.", 0), 0u);
}

TEST_F(TemplateTest, CancelThroughTheStatusChannelIsACancelNotAFailure)
{
    // At each step that sends a status text: the check pass's first text,
    // the staging file's text, and the text of the insert itself.
    for (int at = 1; at <= 3; ++at) {
        SCOPED_TRACE(at);
        CRecordingStatusSink cancelling;
        cancelling.cancelAt = at;
        app->SetMainFrame(&cancelling);
        const bool merge = at == 2;
        EXPECT_EQ(tmpl.Parse(merge, &score), PostResult::StatusCancelled);
    }
    app->SetMainFrame(&frame);
    EXPECT_TRUE(prompter.Shown().empty()) << "nothing is reported as failed";
}

TEST(PageFile, LineFeedsBecomeCrLfOnceEvenAcrossWrites)
{
    CTempFolder folder;
    CPageFile file;
    ASSERT_TRUE(file.Open(folder.File("page.htm")));
    file.WriteString("a\r");
    file.WriteString("\nb\n\n");
    file.Write("c\r\nd\re", 6);
    file.WriteString("\n");
    file.Close();
    EXPECT_EQ(ReadWholeFile(folder.File("page.htm")), "a\r\nb\r\n\r\nc\r\nd\re\r\n");
    EXPECT_FALSE(file.Open(folder.File("missing/page.htm")));
    EXPECT_THROW(file.WriteString("x"), CFileException);
}
