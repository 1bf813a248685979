// The URL download as the program runs it: the download itself goes on a
// worker thread of the transfer code while this thread keeps the window
// working, drives the progress bar and watches for Cancel.
#include "app/quillmark_app.h"

#include <climits>

#include "app/error_report.h"
#include "platform/text_helpers.h"
#include "transfer/get_url.h"

bool CQuillmarkApp::GetURL(const std::string& url, std::vector<char>& bytes)
{
    bytes.clear();
    int startError = 0;
    std::shared_ptr<CGetURLJob> job = StartURLDownload(url, *this, startError);
    if (!job) {
        ReportError(static_cast<uint32_t>(startError), "CQuillmarkApp::GetURL: AfxBeginThread");
        return false;
    }

    bool cancelled = false;
    bool shown = false;
    while (true) {
        PumpMessages();
        if (GetCancelState(false) == CS_CANCELLED) {
            job->Cancel();
            cancelled = true;
            break;
        }
        const int64_t length = job->contentLength.load();
        if (length > 0) {
            int shift = 0;
            while ((length >> shift) > INT_MAX)
                ++shift;
            UploadProgress(true, static_cast<int>(length >> shift), static_cast<int>(job->bytesRead.load() >> shift));
            shown = true;
        }
        if (job->WaitFinished(20))
            break;
    }
    if (shown)
        UploadProgress(false, 0, 0);
    if (cancelled)
        return false;  // the worker stops at its next read and frees nothing of ours
    if (job->TakeResult(bytes))
        return true;
    std::string error = job->errorText;
    if (error.empty())
        error = StrFormat("%s: Get URL failed", url.c_str());
    if (m_pLog) {
        m_pLog->WriteLastStatus();
        m_pLog->Write(error + "\n");
    }
    Prompter().MessageBox(error, MB_OK | MB_ICONERROR);
    return false;
}
