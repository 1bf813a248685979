// Column widths of report lists: the stored widths are a starting point,
// widened where the header or a cell's text would otherwise be cut.
#pragma once

#include <map>
#include <vector>

#include <wx/string.h>

class wxDC;
class wxListCtrl;

// Widens each column (never narrows) to its widest text, header included,
// plus a margin; firstExtra is added in column 0 (check box, icon).
void WidenColumnsToText(wxListCtrl* list, int firstExtra = 0);
// The sum of the column widths.
int TotalColumnWidth(const wxListCtrl* list);
// A path shortened to fit width pixels as dc measures it: the whole path
// when it fits; else its leading folders, "..." and its trailing folders
// with the file name, dropping whole folders from the middle outward (no
// folder is ever cut); when not even ".../" and the file name fit, "..."
// and the file name, or the file name cut in its middle.
// nameRoom is the width kept for the file name when the folders are
// shortened (at least the name's own): given the widest name of the folder
// (NameRoomByFolder), every file of one folder is shortened alike.
// The same path, width and room always give the same text.
wxString CompactPathForColumn(const wxString& path, const wxDC& dc, int width, int nameRoom = 0);
// The folder part of a path, up to and with its last separator ("" for a
// bare name).
wxString FolderOfPath(const wxString& path);
// For each folder of paths, the width of its widest file name as dc draws
// it: the nameRoom that shortens the files of one folder alike.
std::map<wxString, int> NameRoomByFolder(const wxDC& dc, const std::vector<wxString>& paths);
