// The last guard before curl or sftp runs: the commands check the
// Additional Parameters before they start, but a worker never hands a
// refused one to a program whoever called it.
#include "transfer/ftp_worker.h"

#include "transfer/transfer_host.h"
#include "transfer/transfer_parameters.h"

bool CFTPWorker::RefuseExtraParameters(const std::vector<std::string>& extra)
{
    const int protocol = GetProtocol();
    const std::string refused = FindRefusedArgument(protocol, extra);
    if (refused.empty())
        return false;
    const std::string text = RefusedParameterMessage(protocol, refused, false);
    m_strTranscript += text + "\r\n\r\n";
    m_host.SetStatusText("Setup required: FTP: Additional Parameters", 2);
    return true;
}
