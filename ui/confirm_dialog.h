// Confirm Posting: one row per score file a posting run is about to post.
// The director ticks which to post and attaches or clears a hand-record
// file per file; in add mode (History's "Add...") the dialog only picks
// which new files to add. The dialog edits copies of the post flags and
// hand-record paths and gives them back only when it ends with OK, so Cancel
// leaves every record as it was.
#pragma once

#include <string>
#include <vector>

#include <wx/dialog.h>

#include "app/prompter.h"

class CTextDialog;
class wxButton;
class wxCheckBox;
class wxListCtrl;
class wxListEvent;
class wxMenu;
class wxMouseEvent;

class CConfirmDialog : public wxDialog {
public:
    enum : int {
        ID_CLEAR_HAND_RECORDS = wxID_HIGHEST + 819,
        ID_SELECT_HAND_RECORDS = wxID_HIGHEST + 820,
        ID_VIEW_SCORE_FILE = wxID_HIGHEST + 829,
    };
    enum Column : int { COL_FILENAME, COL_HAND_RECORDS, COL_EVENT, COL_SESSION, COL_SEC, COL_DATE, COL_LIMITS };

    explicit CConfirmDialog(wxWindow* parent = nullptr);
    ~CConfirmDialog() override;

    // ---- set by the caller before ShowModal; read back after wxID_OK -------
    // The rows, the mode and the hand-record chooser; not owned. Without it
    // the dialog ends at once with wxID_CANCEL.
    const ConfirmPostingRequest* m_request = nullptr;
    // Filled when the dialog ends with OK: one entry per row.
    ConfirmPostingAnswer m_answer;

    int ShowModal() override;

    // ---- for the window tests ------------------------------------------------
    wxListCtrl* GetList() const { return m_list; }
    wxCheckBox* GetCheckAll() const { return m_checkAll; }
    CTextDialog* GetViewer() const { return m_viewer; }
    // The context menu for the current selection (null in add mode or with
    // nothing selected), its items enabled as they would be shown.
    wxMenu* CreateContextMenu();
    // The hand-record path the row holds now (not yet written to its record).
    const std::string& GetRowHandRecordPath(int row) const { return m_handRecordPaths.at(row); }

private:
    bool AddMode() const { return m_request->addMode; }

    void FillList();
    void SetHandRecordCell(int row);
    void UpdateCheckAll();
    std::vector<int> GetSelectedRows() const;
    // The manual chooser for a row; false when it was cancelled.
    bool ChooseHandRecords(int row);
    void OnCheckAll(wxCommandEvent&);
    void OnItemChecked(wxListEvent&);
    void OnListClick(wxMouseEvent& event);
    void OnRightClick(wxListEvent& event);
    void OnContextMenu(wxContextMenuEvent& event);
    void OnClearHandRecords(wxCommandEvent&);
    void OnSelectHandRecords(wxCommandEvent&);
    void OnViewScoreFile(wxCommandEvent&);
    void OnOK(wxCommandEvent&);

    std::vector<std::string> m_handRecordPaths;  // the edit copies, one per row
    int m_updating = 0;
    wxListCtrl* m_list = nullptr;
    wxCheckBox* m_checkAll = nullptr;
    wxButton* m_ok = nullptr;
    CTextDialog* m_viewer = nullptr;
};
