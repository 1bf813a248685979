// The FTP settings of the setup record: server, user, folder, protocol, a
// port and extra parameters per protocol, and the setup's option word. The
// FTP worker works on them; the setup record holds one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class CQMSession;

// Option bits of the setup (one 32-bit word; unknown bits read from a file
// are kept).
enum SetupFlags : uint32_t {
    SF_BRIDGEWEBS = 0x1,
    SF_ALERT_NO_BWS = 0x2,
    SF_LINK_HAND_RECORDS = 0x4,
    SF_ACTIVE_FTP = 0x8,
    SF_LINK_PDF_HAND_RECORDS = 0x10,
    SF_REBUILD_INDEX_FROM_WEBSITE = 0x20,
    SF_UPLOAD_TO_SUBDIRECTORIES = 0x40,
    SF_MULTI_PAGE_INDEX = 0x100,
    SF_AUTO_FILL_HAND_RECORD = 0x200,
    SF_ALERT_HAND_RECORD_NOT_FILLED = 0x400,
    SF_USE_CHECK_SCORE_DATA = 0x800,
    SF_ALERT_CHECK_SCORE_DATA = 0x1000,
};

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
    uint32_t m_dwFlags = 0;
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
