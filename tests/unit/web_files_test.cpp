// The layout program driven on a worker thread: the page and PDF made
// through the stand-in component, the order of the calls for each setup,
// failures reported by the UI thread with the step that failed, and the
// scoring-errors question.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <thread>

#include "platform/path_helpers.h"
#include "platform/exceptions.h"
#include "standin/standin_layout.h"
#include "platform/vantorel_interface.h"
#include "posting/score_file.h"
#include "posting/web_files_job.h"
#include "support/fake_layout.h"
#include "support/score_samples.h"
#include "support/test_app.h"

namespace {

const char kQuestionEnd[] =
    "\r\n\r\nPost this file anyway?\r\n\r\nPress Yes to post this file\r\n"
    "Press No to skip this file\r\nPress Cancel to cancel posting";

// A prompter that also counts the boxes shown off the UI thread (there must
// be none: the worker's boxes are shown by the UI thread after the wait).
class CUiThreadPrompter : public CScriptedPrompter {
public:
    int MessageBox(const std::string& text, unsigned style) override
    {
        if (std::this_thread::get_id() != uiThread)
            ++offUiThread;
        return CScriptedPrompter::MessageBox(text, style);
    }
    std::thread::id uiThread = std::this_thread::get_id();
    std::atomic<int> offUiThread{0};
};

class WebFiles : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        RegisterStandInLayout();
        app->SetPrompter(&boxes);
        app->m_bAsk = true;
        m_score = folder.Write("Open Pairs 230904a.txt", samples::LayoutScoreText());
        m_pbn = folder.Write("230904a.pbn", samples::LayoutHandRecords());
        m_htmlLayout = folder.Write("page.vtl", "title = Monday Pairs\n");
        m_pdfLayout = folder.Write("deals.vtl", "title = Monday hand records\n");
        file.SetPath(m_score);
        file.SetHandRecordPath(m_pbn);
        file.SetPosted("2023/09/Open Pairs 230904a.htm", 1);
        Configure(SF_LINK_PDF_HAND_RECORDS | SF_USE_CHECK_SCORE_DATA | SF_ALERT_CHECK_SCORE_DATA, true, true);
    }
    void TearDown() override
    {
        EXPECT_EQ(boxes.offUiThread.load(), 0) << "a box was shown from the worker";
        AppTest::TearDown();
    }

    void Configure(uint32_t flags, bool htmlLayout, bool pdfLayout)
    {
        app->Setup().SetFlags(flags);
        app->Setup().m_strHtmlLayout = htmlLayout ? m_htmlLayout : "";
        app->Setup().m_strPdfLayout = pdfLayout ? m_pdfLayout : "";
    }
    bool LogHas(const std::string& entry) const { return LogText().find(entry) != std::string::npos; }

    CUiThreadPrompter boxes;
    CScoreFile file;
    std::string m_score, m_pbn, m_htmlLayout, m_pdfLayout;
};

}  // namespace

TEST_F(WebFiles, StandInMakesThePageAndThePdfFromAScoreFileAndHandRecords)
{
    boxes.Answer(IDYES);
    ASSERT_EQ(file.BuildWebFiles(), PostResult::Success);

    // The page: in a new "QMm" folder of the temporary folder, named after
    // the file-name part of the web name, with its body on lines of its own.
    const std::string html = file.GetHtmlPath();
    const std::string folderPath = GetFolderOnly(html);
    // (The six characters after the prefix are random.)
    EXPECT_EQ(html.substr(0, tempDir.size() + 4) + html.substr(tempDir.size() + 10),
              tempDir + "/QMm/Open Pairs 230904a.htm");
    EXPECT_NE(ReadWholeFile(html).find("<title>Monday Pairs</title>"), std::string::npos);
    // The PDF: a "QMm....pdf" temporary file; both are deleted at exit.
    const std::string pdf = file.GetPdfPath();
    EXPECT_EQ(pdf.substr(0, tempDir.size() + 4) + pdf.substr(tempDir.size() + 10), tempDir + "/QMm.pdf");
    EXPECT_EQ(ReadWholeFile(pdf).rfind("%PDF-", 0), 0u);

    // The stand-in found board 5 without a deal: one question, answered Yes.
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Potential scoring errors were found in a score file.\r\n\r\nScore file: " + m_score +
                                 "\r\nBoards reported: 1" + kQuestionEnd});
    EXPECT_FALSE(LogHas("Operation="));
    app->DeleteTempPaths();
    EXPECT_FALSE(FileExists(pdf));
    EXPECT_FALSE(FolderExists(folderPath));
}

