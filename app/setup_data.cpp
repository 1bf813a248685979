#include "app/setup_data.h"

#include "app/setup_fields.h"
#include "platform/secret.h"
#include "transfer/qm_session_fwd.h"

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

CSetupData::CSetupData()
{
    SetSetupDefaults(*this, 0, false);
}

void CSetupData::CopyStoredFields(const CSetupData& from)
{
    if (this == &from)
        return;
    // The old password bytes go before the new ones are taken.
    WipeVector(m_ProtectedPassword);
    *this = from;
}
