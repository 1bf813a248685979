// Where a top-level window's frame (title bar and borders drawn by the
// window manager) stands on the screen, asked of the display server. The
// toolkit's own idea of a window's position is only as good as the last
// event it understood: after the window manager has placed or moved a
// window it may hold the client area's corner, or nothing at all.
#pragma once

#include <wx/gdicmn.h>

class wxWindow;

// The top-left corner of the window's outer frame in screen coordinates,
// the point a window placed at that position comes back to; false when the
// window is not on the screen or the display cannot tell.
bool GetFrameOrigin(wxWindow* topLevel, wxPoint& origin);
// Asks the window manager to put the window's frame corner at origin, also
// when the toolkit believes the window stands there already; false when
// the display cannot be asked.
bool MoveFrameTo(wxWindow* topLevel, const wxPoint& origin);
