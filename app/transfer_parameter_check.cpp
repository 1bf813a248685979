#include "app/transfer_parameter_check.h"

#include "app/quillmark_app.h"
#include "app/setup_checks.h"
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

bool RefuseWebsiteUrl(CQuillmarkApp& app)
{
    const std::string& url = app.Setup().m_strWebsiteUrl;
    if (url.empty())
        return false;
    const std::string problem = CheckWebsiteUrl(url);
    if (problem.empty())
        return false;
    app.SetStatusText("Setup required: Website URL", 2);
    app.MessageBoxLogged(problem + "\r\n\r\nChange the Website URL in Setup, on the Website page.",
                         MB_OK | MB_ICONERROR);
    return true;
}
