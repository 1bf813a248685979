// The results page and the PDF of a score file, made by the layout program
// ("Vantorel.Object") on a worker thread: the user-interface thread fills a
// job, starts the worker, waits for it while pumping messages, and then
// reports what went wrong (naming the step that failed) or asks about the
// scoring errors the layout program found.
#include <atomic>
#include <cerrno>
#include <exception>
#include <new>
#include <system_error>
#include <thread>

#include "app/deferred_prompter.h"
#include "app/error_report.h"
#include "platform/path_helpers.h"
#include "app/quillmark_app.h"
#include "platform/text_helpers.h"
#include "platform/exceptions.h"
#include "platform/hresult.h"
#include "posting/score_file.h"
#include "posting/vantorel_dispatch.h"
#include "posting/web_files_job.h"

namespace {

// Step texts: recorded in the job just before each step, named by a report.
const char kStepOleInitialize[] = "OleInitialize";
const char kStepTempFolder[] = "CScoreFile::CreateWebFiles: CQuillmarkApp::GetTempDirectory";
const char kStepPageName[] = "CScoreFile::CreateWebFiles: web name";
const char kStepCreate[] = "Create Vantorel.Object";
const char kStepQuiet[] = "VT Quiet=true";
const char kStepOpenHandRecords[] = "VT Open handrecords";
const char kStepSortBoards[] = "VT Sort boards";
const char kStepLoadHtml1[] = "VT LoadLayout HTML #1";
const char kStepDoubleDummy[] = "VT DoubleDummyAllBoards";
const char kStepPdfFile[] = "CScoreFile::CreateWebFiles: CQuillmarkApp::GetTempFile(.pdf)";
const char kStepLoadPdf[] = "VT LoadLayout PDF";
const char kStepSaveAsPdf[] = "VT SaveAsPdf";
const char kStepLoadHtml2[] = "VT LoadLayout HTML #2";
const char kStepImportScoreData[] = "VT ImportScoreData";
const char kStepCheckScoreData[] = "VT CheckScoreData";
const char kStepSaveAsHtml[] = "VT SaveAsHtml";

// The file-name part of a web name, or empty when it names no file that
// could be written inside the output folder.
std::string PageFileName(const std::string& webName)
{
    std::string name = GetFileNameOnly(webName);
    if (!IsPlainFileName(name))
        name.clear();
    return name;
}

// Called inside a catch block: keeps the exception being handled in the job
// as a program exception and gives the failure code for it. The code is
// always a failure, also when the layout program raised an error whose code
// reads as success.
HRESULT RecordCurrentException(CreateWebFilesJob& job)
{
    try {
        throw;
    } catch (const COleDispatchException& e) {
        COleDispatchException copy(e);
        if (Trim(copy.m_strDescription).empty()) {
            copy.m_strDescription = FAILED(copy.m_scError)
                ? HResultTextOrCode(copy.m_scError)
                : StrFormat("Error code %d (0x%08X)", copy.m_scError, static_cast<unsigned>(copy.m_scError));
        }
        job.exception = std::make_exception_ptr(copy);
        return FAILED(copy.m_scError) ? copy.m_scError : E_FAIL;
    } catch (const CException&) {
        job.exception = std::current_exception();
    } catch (const std::bad_alloc&) {
        job.exception = std::make_exception_ptr(CMemoryException());
    } catch (const std::exception& e) {
        // Thrown through the automation boundary, where only status codes
        // belong: an automation failure with the thrower's text.
        job.exception = std::make_exception_ptr(COleException(E_FAIL, e.what()));
    } catch (...) {
        job.exception = std::make_exception_ptr(COleException(E_FAIL));
    }
    return E_FAIL;
}

// Reports the exception the worker kept (a CUserException has been reported
// where it was raised).
void ReportJobException(const std::exception_ptr& exception, const std::string& operation)
{
    try {
        std::rethrow_exception(exception);
    } catch (const CUserException&) {
    } catch (const CException& e) {
        ReportException(e, operation);
    } catch (...) {
        ReportException(COleException(E_FAIL), operation);
    }
}

// Joins the worker on every way out, so that a thread is never left
// joinable (which would end the process).
class CJoinOnExit {
public:
    explicit CJoinOnExit(std::thread& thread) : m_thread(thread) {}
    ~CJoinOnExit()
    {
        if (m_thread.joinable())
            m_thread.join();
    }
    CJoinOnExit(const CJoinOnExit&) = delete;
    CJoinOnExit& operator=(const CJoinOnExit&) = delete;

private:
    std::thread& m_thread;
};

}  // namespace

