// Helpers for driving dialogs in the window tests: run a dialog modally
// while a script works its controls from inside the modal loop, send the
// controls' own events, and save screenshots into the build's gui-shots.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <wx/window.h>

class wxDialog;

// Shows dialog modally; script runs once the dialog is on the screen. If
// the script leaves the dialog open, it is cancelled (so a failing test
// cannot hang). Returns the modal result.
int RunModal(wxDialog& dialog, const std::function<void()>& script);
// Lets the toolkit draw and deliver pending events.
void Pump(int milliseconds = 50);
// A click on a button or check box, as the control itself reports it.
void Click(wxWindow* control);
// Types text into a text control (replacing its value), raising its change event.
void TypeText(wxWindow* control, const std::string& text);
// Saves what the screen shows of the window (and margin pixels to its right,
// a quarter of that below, for balloons) as QM_SHOTS_DIR/name.png.
std::string SaveShot(wxWindow* window, const std::string& name, int margin = 0);
// True when the focus is on window or on one of its parts.
bool HasFocusWithin(wxWindow* window);
// Runs this test program again (same display) with extra arguments and
// environment entries; returns its exit status, -1 when it did not end
// normally within two minutes. Its output goes to the test's output.
int RunThisProgram(const std::vector<std::string>& args, const std::vector<std::string>& env);
// A real mouse click (through the X server) at a point of window's client area.
void MouseClickAt(wxWindow* window, const wxPoint& point);
// Puts the keyboard focus on target and, once its window is the active one
// with the focus inside target, presses keys (xdotool's names) on the X
// server's keyboard: they reach the program as a real keyboard's do,
// through the window manager. false when the focus did not get there.
bool PressKeysOn(wxWindow* target, const std::string& keys);
// Ticks or unticks a list row's check box as a click on it would.
void CheckListRow(class wxListCtrl* list, long row, bool check);
// Runs script on the next modal dialog (with that title, when one is given)
// that shows up within timeoutMs, for dialogs the program itself builds and
// shows; a dialog the script leaves open is cancelled. Returns at once.
void WhenDialogShows(const std::function<void(wxDialog&)>& script, const std::string& title = "",
                     int timeoutMs = 30000);
