#include "transfer/ftp_settings.h"

#include "transfer/qm_session.h"

const char* GetProtocolName(int32_t protocol)
{
    switch (protocol) {
    case PROTOCOL_FTP: return "FTP";
    case PROTOCOL_FTPS: return "FTPS";
    case PROTOCOL_SFTP: return "SFTP";
    default: return "???";
    }
}

CFTPSettings::CFTPSettings()
{
    Reset();
}

CFTPSettings::~CFTPSettings() = default;

void CFTPSettings::Reset()
{
    m_strServer.clear();
    m_strUser.clear();
    m_strDirectory.clear();
    m_nProtocol = PROTOCOL_FTP;
    m_strPort[0] = "21";
    m_strPort[1] = "21";
    m_strPort[2] = "22";
    for (auto& p : m_strParameters)
        p.clear();
    m_dwFlags = 0;
}

std::string CFTPSettings::GetPort(bool raw) const
{
    if (m_nProtocol < 0 || m_nProtocol > 2)
        return {};
    const std::string& port = m_strPort[m_nProtocol];
    if (!raw && m_nProtocol != PROTOCOL_SFTP && port == "21")
        return {};
    return port;
}

const std::string& CFTPSettings::GetParameters() const
{
    static const std::string none;
    if (m_nProtocol < 0 || m_nProtocol > 2)
        return none;
    return m_strParameters[m_nProtocol];
}
