#include <cerrno>

#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "ui/dialog_services.h"
#include "ui/small_dialogs.h"

CWirelessDialog::CWirelessDialog(wxWindow* parent, uint32_t error, const std::string& message,
                                 const std::string& path)
    : wxDialog(parent, wxID_ANY, "Quillmark"), m_error(error), m_message(message), m_path(path)
{
    // A database that is simply missing is a warning; anything else an error.
    const bool missing = IsFileNotFound();
    wxBell();
    auto* icon = new wxStaticBitmap(this, wxID_ANY,
                                    wxArtProvider::GetBitmap(missing ? wxART_WARNING : wxART_ERROR, wxART_MESSAGE_BOX));
    icon->SetName(missing ? "warning" : "error");
    auto* text = new wxStaticText(this, wxID_ANY, wxString::FromUTF8(message));
    text->Wrap(FromDIP(440));

    m_pathEdit = new wxTextCtrl(this, wxID_ANY, wxString::FromUTF8(path));
    m_pathEdit->SetMinSize(FromDIP(wxSize(400, -1)));
    m_browse = new wxButton(this, wxID_ANY, "&Browse...");
    m_doNotShow = new wxCheckBox(this, wxID_ANY, "Do Not Show This Message Again");

    auto* head = new wxBoxSizer(wxHORIZONTAL);
    head->Add(icon, 0, wxRIGHT, 16);
    head->Add(text, 1, wxALIGN_CENTER_VERTICAL);
    auto* pathRow = new wxBoxSizer(wxHORIZONTAL);
    pathRow->Add(m_pathEdit, 1, wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
    pathRow->Add(m_browse, 0, wxALIGN_CENTER_VERTICAL);
    auto* buttons = new wxStdDialogButtonSizer();
    auto* retry = new wxButton(this, wxID_OK, "&Try Again");
    auto* omit = new wxButton(this, wxID_CANCEL, "&Omit Data");
    buttons->AddButton(retry);
    buttons->AddButton(omit);
    buttons->AddButton(new wxButton(this, wxID_HELP));
    buttons->Realize();
    retry->SetDefault();

    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(head, 0, wxEXPAND | wxALL, 12);
    top->Add(pathRow, 0, wxEXPAND | wxLEFT | wxRIGHT, 12);
    top->Add(m_doNotShow, 0, wxALIGN_CENTER_HORIZONTAL | wxALL, 12);
    top->Add(buttons, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 12);
    SetSizerAndFit(top);

    m_browse->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnBrowse(); });
    Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Finish(wxID_OK); }, wxID_OK);
    Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Finish(wxID_CANCEL); }, wxID_CANCEL);
    BindHelpButton(this, nullptr);
}

bool CWirelessDialog::IsFileNotFound() const
{
    return m_error == 0x80070002u || m_error == static_cast<uint32_t>(ENOENT);
}

void CWirelessDialog::OnBrowse()
{
    FileChooserRequest request;
    request.title = "Open Wireless Scoring System Database";
    request.start = m_pathEdit->GetValue();
    request.wildcard = "Wireless Databases (*.bws)|*.bws|All Files (*.*)|*.*";
    wxString chosen;
    if (ChooseFile(this, request, chosen))
        m_pathEdit->SetValue(chosen);
}

void CWirelessDialog::Finish(int result)
{
    // The box is read once, as it stands when the dialog closes; whichever
    // button closed it.
    m_doNotShowAgain = m_doNotShow->GetValue();
    m_path = m_pathEdit->GetValue().utf8_string();
    EndModal(result);
}
