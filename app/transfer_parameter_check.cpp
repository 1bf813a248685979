#include "app/transfer_parameter_check.h"

#include "app/quillmark_app.h"
#include "app/setup_data.h"
#include "transfer/transfer_parameters.h"

bool RefuseTransferParameters(CQuillmarkApp& app)
{
    const CFTPSettings& ftp = app.Setup().m_Ftp;
    const int protocol = ftp.GetProtocol();
    const std::string refused = FindRefusedParameter(protocol, ftp.GetParameters());
    if (refused.empty())
        return false;
    app.SetStatusText("Setup required: FTP: Additional Parameters", 2);
    app.ShowErrorMessage(RefusedParameterMessage(protocol, refused, false));
    return true;
}
