#include "app/quillmark_app.h"

#include <cstdlib>
#include <sys/stat.h>

#include "app/date_helpers.h"
#include "app/path_helpers.h"
#include "platform/exceptions.h"

namespace {
CQuillmarkApp* g_app = nullptr;
}

CQuillmarkApp& theApp()
{
    return *g_app;
}

CQuillmarkApp* GetAppPtr()
{
    return g_app;
}

void SetAppPtr(CQuillmarkApp* app)
{
    g_app = app;
}

CQuillmarkApp::CQuillmarkApp() : m_uiThread(std::this_thread::get_id())
{
    m_tLowestDate = LocalMidnight(1970, 1, 2);
    if (m_tLowestDate == 0)
        throw CInvalidArgException("lowest date");
    SetDefaults();
}

CQuillmarkApp::~CQuillmarkApp()
{
    if (g_app == this)
        g_app = nullptr;
}

IPrompter& CQuillmarkApp::Prompter()
{
    return m_pPrompter ? *m_pPrompter : m_defaultPrompter;
}

IProfile& CQuillmarkApp::Profile()
{
    return m_pProfile ? *m_pProfile : m_defaultProfile;
}

int64_t CQuillmarkApp::Now() const
{
    return m_pClock ? m_pClock->Now() : m_defaultClock.Now();
}

void CQuillmarkApp::CreateLog(const std::string& path)
{
    m_pLog = std::make_unique<CLogfile>(path);
}

void CQuillmarkApp::LogMessageBoxPress(const std::string& text, int result)
{
    if (!m_pLog)
        return;
    m_pLog->WriteBlock(text, "Message Box");
    const char* name = nullptr;
    switch (result) {
    case IDOK: name = "OK"; break;
    case IDCANCEL: name = "Cancel"; break;
    case IDYES: name = "Yes"; break;
    case IDNO: name = "No"; break;
    case IDYESTOALL: name = "Yes to All"; break;
    default: break;
    }
    if (name)
        m_pLog->Printf("Press=[%s]\n", name);
    else
        m_pLog->Printf("Press=[%d]\n", result);
}

bool CQuillmarkApp::GetAppDataFolder(std::string& path, bool create)
{
    const char* over = std::getenv("QUILLMARK_DATA_DIR");
    std::string folder;
    if (over && *over) {
        folder = over;
    } else {
        const char* xdg = std::getenv("XDG_DATA_HOME");
        const char* home = std::getenv("HOME");
        std::string base = (xdg && *xdg) ? xdg : std::string(home ? home : "/tmp") + "/.local/share";
        folder = JoinPath(JoinPath(base, "Ostervale"), "Quillmark");
    }
    if (create && !FolderExists(folder)) {
        // Create each missing level.
        for (size_t i = 1; i <= folder.size(); ++i) {
            if (i == folder.size() || folder[i] == '/')
                ::mkdir(folder.substr(0, i).c_str(), 0700);
        }
    }
    path = folder;
    return FolderExists(folder);
}

void CQuillmarkApp::SetDefaults()
{
    m_Setup.m_HandRecordFolders.RemoveAll();
    m_Setup.m_strScoreFileDirectory.clear();  // chosen in Setup on Linux
    m_Setup.m_tPostFilesModifiedAfter = 0;
    m_Setup.m_nHandRecordFilterIndex = 0;
    m_Setup.m_strHtmlLayout.clear();
    m_Setup.m_strPdfLayout.clear();
    m_Setup.m_strWebsiteUrl.clear();
    m_Setup.m_strIndexTemplate.clear();
    m_Setup.m_strIndexFile.clear();
    m_Setup.m_tOldestToIndex = m_tLowestDate;
    m_Setup.m_nDaysToIndex = 0;
    m_Setup.m_strWebsiteScoreFileDirectory.clear();
    m_Setup.m_strScoreFileTemplate.clear();
    m_Setup.m_Ftp.Reset();
    m_Setup.m_bPasswordProtected = 0;
    m_Setup.m_ProtectedPassword.clear();
}

// Placeholder password store until the data protector is in place: the
// bytes are kept as they are.
bool CQuillmarkApp::GetFtpPassword(CSecretString& password)
{
    password.Assign(std::string(m_Setup.m_ProtectedPassword.begin(), m_Setup.m_ProtectedPassword.end()));
    return true;
}

bool CQuillmarkApp::SetFtpPassword(const std::string& password)
{
    m_Setup.m_ProtectedPassword.assign(password.begin(), password.end());
    return true;
}
