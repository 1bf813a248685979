// Three small modal dialogs over lists and paths that other parts own:
// Folders to Search for Hand Records, Index (which entries to hide from the
// index pages) and the wireless-database alert. Each is filled before it is
// shown and read back after it closes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <wx/dialog.h>
#include <wx/listctrl.h>

class CScoreFile;
class wxButton;
class wxCheckBox;
class wxListBox;
class wxTextCtrl;

// Folders to Search for Hand Records: the folders in search order; the user
// removes some. After OK, m_folders holds what is left (in list order) and
// m_removed how many went.
class CHRPathDialog : public wxDialog {
public:
    CHRPathDialog(wxWindow* parent, const std::vector<std::string>& folders);

    std::vector<std::string> m_folders;
    int m_removed = 0;

    wxListBox* m_list = nullptr;
    wxButton* m_remove = nullptr;

private:
    void OnRemove();
    void OnSelChangeList();
    void OnOK();
};

// The Index dialog's list: a virtual list whose rows are the entries and
// whose check boxes show "hidden" (the entry's hidden flag, flipped by the
// row's toggle). A click anywhere on a row flips its toggle.
class CIndexList : public wxListCtrl {
public:
    CIndexList(wxWindow* parent, const std::vector<CScoreFile*>& entries, std::vector<bool>& toggles);
    wxString OnGetItemText(long item, long column) const override;
    bool OnGetItemIsChecked(long item) const override;
    // The window that receives the rows' mouse clicks.
    wxWindow* GetRowsWindow() const { return m_rows; }

private:
    void Flip(long item);
    const std::vector<CScoreFile*>& m_entries;
    std::vector<bool>& m_toggles;
    wxWindow* m_rows = nullptr;
    long m_clickedItem = -1;
};

class CIndexDialog : public wxDialog {
public:
    // entries: one row each, in this order (not owned).
    CIndexDialog(wxWindow* parent, const std::vector<CScoreFile*>& entries);

    std::vector<CScoreFile*> m_entries;
    // After OK: true for each entry whose hidden flag the user flipped.
    std::vector<bool> m_toggles;
    CIndexList* m_list = nullptr;
};

// The wireless scoring database of a score file cannot be read: "Try Again"
// (wxID_OK) with the path, maybe changed, or "Omit Data" (wxID_CANCEL).
// m_doNotShowAgain is the "Do Not Show This Message Again" box as it was
// when the dialog closed.
class CWirelessDialog : public wxDialog {
public:
    CWirelessDialog(wxWindow* parent, uint32_t error, const std::string& message, const std::string& path);

    uint32_t m_error = 0;
    std::string m_message;
    std::string m_path;
    bool m_doNotShowAgain = false;
    // Whether the error is "file not found" (a warning, not an error).
    bool IsFileNotFound() const;

    wxTextCtrl* m_pathEdit = nullptr;
    wxCheckBox* m_doNotShow = nullptr;
    wxButton* m_browse = nullptr;

private:
    void OnBrowse();
    void Finish(int result);
};
