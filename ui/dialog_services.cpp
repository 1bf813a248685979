#include "ui/dialog_services.h"

#include <wx/dirdlg.h>
#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/msgdlg.h>

#include "app/quillmark_app.h"

namespace {

ChooserHook& TheChooserHook()
{
    static ChooserHook hook;
    return hook;
}

MessageHook& TheMessageHook()
{
    static MessageHook hook;
    return hook;
}

}  // namespace

void SetChooserHook(ChooserHook hook)
{
    TheChooserHook() = std::move(hook);
}

void SetMessageHook(MessageHook hook)
{
    TheMessageHook() = std::move(hook);
}

int ShowDialogMessage(wxWindow* parent, const wxString& text, long style)
{
    if (TheMessageHook())
        return TheMessageHook()(text, style);
    wxMessageDialog box(parent, text, "Quillmark", style);
    return box.ShowModal();
}

bool ChooseFolder(wxWindow* parent, const FileChooserRequest& request, wxString& path)
{
    wxString start = request.start;
    while (true) {
        wxString chosen;
        if (TheChooserHook()) {
            if (!TheChooserHook()("folder", request, chosen))
                return false;
        } else {
            wxDirDialog dialog(parent, request.title, wxDirExists(start) ? start : wxString(),
                               wxDD_DEFAULT_STYLE | wxDD_DIR_MUST_EXIST);
            if (dialog.ShowModal() != wxID_OK)
                return false;
            chosen = dialog.GetPath();
        }
        if (wxDirExists(chosen)) {
            path = chosen;
            return true;
        }
        ShowDialogMessage(parent, wxString::Format("Invalid directory: %s", chosen), wxOK | wxICON_ERROR);
        if (TheChooserHook())
            return false;  // a scripted chooser would answer the same again
    }
}

bool ChooseFile(wxWindow* parent, const FileChooserRequest& request, wxString& path)
{
    if (TheChooserHook())
        return TheChooserHook()("file", request, path);
    wxFileName start(request.start);
    wxString folder = start.GetPath();
    // A start folder that has gone would keep the chooser from opening there.
    if (!folder.empty() && !wxDirExists(folder))
        folder.clear();
    wxFileDialog dialog(parent, request.title, folder, start.GetFullName(), request.wildcard,
                        wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    if (dialog.ShowModal() != wxID_OK)
        return false;
    path = dialog.GetPath();
    return true;
}

void BindHelpButton(wxWindow* dialog, std::function<std::string()> topic)
{
    const auto showHelp = [topic] {
        if (CQuillmarkApp* app = GetAppPtr())
            app->Prompter().ShowHelp(topic ? topic() : std::string());
    };
    dialog->Bind(wxEVT_BUTTON, [showHelp](wxCommandEvent&) { showHelp(); }, wxID_HELP);
    // F1 anywhere in the dialog, whichever control has the keyboard.
    dialog->Bind(wxEVT_CHAR_HOOK, [showHelp](wxKeyEvent& event) {
        if (event.GetKeyCode() == WXK_F1 && !event.HasAnyModifiers())
            showHelp();
        else
            event.Skip();
    });
}
