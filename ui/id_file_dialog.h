// Identify Score File: asks for the event, session date, session time,
// masterpoint limit and section of a score file the program could not
// identify by itself. Each field has a state image; fields already valid
// when the dialog opens are disabled, so the director fills in only what is
// missing. The caller fills the public members before ShowModal and reads
// them back after wxID_OK; ID_SKIP skips the file, wxID_CANCEL stops the run.
#pragma once

#include <cstdint>
#include <string>

#include <wx/dialog.h>

class wxChoice;
class wxDatePickerCtrl;
class wxStaticBitmap;
class wxTextCtrl;
class wxButton;
class CTextDialog;

class CIDFileDialog : public wxDialog {
public:
    enum : int { ID_SKIP = wxID_HIGHEST + 88 };
    // Fields, in the order they are read and checked.
    enum Field : int { F_EVENT, F_DATE, F_TIME, F_LIMIT, F_SECTION, F_COUNT };

    explicit CIDFileDialog(wxWindow* parent = nullptr);
    ~CIDFileDialog() override;

    // ---- filled by the caller, read back after OK ---------------------------
    std::string m_fileName;
    bool m_fileIsLocal = false;
    std::string m_event;
    int64_t m_sessionDate;        // seconds since 1970 UTC; the current time by default
    int m_sessionTime = 0;        // 0 Morning .. 3 Late, -1 none
    std::string m_section;
    std::string m_limit;
    const char* m_fileText = nullptr;  // UTF-8 content, not owned; may be null

    // Field states (see field_state_images.h) computed from values.
    static int GetEventState(const wxString& event);
    static int GetDateState(int64_t date);
    static int GetTimeState(int index);
    static int GetLimitState(const wxString& limit);
    static int GetSectionState(const wxString& section);

    // The state each field shows now, and its control (tests and the checks).
    int GetShownState(Field field) const;
    wxWindow* GetFieldControl(Field field) const;
    wxButton* GetViewFileButton() const { return m_viewFile; }
    CTextDialog* GetViewer() const { return m_viewer; }
    // The last invalid-field hint shown, as a balloon or a message box.
    const wxString& GetLastHint() const { return m_lastHint; }

    bool TransferDataToWindow() override;
    bool TransferDataFromWindow() override;

private:
    void CreateControls();
    int ComputeState(Field field) const;
    void UpdateFieldIcon(Field field);
    // Reads one field into its member; false (and the hint shown, the focus
    // on the control) when its value is invalid.
    bool CheckField(Field field);
    void OnOK(wxCommandEvent&);
    void OnViewFile(wxCommandEvent&);

    wxTextCtrl* m_fileNameText = nullptr;
    wxButton* m_viewFile = nullptr;
    wxTextCtrl* m_eventText = nullptr;
    wxDatePickerCtrl* m_datePicker = nullptr;
    wxChoice* m_timeChoice = nullptr;
    wxTextCtrl* m_limitText = nullptr;
    wxTextCtrl* m_sectionText = nullptr;
    wxStaticBitmap* m_images[F_COUNT] = {};
    int m_shown[F_COUNT] = {};
    CTextDialog* m_viewer = nullptr;
    wxString m_lastHint;
};
