// The Setup sheet: Computer, Website and FTP pages over the plain values of
// the Setup command. The command fills the values before the sheet is shown
// and reads them back after OK; OK checks every page first and, on a value
// that cannot be used, shows why, turns to its page and puts the focus on
// the field.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include <wx/panel.h>
#include <wx/propdlg.h>

#include "app/prompter.h"
#include "app/setup_checks.h"
#include "app/setup_fields.h"

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
// what it was given; a problem names the control to focus. A page's
// controls are made from the setup field table, in the order of its page's
// layout: text fields and check boxes by the page base, which binds them to
// their values (filled when made, read back by ReadFields); dates, numbers,
// the password and the protocol's fields by the page itself.
class CSetupPage : public wxPanel {
public:
    CSetupPage(wxWindow* parent, SetupSheetValues& values) : wxPanel(parent), m_sheet(values) {}
    // Reads the controls; on a problem, *focus is the control at fault.
    virtual SetupProblem Read(wxWindow** focus) = 0;
    // The control of a field of this page (null when not on it).
    wxWindow* FieldControl(const SetupProblem& problem) const;

protected:
    // Makes the page's controls from its layout: labelled fields in a grid
    // of label, control and, with three columns, a button; check boxes
    // below them.
    void BuildFields(SetupPage page, int columns);
    // A field that is neither text nor check box: its control added to
    // grid; answers the control that takes the focus for the field.
    virtual wxWindow* AddOwnControl(const SetupFieldRow& row, wxWindow* parent, wxSizer* grid);
    // The button beside a field in the third column; null for none.
    virtual wxWindow* AddButton(const SetupFieldRow& row, wxWindow* parent);
    // A field's control (its label) once built.
    template <class T>
    T* ControlOf(SetupField field) const
    {
        const auto it = m_controls.find(field);
        return it == m_controls.end() ? nullptr : wxStaticCast(it->second, T);
    }
    wxStaticText* LabelOf(SetupField field) const;
    // The bound fields' controls back into the values.
    void ReadFields();

    SetupSheetValues& m_sheet;

private:
    wxTextCtrl* AddTextField(wxWindow* parent, wxSizer* grid, const SetupFieldRow& row);
    wxCheckBox* AddFlagField(wxWindow* parent, wxSizer* sizer, const SetupFieldRow& row, int flags);

    std::map<SetupField, wxWindow*> m_controls;
    std::map<SetupField, wxStaticText*> m_labels;
    std::vector<std::pair<SheetMember<std::string>, wxTextCtrl*>> m_texts;
    std::vector<std::pair<SheetMember<bool>, wxCheckBox*>> m_checks;
};

class CSetupComputerPage : public CSetupPage {
public:
    CSetupComputerPage(wxWindow* parent, SetupSheetValues& values, bool allowPostAfter);
    SetupProblem Read(wxWindow** focus) override;

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

protected:
    wxWindow* AddOwnControl(const SetupFieldRow& row, wxWindow* parent, wxSizer* grid) override;
    wxWindow* AddButton(const SetupFieldRow& row, wxWindow* parent) override;

private:
    void OnBrowseScoreDirectory();
    void OnBrowseLayout(wxTextCtrl* edit, const wxString& title);
};

class CSetupWebsitePage : public CSetupPage {
public:
    CSetupWebsitePage(wxWindow* parent, SetupSheetValues& values);
    SetupProblem Read(wxWindow** focus) override;

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

protected:
    wxWindow* AddOwnControl(const SetupFieldRow& row, wxWindow* parent, wxSizer* grid) override;
};

class CSetupFtpPage : public CSetupPage {
public:
    CSetupFtpPage(wxWindow* parent, SetupSheetValues& values);
    SetupProblem Read(wxWindow** focus) override;
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

protected:
    wxWindow* AddOwnControl(const SetupFieldRow& row, wxWindow* parent, wxSizer* grid) override;

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
