// The Setup command: the setup record goes into the Setup sheet's pages, and
// after OK every item that changed is stored, logged with its old and new
// value and counted; when anything changed, the setup and program data are
// saved.
#include <strings.h>
#include <unistd.h>

#include "app/quillmark_app.h"
#include "app/setup_checks.h"
#include "platform/date_helpers.h"
#include "platform/text_helpers.h"

namespace {

// What the password field shows while a password is stored.
const char kStoredPasswordMask[] = "************";
// The BridgeWebs results service: an FTP Server of this name sends results
// by form post instead of FTP.
const char kBridgeWebsHost[] = "www.bridgewebs.com";

std::string FormatSetupTime(int64_t time, const char* pattern)
{
    try {
        return FormatDate(time, pattern);
    } catch (...) {
        return std::to_string(time);
    }
}

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
    const bool alert = (m_Setup.m_Ftp.m_dwFlags & SF_ALERT_NO_BWS) != 0;
    if (alert != doNotShowAgain)
        return true;
    return SetAlertNoBws(!doNotShowAgain, true) != 0;
}

void CQuillmarkApp::FillSetupValues(SetupSheetValues& v) const
{
    const CSetupData& s = m_Setup;
    const uint32_t f = s.m_Ftp.m_dwFlags;
    v.computer.scoreFileDirectory = s.m_strScoreFileDirectory;
    v.computer.postFilesModifiedAfter = s.m_tPostFilesModifiedAfter ? s.m_tPostFilesModifiedAfter : Now();
    v.computer.htmlLayout = s.m_strHtmlLayout;
    v.computer.pdfLayout = s.m_strPdfLayout;
    v.computer.autoFillHandRecord = (f & SF_AUTO_FILL_HAND_RECORD) != 0;
    v.computer.alertHandRecordNotFilled = (f & SF_ALERT_HAND_RECORD_NOT_FILLED) != 0;
    v.computer.useCheckScoreData = (f & SF_USE_CHECK_SCORE_DATA) != 0;
    v.computer.alertCheckScoreData = (f & SF_ALERT_CHECK_SCORE_DATA) != 0;

    v.website.websiteUrl = s.m_strWebsiteUrl;
    v.website.indexTemplate = s.m_strIndexTemplate;
    v.website.oldestToIndex = s.m_tOldestToIndex;
    v.website.indexFile = s.m_strIndexFile;
    v.website.daysToIndex = s.m_nDaysToIndex;
    v.website.scoreFileDirectory = s.m_strWebsiteScoreFileDirectory;
    v.website.scoreFileTemplate = s.m_strScoreFileTemplate;
    v.website.multiPageIndex = (f & SF_MULTI_PAGE_INDEX) != 0;
    v.website.linkPdfHandRecords = (f & SF_LINK_PDF_HAND_RECORDS) != 0;
    v.website.linkHandRecords = (f & SF_LINK_HAND_RECORDS) != 0;
    v.website.rebuildIndexFromWebsite = (f & SF_REBUILD_INDEX_FROM_WEBSITE) != 0;

    v.ftp.server = s.m_Ftp.m_strServer;
    v.ftp.user = s.m_Ftp.m_strUser;
    v.ftp.password = s.m_ProtectedPassword.empty() ? "" : kStoredPasswordMask;
    v.ftp.directory = s.m_Ftp.m_strDirectory;
    v.ftp.protocol = s.m_Ftp.m_nProtocol;
    for (int i = 0; i < 3; ++i) {
        v.ftp.port[i] = s.m_Ftp.m_strPort[i];
        v.ftp.parameters[i] = s.m_Ftp.m_strParameters[i];
    }
    v.ftp.passive = (f & SF_ACTIVE_FTP) == 0;
    v.ftp.alertNoBws = (f & SF_ALERT_NO_BWS) != 0;
    v.ftp.uploadToSubdirectories = (f & SF_UPLOAD_TO_SUBDIRECTORIES) != 0;
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
    auto text = [this](const char* format, std::string& stored, const std::string& entered) {
        if (stored == entered)
            return;
        if (m_pLog)
            m_pLog->Printf(format, stored.c_str(), entered.c_str());
        stored = entered;
        ++m_nSetupChangeCount;
    };
    auto time = [this](const char* format, const char* pattern, int64_t& stored, int64_t entered) {
        if (stored == entered)
            return;
        if (m_pLog)
            m_pLog->Printf(format, FormatSetupTime(stored, pattern).c_str(),
                           FormatSetupTime(entered, pattern).c_str());
        stored = entered;
        ++m_nSetupChangeCount;
    };

    // Computer page.
    const SetupComputerValues& c = v.computer;
    text("Setup Computer: Score File Directory [%s]->[%s]\n", s.m_strScoreFileDirectory, c.scoreFileDirectory);
    time("Setup Computer: Post Files Modified After [%s]->[%s]\n", "%m/%d/%Y %H:%M:%S",
         s.m_tPostFilesModifiedAfter, c.postFilesModifiedAfter);
    text("Setup Computer: HTML Layout [%s]->[%s]\n", s.m_strHtmlLayout, c.htmlLayout);
    text("Setup Computer: PDF Layout [%s]->[%s]\n", s.m_strPdfLayout, c.pdfLayout);
    LogSetupFlagChange("Setup Computer: Automatically fill the hand record field if possible",
                       SF_AUTO_FILL_HAND_RECORD, c.autoFillHandRecord);
    LogSetupFlagChange("Setup Computer: Alert when the hand record field is not filled",
                       SF_ALERT_HAND_RECORD_NOT_FILLED, c.alertHandRecordNotFilled);
    LogSetupFlagChange("Setup Computer: Use the Vantorel \"Check Score Data\" command", SF_USE_CHECK_SCORE_DATA,
                       c.useCheckScoreData);
    LogSetupFlagChange("Setup Computer: Alert when \"Check Score Data\" finds potential scoring errors",
                       SF_ALERT_CHECK_SCORE_DATA, c.alertCheckScoreData);

    // Website page. The URL is compared exactly: a host or path whose
    // letter case changed is a different address to a case-sensitive server.
    const SetupWebsiteValues& w = v.website;
    if (s.m_strWebsiteUrl != w.websiteUrl) {
        text("Setup Website: Website URL [%s]->[%s]\n", s.m_strWebsiteUrl, w.websiteUrl);
        // Pages built for the old address must not be published.
        InvalidateIndexPages();
    }
    text("Setup Website: Index Template Filename [%s]->[%s]\n", s.m_strIndexTemplate, w.indexTemplate);
    text("Setup Website: Index Filename [%s]->[%s]\n", s.m_strIndexFile, w.indexFile);
    time("Setup Website: Oldest To Index [%s]->[%s]\n", "%m/%d/%Y", s.m_tOldestToIndex, w.oldestToIndex);
    if (s.m_nDaysToIndex != w.daysToIndex) {
        if (m_pLog)
            m_pLog->Printf("Setup Website: Days To Index [%d]->[%d]\n", s.m_nDaysToIndex, w.daysToIndex);
        s.m_nDaysToIndex = w.daysToIndex;
        ++m_nSetupChangeCount;
    }
    text("Setup Website: Score File Directory [%s]->[%s]\n", s.m_strWebsiteScoreFileDirectory,
         w.scoreFileDirectory);
    text("Setup Website: Score File Template Filename [%s]->[%s]\n", s.m_strScoreFileTemplate,
         w.scoreFileTemplate);
    LogSetupFlagChange("Setup Website: Multi-page index", SF_MULTI_PAGE_INDEX, w.multiPageIndex);
    LogSetupFlagChange("Setup Website: Link PDF hand records", SF_LINK_PDF_HAND_RECORDS, w.linkPdfHandRecords);
    LogSetupFlagChange("Setup Website: Link computer hand records", SF_LINK_HAND_RECORDS, w.linkHandRecords);
    LogSetupFlagChange("Setup Website: Rebuild index from website after every posting",
                       SF_REBUILD_INDEX_FROM_WEBSITE, w.rebuildIndexFromWebsite);

    // FTP page.
    const SetupFtpValues& f = v.ftp;
    text("Setup FTP: FTP Server [%s]->[%s]\n", s.m_Ftp.m_strServer, f.server);
    LogSetupFlagChange("Setup FTP: (BridgeWebs?)", SF_BRIDGEWEBS, IsBridgeWebsHost(s.m_Ftp.m_strServer));
    text("Setup FTP: FTP User [%s]->[%s]\n", s.m_Ftp.m_strUser, f.user);
    if (f.password != given.ftp.password) {
        // The stored password is replaced only once the new one is safely
        // protected; SetFtpPassword says so when it cannot be.
        if (SetFtpPassword(f.password)) {
            if (m_pLog)
                m_pLog->Write("Setup FTP: FTP Password changed\n");
            ++m_nSetupChangeCount;
        }
    }
    text("Setup FTP: Directory [%s]->[%s]\n", s.m_Ftp.m_strDirectory, f.directory);
    for (int p = 0; p < 3; ++p) {
        const std::string name = GetProtocolName(p);
        text(("Setup FTP: Port Number (" + name + ") [%s]->[%s]\n").c_str(), s.m_Ftp.m_strPort[p], f.port[p]);
        text(("Setup FTP: Additional Parameters (" + name + ") [%s]->[%s]\n").c_str(), s.m_Ftp.m_strParameters[p],
             f.parameters[p]);
    }
    const bool passive = (s.m_Ftp.m_dwFlags & SF_ACTIVE_FTP) == 0;
    if (passive != f.passive) {
        if (m_pLog)
            m_pLog->Printf("Setup FTP: Passive FTP [%d]->[%d]\n", passive ? 1 : 0, f.passive ? 1 : 0);
        if (f.passive)
            s.m_Ftp.m_dwFlags &= ~static_cast<uint32_t>(SF_ACTIVE_FTP);
        else
            s.m_Ftp.m_dwFlags |= SF_ACTIVE_FTP;
        ++m_nSetupChangeCount;
    }
    if (s.m_Ftp.m_nProtocol != f.protocol) {
        if (m_pLog)
            m_pLog->Printf("Setup FTP: Protocol [%s]->[%s]\n", GetProtocolName(s.m_Ftp.m_nProtocol),
                           GetProtocolName(f.protocol));
        s.m_Ftp.m_nProtocol = f.protocol;
        ++m_nSetupChangeCount;
    }
    LogSetupFlagChange("Setup FTP: Upload to subdirectories", SF_UPLOAD_TO_SUBDIRECTORIES,
                       f.uploadToSubdirectories);
    LogSetupFlagChange("Setup FTP: Alert No BWS", SF_ALERT_NO_BWS, f.alertNoBws);

    if (m_nSetupChangeCount == 0)
        return;
    SetStatusText("Setup: Saving changes", 2);
    const bool saved = SaveData(true);
    const std::string result = StrFormat("Setup: Changes %ssaved", saved ? "" : "NOT ");
    SetStatusText(result, 2);
    if (m_pLog)
        m_pLog->Printf("%s\n", result.c_str());
}
