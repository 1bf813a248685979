// Helpers of the dialog tests: controls worked through their own events,
// screenshots, and scripted answers to the dialogs' message boxes and
// choosers.
#pragma once

#include <string>
#include <vector>

#include <wx/string.h>

#include "dialog_driver.h"

class wxWindow;
class wxCheckBox;
class wxChoice;
class wxTextCtrl;

namespace setupdrv {

using ::Click;
using ::RunModal;
// A button of a dialog by id.
void ClickId(wxWindow* dialog, int id);
void Tick(wxCheckBox* box, bool value);
void Choose(wxChoice* choice, int index);
void Type(wxTextCtrl* edit, const wxString& text);
// The window saved as QM_SHOTS_DIR/<name>.png, with the pointer moved off
// it so that no control is drawn highlighted.
void Shot(wxWindow* window, const std::string& name);

// Records the dialogs' message boxes (answered OK) and chooser kinds; a
// chooser takes the next queued path, an empty one cancels.
class CDialogScript {
public:
    CDialogScript();
    ~CDialogScript();
    std::vector<wxString> messages;
    std::vector<std::string> chooserKinds;
    std::vector<wxString> answers;
};

}  // namespace setupdrv
