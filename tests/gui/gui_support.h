// Helpers of the window tests: a private set of folders for one start of
// the program, waiting while the event loop runs, answering the next modal
// box through its own buttons, and screenshots.
#pragma once

#include <wx/timer.h>
#include <wx/window.h>
#include <wx/mousestate.h>

#include <functional>
#include <string>
#include <vector>

#include "support/test_app.h"

class CQMMessageBox;

// Points the program's data folder, profile, desktop data and temporary
// folder into a fresh temporary folder for the life of the object.
class CProgramFolders {
public:
    CProgramFolders();
    ~CProgramFolders();
    std::string Data() const { return folder.File("data"); }
    std::string Config() const { return folder.File("config"); }
    std::string Share() const { return folder.File("share"); }
    CTempFolder folder;

private:
    std::vector<std::pair<std::string, std::string>> m_saved;
    std::vector<std::string> m_unset;
};

// Runs the event loop until pred is true or ms pass; true when it became
// true.
bool WaitUntil(const std::function<bool()>& pred, int ms = 30000);
// Runs the event loop for ms milliseconds.
void PumpFor(int ms);
// Runs a nested event loop (not a yield, which would not let a command
// started by a key pump again) until pred holds or ms pass.
bool RunLoopUntil(const std::function<bool()>& pred, int ms);

// Runs the event loop until the top-level window stands where it will
// stay: shown on the screen, its frame put around it by the window manager
// and known to the toolkit, and a restored placement carried out (the
// window manager's answer to the move back has come). A busy machine may
// take long: the wait ends early only when all of that holds.
bool WaitForPlacement(wxWindow* window, int ms = 30000);

// Moves the mouse pointer through the X server to a point of the screen
// and waits until the server has it there.
bool MovePointerTo(const wxPoint& to);

// A click through the X server at a point of the screen; waits until the
// program has received the button's release (its press has then been
// handled). false when it did not arrive.
bool ClickThroughServer(const wxPoint& at, int button = wxMOUSE_BTN_LEFT);

// Answers the message boxes that come up while it lives: each box's text
// is recorded and the box is closed by clicking the button for the next
// scripted answer (the default when none is left).
class CBoxAnswerer : public wxTimer {
public:
    explicit CBoxAnswerer(int defaultAnswer = 1 /* IDOK */);
    ~CBoxAnswerer() override;
    void Answer(int result) { m_answers.push_back(result); }
    std::vector<std::string> texts;
    // The default button's label of each box.
    std::vector<std::string> defaults;
    void Notify() override;

private:
    int m_default;
    std::vector<int> m_answers;
};

// Clicks OK in every modal dialog titled title that comes up while it
// lives (the dialog's own OK button), counting them.
class CDialogOkClicker : public wxTimer {
public:
    explicit CDialogOkClicker(const std::string& title);
    ~CDialogOkClicker() override;
    void Notify() override;
    int clicked = 0;
    // Called with the dialog just before OK is clicked (a screenshot).
    std::function<void(wxWindow*)> beforeClick;

private:
    std::string m_title;
};

// Handles what has come in, paints every window now and waits until the
// X server has drawn it: a screenshot taken next shows it whole.
void PaintNow();

// Saves a picture of the whole screen into the build's gui-shots folder.
std::string TakeScreenshot(const std::string& name);

// A window manager in the test's display, as on a user's desktop: the one
// already running (scripts/with-wm), else openbox started for the life of
// the object.
class CWindowManager {
public:
    CWindowManager();
    ~CWindowManager();
    CWindowManager(const CWindowManager&) = delete;
    CWindowManager& operator=(const CWindowManager&) = delete;
    static bool Running();

private:
    long m_pid = 0;
};

// The X window of one of this program's shown top-level windows, found by
// its title through the X server; 0 when there is none.
unsigned long XWindowOf(wxWindow* window);
// Moves a top-level window the way a user's drag does (a request to the X
// server that the window manager carries out, not the toolkit's own move)
// towards to; answers where its client area then stands on the screen
// ((-1, -1) when the window was not found).
wxPoint MoveThroughServer(wxWindow& window, const wxPoint& to);
// Runs a command line; its standard output, or "" when it failed.
std::string CommandOutput(const std::string& command);
