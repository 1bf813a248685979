#include "ui/window_frame.h"

#include <dlfcn.h>

#include <wx/window.h>

namespace {

// The two toolkit calls, looked up in the libraries the toolkit has already
// loaded (their headers are not part of the build).
struct FrameRect {
    int x, y, width, height;
};
using GetWindowFn = void* (*)(void* widget);
using GetFrameExtentsFn = void (*)(void* gdkWindow, FrameRect* rect);
using IsViewableFn = int (*)(void* gdkWindow);
using MoveWindowFn = void (*)(void* gtkWindow, int x, int y);

template <typename Fn>
Fn Lookup(const char* name)
{
    return reinterpret_cast<Fn>(::dlsym(RTLD_DEFAULT, name));
}

}  // namespace

bool GetFrameOrigin(wxWindow* topLevel, wxPoint& origin)
{
#ifdef __WXGTK__
    static const auto getWindow = Lookup<GetWindowFn>("gtk_widget_get_window");
    static const auto getFrameExtents = Lookup<GetFrameExtentsFn>("gdk_window_get_frame_extents");
    static const auto isViewable = Lookup<IsViewableFn>("gdk_window_is_viewable");
    if (!topLevel || !topLevel->IsShownOnScreen() || !getWindow || !getFrameExtents || !isViewable)
        return false;
    // Not yet mapped, the window has no place on the screen.
    void* gdkWindow = getWindow(topLevel->GetHandle());
    if (!gdkWindow || !isViewable(gdkWindow))
        return false;
    FrameRect rect{0, 0, 0, 0};
    getFrameExtents(gdkWindow, &rect);
    if (rect.width <= 0 || rect.height <= 0)
        return false;
    origin = wxPoint(rect.x, rect.y);
    return true;
#else
    if (!topLevel || !topLevel->IsShownOnScreen())
        return false;
    origin = topLevel->GetPosition();
    return true;
#endif
}

bool MoveFrameTo(wxWindow* topLevel, const wxPoint& origin)
{
#ifdef __WXGTK__
    static const auto moveWindow = Lookup<MoveWindowFn>("gtk_window_move");
    if (!topLevel || !topLevel->IsTopLevel() || !moveWindow)
        return false;
    moveWindow(topLevel->GetHandle(), origin.x, origin.y);
    return true;
#else
    if (!topLevel)
        return false;
    topLevel->Move(origin);
    return true;
#endif
}
