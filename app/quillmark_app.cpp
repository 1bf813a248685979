#include "app/quillmark_app.h"
#include "app/setup_fields.h"

#include "platform/date_helpers.h"
#include "app/deferred_prompter.h"
#include "platform/path_helpers.h"
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
    // A hand-record file chosen by hand that moved its folder to the front
    // or changed the filter saves the program data (the setup first).
    m_fnSaveProgramData = [this] { return SaveData(true); };
}

CQuillmarkApp::~CQuillmarkApp()
{
    WipeVector(m_Setup.m_ProtectedPassword);
    if (g_app == this)
        g_app = nullptr;
}

IPrompter& CQuillmarkApp::Prompter()
{
    // A worker's boxes are kept for the UI thread (app/deferred_prompter.h).
    if (IPrompter* deferred = CDeferredPrompter::Installed())
        return *deferred;
    return m_pPrompter ? *m_pPrompter : m_defaultPrompter;
}

IProfile& CQuillmarkApp::Profile()
{
    return m_pProfile ? *m_pProfile : m_defaultProfile;
}

IDataProtector& CQuillmarkApp::DataProtector()
{
    if (m_pProtector)
        return *m_pProtector;
    if (!m_pDefaultProtector) {
        std::string folder;
        GetAppDataFolder(folder, false);
        m_pDefaultProtector = std::make_unique<CSodiumDataProtector>(JoinPath(folder, kMachineKeyFileName));
    }
    return *m_pDefaultProtector;
}

int64_t CQuillmarkApp::Now() const
{
    return m_pClock ? m_pClock->Now() : m_defaultClock.Now();
}

void CQuillmarkApp::SetDefaults()
{
    SetDefaults(m_Setup);
    m_IndexEntries.RemoveAll();
}

void CQuillmarkApp::SetDefaults(CSetupData& setup) const
{
    // The Windows default folder means nothing here: the user chooses the
    // score-file folder in Setup. The last Publish Index time and the
    // staging folder name are kept.
    SetSetupDefaults(setup, m_tLowestDate, m_bDataProtectionUsable);
}

uint32_t CQuillmarkApp::SetAlertNoBws(bool set, bool save)
{
    m_Setup.SetFlags(m_Setup.GetFlags() & ~static_cast<uint32_t>(SF_ALERT_NO_BWS));
    if (set)
        m_Setup.SetFlags(m_Setup.GetFlags() | SF_ALERT_NO_BWS);
    if (save)
        return SaveData(true) ? 1 : 0;
    return m_Setup.GetFlags();
}

void CQuillmarkApp::LoadProfileSettings()
{
    m_bShowProgressBar = Profile().GetInt("Settings", "ShowProgressBar", 0) != 0;
}
