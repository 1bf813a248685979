#include "ui/dialog_commands.h"

#include <wx/utils.h>

#include "platform/secret.h"
#include "ui/setup_sheet.h"
#include "ui/small_dialogs.h"

bool ShowSetupSheet(wxWindow* parent, SetupSheetValues& values)
{
    CSetupPropSheet sheet(parent, values, wxGetKeyState(WXK_SHIFT));
    const bool ok = sheet.ShowModal() == wxID_OK;
    SetupSheetValues edited = sheet.GetValues();
    WipeString(sheet.m_ftp->m_values.password);
    if (ok)
        values = edited;
    WipeString(edited.ftp.password);
    return ok;
}

bool ShowIndexDialog(wxWindow* parent, const std::vector<CScoreFile*>& entries, std::vector<bool>& toggles)
{
    CIndexDialog dialog(parent, entries);
    if (dialog.ShowModal() != wxID_OK)
        return false;
    toggles = dialog.m_toggles;
    return true;
}

bool ShowHandRecordFolders(wxWindow* parent, const std::vector<std::string>& folders,
                           std::vector<std::string>& remaining, int& removed)
{
    CHRPathDialog dialog(parent, folders);
    if (dialog.ShowModal() != wxID_OK)
        return false;
    remaining = dialog.m_folders;
    removed = dialog.m_removed;
    return true;
}

int ShowWirelessDialog(wxWindow* parent, uint32_t error, const std::string& message, std::string& path,
                       bool& doNotShowAgain)
{
    CWirelessDialog dialog(parent, error, message, path);
    const int result = dialog.ShowModal();
    doNotShowAgain = dialog.m_doNotShowAgain;
    if (result != wxID_OK)
        return IDCANCEL;
    path = dialog.m_path;
    return IDOK;
}
