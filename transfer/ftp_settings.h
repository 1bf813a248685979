// The FTP settings of the setup record: server, user, folder, protocol, a
// port and extra parameters per protocol, and active or passive FTP. The
// FTP worker works on them; the setup record holds one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class CQMSession;

enum FtpProtocol : int32_t { PROTOCOL_FTP = 0, PROTOCOL_FTPS = 1, PROTOCOL_SFTP = 2 };

// "FTP", "FTPS", "SFTP"; "???" for any other index.
const char* GetProtocolName(int32_t protocol);

// The ports of a new setup, by protocol.
constexpr const char* kDefaultPorts[3] = {"21", "21", "22"};

// The FTP settings a setup data file holds.
struct CFTPStoredSettings {
    std::string m_strServer;
    std::string m_strUser;
    std::string m_strDirectory;
    int32_t m_nProtocol = PROTOCOL_FTP;
    std::string m_strPort[3] = {kDefaultPorts[0], kDefaultPorts[1], kDefaultPorts[2]};
    std::string m_strParameters[3];
    // Active FTP: the server opens the data connections (no passive mode).
    // The setup file keeps it as one bit of the setup's option word.
    bool m_bActiveFtp = false;
};

class CFTPSettings : public CFTPStoredSettings {
public:
    CFTPSettings();
    ~CFTPSettings();
    CFTPSettings(const CFTPSettings&) = delete;
    // Takes the stored settings; the session stays this one's own.
    CFTPSettings& operator=(const CFTPSettings& other)
    {
        CFTPStoredSettings::operator=(other);
        return *this;
    }

    int32_t GetProtocol() const { return m_nProtocol; }
    const char* GetProtocolName() const { return ::GetProtocolName(m_nProtocol); }
    // The port of the current protocol; for FTP and FTPS a port of exactly
    // "21" reads as "" unless raw is true.
    std::string GetPort(bool raw = false) const;
    const std::string& GetParameters() const;
    bool HasLogin() const { return !m_strServer.empty() && !m_strUser.empty(); }

    // The internet session of plain FTP: made by the first login and kept
    // until exit; never stored, never reset.
    std::unique_ptr<CQMSession> m_pSession;
};
