#include <gtest/gtest.h>

#include "platform/path_helpers.h"
#include "app/setup_file.h"
#include "support/test_app.h"

TEST_F(AppTest, AResetKeepsThePublishTimeAndTheStagingName)
{
    CSetupData& s = app->Setup();
    s.m_strScoreFileDirectory = "/games";
    s.m_Ftp.m_nProtocol = PROTOCOL_SFTP;
    s.m_Ftp.m_strPort[1] = "2121";
    s.SetFlags(0x1FFF);
    s.m_ProtectedPassword.assign(16, 7);
    s.m_tLastPublishIndex = 1234;
    s.m_strStagingFolder = "Staging2";
    s.m_tOldestToIndex = 5;
    app->GetIndexEntries().Add(CScoreFile());
    app->SetDefaults();
    EXPECT_EQ(s.m_strScoreFileDirectory, "");
    EXPECT_EQ(s.m_Ftp.GetPort(true), "21");
    EXPECT_EQ(s.m_Ftp.m_strPort[1], "21");
    EXPECT_EQ(s.GetFlags(), 0u);
    EXPECT_TRUE(s.m_ProtectedPassword.empty());
    EXPECT_EQ(s.m_tOldestToIndex, app->GetLowestDate());
    EXPECT_EQ(app->GetIndexEntries().GetCount(), 0);
    EXPECT_EQ(s.m_tLastPublishIndex, 1234);
    EXPECT_EQ(s.m_strStagingFolder, "Staging2");
}

TEST_F(AppTest, PortsAndFlagEdgeCases)
{
    CFTPSettings& ftp = app->Setup().m_Ftp;
    EXPECT_EQ(ftp.GetPort(), "") << "the default FTP port is left out";
    ftp.m_strPort[0] = "0021";
    EXPECT_EQ(ftp.GetPort(), "0021") << "compared as text";
    ftp.m_nProtocol = PROTOCOL_SFTP;
    EXPECT_EQ(ftp.GetPort(), "22");
    ftp.m_nProtocol = 3;  // from a damaged file
    EXPECT_STREQ(ftp.GetProtocolName(), "???");
    EXPECT_EQ(ftp.GetPort(), "");
    app->Setup().SetFlags(0x3);
    EXPECT_EQ(app->SetAlertNoBws(false, false), 0x1u);
}

TEST_F(AppTest, AHandChosenHandRecordFolderSavesSetupThenProgramData)
{
    CQuillmarkDoc doc(*app);
    doc.OnNewDocument();
    prompter.fileDialogPath = folder.File("Club.qsu");
    ASSERT_TRUE(app->SaveProgramData());
    EXPECT_TRUE(FileExists(folder.File("Club.qsu")));
    EXPECT_TRUE(FileExists(dataDir + "/ProgramData.bin"));
}

TEST_F(AppTest, StartUpAndShutDownInTheirOrder)
{
    profile.WriteInt("Settings", "ShowProgressBar", 1);
    profile.WriteInt("Settings", "MaxLogSize", 0);  // counts as 1 KiB
    app->CreateLog();  // the program's own log in the data folder
    ASSERT_TRUE(app->AcquireSingleInstanceLock());
    app->LoadProfileSettings();
    EXPECT_EQ(app->IsProgressBarShown(), 1);
    app->LoadAppData();
    CQuillmarkDoc doc(*app);
    doc.OnNewDocument();
    app->TestDataProtection();
    EXPECT_EQ(app->Setup().m_bPasswordProtected, 1);
    app->OfferLegacyImport();  // no "Setup.bin": no question
    EXPECT_TRUE(prompter.Shown().empty());

    std::string temp;
    ASSERT_TRUE(app->GetTempFile("", "QMt", ".txt", temp));
    for (int i = 0; i < 40; ++i)
        app->GetLog()->Printf("filler line %02d to pass the limit of the log\n", i);
    app->ExitInstance();
    EXPECT_FALSE(FileExists(temp));
    const std::string log = ReadWholeFile(dataDir + "/QuillmarkLogfile.txt");
    EXPECT_LT(log.size(), 1024u);
    EXPECT_NE(log.find("filler line 39"), std::string::npos);
    EXPECT_EQ(ReadWholeFile(dataDir + "/Interlock.txt"), "");
}