TEST_F(WebFiles, CallsFollowTheSetupInOrderOnTheWorker)
{
    struct Case {
        const char* name;
        bool handRecords;
        uint32_t flags;
        bool htmlLayout, pdfLayout;
        // Each call: member and argument ("" none, "html"/"pdf"/"hr"/"score"
        // and "html-layout"/"pdf-layout" for the paths).
        std::vector<std::pair<DispId, std::string>> calls;
    };
    using namespace vantorel;
    const Case cases[] = {
        {"hand records, both layouts, PDF and check", true,
         SF_LINK_PDF_HAND_RECORDS | SF_USE_CHECK_SCORE_DATA, true, true,
         {{Quiet, "true"}, {OpenHandRecords, "hr"}, {SortBoards, ""}, {LoadLayout, "html-layout"},
          {DoubleDummyAllBoards, ""}, {LoadLayout, "pdf-layout"}, {SaveAsPdf, "pdf"},
          {LoadLayout, "html-layout"}, {ImportScoreData, "score"}, {CheckScoreData, ""}, {SaveAsHtml, "html"}}},
        {"no hand records: no PDF and no check", false,
         SF_LINK_PDF_HAND_RECORDS | SF_USE_CHECK_SCORE_DATA, true, true,
         {{Quiet, "true"}, {LoadLayout, "html-layout"}, {ImportScoreData, "score"}, {SaveAsHtml, "html"}}},
        {"PDF without a PDF layout: the HTML layout is not loaded again", true,
         SF_LINK_PDF_HAND_RECORDS, true, false,
         {{Quiet, "true"}, {OpenHandRecords, "hr"}, {SortBoards, ""}, {LoadLayout, "html-layout"},
          {DoubleDummyAllBoards, ""}, {SaveAsPdf, "pdf"}, {ImportScoreData, "score"}, {SaveAsHtml, "html"}}},
        {"no HTML layout: the current layout is used", true, SF_LINK_PDF_HAND_RECORDS, false, true,
         {{Quiet, "true"}, {OpenHandRecords, "hr"}, {SortBoards, ""}, {DoubleDummyAllBoards, ""},
          {LoadLayout, "pdf-layout"}, {SaveAsPdf, "pdf"}, {ImportScoreData, "score"}, {SaveAsHtml, "html"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeLayout fake;
        Configure(c.flags, c.htmlLayout, c.pdfLayout);
        file.SetHandRecordPath(c.handRecords ? m_pbn : "");
        file.SetPdfPath("stale.pdf");
        ASSERT_EQ(file.BuildWebFiles(), PostResult::Success);

        const bool pdfMade = c.handRecords && (c.flags & SF_LINK_PDF_HAND_RECORDS);
        EXPECT_EQ(file.GetPdfPath().empty(), !pdfMade);
        const std::map<std::string, std::string> paths = {
            {"hr", m_pbn}, {"score", m_score}, {"html", file.GetHtmlPath()}, {"pdf", file.GetPdfPath()},
            {"html-layout", m_htmlLayout}, {"pdf-layout", m_pdfLayout}};
        const auto calls = fake.Calls();
        ASSERT_EQ(calls.size(), c.calls.size());
        for (size_t i = 0; i < calls.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(calls[i].id, c.calls[i].first);
            EXPECT_NE(calls[i].thread, std::this_thread::get_id());
            const std::string& arg = c.calls[i].second;
            EXPECT_EQ(calls[i].flags, unsigned(arg == "true" ? DISPATCH_PROPERTYPUT : DISPATCH_METHOD));
            EXPECT_EQ(calls[i].args, arg.empty()    ? std::vector<Variant>{}
                                     : arg == "true" ? std::vector<Variant>{Variant(true)}
                                                     : std::vector<Variant>{Variant(paths.at(arg))});
        }
        // One object, created and released on the worker.
        EXPECT_EQ(fake.Created(), 1);
        EXPECT_EQ(fake.Released(), 1);
        for (const auto& t : fake.ObjectThreads())
            EXPECT_EQ(t, calls.front().thread);
        EXPECT_TRUE(boxes.Shown().empty());
    }
}

// Each way a call can fail ends the sequence at that call and is reported
// with the step's text as the operation; no page path is kept.
TEST_F(WebFiles, AFailingCallIsReportedWithItsStepText)
{
    using F = FakeLayout::Failure;
    struct Case {
        F failure;
        DispId id;
        int occurrence;
        HRESULT code;
        const char* description;
        const char* step;
        const char* logged;  // the exception entry
        const char* box;
    };
    const Case cases[] = {
        {F::Raise, vantorel::SortBoards, 1, E_INVALIDARG, "Hand records are damaged", "VT Sort boards",
         "Exception(COleDispatchException,0x80070057)=[Hand records are damaged]", "Hand records are damaged"},
        // An error without a description gets the text of its code.
        {F::Raise, vantorel::SaveAsHtml, 1, HRESULT_FROM_WIN32(28), "", "VT SaveAsHtml",
         "Exception(COleDispatchException,0x8007001C)=[No space left on device.]", "No space left on device."},
        // The second load of a layout is the PDF layout.
        {F::ReturnCode, vantorel::LoadLayout, 2, DISP_E_MEMBERNOTFOUND, "", "VT LoadLayout PDF",
         "Exception(COleException,0x80020003)=[Member not found.]", "Member not found."},
        // A member that throws: caught on the worker, not the end of the process.
        {F::Throw, vantorel::ImportScoreData, 1, S_OK, "layout engine crashed", "VT ImportScoreData",
         "Exception(COleException,0x80004005)=[layout engine crashed]", "layout engine crashed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.step);
        FakeLayout fake;
        fake.failure = c.failure;
        fake.failId = c.id;
        fake.occurrence = c.occurrence;
        fake.code = c.code;
        fake.description = c.description;
        file.SetHtmlPath("earlier.htm");
        file.SetPdfPath("earlier.pdf");
        boxes.Clear();
        const size_t logBefore = LogText().size();

        EXPECT_EQ(file.BuildWebFiles(), PostResult::Failed);
        const std::string log = LogText().substr(logBefore);
        EXPECT_NE(log.find(std::string("Operation=[") + c.step + "]\n"), std::string::npos) << log;
        EXPECT_NE(log.find(std::string(c.logged) + "\n"), std::string::npos) << log;
        EXPECT_EQ(boxes.Texts(), std::vector<std::string>{c.box});
        ASSERT_FALSE(fake.Ids().empty());
        EXPECT_EQ(fake.Ids().back(), c.id);
        EXPECT_EQ(fake.Released(), 1);
        EXPECT_EQ(file.GetHtmlPath(), "");
        EXPECT_EQ(file.GetPdfPath(), "");
    }
}

// A failure whose code reads as success is still a failure: the worker's
// exit code is E_FAIL, and the report does not call it a success.
TEST_F(WebFiles, FailuresWithSuccessCodesStayFailures)
{
    for (HRESULT code : {S_OK, S_FALSE}) {
        SCOPED_TRACE(code);
        FakeLayout fake;
        fake.failure = FakeLayout::Failure::Raise;
        fake.failId = vantorel::ImportScoreData;
        fake.code = code;
        CreateWebFilesJob job(&file, app->Setup());
        EXPECT_EQ(CScoreFile::CreateWebFilesThreadProc(&job), E_FAIL);
        EXPECT_STREQ(job.step, "VT ImportScoreData");
        ASSERT_TRUE(job.exception);
        try {
            std::rethrow_exception(job.exception);
        } catch (const COleDispatchException& e) {
            EXPECT_EQ(e.m_strDescription, code == S_OK ? "Error code 0 (0x00000000)" : "Error code 1 (0x00000001)");
        }
    }

    // No layout program, and a creator that reports success without an
    // object: both fail at the create step.
    const std::pair<DispatchCreator, const char*> creators[] = {
        {DispatchCreator{}, "Error(0x80040154)=[Class not registered.]\n"},
        {[](std::unique_ptr<IDispatchObject>&) { return S_FALSE; }, "Error(0x80004005)=[Unknown error.]\n"}};
    for (const auto& [creator, logged] : creators) {
        const DispatchCreator saved = RegisterDispatchClass(kVantorelProgId, creator);
        EXPECT_EQ(file.BuildWebFiles(), PostResult::Failed);
        RegisterDispatchClass(kVantorelProgId, saved);
        EXPECT_TRUE(LogHas("Operation=[Create Vantorel.Object]\n"));
        EXPECT_TRUE(LogHas(logged)) << logged;
        EXPECT_EQ(file.GetHtmlPath(), "");
    }
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"Class not registered.", "Unknown error."}));
}

// Reports raised inside the worker's own steps (the temporary folder and
// PDF file) are kept and shown by the UI thread, in order, before the
// step's own report; an already-reported failure is not reported twice.
TEST_F(WebFiles, ReportsFromTheWorkersOwnStepsAreShownByTheUiThread)
{
    {
        FakeLayout fake;
        ::setenv("TMPDIR", (tempDir + "/missing").c_str(), 1);
        EXPECT_EQ(file.BuildWebFiles(), PostResult::Failed);
        ::setenv("TMPDIR", tempDir.c_str(), 1);
        EXPECT_EQ(fake.Created(), 0);
        EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"No such file or directory"});
        EXPECT_TRUE(LogHas("Operation=[CQuillmarkApp::GetTempDirectory: GetTempPath]\n"));
    }
    {
        // The temporary folder disappears while the layout program works.
        FakeLayout fake;
        const std::string moved = tempDir + ".moved";
        fake.beforeCall = [&](DispId id) {
            if (id == vantorel::DoubleDummyAllBoards)
                std::rename(tempDir.c_str(), moved.c_str());
        };
        boxes.Clear();
        EXPECT_EQ(file.BuildWebFiles(), PostResult::Failed);
        std::rename(moved.c_str(), tempDir.c_str());
        ASSERT_FALSE(fake.Ids().empty());
        EXPECT_EQ(fake.Ids().back(), vantorel::DoubleDummyAllBoards);
        EXPECT_EQ(boxes.Texts().at(0), "No such file or directory");
        EXPECT_TRUE(LogHas("Operation=[CQuillmarkApp::GetTempFile: GetTempPath]\n"));
        EXPECT_TRUE(LogHas("Operation=[CScoreFile::CreateWebFiles: CQuillmarkApp::GetTempFile(.pdf)]\n"));
        EXPECT_EQ(file.GetPdfPath(), "");
    }
}

