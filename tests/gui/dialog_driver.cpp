#include "dialog_driver.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include <wx/app.h>
#include <wx/checkbox.h>
#include <wx/dialog.h>
#include <wx/listctrl.h>
#include <wx/stopwatch.h>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <wx/toplevel.h>
#include <wx/uiaction.h>

#include <gtest/gtest.h>

#include "gui/gui_support.h"

void Pump(int milliseconds)
{
    wxStopWatch watch;
    do {
        wxTheApp->Yield(true);
        wxMilliSleep(5);
    } while (watch.Time() < milliseconds);
}

int RunModal(wxDialog& dialog, const std::function<void()>& script)
{
    dialog.CallAfter([&dialog, script] {
        EXPECT_TRUE(WaitForPlacement(&dialog)) << dialog.GetTitle();
        script();
        if (dialog.IsModal()) {
            ADD_FAILURE() << "the script left the dialog open; cancelling it";
            dialog.EndModal(wxID_CANCEL);
        }
    });
    return dialog.ShowModal();
}

void Click(wxWindow* control)
{
    if (auto* box = wxDynamicCast(control, wxCheckBox)) {
        // A click moves a three-state box on from unchecked or indeterminate
        // to checked and from checked to unchecked, then reports it.
        box->Set3StateValue(box->Get3StateValue() == wxCHK_CHECKED ? wxCHK_UNCHECKED : wxCHK_CHECKED);
        wxCommandEvent event(wxEVT_CHECKBOX, box->GetId());
        event.SetEventObject(box);
        event.SetInt(box->Get3StateValue());
        box->ProcessWindowEvent(event);
        return;
    }
    wxCommandEvent event(wxEVT_BUTTON, control->GetId());
    event.SetEventObject(control);
    control->ProcessWindowEvent(event);
}

void TypeText(wxWindow* control, const std::string& text)
{
    auto* edit = wxDynamicCast(control, wxTextCtrl);
    ASSERT_NE(edit, nullptr);
    edit->SetValue(wxString::FromUTF8(text));  // raises wxEVT_TEXT
}

std::string SaveShot(wxWindow* window, const std::string& name, int margin)
{
    PaintNow();
    ::mkdir(QM_SHOTS_DIR, 0755);
    const std::string path = std::string(QM_SHOTS_DIR) + "/" + name + ".png";
    // The X server's own picture of the screen, cut to the window.
    wxRect rect = window->GetScreenRect();
    rect.width += margin;
    rect.height += margin / 4;
    const std::string command = "import -silent -window root -crop " + std::to_string(rect.width) + "x" +
                                std::to_string(rect.height) + "+" + std::to_string(rect.x) + "+" +
                                std::to_string(rect.y) + " +repage '" + path + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return path;
}

bool HasFocusWithin(wxWindow* window)
{
    for (wxWindow* w = wxWindow::FindFocus(); w; w = w->GetParent())
        if (w == window)
            return true;
    return false;
}

int RunThisProgram(const std::vector<std::string>& args, const std::vector<std::string>& env)
{
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return -1;
    self[n] = 0;
    // Through the shell only to add the time limit; every word is quoted.
    auto quote = [](const std::string& s) {
        std::string q = "'";
        for (char c : s)
            q += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return q + "'";
    };
    std::string command = "env";
    for (const std::string& e : env)
        command += " " + quote(e);
    command += " timeout 120 " + quote(self);
    for (const std::string& a : args)
        command += " " + quote(a);
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void MouseClickAt(wxWindow* window, const wxPoint& point)
{
    window->Raise();
    // A loaded window manager may still size or move the window after it
    // first stood placed (shown at its minimum size, then at the size asked
    // for): aim again until the control stands where the pointer arrived.
    wxWindow* top = wxGetTopLevelParent(window);
    wxPoint at = window->ClientToScreen(point);
    for (int aims = 0; aims < 20; ++aims) {
        if (top)
            WaitForPlacement(top, 5000);
        at = window->ClientToScreen(point);
        if (!MovePointerTo(at) || window->ClientToScreen(point) == at)
            break;
    }
    EXPECT_TRUE(ClickThroughServer(at));
}

bool PressKeysOn(wxWindow* target, const std::string& keys)
{
    auto* top = wxDynamicCast(wxGetTopLevelParent(target), wxTopLevelWindow);
    target->SetFocus();
    if (!WaitUntil([&] { return top && top->IsActive() && HasFocusWithin(target); }, 10000))
        return false;
    CommandOutput("xdotool key " + keys);
    return true;
}

void CheckListRow(wxListCtrl* list, long row, bool check)
{
    // The list's own call raises wxEVT_LIST_ITEM_(UN)CHECKED, as a click does.
    list->CheckItem(row, check);
}

namespace {

// Looks for the dialog on a timer, so that whatever is showing it (a
// command, a worker's wait loop) keeps running meanwhile; deletes itself.
class CDialogWatcher : public wxTimer {
public:
    CDialogWatcher(const std::string& title, const std::function<void(wxDialog&)>& script, int timeoutMs)
        : m_title(title), m_script(script), m_timeoutMs(timeoutMs)
    {
        Start(40);
    }

    void Notify() override
    {
        wxDialog* found = nullptr;
        for (wxWindow* w : wxTopLevelWindows)
            if (auto* d = wxDynamicCast(w, wxDialog); d && d->IsModal() && !d->IsBeingDeleted() &&
                                                      (m_title.empty() || d->GetTitle() == wxString::FromUTF8(m_title)))
                found = d;
        if (!found && m_watch.Time() < m_timeoutMs)
            return;
        Stop();
        if (!found) {
            ADD_FAILURE() << "no dialog \"" << m_title << "\" was shown";
        } else {
            EXPECT_TRUE(WaitForPlacement(found)) << m_title;
            m_script(*found);
            if (found->IsModal()) {
                ADD_FAILURE() << "the script left the dialog open; cancelling it";
                found->EndModal(wxID_CANCEL);
            }
        }
        wxTheApp->CallAfter([this] { delete this; });
    }

private:
    std::string m_title;
    std::function<void(wxDialog&)> m_script;
    int m_timeoutMs;
    wxStopWatch m_watch;
};

}  // namespace

void WhenDialogShows(const std::function<void(wxDialog&)>& script, const std::string& title, int timeoutMs)
{
    new CDialogWatcher(title, script, timeoutMs);
}
