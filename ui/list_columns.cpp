#include "ui/list_columns.h"

#include <algorithm>

#include <wx/listctrl.h>

void WidenColumnsToText(wxListCtrl* list, int firstExtra)
{
    const int margin = list->FromDIP(16);
    const int rows = list->GetItemCount();
    for (int col = 0; col < list->GetColumnCount(); ++col) {
        wxListItem header;
        header.SetMask(wxLIST_MASK_TEXT);
        list->GetColumn(col, header);
        int widest = list->GetTextExtent(header.GetText()).x;
        for (int row = 0; row < rows; ++row)
            widest = std::max(widest, list->GetTextExtent(list->GetItemText(row, col)).x);
        const int wanted = widest + margin + (col == 0 ? firstExtra : 0);
        if (list->GetColumnWidth(col) < wanted)
            list->SetColumnWidth(col, wanted);
    }
}

int TotalColumnWidth(const wxListCtrl* list)
{
    int total = 0;
    for (int col = 0; col < list->GetColumnCount(); ++col)
        total += list->GetColumnWidth(col);
    return total;
}