PostResult CScoreFile::BuildWebFiles()
{
    CQuillmarkApp& app = theApp();

    // The template check settles the page name. Without one there is no page
    // to make; a page must never be written under an empty name.
    if (PageFileName(m_strWebName).empty()) {
        LogOperation("CScoreFile::BuildWebFiles");
        // A name taken over from an earlier posting may be anything.
        const std::string name = GetFileNameOnly(m_strWebName);
        app.ShowErrorMessage(StrFormat(
            "No results page name was settled for a score file, so no page was made.\r\n\r\n"
            "Score file: %s\r\n\r\n%s",
            m_strPath.c_str(),
            name.empty() ? "Check that the score-file template holds the marker where the results go."
                         : StrFormat("The name \"%s\" is not a plain file name.", name.c_str()).c_str()));
        return PostResult::Failed;
    }

    CreateWebFilesJob job(this, app.Setup());
    std::atomic<bool> finished{false};
    std::atomic<int> exitCode{0};
    int result = 0;
    {
        std::thread worker;
        CJoinOnExit joiner(worker);
        try {
            worker = std::thread([&job, &finished, &exitCode] {
                exitCode = CreateWebFilesThreadProc(&job);
                finished = true;
            });
        } catch (const std::system_error& e) {
            ReportError(static_cast<uint32_t>(e.code().value()), "CScoreFile::BuildWebFiles: std::thread");
            return PostResult::Failed;
        }
        result = app.WaitForThread(worker, finished, exitCode);
    }

    // The worker has ended: its boxes come first, then the failure report.
    job.boxes.ShowDeferred(app.Prompter());
    if (result != 0) {
        const std::string operation = job.step ? job.step : "";
        if (job.exception)
            ReportJobException(job.exception, operation);
        else
            ReportError(static_cast<uint32_t>(result), operation);
        return PostResult::Failed;
    }

    if (job.boardsReported != 0 && (job.setupFlags & SF_ALERT_CHECK_SCORE_DATA) != 0) {
        const PostAnswer answer = ConfirmPost(StrFormat(
            "Potential scoring errors were found in a score file.\r\n\r\nScore file: %s\r\nBoards reported: %d",
            m_strPath.c_str(), job.boardsReported));
        return ToPostResult(answer);
    }
    return PostResult::Success;
}

int32_t CScoreFile::CreateWebFilesThreadProc(CreateWebFilesJob* job)
{
    // Error boxes wanted on this thread are shown by the UI thread later.
    CDeferredPrompter::Scope deferBoxes(job->boxes);
    // The automation layer needs no set-up per thread; the step still marks
    // the start of the worker.
    job->step = kStepOleInitialize;
    HRESULT hr;
    try {
        hr = job->file->CreateWebFiles(job);
    } catch (...) {
        hr = RecordCurrentException(*job);
    }
    // A failure must never leave a code that reads as success.
    if (hr > 0 || (hr == S_OK && job->exception))
        hr = E_FAIL;
    return hr;
}

int32_t CScoreFile::CreateWebFiles(CreateWebFilesJob* job)
{
    CQuillmarkApp& app = theApp();
    const std::string pageName = PageFileName(m_strWebName);
    if (pageName.empty()) {
        job->step = kStepPageName;
        job->exception = std::make_exception_ptr(CInvalidArgException("the score file has no web name"));
        return E_INVALIDARG;
    }

    // Paths of an earlier build must not outlive a failed one.
    m_strHtmlPath.clear();
    m_strPdfPath.clear();

    // Reports (deferred on a worker) and throws CUserException on failure.
    job->step = kStepTempFolder;
    std::string htmlPath;
    if (!JoinInside(app.GetTempDirectory("QMm"), pageName, htmlPath)) {
        job->exception =
            std::make_exception_ptr(CInvalidArgException("the results page name is not a plain file name"));
        return E_INVALIDARG;
    }
    std::string pdfPath;

    job->step = kStepCreate;
    CVantorelDispatch vantorel;
    COleException error(S_OK);
    if (!vantorel.CreateDispatch(&error)) {
        // Reported with its reason (logged and shown) when the creator gave one.
        if (!error.m_message.empty())
            job->exception = std::make_exception_ptr(error);
        return FAILED(error.m_sc) ? error.m_sc : E_FAIL;
    }

    const bool handRecords = !m_strHandRecordPath.empty();
    const std::string& htmlLayout = job->htmlLayout;
    try {
        job->step = kStepQuiet;
        vantorel.SetQuiet(true);
        if (handRecords) {
            job->step = kStepOpenHandRecords;
            vantorel.OpenHandRecords(m_strHandRecordPath);
            job->step = kStepSortBoards;
            vantorel.SortBoards();
            if (!htmlLayout.empty()) {
                job->step = kStepLoadHtml1;
                vantorel.LoadLayout(htmlLayout);
            }
            job->step = kStepDoubleDummy;
            vantorel.DoubleDummyAllBoards();
            if (job->setupFlags & SF_LINK_PDF_HAND_RECORDS) {
                if (!app.GetTempFile(std::string(), "QMm", ".pdf", pdfPath)) {
                    const int err = errno;
                    job->step = kStepPdfFile;
                    // No system error code left: still a failure.
                    return err != 0 ? HRESULT_FROM_WIN32(err) : E_FAIL;
                }
                bool pdfLayoutLoaded = false;
                if (!job->pdfLayout.empty()) {
                    job->step = kStepLoadPdf;
                    vantorel.LoadLayout(job->pdfLayout);
                    pdfLayoutLoaded = true;
                }
                job->step = kStepSaveAsPdf;
                vantorel.SaveAsPdf(pdfPath);
                if (pdfLayoutLoaded && !htmlLayout.empty()) {
                    job->step = kStepLoadHtml2;
                    vantorel.LoadLayout(htmlLayout);
                }
            }
        } else if (!htmlLayout.empty()) {
            job->step = kStepLoadHtml2;
            vantorel.LoadLayout(htmlLayout);
        }
        job->step = kStepImportScoreData;
        vantorel.ImportScoreData(m_strPath);
        if (handRecords && (job->setupFlags & SF_USE_CHECK_SCORE_DATA)) {
            job->step = kStepCheckScoreData;
            job->boardsReported = vantorel.CheckScoreData();
        }
        job->step = kStepSaveAsHtml;
        vantorel.SaveAsHtml(htmlPath);
    } catch (...) {
        vantorel.ReleaseDispatch();
        return RecordCurrentException(*job);
    }

    m_strPdfPath = pdfPath;
    m_strHtmlPath = htmlPath;
    vantorel.ReleaseDispatch();
    return S_OK;
}
