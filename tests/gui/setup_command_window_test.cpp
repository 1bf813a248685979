// The Setup command and the wireless-database alert through the window
// prompter: the real dialogs, driven through their controls, and what the
// core then stores, logs and saves.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <wx/checkbox.h>
#include <wx/textctrl.h>
#include <wx/app.h>
#include <wx/toplevel.h>

#include "gui/gui_support.h"
#include "gui/setup_dialog_driver.h"
#include "app/setup_file.h"
#include "platform/path_helpers.h"
#include "ui/app_shell.h"
#include "ui/command_ids.h"
#include "ui/main_frame.h"
#include "support/test_app.h"
#include "ui/setup_sheet.h"
#include "ui/small_dialogs.h"
#include "ui/wx_prompter.h"

using namespace setupdrv;

namespace {

template <class T>
T* FindOpen()
{
    for (wxWindow* w : wxTopLevelWindows) {
        if (auto* found = dynamic_cast<T*>(w))
            return found;
    }
    return nullptr;
}

class WindowPrompterTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        app->SetPrompter(&wxPrompter);
        app->TestDataProtection();
    }
    CWxPrompter wxPrompter;
};

}  // namespace

TEST_F(WindowPrompterTest, SetupEnteredByHandIsStoredLoggedAndSaved)
{
    const std::string scores = folder.File("scores");
    ASSERT_EQ(::mkdir(scores.c_str(), 0700), 0);
    wxTheApp->CallAfter([&] {
        Settle();
        CSetupPropSheet* sheet = FindOpen<CSetupPropSheet>();
        ASSERT_NE(sheet, nullptr);
        Type(sheet->m_computer->m_scoreFolder, wxString::FromUTF8(scores));
        Type(sheet->m_website->m_url, "http://127.0.0.1:8080");
        Type(sheet->m_ftp->m_server, "127.0.0.1");
        Type(sheet->m_ftp->m_user, "director");
        Type(sheet->m_ftp->m_password, "pa55 word");
        Type(sheet->m_ftp->m_port, "2121");
        ClickId(sheet, wxID_OK);
    });
    app->OnSetupSetup();
    const CSetupData& s = app->Setup();
    EXPECT_EQ(s.m_strScoreFileDirectory, scores);
    EXPECT_EQ(s.m_strWebsiteUrl, "http://127.0.0.1:8080");
    EXPECT_EQ(s.m_Ftp.m_strServer, "127.0.0.1");
    EXPECT_EQ(s.m_Ftp.m_strPort[0], "2121");
    CSecretString password;
    ASSERT_TRUE(app->GetFtpPassword(password, false));
    EXPECT_EQ(password.Get(), "pa55 word");
    const std::string log = LogText();
    EXPECT_NE(log.find("Setup FTP: FTP User []->[director]\n"), std::string::npos);
    EXPECT_NE(log.find("Setup FTP: FTP Password changed\n"), std::string::npos);
    EXPECT_NE(log.find("Setup FTP: Port Number (FTP) [21]->[2121]\n"), std::string::npos);
    EXPECT_NE(log.find("Setup: Changes saved\n"), std::string::npos);
    EXPECT_EQ(log.find("pa55"), std::string::npos);
}

// Ticking "Do Not Show This Message Again" and trying again turns the
// alert off once the dialog closes, saved once; unticking it first keeps it.
TEST_F(WindowPrompterTest, WirelessAlertFollowsTheBoxWhenTheDialogCloses)
{
    app->Setup().m_Ftp.m_dwFlags = SF_ALERT_NO_BWS;
    WirelessDatabaseRequest request;
    request.message = "Unable to open wireless scoring system database: No such file or directory";
    request.error = 0x80070002u;
    request.path = "/scores/230905A.bws";
    const std::string programData = JoinPath(dataDir, "ProgramData.bin");

    auto answer = [](std::vector<bool> ticks, int button) {
        wxTheApp->CallAfter([ticks, button] {
            Settle();
            CWirelessDialog* dialog = FindOpen<CWirelessDialog>();
            ASSERT_NE(dialog, nullptr);
            for (bool tick : ticks)
                Tick(dialog->m_doNotShow, tick);
            ClickId(dialog, button);
        });
    };
    std::string path;
    answer({true, false}, wxID_OK);
    EXPECT_EQ(wxPrompter.WirelessDatabase(request, path), IDOK);
    EXPECT_EQ(path, request.path);
    EXPECT_TRUE(app->Setup().m_Ftp.m_dwFlags & SF_ALERT_NO_BWS);
    EXPECT_FALSE(FileExists(programData));

    answer({true}, wxID_CANCEL);
    EXPECT_EQ(wxPrompter.WirelessDatabase(request, path), IDCANCEL);
    EXPECT_FALSE(app->Setup().m_Ftp.m_dwFlags & SF_ALERT_NO_BWS);
    EXPECT_TRUE(FileExists(programData));
}

// Setup chosen from the main window's menu: the sheet comes up over the
// window, and what is typed there is in the setup after OK.
TEST(SetupFromTheWindowTest, MenuChoiceShowsTheSheetAndOkStores)
{
    CProgramFolders folders;
    CAppShell shell;
    ASSERT_TRUE(shell.Start({}));
    CMainFrame* frame = shell.Frame();
    ASSERT_TRUE(frame->IsCommandEnabled(CMD_SETUP_SETUP));
    // The setup has a file, so saving asks nothing.
    ASSERT_NE(shell.App().GetDocument(), nullptr);
    const std::string setupFile = folders.folder.File("club.qsu");
    shell.App().GetDocument()->SetPathName(setupFile);
    bool shown = false;
    wxTheApp->CallAfter([&] {
        Settle();
        CSetupPropSheet* sheet = FindOpen<CSetupPropSheet>();
        ASSERT_NE(sheet, nullptr);
        shown = true;
        EXPECT_EQ(sheet->GetParent(), frame);
        Type(sheet->m_ftp->m_server, "127.0.0.1");
        ClickId(sheet, wxID_OK);
    });
    wxCommandEvent event(wxEVT_MENU, WindowIdOf(CMD_SETUP_SETUP));
    event.SetEventObject(frame);
    frame->GetEventHandler()->ProcessEvent(event);
    EXPECT_TRUE(shown);
    EXPECT_EQ(shell.App().Setup().m_Ftp.m_strServer, "127.0.0.1");
    EXPECT_TRUE(FileExists(setupFile));
    frame->Close();
    WaitUntil([&] { return shell.FrameClosed(); });
}
