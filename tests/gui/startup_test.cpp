// Start-up and shut-down of the window program, in process: the shell runs
// the same steps as the program's wxApp.
#include <gtest/gtest.h>
#include <wx/menu.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <unistd.h>

#include "app/quillmark_app.h"
#include "app/setup_file.h"
#include "gui/gui_support.h"
#include "platform/path_helpers.h"
#include "support/child_process.h"
#include "ui/app_shell.h"
#include "ui/command_ids.h"
#include "ui/main_frame.h"
#include "ui/window_frame.h"

namespace {

// A setup data file written by the core's own document code.
bool WriteSetupFile(const std::string& path, const std::string& websiteUrl)
{
    CQuillmarkApp* previous = GetAppPtr();
    bool ok = false;
    {
        CQuillmarkApp app;
        SetAppPtr(&app);
        CScriptedPrompter prompter;
        app.SetPrompter(&prompter);
        app.Setup().m_strWebsiteUrl = websiteUrl;
        CQuillmarkDoc doc(app);
        ok = doc.OnSaveDocument(path);
    }
    SetAppPtr(previous);
    return ok;
}

std::string Interlock(const CProgramFolders& folders)
{
    return ReadWholeFile(JoinPath(folders.Data(), "Interlock.txt"));
}

}  // namespace

// Starts the program, lets check look at it, closes the window.
void StartAndClose(const std::vector<std::string>& args, const std::function<void(CAppShell&)>& check = {})
{
    CAppShell shell;
    ASSERT_TRUE(shell.Start(args));
    if (check)
        check(shell);
    shell.Frame()->Close();
    ASSERT_TRUE(WaitUntil([&] { return shell.FrameClosed(); }));
}

TEST(StartupTest, StartsToTheShownWindowAndLeavesAnEmptyInterlockAtExit)
{
    CProgramFolders folders;
    // An entry left by an older copy elsewhere is renewed at start.
    const std::string desktop = folders.Share() + "/applications/quillmark.desktop";
    folders.folder.Write("share/applications/quillmark.desktop", "[Desktop Entry]\nExec=/old/place/quillmark %f\n");
    {
        CBoxAnswerer boxes;
        StartAndClose({}, [&](CAppShell& shell) {
            EXPECT_TRUE(boxes.texts.empty()) << boxes.texts.front();
            EXPECT_TRUE(shell.Frame()->IsShown());
            EXPECT_EQ(Interlock(folders), "pid=" + std::to_string(::getpid()) + "\r\n");
        });
    }
    EXPECT_EQ(Interlock(folders), "");
    EXPECT_NE(ReadWholeFile(folders.Share() + "/mime/packages/quillmark.xml").find("<glob pattern=\"*.qsu\"/>"),
              std::string::npos);
    EXPECT_EQ(ReadWholeFile(desktop).find("/old/place"), std::string::npos);
    EXPECT_NE(ReadWholeFile(desktop).find("MimeType=application/x-quillmark-setup;"), std::string::npos);
}

TEST(StartupTest, SecondInstanceIsRefusedAndLeavesTheFirstOnesInterlock)
{
    CProgramFolders folders;
    CChildProcess holder(TestProgramPath("qm_instance"), {"hold"});
    std::string line;
    ASSERT_TRUE(holder.ReadLine(line));
    ASSERT_EQ(line, "locked");
    {
        CAppShell shell;
        CBoxAnswerer boxes;
        EXPECT_FALSE(shell.Start({}));
        EXPECT_EQ(boxes.texts, std::vector<std::string>{"Another instance of Quillmark is already running"});
        EXPECT_EQ(shell.Frame(), nullptr);
    }
    EXPECT_EQ(Interlock(folders), "pid=" + std::to_string(holder.Pid()) + "\r\n");
    holder.Kill(SIGKILL);
    holder.Wait();
}

