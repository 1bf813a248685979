// Small helpers shared by the window tests: pumping events until something
// happens, pressing toolbar tools and buttons through their own events,
// and screenshots into the build's "gui-shots".
#pragma once

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <sys/stat.h>

#include <wx/app.h>
#include <wx/toplevel.h>
#include <wx/button.h>
#include <wx/toolbar.h>
#include <wx/utils.h>

#include "gui/gui_support.h"

inline bool PumpUntil(const std::function<bool()>& done, int ms = 30000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        wxTheApp->Yield(true);
        wxMilliSleep(5);
    }
    return true;
}

inline void Pump(int ms = 100)
{
    PumpUntil([] { return false; }, ms);
}

// Destroys a top-level window and waits until it is really gone (top-level
// windows go on an idle turn), so its placement has been stored.
inline bool DestroyAndWait(wxWindow* window)
{
    window->Destroy();
    return PumpUntil([window] { return !wxTopLevelWindows.Find(window); });
}

inline bool DestroyAllWindows()
{
    for (wxWindow* w : wxTopLevelWindows)
        w->Destroy();
    return PumpUntil([] { return wxTopLevelWindows.IsEmpty(); });
}

// What a click on a toolbar tool sends.
inline void ClickTool(wxToolBar* toolBar, int id)
{
    wxCommandEvent event(wxEVT_TOOL, id);
    event.SetEventObject(toolBar);
    toolBar->ProcessWindowEvent(event);
}

inline void ClickButton(wxButton* button)
{
    wxCommandEvent event(wxEVT_BUTTON, button->GetId());
    event.SetEventObject(button);
    button->ProcessWindowEvent(event);
}

// The screen under Xvfb as "<QM_SHOTS_DIR>/<name>.png".
inline std::string TakeShot(const std::string& name)
{
    PaintNow();
    ::mkdir(QM_SHOTS_DIR, 0755);
    const std::string path = std::string(QM_SHOTS_DIR) + "/" + name + ".png";
    const std::string command = "import -window root '" + path + "' 2>/dev/null";
    return std::system(command.c_str()) == 0 ? path : std::string();
}
