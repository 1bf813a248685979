// The recent setup files of Setup > Setup File: up to 16 paths, newest
// first, kept in the profile section "Recent File List" as "File1" ...
// "File16" and shown as "&1 <path>" ... at the end of the menu.
#pragma once

#include <string>
#include <vector>

class IProfile;
class wxMenu;

class CRecentFiles {
public:
    static constexpr int kMax = 16;

    CRecentFiles(IProfile& profile, wxMenu* menu, int firstId);
    // Moves path to the top (adding it when new) and saves the list.
    void Add(const std::string& path);
    void Remove(const std::string& path);
    const std::vector<std::string>& Paths() const { return m_paths; }
    // The path of a menu id, or "" when it is none of the list's.
    std::string PathOf(int id) const;

private:
    void Save();
    void UpdateMenu();

    IProfile& m_profile;
    wxMenu* m_menu;
    int m_firstId;
    std::vector<std::string> m_paths;
};
