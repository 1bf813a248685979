#include <gtest/gtest.h>

#include "app/error_report.h"
#include "platform/path_helpers.h"
#include "platform/text_helpers.h"
#include "platform/error_text.h"
#include "platform/exceptions.h"
#include "support/test_app.h"

TEST_F(AppTest, ReportsLogOperationStatusAndErrorInOrderAndShowTheTextAlone)
{
    frame.StatusText(2, "  Uploading  ");
    ReportError(2, "CFTPWorker::UploadFile: CFile::Open");
    ReportException(CArchiveException(CArchiveException::endOfFile, "/x/Club.qsu"), "CQuillmarkApp::LoadAppData: CArchive::Serialize");
    const std::string log = LogText();
    const size_t op = log.find("]Operation=[CFTPWorker::UploadFile: CFile::Open]\n");
    const size_t status = log.find("]LastStatus=[Uploading]\n");
    const size_t error = log.find("]Error(2)=[No such file or directory]\n");
    ASSERT_NE(op, std::string::npos);
    EXPECT_LT(op, status);
    EXPECT_LT(status, error);
    ASSERT_NE(error, std::string::npos);
    EXPECT_NE(log.find("]Operation=[CQuillmarkApp::LoadAppData: CArchive::Serialize]\n"), std::string::npos);
    EXPECT_NE(log.find("]Exception(CArchiveException,3)=[An attempt was made to read past the end of /x/Club.qsu.]\n"),
              std::string::npos);
    EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{"No such file or directory",
                                                          "An attempt was made to read past the end of /x/Club.qsu."}));
    EXPECT_EQ(prompter.Shown()[0].style & 0xF0, static_cast<unsigned>(MB_ICONERROR));

    // Before the log exists the operation leads the box.
    CQuillmarkApp bare;
    SetAppPtr(&bare);
    bare.SetPrompter(&prompter);
    prompter.Clear();
    ReportError(ENOENT, "Open /x/Interlock.txt");
    ReportError(ENOENT, "");
    SetAppPtr(app.get());
    EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{"Open /x/Interlock.txt:\r\n\r\nNo such file or directory",
                                                          "No such file or directory"}));
}

TEST_F(AppTest, ErrorCodeTextsAndFallbacks)
{
    EXPECT_EQ(FormatErrorCode(65534), "65534");
    EXPECT_EQ(FormatErrorCode(0xFFFF), "0x0000FFFF");
    EXPECT_EQ(GetErrorText(0), GetErrorText(kInvalidDataError));
    EXPECT_EQ(GetErrorText(99999), "Error code 99999 (0x0001869F)");
    // The server's last response is the text of the extended error; an
    // empty or oversized one falls back to the standard text.
    for (const std::string& response : {std::string(), std::string(1100, 'x'), std::string("530 Login incorrect.\r\n")}) {
        SetLastServerResponse(response);
        EXPECT_EQ(GetErrorText(inet::ExtendedError),
                  response.size() == 22 ? "530 Login incorrect." : "The server returned extended information.");
    }
    SetLastServerResponse("");
}

TEST_F(AppTest, YesToAllAnswersTheRestOfTheRunUntilTheNextRun)
{
    app->m_bAsk = true;  // a posting run starts
    for (int answer : std::initializer_list<int>{IDNO, IDYES, IDYESTOALL, IDCANCEL, 42})
        prompter.Answer(answer);
    EXPECT_EQ(app->AskPostQuestion("A score file is more than four hours old."), PostAnswer::Skip);
    for (const char* q : {"Q2", "Q3", "Q4", "Q5"})
        EXPECT_EQ(app->AskPostQuestion(q), PostAnswer::Post) << q;
    ASSERT_EQ(prompter.Shown().size(), 3u);
    EXPECT_EQ(prompter.Shown()[0].kind, "yestoall");
    EXPECT_EQ(prompter.Shown()[0].text,
              "A score file is more than four hours old.\r\n\r\nPost this file anyway?\r\n\r\nPress Yes to post this "
              "file\r\nPress No to skip this file\r\nPress Cancel to cancel posting");
    for (const char* entry : {"]Message Box=\n|A score file is more than four hours old.\n|\n|Post this file anyway?\n",
                              "]Press=[No]\n", "]Press=[Yes to All]\n", "]Message Box (suppressed)=\n|Q4\n",
                              "]Message Box (suppressed)=\n|Q5\n",
                              "]Autoreply=[Yes] due to previous press of [Yes to All]\n"})
        EXPECT_NE(LogText().find(entry), std::string::npos) << entry;

    // The next run asks again; Cancel stops it, an unknown result skips
    // and is logged as its number.
    app->m_bAsk = true;
    EXPECT_EQ(app->AskPostQuestion("Q6"), PostAnswer::Stop);
    EXPECT_EQ(app->AskPostQuestion("Q7"), PostAnswer::Skip);
    EXPECT_NE(LogText().find("]Press=[42]\n"), std::string::npos);
    EXPECT_EQ(prompter.Shown().size(), 5u);
}
