// The application's side of the transfer host: what the transfer code asks
// of the program beyond the status channel, temporary files and the FTP
// password, which live with their own parts of the application object.
#include "app/quillmark_app.h"

#include "app/error_report.h"

void CQuillmarkApp::WriteLog(const std::string& text)
{
    if (m_pLog)
        m_pLog->Write(text);
}

void CQuillmarkApp::ReportError(uint32_t code, const std::string& operation)
{
    ::ReportError(code, operation);
}

int CQuillmarkApp::ReportException(const CException& e, const std::string& operation, const std::string& boxText)
{
    return ::ReportException(e, operation, boxText);
}

void CQuillmarkApp::ShowErrorBox(const std::string& text)
{
    Prompter().MessageBox(text, MB_OK | MB_ICONERROR);
}

void CQuillmarkApp::ShowTranscript(const std::string& text)
{
    // A run ended by closing the window: the window goes when the run is
    // over, with no transcript in its way (the logfile has the summary).
    if (m_pMainFrame && m_pMainFrame->IsClosing())
        return;
    // Index Website shows it with a Cancel button.
    Prompter().ShowText("Ftplog", text, "Ftplog", m_nIndexWebsiteDepth > 0);
}
