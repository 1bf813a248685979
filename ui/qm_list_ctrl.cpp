#include "ui/qm_list_ctrl.h"

wxWindow* CQMListCtrl::ItemWindow()
{
    // The generic list draws its items in an inner child window, which is
    // the one that receives the mouse.
    for (wxWindow* child : GetChildren())
        if (static_cast<void*>(child) == static_cast<void*>(m_mainWin))
            return child;
    return this;
}

wxWindow* CQMListCtrl::HeaderWindow()
{
    for (wxWindow* child : GetChildren())
        if (static_cast<void*>(child) == static_cast<void*>(m_headerWin))
            return child;
    return nullptr;
}

CQMListCtrl::CQMListCtrl(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size,
                         long style)
    : wxListCtrl(parent, id, pos, size, style)
{
    // The items are drawn in an inner window, which receives the mouse.
    ItemWindow()->Bind(wxEVT_MOTION, &CQMListCtrl::OnMotion, this);
    const wxEventTypeTag<wxScrollWinEvent> scrolls[] = {
        wxEVT_SCROLLWIN_TOP,      wxEVT_SCROLLWIN_BOTTOM,   wxEVT_SCROLLWIN_LINEUP,     wxEVT_SCROLLWIN_LINEDOWN,
        wxEVT_SCROLLWIN_PAGEUP,   wxEVT_SCROLLWIN_PAGEDOWN, wxEVT_SCROLLWIN_THUMBTRACK, wxEVT_SCROLLWIN_THUMBRELEASE};
    for (const auto& type : scrolls)
        Bind(type, &CQMListCtrl::OnScrollWin, this);
}

void CQMListCtrl::OnScrollWin(wxScrollWinEvent& event)
{
    // The list repaints its header while handling the scroll, but before the
    // items have moved, so after a sideways scroll the headers stood where
    // the columns had been one step earlier. Let the list scroll first (the
    // same event once more, through its whole chain), then draw the header
    // at the new place.
    if (m_scrolling || event.GetOrientation() != wxHORIZONTAL) {
        event.Skip();
        return;
    }
    m_scrolling = true;
    wxScrollWinEvent again(event);
    ProcessWindowEvent(again);
    m_scrolling = false;
    if (wxWindow* header = HeaderWindow()) {
        header->Refresh();
        header->Update();
    }
}

void CQMListCtrl::ShowSortArrow(int column, bool ascending)
{
    if (column < 0)
        RemoveSortIndicator();
    else
        ShowSortIndicator(column, ascending);
}

int CQMListCtrl::ColumnAtX(int x) const
{
    if (x < 0)
        return -1;
    int left = 0;
    const int count = GetColumnCount();
    for (int position = 0; position < count; ++position) {
#ifdef wxHAS_LISTCTRL_COLUMN_ORDER
        const int column = GetColumnIndexFromOrder(position);
#else
        const int column = position;
#endif
        const int width = GetColumnWidth(column);
        if (x < left + width)
            return column;
        left += width;
    }
    return -1;
}

wxString CQMListCtrl::CellTextAt(const wxPoint& point)
{
    int flags = 0;
    const long item = HitTest(point, flags);
    if (item < 0 || !(flags & wxLIST_HITTEST_ONITEMLABEL))
        return wxString();
    const int column = InReportView() ? ColumnAtX(CalcUnscrolledPosition(point).x) : 0;
    if (column < 0)
        return wxString();
    ++m_updating;
    const wxString text = GetItemText(item, column);
    --m_updating;
    return text;
}

void CQMListCtrl::OnMotion(wxMouseEvent& event)
{
    event.Skip();
    wxWindow* items = ItemWindow();
    const wxString text = CellTextAt(event.GetPosition());
    if (text.empty()) {
        if (!m_tipText.empty())
            items->UnsetToolTip();
        m_tipText.clear();
        return;
    }
    if (text != m_tipText) {
        m_tipText = text;
        items->SetToolTip(text);
    }
}
