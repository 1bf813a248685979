#include "ui/setup_sheet.h"

#include <wx/bookctrl.h>
#include <wx/checkbox.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "ui/dialog_services.h"

int CSetupPropSheet::s_lastActivePage = -1;

void AcceptDigitsOnly(wxTextCtrl* edit)
{
    edit->Bind(wxEVT_CHAR, [](wxKeyEvent& event) {
        const int key = event.GetKeyCode();
        if ((key >= '0' && key <= '9') || key < WXK_SPACE || key == WXK_DELETE || key >= WXK_START ||
            event.HasModifiers())
            event.Skip();
        else
            wxBell();
    });
}

CSetupPropSheet::CSetupPropSheet(wxWindow* parent, const SetupSheetValues& values, bool shiftHeld)
    : m_values(values)
{
    SetSheetStyle(wxPROPSHEET_NOTEBOOK);
    Create(parent, wxID_ANY, "Quillmark Setup");
    wxBookCtrlBase* book = GetBookCtrl();
    m_computer = new CSetupComputerPage(book, m_values, shiftHeld);
    m_website = new CSetupWebsitePage(book, m_values);
    m_ftp = new CSetupFtpPage(book, m_values);
    book->AddPage(m_computer, "Computer");
    book->AddPage(m_website, "Website");
    book->AddPage(m_ftp, "FTP");
    // No Apply button: OK applies every page.
    CreateButtons(wxOK | wxCANCEL | wxHELP);
    LayoutDialog();
    if (s_lastActivePage >= 0 && s_lastActivePage < static_cast<int>(book->GetPageCount()))
        book->SetSelection(s_lastActivePage);
    Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnOK(); }, wxID_OK);
    Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnCancel(); }, wxID_CANCEL);
    BindHelpButton(this);
}

CSetupPropSheet::~CSetupPropSheet()
{
    s_lastActivePage = GetBookCtrl()->GetSelection();
}

SetupSheetValues CSetupPropSheet::GetValues() const
{
    return m_values;
}

void CSetupPropSheet::OnOK()
{
    CSetupPage* pages[] = {m_computer, m_website, m_ftp};
    for (int i = 0; i < 3; ++i) {
        wxWindow* focus = nullptr;
        const SetupProblem problem = pages[i]->Read(&focus);
        if (!problem)
            continue;
        GetBookCtrl()->SetSelection(i);
        if (problem.field == SetupField::Port || problem.field == SetupField::Parameters)
            m_ftp->ShowProtocol(problem.protocol);
        ShowDialogMessage(this, wxString::FromUTF8(problem.message), wxOK | wxICON_EXCLAMATION);
        if (focus) {
            focus->SetFocus();
            if (auto* edit = wxDynamicCast(focus, wxTextCtrl))
                edit->SelectAll();
        }
        return;
    }
    m_ftp->MaskPassword();
    EndDialog(wxID_OK);
}

void CSetupPropSheet::OnCancel()
{
    m_ftp->MaskPassword();
    EndDialog(wxID_CANCEL);
}

wxStaticText* CSetupPage::AddLabel(wxWindow* parent, wxSizer* grid, SetupField field)
{
    auto* label = new wxStaticText(parent, wxID_ANY, SetupFieldOf(field).label);
    grid->Add(label, 0, wxALIGN_CENTER_VERTICAL);
    return label;
}

wxTextCtrl* CSetupPage::AddTextField(wxWindow* parent, wxSizer* grid, SetupField field, long style)
{
    const SetupFieldRow& row = SetupFieldOf(field);
    AddLabel(parent, grid, field);
    auto* edit = new wxTextCtrl(parent, wxID_ANY, wxString::FromUTF8(row.sheetText(m_sheet)), wxDefaultPosition,
                                wxDefaultSize, style);
    grid->Add(edit, 1, wxEXPAND);
    m_texts.emplace_back(&row, edit);
    return edit;
}

wxCheckBox* CSetupPage::AddFlagField(wxWindow* parent, wxSizer* sizer, SetupField field, int flags)
{
    const SetupFieldRow& row = SetupFieldOf(field);
    auto* box = new wxCheckBox(parent, wxID_ANY, row.label);
    box->SetValue(row.sheetFlag(m_sheet));
    sizer->Add(box, 0, flags, 6);
    m_checks.emplace_back(&row, box);
    return box;
}

void CSetupPage::ReadFields()
{
    for (const auto& [row, edit] : m_texts)
        row->sheetText(m_sheet) = edit->GetValue().utf8_string();
    for (const auto& [row, box] : m_checks)
        row->sheetFlag(m_sheet) = box->GetValue();
}
