// CQMListCtrl: a list control whose cells show their full text in a tool
// tip while the mouse rests on them, so that a cut-off cell can be read.
#pragma once

#include <wx/listctrl.h>

class CQMListCtrl : public wxListCtrl {
public:
    CQMListCtrl(wxWindow* parent, wxWindowID id, const wxPoint& pos = wxDefaultPosition,
                const wxSize& size = wxDefaultSize, long style = wxLC_REPORT);
    // Above 0 while the control fetches a cell's text for its tool tip: a
    // virtual list's OnGetItemText can then answer with the full text.
    int IsUpdating() const { return m_updating; }
    // The header's sort arrow on one column (-1: none).
    void ShowSortArrow(int column, bool ascending);
    // The window that draws the items and holds their tool tip.
    wxWindow* ItemWindow();
    // The window that draws the column headers (null without one).
    wxWindow* HeaderWindow();
    // The tool tip text for a point in the item area (client coordinates of
    // ItemWindow()); empty when the point is on no cell or the cell is
    // empty.
    wxString CellTextAt(const wxPoint& point);
    // The column at an unscrolled x in the item area, or -1.
    int ColumnAtX(int x) const;

private:
    void OnMotion(wxMouseEvent& event);
    void OnScrollWin(wxScrollWinEvent& event);
    int m_updating = 0;
    bool m_scrolling = false;
    wxString m_tipText;
};
