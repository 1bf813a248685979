// What the dialogs ask of the user beyond their own controls: a folder or a
// file from the system's choosers, and a message box over the dialog. Tests
// put scripted answers in place of the real windows.
#pragma once

#include <functional>
#include <string>

#include <wx/string.h>

class wxWindow;

struct FileChooserRequest {
    wxString title;
    wxString start;     // the current path (file or folder); may be gone
    wxString wildcard;  // wxFileDialog form: "PBN Files (*.pbn)|*.pbn|All Files (*.*)|*.*"
};

// A folder chosen with wxDirDialog: false when cancelled. A typed folder
// that does not exist is refused with "Invalid directory: %s" and the
// chooser opens again.
bool ChooseFolder(wxWindow* parent, const FileChooserRequest& request, wxString& path);
// An existing file chosen with wxFileDialog: false when cancelled. A start
// folder that is no longer there is dropped so the chooser still opens.
bool ChooseFile(wxWindow* parent, const FileChooserRequest& request, wxString& path);
// A message box over a dialog (wxMessageDialog); returns wxID_OK, wxID_YES...
int ShowDialogMessage(wxWindow* parent, const wxString& text, long style);

// The program's help, for the dialogs' Help buttons (wxID_HELP): opened at
// the part that topic names (help_window.h), asked when the button is
// pressed (a Setup page's part follows the page shown). F1 in the dialog
// opens the same.
void BindHelpButton(wxWindow* dialog, std::function<std::string()> topic);

// Test hooks: a set function answers instead of the real window. kind is
// "folder" or "file" for the choosers.
using ChooserHook = std::function<bool(const char* kind, const FileChooserRequest& request, wxString& path)>;
using MessageHook = std::function<int(const wxString& text, long style)>;
void SetChooserHook(ChooserHook hook);
void SetMessageHook(MessageHook hook);
