#include "gui/gui_support.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/evtloop.h>
#include <wx/log.h>
#include <wx/stopwatch.h>
#include <wx/process.h>
#include <wx/uiaction.h>

#include <X11/Xlib.h>
#include <gdk/gdk.h>
#include <wx/utils.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <filesystem>
#include <thread>

#include "ui/message_box.h"
#include "ui/size_box.h"
#include "ui/window_frame.h"

namespace {

// A click on the real button, as the button itself reports it.
void PressButton(wxWindow* button)
{
    wxCommandEvent click(wxEVT_BUTTON, button->GetId());
    click.SetEventObject(button);
    button->GetEventHandler()->ProcessEvent(click);
}

}  // namespace

CProgramFolders::CProgramFolders()
{
    const std::pair<const char*, std::string> vars[] = {
        {"QUILLMARK_DATA_DIR", Data()}, {"XDG_CONFIG_HOME", Config()}, {"XDG_DATA_HOME", Share()},
        {"TMPDIR", folder.File("tmp")}};
    std::filesystem::create_directories(folder.File("tmp"));
    for (const auto& [name, value] : vars) {
        if (const char* old = std::getenv(name))
            m_saved.emplace_back(name, old);
        else
            m_unset.push_back(name);
        ::setenv(name, value.c_str(), 1);
    }
}

CProgramFolders::~CProgramFolders()
{
    for (const auto& [name, value] : m_saved)
        ::setenv(name.c_str(), value.c_str(), 1);
    for (const auto& name : m_unset)
        ::unsetenv(name.c_str());
}

bool WaitUntil(const std::function<bool()>& pred, int ms)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!pred()) {
        if (std::chrono::steady_clock::now() >= until)
            return false;
        wxTheApp->Yield(true);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void PumpFor(int ms)
{
    WaitUntil([] { return false; }, ms);
}

bool RunLoopUntil(const std::function<bool()>& pred, int ms)
{
    wxGUIEventLoop loop;
    wxStopWatch watch;
    wxTimer timer;
    timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        if ((pred() || watch.Time() > ms) && loop.IsRunning())
            loop.Exit();
    });
    timer.Start(50);
    loop.Run();
    timer.Stop();
    return pred();
}

bool WaitForPlacement(wxWindow* window, int ms)
{
    const bool placed = WaitUntil(
        [window] {
            wxRect frame;
            if (!GetFrameRect(window, frame) || !FrameSizeKnown(window) || HoldingWindowSize(window))
                return false;
            // On a loaded machine openbox may show the frame at 0,0 with no
            // room inside its borders (4x26) before it gives the window its
            // size: not placed until it is at least its minimum size.
            const wxSize least = window->GetMinSize();
            if (frame.width < least.x || frame.height < least.y)
                return false;
            // The toolkit has had the window manager's last word on where
            // the window stands (the server answers before its event comes).
            if (window->GetPosition() != frame.GetPosition())
                return false;
            const CSizeBox* box = CSizeBox::Of(window);
            return !box || !box->IsPlacing();
        },
        ms);
    // What the last event set off (the placement noted down).
    wxTheApp->Yield(true);
    return placed;
}

bool MovePointerTo(const wxPoint& to)
{
    wxUIActionSimulator().MouseMove(to);
    if (!WaitUntil([&] { return wxGetMousePosition() == to; }))
        return false;
    // The server sent the motion before its answer on where the pointer
    // is: handle what has come.
    wxTheApp->Yield(true);
    return true;
}

namespace {

// Counts the button releases that reach the program from the X server, as
// the toolkit's lower layer gets them (whichever window they are for).
GdkFilterReturn CountRelease(GdkXEvent* xEvent, GdkEvent*, gpointer data)
{
    const auto* event = static_cast<const XEvent*>(xEvent);
    constexpr int kInputButtonRelease = 5;  // XI_ButtonRelease
    if (event->type == ButtonRelease ||
        (event->type == GenericEvent && event->xcookie.evtype == kInputButtonRelease))
        ++*static_cast<int*>(data);
    return GDK_FILTER_CONTINUE;
}

}  // namespace

bool ClickThroughServer(const wxPoint& at, int button)
{
    if (!MovePointerTo(at))
        return false;
    int released = 0;
    gdk_window_add_filter(nullptr, CountRelease, &released);
    wxUIActionSimulator().MouseClick(button);
    const bool arrived = WaitUntil([&] { return released > 0; });
    gdk_window_remove_filter(nullptr, CountRelease, &released);
    // What the click set off.
    wxTheApp->Yield(true);
    return arrived;
}

CBoxAnswerer::CBoxAnswerer(int defaultAnswer) : m_default(defaultAnswer)
{
    Start(20);
}

CBoxAnswerer::~CBoxAnswerer()
{
    Stop();
}

