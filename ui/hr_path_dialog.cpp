#include <wx/button.h>
#include <wx/listbox.h>
#include <wx/sizer.h>

#include "ui/dialog_services.h"
#include "ui/size_box.h"
#include "ui/small_dialogs.h"

CHRPathDialog::CHRPathDialog(wxWindow* parent, const std::vector<std::string>& folders)
    : wxDialog(parent, wxID_ANY, "Folders to Search for Hand Records", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      m_folders(folders)
{
    m_list = new wxListBox(this, wxID_ANY, wxDefaultPosition, wxSize(520, 220), 0, nullptr,
                           wxLB_EXTENDED | wxLB_HSCROLL | wxLB_NEEDED_SB);
    for (const std::string& folder : folders)
        m_list->Append(wxString::FromUTF8(folder));
    m_remove = new wxButton(this, wxID_ANY, "&Remove");
    m_remove->Disable();

    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(m_list, 1, wxEXPAND | wxALL, 10);
    top->Add(m_remove, 0, wxLEFT | wxRIGHT, 10);
    top->Add(CreateSeparatedButtonSizer(wxOK | wxCANCEL | wxHELP), 0, wxEXPAND | wxALL, 10);
    SetSizerAndFit(top);
    // Placement kept in the profile.
    CSizeBox::Attach(this, "HRPathDialog");

    m_list->Bind(wxEVT_LISTBOX, [this](wxCommandEvent&) { OnSelChangeList(); });
    m_remove->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnRemove(); });
    Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnOK(); }, wxID_OK);
    BindHelpButton(this, nullptr);
}

void CHRPathDialog::OnSelChangeList()
{
    wxArrayInt selected;
    m_remove->Enable(m_list->GetSelections(selected) > 0);
}

void CHRPathDialog::OnRemove()
{
    wxArrayInt selected;
    m_list->GetSelections(selected);
    selected.Sort([](int* a, int* b) { return *a - *b; });
    // From the last to the first, so the indexes stay right.
    for (size_t i = selected.size(); i-- > 0;) {
        m_list->Delete(static_cast<unsigned>(selected[i]));
        ++m_removed;
    }
    OnSelChangeList();
}

void CHRPathDialog::OnOK()
{
    m_folders.clear();
    for (unsigned i = 0; i < m_list->GetCount(); ++i)
        m_folders.push_back(m_list->GetString(i).utf8_string());
    EndModal(wxID_OK);
}
