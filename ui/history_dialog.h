// History: the Upload History, one row per recorded score file in 13
// columns, sorted by any column (header click; again reverses). Remove
// drops the selected entries; Add... scans the Score File Directory for
// files not yet in the history and adds the ones picked in the Add Score
// Files dialog without posting them. Every edit goes to the working copy
// the History command passes in; the command commits it after OK.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <wx/dialog.h>

#include "app/prompter.h"

class CScoreFile;
class CQMListCtrl;
class wxButton;
class wxListEvent;

class CHistoryDialog : public wxDialog {
public:
    enum : int { ID_ADD = wxID_HIGHEST + 124, ID_REMOVE = wxID_HIGHEST + 93 };
    enum Column : int {
        COL_PATHNAME, COL_FLAGS, COL_HAND_RECORDS, COL_SIZE, COL_MODIFIED, COL_DESTINATION,
        COL_INSERT, COL_POSTED, COL_EVENT, COL_SESSION, COL_SEC, COL_DATE, COL_LIMITS, COL_COUNT
    };

    explicit CHistoryDialog(wxWindow* parent = nullptr);

    // ---- set by the caller before ShowModal; read back after OK ------------
    // The working copy and the Score File Directory; not owned. Without it
    // the dialog ends at once with wxID_CANCEL.
    const HistoryRequest* m_request = nullptr;
    // One per Add that added at least one file and one per Remove.
    int m_modified = 0;

    int ShowModal() override;

    // A cell's full text.
    static std::string GetColumnText(const CScoreFile& file, int column);
    // <0, 0, >0 by the column's sort key (ascending).
    static int CompareByColumn(const CScoreFile& a, const CScoreFile& b, int column);

    // ---- for the window tests ------------------------------------------------
    CQMListCtrl* GetList() const;
    wxButton* GetRemoveButton() const { return m_remove; }
    int GetSortColumn() const { return m_sortColumn; }
    bool IsDescending() const { return m_descending; }
    // The history index a row shows.
    int64_t GetHistoryIndex(long row) const { return m_order.at(static_cast<size_t>(row)); }
    // The text a row's cell is drawn with (paths shortened to the column).
    wxString GetShownText(long row, int column) const;

private:
    class CList;
    void SetSortColumn(int column);
    void FillList();
    // The room a path column keeps for the file names of path's folder
    // (its widest name), so that the files of one folder are shortened alike.
    int NameRoom(int column, const wxString& path);
    void UpdateRemove();
    std::vector<long> GetSelectedRows() const;
    void OnHeaderClick(wxListEvent& event);
    void OnAdd(wxCommandEvent&);
    void OnRemove(wxCommandEvent&);

    CList* m_list = nullptr;
    wxButton* m_remove = nullptr;
    int m_sortColumn = -1;
    bool m_descending = false;
    std::vector<int64_t> m_order;  // row -> history index
    std::map<wxString, int> m_nameRooms[COL_COUNT];
    bool m_nameRoomsMeasured = false;  // m_nameRooms holds the entries shown
};
