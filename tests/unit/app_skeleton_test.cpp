#include <gtest/gtest.h>

#include "app/error_report.h"
#include "app/path_helpers.h"
#include "support/test_app.h"

TEST_F(AppTest, ReportErrorLogsOperationStatusAndErrorAndShowsTheTextAlone)
{
    frame.StatusText(2, "  Uploading  ");
    ReportError(2, "CFTPWorker::UploadFile: CFile::Open");
    const std::string log = LogText();
    EXPECT_NE(log.find("Operation=[CFTPWorker::UploadFile: CFile::Open]\n"), std::string::npos);
    EXPECT_NE(log.find("LastStatus=[Uploading]\n"), std::string::npos);
    EXPECT_NE(log.find("Error(2)=[No such file or directory]\n"), std::string::npos);
    ASSERT_EQ(prompter.Shown().size(), 1u);
    EXPECT_EQ(prompter.Shown()[0].text, "No such file or directory");
    EXPECT_EQ(prompter.Shown()[0].style & 0xF0, static_cast<unsigned>(MB_ICONERROR));
}

TEST_F(AppTest, ErrorCodeTextsAndFallbacks)
{
    EXPECT_EQ(FormatErrorCode(65534), "65534");
    EXPECT_EQ(FormatErrorCode(0xFFFF), "0x0000FFFF");
    EXPECT_EQ(GetErrorText(0), GetErrorText(13));
    EXPECT_EQ(GetErrorText(99999), "Error code 99999 (0x0001869F)");
    SetLastServerResponse("");
    EXPECT_FALSE(GetErrorText(12003).empty()) << "an empty server response must not give an empty message";
    SetLastServerResponse("530 Login incorrect.\r\n");
    EXPECT_EQ(GetErrorText(12003), "530 Login incorrect.");
}

TEST_F(AppTest, NestedBusyLevelsAndCancel)
{
    app->SetBusy(true);
    app->SetBusy(true);
    app->OnFileCancel();
    EXPECT_EQ(app->GetCancelState(false), CS_CANCELLED);
    app->SetBusy(false);
    EXPECT_EQ(app->GetCancelState(false), CS_CANCELLED) << "a cancel stays until the outermost level ends";
    app->SetBusy(false);
    EXPECT_EQ(app->GetCancelState(false), CS_IDLE);
    app->SetBusy(false);
    EXPECT_EQ(app->GetCancelState(false), CS_IDLE);
    EXPECT_NE(LogText().find("User Canceled\n"), std::string::npos);
}

TEST_F(AppTest, TempFilesAreUniqueAndDeletedAtExit)
{
    std::string a, b;
    ASSERT_TRUE(app->GetTempFile("", "QMt", ".txt", a));
    ASSERT_TRUE(app->GetTempFile("", "QMt", "txt", b));
    EXPECT_NE(a, b);
    EXPECT_EQ(a.rfind(tempDir + "/QMt", 0), 0u);
    EXPECT_EQ(a.size(), tempDir.size() + 1 + 3 + 4 + 4);
    const std::string dir = app->GetTempDirectory("QMm");
    folder.Write("tmp/" + dir.substr(dir.rfind('/') + 1) + "/inner.htm", "x");
    app->DeleteTempPaths();
    EXPECT_FALSE(FileExists(a));
    EXPECT_FALSE(FolderExists(dir));
}
