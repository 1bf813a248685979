#include "ui/list_columns.h"

#include <algorithm>

#include <vector>

#include <wx/control.h>
#include <wx/dc.h>
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

wxString CompactPathForColumn(const wxString& path, const wxDC& dc, int width)
{
    auto fits = [&](const wxString& text) { return dc.GetTextExtent(text).x <= width; };
    if (width <= 0 || fits(path))
        return path;
    std::vector<size_t> separators;
    for (size_t i = 0; i < path.length(); ++i)
        if (path[i] == '/' || path[i] == '\\')
            separators.push_back(i);
    const size_t count = separators.size();  // the file name is part number count
    // Parts 0..lead-1 with their separators, "...", then the separator before
    // part trail and everything after it.
    auto shortened = [&](size_t lead, size_t trail) {
        return path.substr(0, lead == 0 ? 0 : separators[lead - 1] + 1) + "..." + path.substr(separators[trail - 1]);
    };
    if (count == 0 || !fits(shortened(0, count))) {
        const wxString name = path.substr(count == 0 ? 0 : separators[count - 1] + 1);
        if (count == 0)
            return wxControl::Ellipsize(name, dc, wxELLIPSIZE_MIDDLE, width);
        if (fits("..." + name))
            return "..." + name;
        // Narrower than the name would be with "..." before it: cut in its
        // middle, so that it still shows it is not the whole path.
        return wxControl::Ellipsize(name, dc, wxELLIPSIZE_MIDDLE, width - dc.GetTextExtent("...").x);
    }
    // Keep whole folders from both ends, a leading one first in each round,
    // while they fit; the ones in the middle give way.
    size_t lead = 0, trail = count;
    for (bool grew = true; grew;) {
        grew = false;
        if (lead + 1 < trail && fits(shortened(lead + 1, trail))) {
            ++lead;
            grew = true;
        }
        if (lead + 1 < trail && fits(shortened(lead, trail - 1))) {
            --trail;
            grew = true;
        }
    }
    return shortened(lead, trail);
}
