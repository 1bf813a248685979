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

CQMListCtrl::CQMListCtrl(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size,
                         long style)
    : wxListCtrl(parent, id, pos, size, style)
{
    // The items are drawn in an inner window, which receives the mouse.
    ItemWindow()->Bind(wxEVT_MOTION, &CQMListCtrl::OnMotion, this);
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
