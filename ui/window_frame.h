// Where a top-level window's frame (title bar and borders drawn by the
// window manager) stands on the screen, asked of the display server. The
// toolkit's own idea of a window's position is only as good as the last
// event it understood: after the window manager has placed or moved a
// window it may hold the client area's corner, or nothing at all.
#pragma once

#include <wx/gdicmn.h>

class wxTopLevelWindow;
class wxWindow;

// The top-left corner of the window's outer frame in screen coordinates,
// the point a window placed at that position comes back to; false when the
// window is not on the screen or the display cannot tell.
bool GetFrameOrigin(wxWindow* topLevel, wxPoint& origin);
// The outer frame's corner and size as the display server has them; false
// when the window is not on the screen.
bool GetFrameRect(wxWindow* topLevel, wxRect& rect);
// Asks the window manager to put the window's frame corner at origin, also
// when the toolkit believes the window stands there already; false when
// the display cannot be asked.
bool MoveFrameTo(wxWindow* topLevel, const wxPoint& origin);
// Whether the toolkit's size of the window is the size of its frame on the
// screen: the window is shown, the window manager (when there is one) has
// framed it and said how thick the frame is, and the toolkit has taken
// that in. Before then a window size is turned into a client size with the
// thickness of some earlier window's frame.
bool FrameSizeKnown(wxWindow* topLevel);
// Gives the window size once more as soon as the frame is known, when the
// window then stands at another size: a window shown before the window
// manager's answer keeps its client size and grows or shrinks by the
// difference between the frame the toolkit assumed and the real one.
// Keeps watching until then (for two minutes at most); ends with the window.
void HoldWindowSize(wxTopLevelWindow* window, const wxSize& size);
// Whether HoldWindowSize is still waiting for the window's frame.
bool HoldingWindowSize(wxWindow* window);
