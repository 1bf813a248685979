#include <gtest/gtest.h>

#include "app/error_report.h"
#include "app/path_helpers.h"
#include "app/text_helpers.h"
#include "platform/error_text.h"
#include "platform/exceptions.h"
#include "support/test_app.h"

TEST_F(AppTest, ReportErrorLogsOperationStatusAndErrorAndShowsTheTextAlone)
{
    frame.StatusText(2, "  Uploading  ");
    ReportError(2, "CFTPWorker::UploadFile: CFile::Open");
    const std::string log = LogText();
    const size_t op = log.find("]Operation=[CFTPWorker::UploadFile: CFile::Open]\n");
    const size_t status = log.find("]LastStatus=[Uploading]\n");
    const size_t error = log.find("]Error(2)=[No such file or directory]\n");
    ASSERT_NE(op, std::string::npos);
    ASSERT_NE(status, std::string::npos);
    ASSERT_NE(error, std::string::npos);
    EXPECT_LT(op, status);
    EXPECT_LT(status, error);
    ASSERT_EQ(prompter.Shown().size(), 1u);
    EXPECT_EQ(prompter.Shown()[0].text, "No such file or directory");
    EXPECT_EQ(prompter.Shown()[0].style & 0xF0, static_cast<unsigned>(MB_ICONERROR));
}

TEST_F(AppTest, BeforeTheLogExistsTheOperationLeadsTheBox)
{
    CQuillmarkApp bare;
    SetAppPtr(&bare);
    bare.SetPrompter(&prompter);
    ReportError(ENOENT, "Open /x/Interlock.txt");
    ReportError(ENOENT, "");
    SetAppPtr(app.get());
    ASSERT_EQ(prompter.Texts().size(), 2u);
    EXPECT_EQ(prompter.Texts()[0], "Open /x/Interlock.txt:\r\n\r\nNo such file or directory");
    EXPECT_EQ(prompter.Texts()[1], "No such file or directory");
}

TEST_F(AppTest, ErrorCodeTextsAndFallbacks)
{
    EXPECT_EQ(FormatErrorCode(65534), "65534");
    EXPECT_EQ(FormatErrorCode(0xFFFF), "0x0000FFFF");
    EXPECT_EQ(GetErrorText(0), GetErrorText(kInvalidDataError));
    EXPECT_EQ(GetErrorText(99999), "Error code 99999 (0x0001869F)");
    EXPECT_EQ(GetErrorText(inet::Timeout), "The operation timed out.");
    // The server's last response is the text of the extended error; an
    // empty or oversized one falls back to the standard text.
    SetLastServerResponse("");
    EXPECT_EQ(GetErrorText(inet::ExtendedError), "The server returned extended information.");
    SetLastServerResponse(std::string(1100, 'x'));
    EXPECT_EQ(GetErrorText(inet::ExtendedError), "The server returned extended information.");
    SetLastServerResponse("530 Login incorrect.\r\n");
    EXPECT_EQ(GetErrorText(inet::ExtendedError), "530 Login incorrect.");
    SetLastServerResponse("");
}

TEST_F(AppTest, ReportExceptionLogsAndShowsItsMessage)
{
    ReportException(CArchiveException(CArchiveException::endOfFile, "/x/Club.qsu"), "CQuillmarkApp::LoadAppData: CArchive::Serialize");
    const std::string log = LogText();
    EXPECT_NE(log.find("]Operation=[CQuillmarkApp::LoadAppData: CArchive::Serialize]\n"), std::string::npos);
    EXPECT_NE(log.find("]Exception(CArchiveException,3)=[An attempt was made to read past the end of /x/Club.qsu.]\n"),
              std::string::npos);
    EXPECT_EQ(prompter.Texts().at(0), "An attempt was made to read past the end of /x/Club.qsu.");
}

TEST_F(AppTest, YesToAllAnswersTheRestOfTheRunUntilTheNextRun)
{
    const std::string tail =
        "\r\n\r\nPost this file anyway?\r\n\r\nPress Yes to post this file\r\n"
        "Press No to skip this file\r\nPress Cancel to cancel posting";
    app->m_bAsk = true;  // a posting run starts
    prompter.Answer(IDNO);
    prompter.Answer(IDYES);
    prompter.Answer(IDYESTOALL);
    EXPECT_EQ(app->AskPostQuestion("A score file is more than four hours old."), PA_SKIP);
    EXPECT_EQ(app->AskPostQuestion("Q2"), PA_POST);
    EXPECT_EQ(app->AskPostQuestion("Q3"), PA_POST);
    EXPECT_EQ(app->AskPostQuestion("Q4"), PA_POST);
    EXPECT_EQ(app->AskPostQuestion("Q5"), PA_POST);
    ASSERT_EQ(prompter.Shown().size(), 3u);
    EXPECT_EQ(prompter.Shown()[0].kind, "yestoall");
    EXPECT_EQ(prompter.Shown()[0].text, "A score file is more than four hours old." + tail);

    const std::string log = LogText();
    EXPECT_NE(log.find("]Message Box=\n|A score file is more than four hours old.\n|\n|Post this file anyway?\n"),
              std::string::npos);
    EXPECT_NE(log.find("]Press=[No]\n"), std::string::npos);
    EXPECT_NE(log.find("]Press=[Yes to All]\n"), std::string::npos);
    EXPECT_NE(log.find("]Message Box (suppressed)=\n|Q4\n"), std::string::npos);
    EXPECT_NE(log.find("]Message Box (suppressed)=\n|Q5\n"), std::string::npos);
    EXPECT_NE(log.find("]Autoreply=[Yes] due to previous press of [Yes to All]\n"), std::string::npos);

    // The next run asks again; Cancel stops it, an unknown result skips
    // and is logged as its number.
    app->m_bAsk = true;
    prompter.Answer(IDCANCEL);
    prompter.Answer(42);
    EXPECT_EQ(app->AskPostQuestion("Q6"), PA_STOP);
    EXPECT_EQ(app->AskPostQuestion("Q7"), PA_SKIP);
    EXPECT_NE(LogText().find("]Press=[42]\n"), std::string::npos);
    EXPECT_EQ(prompter.Shown().size(), 5u);
}
