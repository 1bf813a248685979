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

CFTPSettings::CFTPSettings() = default;

CFTPSettings::~CFTPSettings() = default;

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
