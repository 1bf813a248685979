// Column widths of report lists: the stored widths are a starting point,
// widened where the header or a cell's text would otherwise be cut.
#pragma once

class wxListCtrl;

// Widens each column (never narrows) to its widest text, header included,
// plus a margin; firstExtra is added in column 0 (check box, icon).
void WidenColumnsToText(wxListCtrl* list, int firstExtra = 0);
// The sum of the column widths.
int TotalColumnWidth(const wxListCtrl* list);
