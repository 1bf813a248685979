#include "ui/wx_prompter.h"

#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/utils.h>

#include "ui/help_window.h"
#include "ui/message_box.h"
#include "ui/message_dialog.h"
#include "ui/text_dialog.h"
#include "ui/ui_thread.h"

namespace {

wxString FromUtf8(const std::string& s)
{
    return wxString::FromUTF8(s);
}

std::string ToUtf8(const wxString& s)
{
    return std::string(s.utf8_str());
}

// A dialog's parent only while it is on screen: a hidden or closing frame
// would take the box down with it.
wxWindow* UsableParent(wxWindow* parent)
{
    return parent && parent->IsShown() && !parent->IsBeingDeleted() ? parent : nullptr;
}

}  // namespace

int CWxPrompter::MessageBox(const std::string& text, unsigned style)
{
    return ui::RunOnUiThread<int>(
        [this, text, style] {
            CQMMessageBox box(UsableParent(m_parent), text, style);
            if (style & 0xF0)
                wxBell();
            return box.ShowModal();
        },
        IDCANCEL);
}

int CWxPrompter::YesToAllBox(const std::string& text)
{
    return ui::RunOnUiThread<int>(
        [this, text] { return CMessageDialog::YesToAllBox(UsableParent(m_parent), text, [this] { ShowHelp(help::kQuestions); }); },
        IDCANCEL);
}

void CWxPrompter::ShowText(const std::string& caption, const std::string& text, const std::string& profileSection,
                           bool withCancel)
{
    ui::RunOnUiThread<int>(
        [&] { return CTextDialog::ShowModalText(UsableParent(m_parent), caption, text, profileSection, withCancel); },
        0);
}

void CWxPrompter::ShowHelp(const std::string& topic)
{
    ui::RunOnUiThread<int>([this, topic] { return CHelpWindow::ShowHelp(UsableParent(m_parent), topic); }, 0);
}

std::string CWxPrompter::Wildcard(const std::string& filter)
{
    std::string s = filter;
    while (!s.empty() && s.back() == '|')
        s.pop_back();
    return s.empty() ? std::string("All Files (*.*)|*") : s;
}

std::string CWxPrompter::WithDefaultExtension(const std::string& path, const std::string& extension)
{
    if (extension.empty() || path.empty())
        return path;
    const wxFileName name(FromUtf8(path));
    if (name.HasExt())
        return path;
    return path + (extension[0] == '.' ? "" : ".") + extension;
}

bool CWxPrompter::SaveFileDialog(const FileDialogRequest& request, std::string& path)
{
    std::string chosen;
    const bool ok = ui::RunOnUiThread<bool>(
        [&] {
            wxFileDialog dialog(UsableParent(m_parent), FromUtf8(request.title.empty() ? "Save As" : request.title),
                                FromUtf8(request.initialFolder), FromUtf8(request.initialName),
                                FromUtf8(Wildcard(request.filter)), wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
            dialog.SetFilterIndex(request.filterIndex > 0 ? request.filterIndex - 1 : 0);
            if (dialog.ShowModal() != wxID_OK)
                return false;
            chosen = WithDefaultExtension(ToUtf8(dialog.GetPath()), request.defaultExtension);
            return true;
        },
        false);
    if (ok)
        path = chosen;
    return ok;
}

bool CWxPrompter::OpenFileDialog(const FileDialogRequest& request, std::string& path, int& filterIndex)
{
    std::string chosen;
    int index = request.filterIndex;
    const bool ok = ui::RunOnUiThread<bool>(
        [&] {
            wxFileDialog dialog(UsableParent(m_parent), FromUtf8(request.title.empty() ? "Open" : request.title),
                                FromUtf8(request.initialFolder), FromUtf8(request.initialName),
                                FromUtf8(Wildcard(request.filter)), wxFD_OPEN | wxFD_FILE_MUST_EXIST);
            dialog.SetFilterIndex(request.filterIndex > 0 ? request.filterIndex - 1 : 0);
            if (dialog.ShowModal() != wxID_OK)
                return false;
            chosen = ToUtf8(dialog.GetPath());
            index = dialog.GetFilterIndex() + 1;
            return true;
        },
        false);
    if (ok) {
        path = chosen;
        filterIndex = index;
    }
    return ok;
}

bool CWxPrompter::OpenFilesDialog(const FileDialogRequest& request, std::vector<std::string>& paths)
{
    std::vector<std::string> chosen;
    const bool ok = ui::RunOnUiThread<bool>(
        [&] {
            wxFileDialog dialog(UsableParent(m_parent), FromUtf8(request.title.empty() ? "Open" : request.title),
                                FromUtf8(request.initialFolder), FromUtf8(request.initialName),
                                FromUtf8(Wildcard(request.filter)), wxFD_OPEN | wxFD_FILE_MUST_EXIST | wxFD_MULTIPLE);
            dialog.SetFilterIndex(request.filterIndex > 0 ? request.filterIndex - 1 : 0);
            if (dialog.ShowModal() != wxID_OK)
                return false;
            wxArrayString all;
            dialog.GetPaths(all);
            for (const wxString& p : all)
                chosen.push_back(ToUtf8(p));
            return true;
        },
        false);
    if (ok)
        paths = chosen;
    return ok;
}
