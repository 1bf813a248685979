// The question asked before a score file is posted (an earlier posting of
// the same results, a file more than four hours old, scoring errors).
#include "app/quillmark_app.h"
#include "posting/score_file.h"

PostAnswer CScoreFile::ConfirmPost(std::string question)
{
    CQuillmarkApp& app = theApp();
    // A modified time in the future never makes a file old.
    if (question.empty() && app.Now() - m_tModified > 4 * 3600) {
        question = "A score file is more than four hours old.\r\n\r\n" + m_strPath +
                   ": Last modified: " + GetModifiedText();
    }
    if (question.empty())
        return PostAnswer::Post;
    return app.AskPostQuestion(question);
}
