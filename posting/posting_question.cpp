// The question asked before a score file is posted (an earlier posting of
// the same results, a file more than four hours old, scoring errors).
#include "app/date_helpers.h"
#include "app/quillmark_app.h"
#include "posting/score_file.h"

int CScoreFile::ConfirmPost(std::string question)
{
    CQuillmarkApp& app = theApp();
    const int64_t age = app.Now() - m_tModified;
    if (question.empty() && age > 4 * 3600) {
        question = "A score file is more than four hours old.\r\n\r\n" + m_strPath +
                   ": Last modified: " + GetModifiedText();
    }
    if (question.empty())
        return 0;
    question += "\r\n\r\nPost this file anyway?\r\n\r\nPress Yes to post this file\r\n"
                "Press No to skip this file\r\nPress Cancel to cancel posting";
    if (!app.m_bAsk) {
        if (CLogfile* log = app.GetLog()) {
            log->WriteBlock(question, "Message Box (suppressed)");
            log->Write("Autoreply=[Yes] due to previous press of [Yes to All]\n");
        }
        return 0;
    }
    const int answer = app.Prompter().YesToAllBox(question);
    app.LogMessageBoxPress(question, answer);
    switch (answer) {
    case IDYESTOALL:
        app.m_bAsk = false;
        return 0;
    case IDYES:
        return 0;
    case IDCANCEL:
        return 2;
    default:
        return 1;
    }
}
