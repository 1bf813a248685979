// Window placement and list-column state as kept in the profile, with the
// checks that keep a damaged or stale value from hiding a window or
// breaking a list. No wxWidgets here: the dialogs convert at the edges.
#pragma once

#include <string>
#include <vector>

struct QMRect {
    long left = 0, top = 0, right = 0, bottom = 0;
    long Width() const { return right - left; }
    long Height() const { return bottom - top; }
    bool operator==(const QMRect& o) const
    {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

struct QMSize {
    long cx = 0, cy = 0;
};

// "WindowRect": "left:right:top:bottom" (that order). Parsing takes exactly
// four integers that fit an int; anything else is refused.
bool ParseWindowRect(const std::string& text, QMRect& rect);
std::string FormatWindowRect(const QMRect& rect);

// Where a stored rectangle may be shown, given the work areas of the
// displays. false (use the default placement) when the stored width or
// height is not positive or there is no display. Otherwise the size is
// brought within the chosen display's work area and up to minSize (a
// minimum larger than the work area wins), and the rectangle is moved onto
// that display so that at least 100 pixels of its top-left part are inside
// (the display is the one holding most of the rectangle, else the nearest).
bool FitWindowRect(const QMRect& stored, const std::vector<QMRect>& workAreas,
                   const QMSize& minSize, QMRect& out);

// The saved state of a list view: "Width", "Order" and "Type".
enum : int { LV_VIEW_ICON = 0, LV_VIEW_DETAILS = 1, LV_VIEW_SMALLICON = 2, LV_VIEW_LIST = 3 };
constexpr int kMinColumnWidth = 8;
constexpr int kMaxColumnWidth = 4000;

struct ColumnState {
    std::vector<int> widths;  // one per existing column at most, clamped
    std::vector<int> order;   // empty, or a permutation of 0..columnCount-1
    int view = -1;            // -1: leave the view alone
};

// Reads the stored texts for a list of columnCount columns: widths apply to
// existing columns only and are clamped to kMinColumnWidth..kMaxColumnWidth;
// the order is taken only when it names every column exactly once; a view
// other than 0..3 is ignored. Numbers are read like C's strtol with base 0
// (the program writes plain decimal); a list ends at the first item that is
// not a number.
ColumnState ParseColumnState(const std::string& width, const std::string& order,
                             const std::string& type, int columnCount);
// Decimal numbers joined by ",".
std::string JoinNumbers(const std::vector<int>& numbers);