void CBoxAnswerer::Notify()
{
    for (wxWindow* w : wxTopLevelWindows) {
        auto* box = dynamic_cast<CQMMessageBox*>(w);
        if (!box || !box->IsModal() || box->IsBeingDeleted())
            continue;
        texts.emplace_back(box->GetMessage().utf8_str());
        auto* def = dynamic_cast<wxButton*>(box->GetDefaultItem());
        defaults.emplace_back(def ? std::string(def->GetLabel().utf8_str()) : std::string());
        int answer = m_default;
        if (!m_answers.empty()) {
            answer = m_answers.front();
            m_answers.erase(m_answers.begin());
        }
        wxWindow* button = box->FindButton(answer);
        if (!button) {
            ADD_FAILURE() << "the box has no button for answer " << answer;
            box->EndModal(answer);
            return;
        }
        PressButton(button);
        return;
    }
}

CDialogOkClicker::CDialogOkClicker(const std::string& title) : m_title(title)
{
    Start(50);
}

CDialogOkClicker::~CDialogOkClicker()
{
    Stop();
}

void CDialogOkClicker::Notify()
{
    for (wxWindow* w : wxTopLevelWindows) {
        auto* dialog = dynamic_cast<wxDialog*>(w);
        if (!dialog || !dialog->IsModal() || dialog->IsBeingDeleted() ||
            std::string(dialog->GetTitle().utf8_str()) != m_title)
            continue;
        auto* ok = dynamic_cast<wxButton*>(dialog->FindWindow(wxID_OK));
        if (!ok || !ok->IsEnabled())
            continue;
        if (beforeClick)
            beforeClick(dialog);
        ++clicked;
        PressButton(ok);
        return;
    }
}

void PaintNow()
{
    wxTheApp->Yield(true);
    for (wxWindow* w : wxTopLevelWindows) {
        w->Refresh();
        w->Update();
    }
    gdk_display_sync(gdk_display_get_default());
}

std::string TakeScreenshot(const std::string& name)
{
    std::filesystem::create_directories(QM_SHOTS_DIR);
    const std::string path = std::string(QM_SHOTS_DIR) + "/" + name + ".png";
    // Every window painted, then the X server's picture of the whole
    // screen (what a user would see).
    PaintNow();
    wxExecute("import -window root " + wxString::FromUTF8(path), wxEXEC_SYNC | wxEXEC_NODISABLE);
    return path;
}

std::string CommandOutput(const std::string& command)
{
    // A failure is the caller's to judge; no log box may wait for a click.
    wxLogNull quiet;
    wxArrayString out, err;
    if (wxExecute(wxString::FromUTF8(command), out, err, wxEXEC_SYNC | wxEXEC_NODISABLE) != 0)
        return {};
    std::string text;
    for (const wxString& line : out)
        text += std::string(line.utf8_str()) + "\n";
    return text;
}

bool CWindowManager::Running()
{
    return CommandOutput("xprop -root _NET_SUPPORTING_WM_CHECK").find("window id") != std::string::npos;
}

CWindowManager::CWindowManager()
{
    if (Running())
        return;
    wxLogNull quiet;
    m_pid = wxExecute("openbox --sm-disable", wxEXEC_ASYNC | wxEXEC_NODISABLE);
    if (m_pid > 0)
        WaitUntil([] { return Running(); }, 10000);
}

CWindowManager::~CWindowManager()
{
    if (m_pid <= 0)
        return;
    wxLogNull quiet;
    wxProcess::Kill(static_cast<int>(m_pid), wxSIGTERM);
    WaitUntil([] { return !Running(); }, 30000);
}

unsigned long XWindowOf(wxWindow* window)
{
    // The title as a whole-string pattern, its special characters escaped.
    std::string pattern = "^";
    for (char c : std::string(window->GetLabel().utf8_str())) {
        if (std::strchr("\\^$.|?*+()[]{}", c))
            pattern += '\\';
        pattern += c;
    }
    pattern += "$";
    const std::string out = CommandOutput("xdotool search --onlyvisible --pid " + std::to_string(::getpid()) +
                                          " --name '" + pattern + "'");
    return std::strtoul(out.c_str(), nullptr, 10);
}

wxPoint MoveThroughServer(wxWindow& window, const wxPoint& to)
{
    const unsigned long xid = XWindowOf(&window);
    if (xid == 0)
        return wxPoint(-1, -1);
    // --sync returns once the window manager has carried the move out.
    const wxPoint before = window.ClientToScreen(wxPoint(0, 0));
    CommandOutput("xdotool windowmove --sync " + std::to_string(xid) + " " + std::to_string(to.x) + " " +
                  std::to_string(to.y));
    WaitUntil([&] { return window.ClientToScreen(wxPoint(0, 0)) != before; }, 30000);
    WaitForPlacement(&window);
    return window.ClientToScreen(wxPoint(0, 0));
}
