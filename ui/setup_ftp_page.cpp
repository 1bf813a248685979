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
    const SetupFtpValues& values = m_given;
    auto* general = new wxStaticBoxSizer(wxVERTICAL, this, "General");
    wxWindow* gbox = general->GetStaticBox();
    auto* ggrid = new wxFlexGridSizer(2, wxSize(6, 6));
    ggrid->AddGrowableCol(1);
    // The password, port and parameters are not bound: the password is
    // wiped after use, and the port and parameters field shows the chosen
    // protocol's.
    auto edit = [&](wxWindow* box, wxFlexGridSizer* grid, SetupField field, const std::string& value,
                    long style = 0) {
        AddLabel(box, grid, field);
        auto* ctrl = new wxTextCtrl(box, wxID_ANY, wxString::FromUTF8(value), wxDefaultPosition, wxDefaultSize,
                                    style);
        grid->Add(ctrl, 1, wxEXPAND);
        return ctrl;
    };
    m_server = AddTextField(gbox, ggrid, SetupField::Server);
    m_server->SetMinSize(wxSize(300, -1));
    m_user = AddTextField(gbox, ggrid, SetupField::User);
    m_password = edit(gbox, ggrid, SetupField::Password, values.password, wxTE_PASSWORD);
    m_password->SetMaxLength(2048);
    m_directory = AddTextField(gbox, ggrid, SetupField::Directory);
    general->Add(ggrid, 0, wxEXPAND | wxALL, 6);

    auto* advanced = new wxStaticBoxSizer(wxVERTICAL, this, "Advanced");
    wxWindow* abox = advanced->GetStaticBox();
    auto* agrid = new wxFlexGridSizer(2, wxSize(6, 6));
    agrid->AddGrowableCol(1);
    AddLabel(abox, agrid, SetupField::Protocol);
    m_protocol = new wxChoice(abox, wxID_ANY);
    m_protocol->Append("FTP   (plain text)");
    m_protocol->Append("FTPS (FTP over TLS)");
    m_protocol->Append("SFTP (SSH File Transfer Protocol)");
    agrid->Add(m_protocol, 0);
    const int protocol = (values.protocol >= 0 && values.protocol <= 2) ? values.protocol : 0;
    m_values.protocol = protocol;
    m_protocol->SetSelection(protocol);
    m_port = edit(abox, agrid, SetupField::Port, values.port[protocol]);
    m_port->SetMaxLength(5);
    AcceptDigitsOnly(m_port);
    m_parameters = edit(abox, agrid, SetupField::Parameters, values.parameters[protocol]);
    advanced->Add(agrid, 0, wxEXPAND | wxALL, 6);
    auto check = [&](SetupField field) { return AddFlagField(abox, advanced, field, wxLEFT | wxRIGHT | wxBOTTOM); };
    m_passive = check(SetupField::Passive);
    m_subdirectories = check(SetupField::UploadToSubdirectories);
    m_alertNoBws = check(SetupField::AlertNoBws);

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

    // Both groups' fields start at one column.
    std::vector<wxStaticText*> labels;
    for (wxFlexGridSizer* grid : {ggrid, agrid}) {
        for (wxSizerItem* item : grid->GetChildren()) {
            if (auto* l = wxDynamicCast(item->GetWindow(), wxStaticText))
                labels.push_back(l);
        }
    }
    int labelWidth = 0;
    for (wxStaticText* l : labels)
        labelWidth = std::max(labelWidth, l->GetBestSize().x);
    for (wxStaticText* l : labels)
        l->SetMinSize(wxSize(labelWidth, -1));

    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(general, 0, wxEXPAND | wxALL, 10);
    top->Add(advanced, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 10);
    SetSizerAndFit(top);
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

wxWindow* CSetupFtpPage::FieldControl(const SetupProblem& problem)
{
    switch (problem.field) {
    case SetupField::Server: return m_server;
    case SetupField::Directory: return m_directory;
    case SetupField::Port: return m_port;
    case SetupField::Parameters: return m_parameters;
    default: return nullptr;
    }
}

void CSetupFtpPage::MaskPassword()
{
    const size_t length = m_password->GetValue().length();
    if (length > 0)
        m_password->ChangeValue(wxString(length, '*'));
}
