// The core half of start-up and shut-down: the single-instance interlock,
// the log, the data-protection self-test and the clean-up at exit.
#include <cerrno>

#include "app/error_report.h"
#include "app/private_temp.h"
#include "platform/path_helpers.h"
#include "app/quillmark_app.h"
#include "platform/error_text.h"
#include "platform/text_helpers.h"
#include "transfer/get_url.h"
#include "transfer/qm_session.h"

bool CQuillmarkApp::AcquireSingleInstanceLock()
{
    std::string folder;
    if (!GetAppDataFolder(folder, true)) {
        ReportError(static_cast<uint32_t>(errno ? errno : ENOENT), "Get 'common app data' folder");
        return false;
    }
    const std::string path = JoinPath(folder, "Interlock.txt");
    int error = 0;
    switch (m_Interlock.Acquire(path, error)) {
    case CInterlock::Acquired:
        // What killed runs left in the temporary folder goes now.
        SweepEarlierRuns();
        return true;
    case CInterlock::HeldElsewhere:
        Prompter().MessageBox("Another instance of Quillmark is already running", MB_OK | MB_ICONERROR);
        return false;
    case CInterlock::Failed:
    default:
        ReportError(static_cast<uint32_t>(error), "Open " + path);
        return false;
    }
}

void CQuillmarkApp::CreateLog()
{
    std::string folder;
    if (GetAppDataFolder(folder, true))
        CreateLog(JoinPath(folder, "QuillmarkLogfile.txt"));
    else
        CreateLog(std::string());
}

void CQuillmarkApp::TrimLog()
{
    if (!m_pLog)
        return;
    int64_t kib = Profile().GetInt("Settings", "MaxLogSize", 2048);
    if (kib <= 0)
        kib = 1;
    m_pLog->Trim(static_cast<size_t>(kib) * 1024);
}

void CQuillmarkApp::TestDataProtection()
{
    // Protect and read back four bytes: a key that cannot be made or read
    // shows up here rather than when the user saves a password.
    const uint8_t probe[4] = {0x04, 0x03, 0x02, 0x01};
    std::vector<uint8_t> blob;
    CSecretBytes back;
    uint32_t error = 0;
    bool usable = false;
    std::string reason;
    try {
        usable = DataProtector().Protect(probe, sizeof probe, "TEST", nullptr, 0, blob, error) &&
                 DataProtector().Unprotect(blob, nullptr, 0, back, error) && back.Size() == sizeof probe &&
                 std::equal(probe, probe + sizeof probe, back.Data());
    } catch (const std::exception& e) {
        usable = false;
        reason = e.what();
    } catch (...) {
        usable = false;
        reason = "an unknown exception";
    }
    // The user later sees only "encryption problem"; the log keeps why.
    if (!usable && m_pLog) {
        if (reason.empty())
            reason = error ? StrFormat("%s (error %u)", SystemErrorText(static_cast<int>(error)).c_str(), error)
                           : std::string("the protected bytes did not read back");
        m_pLog->Printf("Data protection test failed: %s\n", reason.c_str());
    }
    m_bDataProtectionUsable = usable;
    // A setup that carries a password keeps the form it was stored in; one
    // without a password takes the form a new password would get.
    if (m_Setup.m_ProtectedPassword.empty())
        m_Setup.m_bPasswordProtected = usable ? 1 : 0;
}

void CQuillmarkApp::ExitInstance()
{
    // A download abandoned by a cancel may still be running; the plain-FTP
    // session closes its connection.
    WaitForDownloadThreads(5000);
    m_Setup.m_Ftp.m_pSession.reset();
    FoldPostingJournal();
    DeleteTempPaths();
    TrimLog();
    m_Interlock.Truncate();
}

void CQuillmarkApp::CreateLog(const std::string& path)
{
    m_pLog = std::make_unique<CLogfile>(path);
}
