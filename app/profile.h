// The per-user profile ("Ostervale"/"Quillmark"): window placement, list
// columns, viewer settings, "Settings" values, the last setup folder. The
// window application backs it with wxFileConfig; the core and the tests use
// the plain file-backed CFileProfile.
#pragma once

#include <map>
#include <mutex>
#include <string>

class IProfile {
public:
    virtual ~IProfile() = default;
    virtual std::string GetString(const std::string& section, const std::string& key,
                                  const std::string& def = {}) = 0;
    virtual bool WriteString(const std::string& section, const std::string& key,
                             const std::string& value) = 0;
    virtual int GetInt(const std::string& section, const std::string& key, int def = 0);
    virtual bool WriteInt(const std::string& section, const std::string& key, int value);
};

// A profile kept in memory and, when a path is given, in a simple
// "[section]" / "key=value" text file written on every change.
class CFileProfile : public IProfile {
public:
    explicit CFileProfile(std::string path = {});
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& def = {}) override;
    bool WriteString(const std::string& section, const std::string& key,
                     const std::string& value) override;

private:
    bool Save();
    std::string m_path;
    std::mutex m_mutex;
    std::map<std::string, std::map<std::string, std::string>> m_values;
};
