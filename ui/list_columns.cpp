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

wxString FolderOfPath(const wxString& path)
{
    const size_t cut = path.find_last_of("/\\");
    return cut == wxString::npos ? wxString() : path.substr(0, cut + 1);
}

std::map<wxString, int> NameRoomByFolder(const wxDC& dc, const std::vector<wxString>& paths)
{
    // A history may hold a hundred thousand files: a name is measured as
    // the sum of its characters, each measured once (CompactPathForColumn
    // still checks every text it makes against the width).
    std::map<wxUniChar, int> charWidths;
    std::map<wxString, int> rooms;
    for (const wxString& path : paths) {
        const wxString folder = FolderOfPath(path);
        int width = 0;
        for (size_t i = folder.length(); i < path.length(); ++i) {
            const wxUniChar c = path[i];
            auto known = charWidths.find(c);
            if (known == charWidths.end())
                known = charWidths.emplace(c, dc.GetTextExtent(wxString(c)).x).first;
            width += known->second;
        }
        int& room = rooms[folder];
        room = std::max(room, width);
    }
    return rooms;
}

wxString CompactPathForColumn(const wxString& path, const wxDC& dc, int width, int nameRoom)
{
    auto fits = [&](const wxString& text) { return dc.GetTextExtent(text).x <= width; };
    std::vector<size_t> separators;
    for (size_t i = 0; i < path.length(); ++i)
        if (path[i] == '/' || path[i] == '\\')
            separators.push_back(i);
    const size_t count = separators.size();  // the file name is part number count
    const wxString name = path.substr(count == 0 ? 0 : separators[count - 1] + 1);
    const int room = std::max(nameRoom, dc.GetTextExtent(name).x);
    // A folder part fits when it does with the room of the folder's widest
    // name, so the decision is the same for every file of the folder.
    auto fitsWithName = [&](const wxString& folders) {
        return dc.GetTextExtent(folders).x + room <= width && fits(folders + name);
    };
    if (width <= 0 || (count == 0 ? fits(path) : fitsWithName(path.substr(0, separators[count - 1] + 1))))
        return path;
    // Parts 0..lead-1 with their separators, "...", then the separator before
    // part trail and the folders after it, up to the file name.
    auto folders = [&](size_t lead, size_t trail) {
        return path.substr(0, lead == 0 ? 0 : separators[lead - 1] + 1) + "..." +
               path.substr(separators[trail - 1], separators[count - 1] + 1 - separators[trail - 1]);
    };
    auto shortened = [&](size_t lead, size_t trail) { return folders(lead, trail) + name; };
    if (count == 0 || !fitsWithName(folders(0, count))) {
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
        if (lead + 1 < trail && fitsWithName(folders(lead + 1, trail))) {
            ++lead;
            grew = true;
        }
        if (lead + 1 < trail && fitsWithName(folders(lead, trail - 1))) {
            --trail;
            grew = true;
        }
    }
    return shortened(lead, trail);
}
