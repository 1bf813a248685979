// The per-user profile on wxFileConfig: "$XDG_CONFIG_HOME/Ostervale/Quillmark.conf"
// (default ~/.config). Sections and value names are the ones the core uses.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "app/profile.h"

class wxFileConfig;

class CWxProfile : public IProfile {
public:
    // path empty: the default location under the XDG config folder.
    explicit CWxProfile(const std::string& path = {});
    ~CWxProfile() override;
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& def = {}) override;
    bool WriteString(const std::string& section, const std::string& key,
                     const std::string& value) override;
    const std::string& GetPath() const { return m_path; }
    static std::string DefaultPath();

private:
    std::string m_path;
    std::mutex m_mutex;
    std::unique_ptr<wxFileConfig> m_config;
};
