#include "ui/message_dialog.h"

#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

#include "app/prompter.h"

CMessageDialog::CMessageDialog(wxWindow* parent) : CTextDialog(parent)
{
    m_withToolBar = false;
    m_ignoreEscape = false;
    m_sizeDU = wxSize(321, 176);
    SetSection("MessageDialog");
}

void CMessageDialog::AddExtraControls(wxSizer* mainSizer, wxSizer* textRow)
{
    // The question reads like a message: window colours, no frame.
    m_edit->SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW));
    m_edit->SetForegroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOWTEXT));
    auto* icon = new wxStaticBitmap(this, wxID_ANY,
                                    wxArtProvider::GetBitmap(wxART_WARNING, wxART_MESSAGE_BOX));
    textRow->Insert(0, icon, 0, wxALL, 12);
    textRow->GetItem(1)->SetFlag(wxEXPAND | wxTOP | wxRIGHT | wxBOTTOM);
    textRow->GetItem(1)->SetBorder(12);

    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    auto add = [&](int id, const wxString& label) {
        auto* button = new wxButton(this, id, label);
        buttons->Add(button, 0, wxLEFT, 6);
        return button;
    };
    add(wxID_YES, "&Yes");
    add(ID_YES_TO_ALL, "Yes to &All");
    wxButton* no = add(wxID_NO, "&No");
    add(wxID_CANCEL, "Cancel");
    wxButton* help = add(wxID_HELP, "Help");
    no->SetDefault();
    SetEscapeId(wxID_CANCEL);
    mainSizer->Add(buttons, 0, wxALIGN_RIGHT | wxALL, 10);

    for (int id : {static_cast<int>(wxID_YES), static_cast<int>(ID_YES_TO_ALL),
                   static_cast<int>(wxID_NO)})
        Bind(wxEVT_BUTTON, [this, id](wxCommandEvent&) { EndModal(id); }, id);
    Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { EndModal(wxID_CANCEL); }, wxID_CANCEL);
    // Help leaves the question open.
    Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
        if (m_onHelp)
            m_onHelp();
    }, wxID_HELP);
    help->Enable(static_cast<bool>(m_onHelp));
    Bind(wxEVT_INIT_DIALOG, [no](wxInitDialogEvent& event) {
        event.Skip();
        no->SetFocus();
    });
}

int CMessageDialog::Ask()
{
    SetCaption("");
    wxBell();
    switch (DoModal()) {
    case wxID_YES:
        return IDYES;
    case ID_YES_TO_ALL:
        return IDYESTOALL;
    case wxID_NO:
        return IDNO;
    default:
        return IDCANCEL;
    }
}

int CMessageDialog::YesToAllBox(wxWindow* parent, const std::string& text,
                                std::function<void()> onHelp)
{
    CMessageDialog dialog(parent);
    dialog.SetMessage(text);
    dialog.SetHelpHandler(std::move(onHelp));
    return dialog.Ask();
}
