#include "ui/window_frame.h"

#include <wx/window.h>

#ifdef __WXGTK__
#include <gtk/gtk.h>
#endif

bool GetFrameOrigin(wxWindow* topLevel, wxPoint& origin)
{
    if (!topLevel || !topLevel->IsShownOnScreen())
        return false;
#ifdef __WXGTK__
    // Not yet mapped, the window has no place on the screen.
    GdkWindow* gdkWindow = gtk_widget_get_window(GTK_WIDGET(topLevel->GetHandle()));
    if (!gdkWindow || !gdk_window_is_viewable(gdkWindow))
        return false;
    GdkRectangle rect{0, 0, 0, 0};
    gdk_window_get_frame_extents(gdkWindow, &rect);
    if (rect.width <= 0 || rect.height <= 0)
        return false;
    origin = wxPoint(rect.x, rect.y);
#else
    origin = topLevel->GetPosition();
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
