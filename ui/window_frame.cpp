#include "ui/window_frame.h"

#include <set>

#include <wx/app.h>
#include <wx/stopwatch.h>
#include <wx/timer.h>
#include <wx/toplevel.h>
#include <wx/weakref.h>

#ifdef __WXGTK__
#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#endif

namespace {

#ifdef __WXGTK__
GdkWindow* ViewableWindow(wxWindow* topLevel)
{
    if (!topLevel || !topLevel->IsShownOnScreen())
        return nullptr;
    // Not yet mapped, the window has no place on the screen.
    GdkWindow* gdkWindow = gtk_widget_get_window(GTK_WIDGET(topLevel->GetHandle()));
    if (!gdkWindow || !gdk_window_is_viewable(gdkWindow))
        return nullptr;
    return gdkWindow;
}

// Whether the window manager has said how thick this window's frame is
// (the property it sets on the window); true without a window manager
// that says so at all, whose windows have no frame.
bool FrameExtentsAnnounced(GdkWindow* gdkWindow)
{
    if (!GDK_IS_X11_WINDOW(gdkWindow))
        return true;
    GdkScreen* screen = gdk_window_get_screen(gdkWindow);
    if (!gdk_x11_screen_supports_net_wm_hint(screen, gdk_atom_intern_static_string("_NET_FRAME_EXTENTS")))
        return true;
    Display* display = GDK_WINDOW_XDISPLAY(gdkWindow);
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    const int status =
        XGetWindowProperty(display, GDK_WINDOW_XID(gdkWindow), XInternAtom(display, "_NET_FRAME_EXTENTS", False),
                           0, 4, False, XA_CARDINAL, &type, &format, &items, &after, &data);
    if (data)
        XFree(data);
    return status == Success && items == 4;
}
#endif

// Windows whose size is being held until their frame is known.
std::set<wxWindow*>& HeldWindows()
{
    static std::set<wxWindow*> held;
    return held;
}

class CWindowSizeHold : public wxTimer {
public:
    CWindowSizeHold(wxTopLevelWindow* window, const wxSize& size) : m_window(window), m_size(size)
    {
        HeldWindows().insert(window);
        Start(40);
    }

    void Notify() override
    {
        if (!m_window || m_window->IsBeingDeleted() || m_watch.Time() > 120000)
            return Finish();
        if (!FrameSizeKnown(m_window))
            return;
        // The toolkit now turns a window size into the right client size.
        // A window manager that will not take the size (a display smaller
        // than the window) has the last word after a second try.
        if (m_window->GetSize() != m_size && m_tries-- > 0) {
            m_window->SetSize(m_size);
            return;
        }
        Finish();
    }

private:
    void Finish()
    {
        Stop();
        HeldWindows().erase(m_raw);
        wxTheApp->CallAfter([this] { delete this; });
    }

    wxWeakRef<wxTopLevelWindow> m_window;
    wxWindow* m_raw = m_window.get();
    wxSize m_size;
    int m_tries = 2;
    wxStopWatch m_watch;
};

}  // namespace

bool GetFrameOrigin(wxWindow* topLevel, wxPoint& origin)
{
    wxRect rect;
    if (!GetFrameRect(topLevel, rect))
        return false;
    origin = rect.GetPosition();
    return true;
}

bool GetFrameRect(wxWindow* topLevel, wxRect& rect)
{
#ifdef __WXGTK__
    GdkWindow* gdkWindow = ViewableWindow(topLevel);
    if (!gdkWindow)
        return false;
    GdkRectangle frame{0, 0, 0, 0};
    gdk_window_get_frame_extents(gdkWindow, &frame);
    if (frame.width <= 0 || frame.height <= 0)
        return false;
    rect = wxRect(frame.x, frame.y, frame.width, frame.height);
#else
    if (!topLevel || !topLevel->IsShownOnScreen())
        return false;
    rect = topLevel->GetRect();
#endif
    return true;
}

bool MoveFrameTo(wxWindow* topLevel, const wxPoint& origin)
{
    if (!topLevel || !topLevel->IsTopLevel())
        return false;
#ifdef __WXGTK__
    gtk_window_move(GTK_WINDOW(topLevel->GetHandle()), origin.x, origin.y);
#else
    topLevel->Move(origin);
#endif
    return true;
}

bool FrameSizeKnown(wxWindow* topLevel)
{
    wxRect frame;
    if (!GetFrameRect(topLevel, frame))
        return false;
#ifdef __WXGTK__
    if (!FrameExtentsAnnounced(ViewableWindow(topLevel)))
        return false;
#endif
    return topLevel->GetSize() == frame.GetSize();
}

void HoldWindowSize(wxTopLevelWindow* window, const wxSize& size)
{
    if (window && !HoldingWindowSize(window))
        new CWindowSizeHold(window, size);
}

bool HoldingWindowSize(wxWindow* window)
{
    return HeldWindows().count(window) > 0;
}