TEST_F(WebFiles, ScoringErrorsAreAskedAboutOnlyWhenTheAlertIsOn)
{
    FakeLayout fake;
    fake.boardsReported = 3;
    const std::string question = "Potential scoring errors were found in a score file.\r\n\r\nScore file: " +
                                 m_score + "\r\nBoards reported: 3" + kQuestionEnd;
    struct Answer {
        int button;
        PostResult result;
    };
    for (const Answer a : {Answer{IDYES, PostResult::Success}, Answer{IDNO, PostResult::Failed},
                           Answer{IDCANCEL, PostResult::Cancelled}}) {
        SCOPED_TRACE(a.button);
        boxes.Clear();
        boxes.Answer(a.button);
        EXPECT_EQ(file.BuildWebFiles(), a.result);
        EXPECT_EQ(boxes.Texts(), std::vector<std::string>{question});
        EXPECT_TRUE(FileExists(file.GetHtmlPath()));
    }

    // Yes to All posts this file and answers the rest of the run unasked.
    boxes.Clear();
    boxes.Answer(IDYESTOALL);
    EXPECT_EQ(file.BuildWebFiles(), PostResult::Success);
    EXPECT_EQ(file.BuildWebFiles(), PostResult::Success);
    EXPECT_EQ(boxes.Texts().size(), 1u);
    EXPECT_TRUE(LogHas("Autoreply=[Yes] due to previous press of [Yes to All]\n"));

    // No question with the alert off, or when no board was reported.
    app->m_bAsk = true;
    boxes.Clear();
    Configure(SF_USE_CHECK_SCORE_DATA, true, false);
    EXPECT_EQ(file.BuildWebFiles(), PostResult::Success);
    Configure(SF_USE_CHECK_SCORE_DATA | SF_ALERT_CHECK_SCORE_DATA, true, false);
    fake.boardsReported = 0;
    EXPECT_EQ(file.BuildWebFiles(), PostResult::Success);
    EXPECT_TRUE(boxes.Shown().empty());
}

