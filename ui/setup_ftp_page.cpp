#include <algorithm>
#include <vector>

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "platform/secret.h"
#include "ui/dialog_services.h"
#include "ui/setup_sheet.h"

CSetupFtpPage::CSetupFtpPage(wxWindow* parent, SetupSheetValues& sheet)
    : CSetupPage(parent, sheet), m_values(sheet.ftp), m_given(sheet.ftp)
{
    BuildFields(SetupPage::Ftp, 2);
    m_server = ControlOf<wxTextCtrl>(SetupField::Server);
    m_server->SetMinSize(wxSize(300, -1));
    m_user = ControlOf<wxTextCtrl>(SetupField::User);
    m_directory = ControlOf<wxTextCtrl>(SetupField::Directory);
    m_passive = ControlOf<wxCheckBox>(SetupField::Passive);
    m_subdirectories = ControlOf<wxCheckBox>(SetupField::UploadToSubdirectories);
    m_alertNoBws = ControlOf<wxCheckBox>(SetupField::AlertNoBws);

    m_protocol->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) { OnSelchangeProtocol(); });
    // Each protocol keeps its own port and parameters while the user
    // switches back and forth.
    m_port->Bind(wxEVT_TEXT, [this](wxCommandEvent&) {
        if (!m_updating)
            m_values.port[m_values.protocol] = m_port->GetValue().utf8_string();
    });
    m_parameters->Bind(wxEVT_TEXT, [this](wxCommandEvent&) {
        if (!m_updating)
            m_values.parameters[m_values.protocol] = m_parameters->GetValue().utf8_string();
    });
    GetSizer()->SetSizeHints(this);
}

// The password, port and parameters are not bound: the password is wiped
// after use, and the port and parameters fields show the chosen protocol's.
wxWindow* CSetupFtpPage::AddOwnControl(const SetupFieldRow& row, wxWindow* parent, wxSizer* grid)
{
    const SetupFtpValues& values = m_given;
    auto edit = [&](const std::string& value, long style = 0) {
        auto* ctrl = new wxTextCtrl(parent, wxID_ANY, wxString::FromUTF8(value), wxDefaultPosition, wxDefaultSize,
                                    style);
        grid->Add(ctrl, 1, wxEXPAND);
        return ctrl;
    };
    switch (row.field) {
    case SetupField::Password:
        m_password = edit(values.password, wxTE_PASSWORD);
        m_password->SetMaxLength(2048);
        return m_password;
    case SetupField::Protocol: {
        m_protocol = new wxChoice(parent, wxID_ANY);
        m_protocol->Append("FTP   (plain text)");
        m_protocol->Append("FTPS (FTP over TLS)");
        m_protocol->Append("SFTP (SSH File Transfer Protocol)");
        grid->Add(m_protocol, 0);
        const int protocol = (values.protocol >= 0 && values.protocol <= 2) ? values.protocol : 0;
        m_values.protocol = protocol;
        m_protocol->SetSelection(protocol);
        return m_protocol;
    }
    case SetupField::Port:
        m_port = edit(values.port[m_values.protocol]);
        m_port->SetMaxLength(5);
        AcceptDigitsOnly(m_port);
        return m_port;
    case SetupField::Parameters:
        m_parameters = edit(values.parameters[m_values.protocol]);
        return m_parameters;
    default: return CSetupPage::AddOwnControl(row, parent, grid);
    }
}

void CSetupFtpPage::ShowProtocol(int protocol)
{
    if (protocol < 0 || protocol > 2)
        return;
    ++m_updating;
    m_values.protocol = protocol;
    m_protocol->SetSelection(protocol);
    m_port->ChangeValue(wxString::FromUTF8(m_values.port[protocol]));
    m_parameters->ChangeValue(wxString::FromUTF8(m_values.parameters[protocol]));
    --m_updating;
}

void CSetupFtpPage::OnSelchangeProtocol()
{
    const int chosen = m_protocol->GetSelection();
    if (chosen == 2 && !m_values.sftpAvailable) {
        ShowDialogMessage(this,
                          "SFTP cannot be used: the OpenSSH sftp program was not found.\n\n"
                          "Install the OpenSSH client (Debian package \"openssh-client\") and try again.",
                          wxOK | wxICON_ERROR);
        m_protocol->SetSelection(m_values.protocol);
        return;
    }
    ShowProtocol(chosen);
}

SetupProblem CSetupFtpPage::Read(wxWindow** focus)
{
    SetupFtpValues& v = m_values;
    ReadFields();
    WipeString(v.password);
    v.password = m_password->GetValue().utf8_string();
    v.port[v.protocol] = m_port->GetValue().utf8_string();
    v.parameters[v.protocol] = m_parameters->GetValue().utf8_string();
    SetupProblem problem = CheckFtpValues(m_given, v);
    *focus = FieldControl(problem);
    return problem;
}

void CSetupFtpPage::MaskPassword()
{
    const size_t length = m_password->GetValue().length();
    if (length > 0)
        m_password->ChangeValue(wxString(length, '*'));
}
