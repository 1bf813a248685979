// Setup from the main window's menu and the wireless-database alert through
// the window prompter: the real dialogs, driven through their controls, and
// what the core then stores and saves.
#include <gtest/gtest.h>

#include <wx/checkbox.h>
#include <wx/textctrl.h>

#include "app/setup_file.h"
#include "posting/score_file.h"
#include "gui/gui_support.h"
#include "gui/setup_dialog_driver.h"
#include "platform/path_helpers.h"
#include "support/test_app.h"
#include "ui/app_shell.h"
#include "ui/command_ids.h"
#include "ui/main_frame.h"
#include "ui/setup_sheet.h"
#include "ui/small_dialogs.h"
#include "ui/wx_prompter.h"

using namespace setupdrv;

// Ticking "Do Not Show This Message Again" turns the alert off once the
// dialog closes (also with Cancel), saved once; unticking it first keeps it.
class WindowPrompterTest : public AppTest {};

TEST_F(WindowPrompterTest, WirelessAlertFollowsTheBoxWhenTheDialogCloses)
{
    CWxPrompter prompter;
    app->SetPrompter(&prompter);
    app->Setup().SetFlags(SF_ALERT_NO_BWS);
    WirelessDatabaseRequest request;
    request.message = "Unable to open wireless scoring system database: No such file or directory";
    request.error = 0x80070002u;
    request.path = "/scores/230905A.bws";
    const std::string programData = JoinPath(dataDir, "ProgramData.bin");
    auto answer = [](std::vector<bool> ticks, int button) {
        WhenDialogShows([ticks, button](wxDialog& shown) {
            auto* dialog = wxDynamicCast(&shown, CWirelessDialog);
            ASSERT_NE(dialog, nullptr);
            for (bool tick : ticks)
                Tick(dialog->m_doNotShow, tick);
            ClickId(dialog, button);
        });
    };
    std::string path;
    answer({true, false}, wxID_OK);
    EXPECT_EQ(prompter.WirelessDatabase(request, path), IDOK);
    EXPECT_TRUE(app->Setup().GetFlags() & SF_ALERT_NO_BWS);
    EXPECT_FALSE(FileExists(programData));

    answer({true}, wxID_CANCEL);
    EXPECT_EQ(prompter.WirelessDatabase(request, path), IDCANCEL);
    EXPECT_FALSE(app->Setup().GetFlags() & SF_ALERT_NO_BWS);
    EXPECT_TRUE(FileExists(programData));
}

// Setup chosen from the main window's menu: the sheet comes up over the
// window, and what is typed there is in the setup after OK, and saved.
TEST(SetupFromTheWindowTest, MenuChoiceShowsTheSheetAndOkStores)
{
    CProgramFolders folders;
    CAppShell shell;
    ASSERT_TRUE(shell.Start({}));
    CMainFrame* frame = shell.Frame();
    // The setup has a file, so saving asks nothing.
    ASSERT_NE(shell.App().GetDocument(), nullptr);
    const std::string setupFile = folders.folder.File("club.qsu");
    shell.App().GetDocument()->SetPathName(setupFile);
    bool shown = false;
    WhenDialogShows([&](wxDialog& dialog) {
        auto* sheet = wxDynamicCast(&dialog, CSetupPropSheet);
        ASSERT_NE(sheet, nullptr);
        shown = true;
        EXPECT_EQ(sheet->GetParent(), frame);
        Type(sheet->m_ftp->m_server, "127.0.0.1");
        Type(sheet->m_ftp->m_port, "2121");
        ClickId(sheet, wxID_OK);
    });
    wxCommandEvent event(wxEVT_MENU, WindowIdOf(CMD_SETUP_SETUP));
    event.SetEventObject(frame);
    frame->GetEventHandler()->ProcessEvent(event);
    EXPECT_TRUE(shown);
    EXPECT_EQ(shell.App().Setup().m_Ftp.m_strServer, "127.0.0.1");
    EXPECT_EQ(shell.App().Setup().m_Ftp.m_strPort[0], "2121");
    EXPECT_TRUE(FileExists(setupFile));
    frame->Close();
    WaitUntil([&] { return shell.FrameClosed(); });
}

// A new, untitled setup named through Save As when a command saves: the
// window title names the file as soon as the command has ended.
TEST(SetupFromTheWindowTest, TitleFollowsTheFileNamedBySaveAsAtOnce)
{
    class CSaveAsPrompter : public CWxPrompter {
    public:
        std::string answer;
        bool SaveFileDialog(const FileDialogRequest&, std::string& path) override
        {
            path = answer;
            return true;
        }
    };
    CProgramFolders folders;
    CAppShell shell;
    ASSERT_TRUE(shell.Start({}));
    CMainFrame* frame = shell.Frame();
    ASSERT_EQ(frame->GetTitle(), "Untitled - Quillmark");
    CSaveAsPrompter prompter;
    prompter.SetParent(frame);
    prompter.answer = folders.folder.File("Tuesday Club.qsu");
    shell.App().SetPrompter(&prompter);

    WhenDialogShows([&](wxDialog& dialog) {
        auto* sheet = wxDynamicCast(&dialog, CSetupPropSheet);
        ASSERT_NE(sheet, nullptr);
        Type(sheet->m_ftp->m_server, "127.0.0.1");
        ClickId(sheet, wxID_OK);
    });
    wxCommandEvent setup(wxEVT_MENU, WindowIdOf(CMD_SETUP_SETUP));
    setup.SetEventObject(frame);
    frame->GetEventHandler()->ProcessEvent(setup);
    EXPECT_TRUE(FileExists(prompter.answer));
    EXPECT_EQ(frame->GetTitle(), "Tuesday Club.qsu - Quillmark");

    prompter.answer = folders.folder.File("Wednesday.qsu");
    auto choose = [&](unsigned id) {
        wxCommandEvent event(wxEVT_MENU, WindowIdOf(id));
        event.SetEventObject(frame);
        frame->GetEventHandler()->ProcessEvent(event);
    };
    choose(CMD_FILE_SAVE_AS);
    EXPECT_EQ(frame->GetTitle(), "Wednesday.qsu - Quillmark");

    // A new setup, then a command that saves with nothing after the save
    // (Erase Upload History): the name shows when the command ends.
    choose(CMD_FILE_NEW);
    EXPECT_EQ(frame->GetTitle(), "Untitled - Quillmark");
    shell.App().GetHistory().Add(CScoreFile());
    prompter.answer = folders.folder.File("Thursday.qsu");
    {
        CBoxAnswerer boxes;  // "erase?": OK
        choose(CMD_SETUP_ERASE_UPLOAD_HISTORY);
        EXPECT_EQ(boxes.texts.size(), 1u);
    }
    EXPECT_TRUE(FileExists(prompter.answer));
    EXPECT_EQ(frame->GetTitle(), "Thursday.qsu - Quillmark");

    shell.App().SetPrompter(&shell.Prompter());
    frame->Close();
    WaitUntil([&] { return shell.FrameClosed(); });
}
