// Helpers of the dialog tests: run a dialog modally while a script drives
// its controls through their own events, and take screenshots.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <wx/string.h>


class wxDialog;
class wxWindow;
class wxCheckBox;
class wxChoice;
class wxTextCtrl;

namespace setupdrv {

// Shows the dialog modally; script runs inside the modal loop and should
// end it (through OK or Cancel). A script that leaves it open gets the
// dialog cancelled, so a test never hangs. Returns the modal result.
int RunModal(wxDialog& dialog, std::function<void()> script);
// Lets pending events and paints run.
void Settle(int rounds = 5);
// A button press as the button sends it.
void Click(wxWindow* button);
// A button of a dialog by id.
void ClickId(wxWindow* dialog, int id);
void Tick(wxCheckBox* box, bool value);
void Choose(wxChoice* choice, int index);
void Type(wxTextCtrl* edit, const wxString& text);
// The screen area of a window saved as QM_SHOTS_DIR/<name>.png.
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
