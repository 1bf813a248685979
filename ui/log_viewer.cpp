#include "ui/log_viewer.h"

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include <wx/app.h>
#include <wx/thread.h>

#include "app/error_report.h"
#include "app/quillmark_app.h"
#include "platform/fd_io.h"
#include "ui/text_dialog.h"

namespace {

// What the log writer hands over: a queue filled on any thread and emptied
// into the viewer on the UI thread, in the order the entries were written.
struct LogViewerLink {
    std::mutex mutex;
    std::deque<std::string> pending;
    std::atomic<bool> flushPosted{false};
    CTextDialog* viewer = nullptr;  // UI thread only
    CLogfile* log = nullptr;

    void Flush()
    {
        flushPosted = false;
        std::deque<std::string> entries;
        {
            std::lock_guard<std::mutex> lock(mutex);
            entries.swap(pending);
        }
        if (!viewer)
            return;
        for (const std::string& entry : entries)
            viewer->AppendText(entry);
    }
};

std::shared_ptr<LogViewerLink>& Link()
{
    static std::shared_ptr<LogViewerLink> link;
    return link;
}

bool ReadLog(const std::string& path, std::string& text, int& error)
{
    text.clear();
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        error = errno;
        return false;
    }
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, file)) > 0)
        text.append(buf, n);
    error = std::ferror(file) ? EIO : 0;
    std::fclose(file);
    return error == 0;
}

}  // namespace

CTextDialog* GetLogViewer()
{
    return Link() ? Link()->viewer : nullptr;
}

void ViewLogfile(wxWindow* parent)
{
    if (CQuillmarkApp* app = GetAppPtr())
        if (CLogfile* log = app->GetLog())
            ViewLogfile(*log, parent);
}

void ViewLogfile(CLogfile& log, wxWindow* parent)
{
    std::shared_ptr<LogViewerLink>& link = Link();
    if (link && link->viewer && link->log == &log) {
        link->Flush();
        link->viewer->ScrollToEnd();
        link->viewer->Show();
        link->viewer->Raise();
        return;
    }
    std::string text;
    int error = 0;
    if (!ReadLog(log.GetPath(), text, error)) {
        ReportError(static_cast<uint32_t>(error ? error : ENOENT), "CLogfile::View: open");
        return;
    }
    CTextDialog* viewer = CTextDialog::ShowModeless(parent, log.GetPath(), text, "ViewLogfile", true);
    if (!viewer)
        return;
    viewer->ScrollToEnd();

    auto fresh = std::make_shared<LogViewerLink>();
    fresh->viewer = viewer;
    fresh->log = &log;
    link = fresh;
    std::weak_ptr<LogViewerLink> weak = fresh;
    log.SetViewer([weak](const std::string& entry) {
        std::shared_ptr<LogViewerLink> l = weak.lock();
        if (!l)
            return;
        {
            std::lock_guard<std::mutex> lock(l->mutex);
            l->pending.push_back(entry);
        }
        if (wxThread::IsMain())
            l->Flush();
        else if (!l->flushPosted.exchange(true) && wxTheApp)
            wxTheApp->CallAfter([l] { l->Flush(); });
    });
    // The viewer goes with its parent: stop feeding it.
    viewer->Bind(wxEVT_DESTROY, [fresh, viewer](wxWindowDestroyEvent& event) {
        event.Skip();
        if (event.GetEventObject() != viewer)
            return;
        fresh->viewer = nullptr;
        CQuillmarkApp* app = GetAppPtr();
        if (app && app->GetLog() == fresh->log)
            fresh->log->SetViewer(nullptr);
        if (Link() == fresh)
            Link().reset();
    });
}
