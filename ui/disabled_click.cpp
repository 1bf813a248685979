#include "ui/disabled_click.h"

#include <X11/Xlib.h>

#ifdef __WXGTK__
#include <gdk/gdk.h>
#endif

#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/toplevel.h>
#include <wx/utils.h>

namespace {

// The input extension's major opcode on the display: the toolkit takes its
// button presses through that extension, as generic events.
int InputExtensionOpcode(Display* display)
{
    static int opcode = -2;
    if (opcode == -2) {
        opcode = -1;
        int major = 0, firstEvent = 0, firstError = 0;
        if (display && XQueryExtension(display, "XInputExtension", &major, &firstEvent, &firstError))
            opcode = major;
    }
    return opcode;
}

constexpr int kInputButtonPress = 4;  // XI_ButtonPress

#ifdef __WXGTK__
// Sees the display server's events as the toolkit's lower layer gets them.
GdkFilterReturn WatchButtons(GdkXEvent* xEvent, GdkEvent*, gpointer data)
{
    const auto* event = static_cast<const XEvent*>(xEvent);
    wxPoint at;
    if (event->type == ButtonPress) {
        at = wxPoint(event->xbutton.x_root, event->xbutton.y_root);
    } else if (event->type == GenericEvent && event->xcookie.evtype == kInputButtonPress &&
               event->xcookie.extension == InputExtensionOpcode(event->xcookie.display)) {
        at = wxGetMousePosition();
    } else {
        return GDK_FILTER_CONTINUE;
    }
    const auto* watch = static_cast<const CDisabledClickWatch*>(data);
    if (watch->IsDisabledClick(at.x, at.y))
        watch->OnClick();
    return GDK_FILTER_CONTINUE;  // the toolkit goes on with the event as ever
}
#endif

}  // namespace

CDisabledClickWatch::CDisabledClickWatch(wxTopLevelWindow* window, std::function<void()> onClick)
    : m_window(window), m_onClick(std::move(onClick))
{
#ifdef __WXGTK__
    gdk_window_add_filter(nullptr, WatchButtons, this);
    m_installed = true;
#endif
}

CDisabledClickWatch::~CDisabledClickWatch()
{
#ifdef __WXGTK__
    if (m_installed)
        gdk_window_remove_filter(nullptr, WatchButtons, this);
#endif
}

bool CDisabledClickWatch::IsDisabledClick(int xRoot, int yRoot) const
{
    if (!m_window || !m_window->IsShown() || m_window->IsBeingDeleted())
        return false;
    // Disabled by hand, or shut off by a modal dialog (the toolkit grabs
    // the input for the dialog and leaves the window enabled).
    bool modal = !m_window->IsEnabled();
    for (wxWindow* other : wxTopLevelWindows) {
        auto* dialog = wxDynamicCast(other, wxDialog);
        if (dialog && dialog->IsShown() && dialog->IsModal())
            modal = true;
    }
    if (!modal)
        return false;
    const wxPoint point(xRoot, yRoot);
    if (!m_window->GetScreenRect().Contains(point))
        return false;
    // A click on the dialog itself, or another window of the program in
    // front, is that window's own.
    for (wxWindow* other : wxTopLevelWindows) {
        if (other != m_window && other->IsShown() && other->GetScreenRect().Contains(point))
            return false;
    }
    return true;
}

void CDisabledClickWatch::OnClick() const
{
    // Not from inside the toolkit's event dispatch: the feedback may let
    // events through itself.
    if (m_onClick)
        m_window->CallAfter(m_onClick);
}
