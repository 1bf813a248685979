#include "ui/setup_sheet.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include <wx/bookctrl.h>
#include <wx/checkbox.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "ui/dialog_services.h"
#include "ui/help_window.h"

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
    BindHelpButton(this, [this] {
        const char* pages[] = {help::kComputerPage, help::kWebsitePage, help::kFtpPage};
        const int page = GetBookCtrl()->GetSelection();
        return std::string(page >= 0 && page < 3 ? pages[page] : "");
    });
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

void CSetupPage::BuildFields(SetupPage page, int columns)
{
    auto* top = new wxBoxSizer(wxVERTICAL);
    std::vector<wxStaticText*> labels;
    bool first = true;
    for (const SetupSection& section : SetupPageLayout(page)) {
        // A captioned section is a group box holding its grid and checks.
        wxStaticBoxSizer* group = *section.caption ? new wxStaticBoxSizer(wxVERTICAL, this, section.caption) : nullptr;
        wxWindow* parent = group ? group->GetStaticBox() : static_cast<wxWindow*>(this);
        auto* grid = new wxFlexGridSizer(columns, wxSize(6, 6));
        grid->AddGrowableCol(1);
        wxSizer* checks = group ? static_cast<wxSizer*>(group) : new wxBoxSizer(wxVERTICAL);
        if (group) {
            group->Add(grid, 0, wxEXPAND | wxALL, 6);
            top->Add(group, 0, wxEXPAND | (first ? wxALL : wxLEFT | wxRIGHT | wxBOTTOM), 10);
        } else {
            top->Add(grid, 0, wxEXPAND | wxALL, 10);
            top->Add(checks, 0, wxLEFT | wxRIGHT | wxBOTTOM, 10);
        }
        first = false;
        for (SetupField field : section.fields) {
            const SetupFieldRow& row = SetupFieldOf(field);
            if (std::holds_alternative<SetupFlag>(row.value)) {
                m_controls[field] = AddFlagField(parent, checks, row, group ? wxLEFT | wxRIGHT | wxBOTTOM : wxBOTTOM);
                continue;
            }
            auto* label = new wxStaticText(parent, wxID_ANY, row.label);
            grid->Add(label, 0, wxALIGN_CENTER_VERTICAL);
            labels.push_back(label);
            m_labels[field] = label;
            // Port and Parameters show the chosen protocol's value: the page's own.
            const bool bound = std::holds_alternative<SetupText>(row.value) && row.protocol < 0;
            m_controls[field] = bound ? AddTextField(parent, grid, row) : AddOwnControl(row, parent, grid);
            if (columns > 2) {
                if (wxWindow* button = AddButton(row, parent))
                    grid->Add(button, 0, wxALIGN_CENTER_VERTICAL);
                else
                    grid->AddSpacer(0);
            }
        }
    }
    // The fields of every section start at one column.
    int labelWidth = 0;
    for (wxStaticText* label : labels)
        labelWidth = std::max(labelWidth, label->GetBestSize().x);
    for (wxStaticText* label : labels)
        label->SetMinSize(wxSize(labelWidth, -1));
    SetSizer(top);
}

wxWindow* CSetupPage::AddOwnControl(const SetupFieldRow& row, wxWindow*, wxSizer*)
{
    throw std::logic_error(std::string("no control for the setup field ") + row.label);
}

wxWindow* CSetupPage::AddButton(const SetupFieldRow&, wxWindow*)
{
    return nullptr;
}

wxStaticText* CSetupPage::LabelOf(SetupField field) const
{
    const auto it = m_labels.find(field);
    return it == m_labels.end() ? nullptr : it->second;
}

wxWindow* CSetupPage::FieldControl(const SetupProblem& problem) const
{
    return ControlOf<wxWindow>(problem.field);
}

wxTextCtrl* CSetupPage::AddTextField(wxWindow* parent, wxSizer* grid, const SetupFieldRow& row)
{
    const SheetMember<std::string>& value = *std::get<SetupText>(row.value).sheet;
    auto* edit = new wxTextCtrl(parent, wxID_ANY, wxString::FromUTF8(value(m_sheet)));
    grid->Add(edit, 1, wxEXPAND);
    m_texts.emplace_back(value, edit);
    return edit;
}

wxCheckBox* CSetupPage::AddFlagField(wxWindow* parent, wxSizer* sizer, const SetupFieldRow& row, int flags)
{
    const SheetMember<bool>& value = *std::get<SetupFlag>(row.value).sheet;
    auto* box = new wxCheckBox(parent, wxID_ANY, row.label);
    box->SetValue(value(m_sheet));
    sizer->Add(box, 0, flags, 6);
    m_checks.emplace_back(value, box);
    return box;
}

void CSetupPage::ReadFields()
{
    for (const auto& [value, edit] : m_texts)
        value(m_sheet) = edit->GetValue().utf8_string();
    for (const auto& [value, box] : m_checks)
        value(m_sheet) = box->GetValue();
}
