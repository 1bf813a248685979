// Questions put to the user and how their answers are logged, including the
// Yes-to-All memory of the posting questions.
#include "app/quillmark_app.h"

void CQuillmarkApp::LogMessageBoxPress(const std::string& text, int result)
{
    if (!m_pLog)
        return;
    m_pLog->WriteBlock(text, "Message Box");
    const char* name = nullptr;
    switch (result) {
    case IDOK: name = "OK"; break;
    case IDCANCEL: name = "Cancel"; break;
    case IDYES: name = "Yes"; break;
    case IDNO: name = "No"; break;
    case IDYESTOALL: name = "Yes to All"; break;
    default: break;
    }
    if (name)
        m_pLog->Printf("Press=[%s]\n", name);
    else
        m_pLog->Printf("Press=[%d]\n", result);
}

int CQuillmarkApp::MessageBoxLogged(const std::string& text, unsigned style)
{
    const int result = Prompter().MessageBox(text, style);
    LogMessageBoxPress(text, result);
    return result;
}

void CQuillmarkApp::ShowErrorMessage(const std::string& text)
{
    if (m_pLog) {
        m_pLog->WriteLastStatus();
        m_pLog->WriteBlock(text, "Message Box");
    }
    Prompter().MessageBox(text, MB_OK | MB_ICONERROR);
}

PostAnswer CQuillmarkApp::AskPostQuestion(const std::string& question)
{
    const std::string text = question +
        "\r\n\r\nPost this file anyway?\r\n\r\nPress Yes to post this file\r\n"
        "Press No to skip this file\r\nPress Cancel to cancel posting";
    if (!m_bAsk) {
        // A Yes to All earlier in this run answers for the user.
        if (m_pLog) {
            m_pLog->WriteBlock(text, "Message Box (suppressed)");
            m_pLog->Write("Autoreply=[Yes] due to previous press of [Yes to All]\n");
        }
        return PostAnswer::Post;
    }
    const int result = Prompter().YesToAllBox(text);
    LogMessageBoxPress(text, result);
    switch (result) {
    case IDYESTOALL:
        m_bAsk = false;
        return PostAnswer::Post;
    case IDYES:
        return PostAnswer::Post;
    case IDCANCEL:
        return PostAnswer::Stop;
    default:
        return PostAnswer::Skip;
    }
}

void CQuillmarkApp::LogSetupFlagChange(const std::string& label, uint32_t flag, bool newState)
{
    const bool oldState = (m_Setup.GetFlags() & flag) != 0;
    if (oldState == newState)
        return;
    if (m_pLog)
        m_pLog->Printf("%s [%d]->[%d]\n", label.c_str(), oldState ? 1 : 0, newState ? 1 : 0);
    if (newState)
        m_Setup.SetFlags(m_Setup.GetFlags() | flag);
    else
        m_Setup.SetFlags(m_Setup.GetFlags() & ~flag);
    ++m_nSetupChangeCount;
}
