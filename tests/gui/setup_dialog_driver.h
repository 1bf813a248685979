// Helpers of the dialog tests: run a dialog modally while a script drives
// its controls through their own events, and take screenshots.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <wx/string.h>

#include "dialog_driver.h"


class wxDialog;
class wxWindow;
class wxCheckBox;
class wxChoice;
class wxTextCtrl;

namespace setupdrv {

// Running a dialog, clicks and the rest come from the shared driver.
using ::Click;
using ::RunModal;
// Lets pending events and paints run.
void Settle(int rounds = 5);
// A button of a dialog by id.
void ClickId(wxWindow* dialog, int id);
void Tick(wxCheckBox* box, bool value);
void Choose(wxChoice* choice, int index);
void Type(wxTextCtrl* edit, const wxString& text);
// The screen area of a window saved as QM_SHOTS_DIR/<name>.png, with the
// pointer moved off it so that no control is drawn highlighted.
void Shot(wxWindow* window, const std::string& name);

// Records the dialogs' message boxes and chooser questions for a test and
// answers them: messages with wxID_OK, choosers with the queued paths (an
// empty one cancels).
class CDialogScript {
public:
    CDialogScript();
    ~CDialogScript();
    std::vector<wxString> messages;
    std::vector<std::string> chooserKinds;
    std::vector<wxString> chooserStarts;
    std::vector<wxString> answers;
};

}  // namespace setupdrv