// A template check that settled no page name (a template without a marker)
// must not lead to a page written under an empty name.
TEST_F(WebFiles, WithoutAPageNameNothingIsMade)
{
    FakeLayout fake;
    for (const char* name : {"", "2023/09/", ".."}) {
        SCOPED_TRACE(name);
        file.SetPosted(name, 0);
        boxes.Clear();
        EXPECT_EQ(file.BuildWebFiles(), PostResult::Failed);
        const auto texts = boxes.Texts();
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0].rfind("No results page name was settled for a score file", 0), 0u) << texts[0];
        EXPECT_NE(texts[0].find("Score file: " + m_score), std::string::npos);
    }
    EXPECT_EQ(fake.Created(), 0);
    EXPECT_TRUE(app->GetTempPaths().empty());
    EXPECT_EQ(file.GetHtmlPath(), "");
}

namespace {
// A frame whose message pump makes temporary files, as the UI thread may
// while the worker makes its own.
class CTempMakingFrame : public CRecordingStatusSink {
public:
    bool PumpMessages() override
    {
        std::string path;
        if (made < 200 && app && app->GetTempFile(std::string(), "QMt", ".txt", path))
            ++made;
        return true;
    }
    CQuillmarkApp* app = nullptr;
    int made = 0;
};

size_t CountTempPaths(const CQuillmarkApp& app, const std::string& part)
{
    size_t n = 0;
    for (const auto& p : app.GetTempPaths())
        n += p.find(part) != std::string::npos ? 1 : 0;
    return n;
}
}  // namespace

// The worker records its output folder and PDF while the UI thread records
// its own temporary files: none may be lost (under TSan, no race either).
TEST_F(WebFiles, TemporaryPathsFromBothThreadsAreAllKept)
{
    FakeLayout fake;
    fake.beforeCall = [](DispId) { std::this_thread::sleep_for(std::chrono::milliseconds(2)); };
    CTempMakingFrame pumping;
    pumping.app = app.get();
    app->SetMainFrame(&pumping);
    EXPECT_EQ(file.BuildWebFiles(), PostResult::Success);
    app->SetMainFrame(&frame);

    EXPECT_GT(pumping.made, 0);
    EXPECT_EQ(CountTempPaths(*app, "/QMt"), static_cast<size_t>(pumping.made));
    EXPECT_EQ(CountTempPaths(*app, "/QMm"), 2u);  // the output folder and the PDF
}
