// The Setup command: the setup record goes into the Setup sheet's pages, and
// after OK every item that changed is stored, logged with its old and new
// value and counted; when anything changed, the setup and program data are
// saved.
#include <strings.h>
#include <unistd.h>

#include "app/quillmark_app.h"
#include "app/setup_checks.h"
#include "app/setup_fields.h"
#include "platform/date_helpers.h"
#include "platform/text_helpers.h"

namespace {

// What the password field shows while a password is stored.
const char kStoredPasswordMask[] = "************";
// The BridgeWebs results service: an FTP Server of this name sends results
// by form post instead of FTP.
const char kBridgeWebsHost[] = "www.bridgewebs.com";

// Wipes the password texts of the sheet's values when the command ends.
struct CPasswordWiper {
    std::string& a;
    std::string& b;
    ~CPasswordWiper()
    {
        WipeString(a);
        WipeString(b);
    }
};

}  // namespace

bool CQuillmarkApp::IsBridgeWebsHost(const std::string& server)
{
    return ::strcasecmp(server.c_str(), kBridgeWebsHost) == 0;
}

std::string CQuillmarkApp::GetSftpExePath()
{
    const char* path = std::getenv("PATH");
    const std::string dirs = path && *path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t colon = dirs.find(':', start);
        if (colon == std::string::npos)
            colon = dirs.size();
        const std::string dir = dirs.substr(start, colon - start);
        const std::string candidate = (dir.empty() ? std::string(".") : dir) + "/sftp";
        if (::access(candidate.c_str(), X_OK) == 0 && !FolderExists(candidate))
            return candidate;
        start = colon + 1;
    }
    return {};
}

bool CQuillmarkApp::ApplyDoNotShowWirelessAlert(bool doNotShowAgain)
{
    const bool alert = (m_Setup.GetFlags() & SF_ALERT_NO_BWS) != 0;
    if (alert != doNotShowAgain)
        return true;
    return SetAlertNoBws(!doNotShowAgain, true) != 0;
}

void CQuillmarkApp::FillSetupValues(SetupSheetValues& v) const
{
    const CSetupData& s = m_Setup;
    CopySetupToSheet(s, v);
    if (v.computer.postFilesModifiedAfter == 0)
        v.computer.postFilesModifiedAfter = Now();
    v.ftp.password = s.m_ProtectedPassword.empty() ? "" : kStoredPasswordMask;
    v.ftp.sftpAvailable = !GetSftpExePath().empty();
}

void CQuillmarkApp::OnSetupSetup()
{
    SetupSheetValues given;
    FillSetupValues(given);
    SetupSheetValues v = given;
    CPasswordWiper wiper{given.ftp.password, v.ftp.password};
    if (!Prompter().EditSetup(v))
        return;
    // The sheet has checked these already; a value that still fails is
    // never stored.
    if (SetupProblem problem = CheckSetupValues(given, v, Now())) {
        ShowErrorMessage(problem.message + "\r\n\r\nThe setup was not changed.");
        return;
    }

    CSetupData& s = m_Setup;
    m_nSetupChangeCount = 0;
    // Every item that changed, in the order of the pages: logged with its
    // old and new value, then stored.
    for (const SetupFieldRow& row : SetupFieldTable()) {
        if (row.field == SetupField::BridgeWebs) {
            LogSetupFlagChange(row.logItem, std::get<SetupFlag>(row.value).bit, IsBridgeWebsHost(s.m_Ftp.m_strServer));
            continue;
        }
        if (row.field == SetupField::Password) {
            if (v.ftp.password != given.ftp.password) {
                // The stored password is replaced only once the new one is
                // safely protected; SetFtpPassword says so when it cannot be.
                if (SetFtpPassword(v.ftp.password)) {
                    if (m_pLog)
                        m_pLog->Printf("%s changed\n", row.logItem);
                    ++m_nSetupChangeCount;
                }
            }
            continue;
        }
        if (!*row.logItem || !SheetValueDiffers(row, s, v))
            continue;
        const std::string before = SetupValueText(row, s);
        StoreSheetValue(row, s, v);
        if (m_pLog)
            m_pLog->Printf("%s [%s]->[%s]\n", row.logItem, before.c_str(), SetupValueText(row, s).c_str());
        ++m_nSetupChangeCount;
        // Pages built for the old address must not be published. The URL is
        // compared exactly: a host or path whose letter case changed is a
        // different address to a case-sensitive server.
        if (row.field == SetupField::WebsiteUrl)
            InvalidateIndexPages();
    }

    if (m_nSetupChangeCount == 0)
        return;
    SetStatusText("Setup: Saving changes", 2);
    const bool saved = SaveData(true);
    const std::string result = StrFormat("Setup: Changes %ssaved", saved ? "" : "NOT ");
    SetStatusText(result, 2);
    if (m_pLog)
        m_pLog->Printf("%s\n", result.c_str());
}
