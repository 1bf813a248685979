#include "ui/wx_profile.h"

#include <wx/fileconf.h>
#include <wx/filename.h>

#include <cstdlib>
#include <stdlib.h>

#include "app/app_folders.h"
#include "app/quillmark_app.h"

std::string CWxProfile::DefaultPath()
{
    std::string base = UserBaseFolder("XDG_CONFIG_HOME", ".config");
    if (base.empty()) {
        // No folder of ours to keep settings in: a fresh private one, so
        // that nobody else's file is read as the settings.
        std::string fresh = CQuillmarkApp::GetTempFolder() + "/QMpXXXXXX";
        if (::mkdtemp(&fresh[0]))
            base = fresh;
    }
    return base + "/Ostervale/Quillmark.conf";
}

CWxProfile::CWxProfile(const std::string& path) : m_path(path.empty() ? DefaultPath() : path)
{
    const wxFileName name(wxString::FromUTF8(m_path));
    wxFileName::Mkdir(name.GetPath(), 0700, wxPATH_MKDIR_FULL);
    m_config = std::make_unique<wxFileConfig>("Quillmark", "Ostervale", name.GetFullPath(),
                                              wxEmptyString, wxCONFIG_USE_LOCAL_FILE);
    m_config->SetUmask(0077);
}

CWxProfile::~CWxProfile()
{
    if (m_config)
        m_config->Flush();
}

std::string CWxProfile::GetString(const std::string& section, const std::string& key,
                                  const std::string& def)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    wxString value;
    const wxString entry = "/" + wxString::FromUTF8(section) + "/" + wxString::FromUTF8(key);
    if (!m_config->Read(entry, &value))
        return def;
    return std::string(value.utf8_str());
}

bool CWxProfile::WriteString(const std::string& section, const std::string& key,
                             const std::string& value)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const wxString entry = "/" + wxString::FromUTF8(section) + "/" + wxString::FromUTF8(key);
    // Written through at once, so that a crash keeps every placement saved.
    return m_config->Write(entry, wxString::FromUTF8(value)) && m_config->Flush();
}
