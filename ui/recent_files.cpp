#include "ui/recent_files.h"

#include <wx/menu.h>

#include <algorithm>

#include "app/profile.h"

namespace {

const char kSection[] = "Recent File List";

}  // namespace

CRecentFiles::CRecentFiles(IProfile& profile, wxMenu* menu, int firstId)
    : m_profile(profile), m_menu(menu), m_firstId(firstId)
{
    for (int i = 1; i <= kMax; ++i) {
        const std::string path = m_profile.GetString(kSection, "File" + std::to_string(i));
        if (!path.empty() && std::find(m_paths.begin(), m_paths.end(), path) == m_paths.end())
            m_paths.push_back(path);
    }
    UpdateMenu();
}

void CRecentFiles::Add(const std::string& path)
{
    if (path.empty())
        return;
    m_paths.erase(std::remove(m_paths.begin(), m_paths.end(), path), m_paths.end());
    m_paths.insert(m_paths.begin(), path);
    if (m_paths.size() > static_cast<size_t>(kMax))
        m_paths.resize(kMax);
    Save();
    UpdateMenu();
}

void CRecentFiles::Remove(const std::string& path)
{
    m_paths.erase(std::remove(m_paths.begin(), m_paths.end(), path), m_paths.end());
    Save();
    UpdateMenu();
}

std::string CRecentFiles::PathOf(int id) const
{
    const int i = id - m_firstId;
    return i >= 0 && i < static_cast<int>(m_paths.size()) ? m_paths[i] : std::string();
}

void CRecentFiles::Save()
{
    for (int i = 1; i <= kMax; ++i)
        m_profile.WriteString(kSection, "File" + std::to_string(i),
                              i <= static_cast<int>(m_paths.size()) ? m_paths[i - 1] : std::string());
}

void CRecentFiles::UpdateMenu()
{
    if (!m_menu)
        return;
    for (int i = 0; i < kMax; ++i) {
        if (m_menu->FindItem(m_firstId + i))
            m_menu->Destroy(m_firstId + i);
    }
    if (m_paths.empty()) {
        // An empty list shows one greyed entry, as it always has.
        m_menu->Append(m_firstId, "Recent File", "The setup data files opened last are listed here");
        return;
    }
    for (size_t i = 0; i < m_paths.size(); ++i) {
        wxString path = wxString::FromUTF8(m_paths[i]);
        path.Replace("&", "&&");
        const wxString label = wxString::Format("&%d ", static_cast<int>(i + 1) % 10) + path;
        m_menu->Append(m_firstId + static_cast<int>(i), label, "Open this setup data file");
    }
}
