// Column widths of report lists: the stored widths are a starting point,
// widened where the header or a cell's text would otherwise be cut.
#pragma once

class wxDC;
class wxListCtrl;
class wxString;

// Widens each column (never narrows) to its widest text, header included,
// plus a margin; firstExtra is added in column 0 (check box, icon).
void WidenColumnsToText(wxListCtrl* list, int firstExtra = 0);
// The sum of the column widths.
int TotalColumnWidth(const wxListCtrl* list);
// A path shortened to fit width pixels as dc measures it: the whole path
// when it fits; else its leading folders, "..." and its trailing folders
// with the file name, dropping whole folders from the middle outward (no
// folder is ever cut, so every row of one folder is shortened alike); when
// not even ".../" and the file name fit, "..." and the file name, or the
// file name cut in its middle.
// The same path and width always give the same text.
wxString CompactPathForColumn(const wxString& path, const wxDC& dc, int width);
