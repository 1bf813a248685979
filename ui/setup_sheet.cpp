#include "ui/setup_sheet.h"

#include <wx/bookctrl.h>
#include <wx/checkbox.h>
#include <wx/sizer.h>
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
{
    SetSheetStyle(wxPROPSHEET_NOTEBOOK);
    Create(parent, wxID_ANY, "Quillmark Setup");
    wxBookCtrlBase* book = GetBookCtrl();
    m_computer = new CSetupComputerPage(book, values.computer, shiftHeld);
    m_website = new CSetupWebsitePage(book, values.website);
    m_ftp = new CSetupFtpPage(book, values.ftp);
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
    SetupSheetValues v;
    v.computer = m_computer->m_values;
    v.website = m_website->m_values;
    v.ftp = m_ftp->m_values;
    return v;
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

wxCheckBox* CSetupPage::AddCheckBox(wxWindow* parent, wxSizer* sizer, const char* text, bool value, int flags)
{
    auto* box = new wxCheckBox(parent, wxID_ANY, text);
    box->SetValue(value);
    sizer->Add(box, 0, flags, 6);
    return box;
}
