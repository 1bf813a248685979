#include "ui/disabled_click.h"

#include <dlfcn.h>

#include <X11/Xlib.h>

#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/toplevel.h>
#include <wx/utils.h>

namespace {

// The display server's events as the toolkit's lower layer sees them
// (looked up in the libraries the toolkit has loaded; their headers are
// not part of the build).
enum FilterReturn { FILTER_CONTINUE = 0 };
using FilterFn = FilterReturn (*)(void* xEvent, void* event, void* data);
using AddFilterFn = void (*)(void* window, FilterFn filter, void* data);

AddFilterFn Lookup(const char* name)
{
    return reinterpret_cast<AddFilterFn>(::dlsym(RTLD_DEFAULT, name));
}

using QueryExtensionFn = int (*)(Display*, const char*, int*, int*, int*);

// The input extension's major opcode on the display: the toolkit takes its
// button presses through that extension, as generic events.
int InputExtensionOpcode(Display* display)
{
    static int opcode = -2;
    if (opcode == -2) {
        opcode = -1;
        auto query = reinterpret_cast<QueryExtensionFn>(::dlsym(RTLD_DEFAULT, "XQueryExtension"));
        int major = 0, firstEvent = 0, firstError = 0;
        if (query && display && query(display, "XInputExtension", &major, &firstEvent, &firstError))
            opcode = major;
    }
    return opcode;
}

constexpr int kInputButtonPress = 4;  // XI_ButtonPress

FilterReturn WatchButtons(void* xEvent, void*, void* data)
{
    const auto* event = static_cast<const XEvent*>(xEvent);
    wxPoint at;
    if (event->type == ButtonPress) {
        at = wxPoint(event->xbutton.x_root, event->xbutton.y_root);
    } else if (event->type == GenericEvent && event->xcookie.evtype == kInputButtonPress &&
               event->xcookie.extension == InputExtensionOpcode(event->xcookie.display)) {
        at = wxGetMousePosition();
    } else {
        return FILTER_CONTINUE;
    }
    const auto* watch = static_cast<const CDisabledClickWatch*>(data);
    if (watch->IsDisabledClick(at.x, at.y))
        watch->OnClick();
    return FILTER_CONTINUE;  // the toolkit goes on with the event as ever
}

}  // namespace

CDisabledClickWatch::CDisabledClickWatch(wxTopLevelWindow* window, std::function<void()> onClick)
    : m_window(window), m_onClick(std::move(onClick))
{
#ifdef __WXGTK__
    if (AddFilterFn add = Lookup("gdk_window_add_filter")) {
        add(nullptr, WatchButtons, this);
        m_installed = true;
    }
#endif
}

CDisabledClickWatch::~CDisabledClickWatch()
{
    if (m_installed) {
        if (AddFilterFn remove = Lookup("gdk_window_remove_filter"))
            remove(nullptr, WatchButtons, this);
    }
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
