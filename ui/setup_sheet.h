// The Setup sheet: Computer, Website and FTP pages over the plain values of
// the Setup command. The command fills the values before the sheet is shown
// and reads them back after OK; OK checks every page first and, on a value
// that cannot be used, shows why, turns to its page and puts the focus on
// the field.
#pragma once

#include <utility>
#include <vector>

#include <wx/panel.h>
#include <wx/propdlg.h>

#include "app/prompter.h"
#include "app/setup_checks.h"

class wxCheckBox;
class wxChoice;
class wxSizer;
class wxDatePickerCtrl;
class wxSpinButton;
class wxStaticText;
class wxTextCtrl;
class wxTimePickerCtrl;
class wxWindow;

// Every page reads its controls into its values and checks them against
// what it was given; a problem names the control to focus. The labelled
// text fields and check boxes of the setup field table are bound to their
// values by the page base: filled when made, read back by ReadFields.
class CSetupPage : public wxPanel {
public:
    CSetupPage(wxWindow* parent, SetupSheetValues& values) : wxPanel(parent), m_sheet(values) {}
    // Reads the controls; on a problem, *focus is the control at fault.
    virtual SetupProblem Read(wxWindow** focus) = 0;
    // The control of a field of this page (null when not on it).
    virtual wxWindow* FieldControl(const SetupProblem& problem) = 0;

protected:
    // The field's label from the table, added to grid.
    wxStaticText* AddLabel(wxWindow* parent, wxSizer* grid, SetupField field);
    // The field's label and a text control holding its value, added to grid.
    wxTextCtrl* AddTextField(wxWindow* parent, wxSizer* grid, SetupField field, long style = 0);
    // A check box of a flag field, set to its value, added to sizer with the
    // given border flags.
    wxCheckBox* AddFlagField(wxWindow* parent, wxSizer* sizer, SetupField field, int flags);
    // The bound fields' controls back into the values.
    void ReadFields();

    SetupSheetValues& m_sheet;

private:
    std::vector<std::pair<const SetupFieldRow*, wxTextCtrl*>> m_texts;
    std::vector<std::pair<const SetupFieldRow*, wxCheckBox*>> m_checks;
};

class CSetupComputerPage : public CSetupPage {
public:
    CSetupComputerPage(wxWindow* parent, SetupSheetValues& values, bool allowPostAfter);
    SetupProblem Read(wxWindow** focus) override;
    wxWindow* FieldControl(const SetupProblem& problem) override;

    SetupComputerValues& m_values;
    const SetupComputerValues m_given;

    wxTextCtrl* m_scoreFolder = nullptr;
    wxDatePickerCtrl* m_postDate = nullptr;
    wxTimePickerCtrl* m_postTime = nullptr;
    wxCheckBox* m_autoFill = nullptr;
    wxCheckBox* m_alertNotFilled = nullptr;
    wxCheckBox* m_useCheck = nullptr;
    wxCheckBox* m_alertCheck = nullptr;
    wxTextCtrl* m_htmlLayout = nullptr;
    wxTextCtrl* m_pdfLayout = nullptr;

private:
    void OnBrowseScoreDirectory();
    void OnBrowseLayout(wxTextCtrl* edit, const wxString& title);
};

class CSetupWebsitePage : public CSetupPage {
public:
    CSetupWebsitePage(wxWindow* parent, SetupSheetValues& values);
    SetupProblem Read(wxWindow** focus) override;
    wxWindow* FieldControl(const SetupProblem& problem) override;

    SetupWebsiteValues& m_values;
    const SetupWebsiteValues m_given;

    wxTextCtrl* m_url = nullptr;
    wxTextCtrl* m_indexTemplate = nullptr;
    wxDatePickerCtrl* m_oldest = nullptr;
    wxTextCtrl* m_indexFile = nullptr;
    wxTextCtrl* m_days = nullptr;
    wxSpinButton* m_daysSpin = nullptr;
    wxTextCtrl* m_scoreFolder = nullptr;
    wxTextCtrl* m_scoreTemplate = nullptr;
    wxCheckBox* m_multiPage = nullptr;
    wxCheckBox* m_linkPdf = nullptr;
    wxCheckBox* m_linkHandRecords = nullptr;
    wxCheckBox* m_rebuild = nullptr;
};

class CSetupFtpPage : public CSetupPage {
public:
    CSetupFtpPage(wxWindow* parent, SetupSheetValues& values);
    SetupProblem Read(wxWindow** focus) override;
    wxWindow* FieldControl(const SetupProblem& problem) override;
    // Replaces the password field's text with as many asterisks as it holds.
    void MaskPassword();
    // Shows a protocol's port and parameters (the port's protocol when a
    // port is at fault).
    void ShowProtocol(int protocol);

    SetupFtpValues& m_values;
    const SetupFtpValues m_given;

    wxTextCtrl* m_server = nullptr;
    wxTextCtrl* m_user = nullptr;
    wxTextCtrl* m_password = nullptr;
    wxTextCtrl* m_directory = nullptr;
    wxChoice* m_protocol = nullptr;
    wxTextCtrl* m_port = nullptr;
    wxTextCtrl* m_parameters = nullptr;
    wxCheckBox* m_passive = nullptr;
    wxCheckBox* m_subdirectories = nullptr;
    wxCheckBox* m_alertNoBws = nullptr;

private:
    void OnSelchangeProtocol();
    int m_updating = 0;
};

class CSetupPropSheet : public wxPropertySheetDialog {
public:
    // shiftHeld: Setup was opened with Shift held, which alone lets the
    // Post Files Modified After time be changed.
    CSetupPropSheet(wxWindow* parent, const SetupSheetValues& values, bool shiftHeld);
    ~CSetupPropSheet() override;

    // The values after OK.
    SetupSheetValues GetValues() const;
    // The page that was showing when the last sheet closed; -1 before.
    static int GetLastActivePage() { return s_lastActivePage; }

    CSetupComputerPage* m_computer = nullptr;
    CSetupWebsitePage* m_website = nullptr;
    CSetupFtpPage* m_ftp = nullptr;

private:
    void OnOK();
    SetupSheetValues m_values;  // the pages' values
    void OnCancel();
    static int s_lastActivePage;
};

// Digits only in a text field (keys other than digits and editing keys are
// swallowed).
void AcceptDigitsOnly(wxTextCtrl* edit);
