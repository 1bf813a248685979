#include "app/profile.h"

#include "app/mirror_file.h"

#include <cstdlib>
#include <fstream>

int IProfile::GetInt(const std::string& section, const std::string& key, int def)
{
    const std::string text = GetString(section, key, {});
    if (text.empty())
        return def;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    return (end && *end == '\0') ? static_cast<int>(v) : def;
}

bool IProfile::WriteInt(const std::string& section, const std::string& key, int value)
{
    return WriteString(section, key, std::to_string(value));
}

CFileProfile::CFileProfile(std::string path) : m_path(std::move(path))
{
    if (m_path.empty())
        return;
    std::ifstream in(m_path);
    std::string line, section;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            continue;
        }
        const auto eq = line.find('=');
        if (eq != std::string::npos)
            m_values[section][line.substr(0, eq)] = line.substr(eq + 1);
    }
}

std::string CFileProfile::GetString(const std::string& section, const std::string& key,
                                    const std::string& def)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto s = m_values.find(section);
    if (s == m_values.end())
        return def;
    auto k = s->second.find(key);
    return k == s->second.end() ? def : k->second;
}

bool CFileProfile::WriteString(const std::string& section, const std::string& key,
                               const std::string& value)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_values[section][key] = value;
    return Save();
}

bool CFileProfile::Save()
{
    if (m_path.empty())
        return true;
    std::string text;
    for (const auto& [section, keys] : m_values) {
        text += '[' + section + "]\n";
        for (const auto& [key, value] : keys)
            text += key + '=' + value + '\n';
    }
    // Replaced whole, so that a crash never leaves half a profile.
    int error = 0;
    return SaveFileAtomically(m_path, std::vector<uint8_t>(text.begin(), text.end()), error);
}