TEST(StartupTest, SetupFileOnTheCommandLineOpensAndADamagedOneEndsStartUp)
{
    CProgramFolders folders;
    const std::string good = folders.folder.File("Club.qsu");
    ASSERT_TRUE(WriteSetupFile(good, "http://club.example/"));
    StartAndClose({good}, [](CAppShell& shell) {
        EXPECT_EQ(shell.App().Setup().m_strWebsiteUrl, "http://club.example/");
        EXPECT_EQ(shell.Frame()->GetTitle(), "Club.qsu - Quillmark");
    });

    // Whatever the damage, the one box names the file, says what is wrong
    // with it and what to do; start-up ends and no stored file changes.
    std::string random(4096, '\0');
    for (size_t i = 0; i < random.size(); ++i)
        random[i] = static_cast<char>((i * 7919 + 13) >> 3);
    const std::string whole = ReadWholeFile(good);
    const std::vector<std::pair<std::string, std::string>> damages = {
        {"Empty.qsu", ""},
        {"Random.qsu", random},
        {"Cut.qsu", whole.substr(0, whole.size() / 2)},
        {"Garbage.qsu", std::string("\x0c\0\0\0garbage", 11)},
    };
    const std::string programData = JoinPath(folders.Data(), "ProgramData.bin");
    const std::string dataBefore = ReadWholeFile(programData);
    for (const auto& damage : damages) {
        SCOPED_TRACE(damage.first);
        const std::string damaged = folders.folder.Write(damage.first, damage.second);
        CAppShell shell;
        CBoxAnswerer boxes;
        EXPECT_FALSE(shell.Start({damaged}));
        ASSERT_EQ(boxes.texts.size(), 1u);
        // The box shows line ends as the toolkit does.
        std::string expected = DamagedSetupFileText(damaged);
        expected.erase(std::remove(expected.begin(), expected.end(), '\r'), expected.end());
        EXPECT_EQ(boxes.texts[0], expected);
        EXPECT_NE(boxes.texts[0].find(damaged + "\n\nis not a Quillmark setup file, or it is damaged"),
                  std::string::npos);
        EXPECT_NE(boxes.texts[0].find("Start Quillmark without it"), std::string::npos);
        // No window is left behind, and shut-down has run.
        EXPECT_EQ(shell.Frame(), nullptr);
        EXPECT_EQ(Interlock(folders), "");
        EXPECT_EQ(ReadWholeFile(damaged), damage.second);
        EXPECT_EQ(ReadWholeFile(good), whole);
        EXPECT_EQ(ReadWholeFile(programData), dataBefore);
    }
    // A window being destroyed goes at the next idle turn.
    EXPECT_TRUE(WaitUntil([] {
        for (wxWindow* w : wxTopLevelWindows)
            if (dynamic_cast<CMainFrame*>(w))
                return false;
        return true;
    })) << "a main window outlived a failed start";
}

TEST(StartupTest, WindowPlacementIsRestoredAndKeptOnTheScreen)
{
    CProgramFolders folders;
    const wxRect chosen(100, 80, 700, 500);
    StartAndClose({}, [&](CAppShell& shell) {
        ASSERT_TRUE(WaitForPlacement(shell.Frame()));
        shell.Frame()->SetSize(chosen);
        // The window manager's answer: the frame stands there.
        EXPECT_TRUE(WaitUntil([&] {
            wxRect frame;
            return GetFrameRect(shell.Frame(), frame) && frame == chosen;
        }));
    });
    // Started and closed again and again (QM_REOPENINGS times, 3 unless
    // set): the window stands where it was left every time.
    const char* reopenings = std::getenv("QM_REOPENINGS");
    for (int start = 2, starts = reopenings ? std::atoi(reopenings) : 3; start < starts; ++start) {
        StartAndClose({}, [&](CAppShell& shell) {
            ASSERT_TRUE(WaitForPlacement(shell.Frame()));
            wxRect frame;
            EXPECT_TRUE(GetFrameRect(shell.Frame(), frame));
            EXPECT_EQ(frame, chosen) << "start " << start;
        });
    }
    {
        CAppShell shell;
        ASSERT_TRUE(shell.Start({}));
        ASSERT_TRUE(WaitForPlacement(shell.Frame()));
        wxRect frame;
        EXPECT_TRUE(GetFrameRect(shell.Frame(), frame));
        EXPECT_EQ(frame, chosen);
        // Stored far off every screen (a display that has gone).
        shell.App().Profile().WriteString("MainWindow", "WindowRect", "5000:7000:4000:6000");
        wxWindow* frameWindow = shell.Frame();
        frameWindow->Destroy();
        EXPECT_TRUE(WaitUntil([&] { return !wxTopLevelWindows.Find(frameWindow); }));
    }
    StartAndClose({}, [](CAppShell& shell) {
        const wxRect screen(0, 0, 1280, 1024);
        const wxRect r = shell.Frame()->GetRect();
        EXPECT_TRUE(screen.Contains(r.GetTopLeft())) << r.x << "," << r.y;
        EXPECT_LE(r.width, screen.width);
        EXPECT_LE(r.height, screen.height);
    });
}

TEST(StartupTest, RecentSetupFilesAreListedAndReopened)
{
    CProgramFolders folders;
    const std::string club = folders.folder.File("Club & Co.qsu");
    const std::string other = folders.folder.File("Other.qsu");
    ASSERT_TRUE(WriteSetupFile(club, "http://club.example/"));
    ASSERT_TRUE(WriteSetupFile(other, "http://other.example/"));
    StartAndClose({club});
    StartAndClose({other}, [&](CAppShell& shell) {
        const int first = WindowIdOf(CMD_FILE_MRU_FIRST);
        wxMenuBar* bar = shell.Frame()->GetMenuBar();
        const wxString clubLabel = "&2 " + wxString::FromUTF8(folders.folder.File("Club && Co.qsu"));
        ASSERT_NE(bar->FindItem(first + 1), nullptr);
        EXPECT_EQ(bar->FindItem(first + 1)->GetItemLabel(), clubLabel);
        wxCommandEvent choose(wxEVT_MENU, first + 1);
        shell.Frame()->GetEventHandler()->ProcessEvent(choose);
        EXPECT_EQ(shell.App().Setup().m_strWebsiteUrl, "http://club.example/");
        EXPECT_EQ(bar->FindItem(first)->GetItemLabel(), "&1" + clubLabel.Mid(2));
    });
}
