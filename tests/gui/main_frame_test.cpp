// The main window as the status sink of the core and as the place where
// commands are chosen, driven through its own controls and events.
#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/menu.h>
#include <wx/uiaction.h>
#include <wx/weakref.h>

#include <atomic>
#include <thread>

#include "app/quillmark_app.h"
#include "gui/gui_support.h"
#include "ui/app_shell.h"
#include "ui/command_ids.h"
#include "ui/main_frame.h"
#include "ui/wx_prompter.h"

namespace {

class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(shell.Start({}));
        frame = shell.Frame();
    }
    void TearDown() override
    {
        while (shell.App().GetCancelState(false) != CS_IDLE)
            shell.App().SetBusy(false);
        if (!shell.FrameClosed()) {
            frame->Close();
            WaitUntil([&] { return shell.FrameClosed(); });
        }
    }

    // A menu choice as the menu bar sends it.
    void Choose(unsigned id)
    {
        wxCommandEvent event(wxEVT_MENU, WindowIdOf(id));
        event.SetEventObject(frame);
        frame->GetEventHandler()->ProcessEvent(event);
    }

    bool MenuEnabled(unsigned id)
    {
        frame->UpdateWindowUI(wxUPDATE_UI_RECURSE);
        wxMenuItem* item = frame->GetMenuBar()->FindItem(WindowIdOf(id));
        return item && item->IsEnabled();
    }

    // Runs fn on a worker thread while the event loop keeps going, as the
    // core's WaitForThread does; returns fn's answer.
    int FromWorker(const std::function<int()>& fn)
    {
        std::atomic<bool> done{false};
        int answer = -1;
        std::thread worker([&] {
            answer = fn();
            done = true;
        });
        EXPECT_TRUE(WaitUntil([&] { return done.load(); }));
        worker.join();
        return answer;
    }

    CProgramFolders folders;
    CAppShell shell;
    CMainFrame* frame = nullptr;
};

}  // namespace

TEST_F(MainFrameTest, WorkerStatusAndProgressAppearAndCancelAnswersTheNextStatusWithZero)
{
    EXPECT_EQ(FromWorker([&] { return frame->StatusText(2, "Uploading Club.htm"); }), 1);
    EXPECT_EQ(frame->GetPaneText(2), "Uploading Club.htm");
    EXPECT_EQ(FromWorker([&] { return frame->UploadProgress(true, 200, 50); }), 1);
    wxGauge* gauge = frame->GetProgressCtrl();
    EXPECT_TRUE(gauge->IsShown());
    EXPECT_EQ(gauge->GetValue(), 50);

    // Cancel is offered only while an operation runs; once chosen, the next
    // status (even for a pane that shows nothing) and progress answer 0.
    EXPECT_FALSE(MenuEnabled(CMD_FILE_CANCEL));
    shell.App().SetBusy(true);
    EXPECT_TRUE(MenuEnabled(CMD_FILE_CANCEL));
    Choose(CMD_FILE_CANCEL);
    EXPECT_EQ(FromWorker([&] { return frame->StatusText(2, "Uploading Club.pdf"); }), 0);
    EXPECT_EQ(frame->GetPaneText(2), "Canceled");
    EXPECT_EQ(FromWorker([&] { return frame->StatusText(5, "ignored"); }), 0);
    EXPECT_EQ(FromWorker([&] { return frame->UploadProgress(false, 0, 0); }), 0);
    EXPECT_FALSE(gauge->IsShown());
    shell.App().SetBusy(false);
    EXPECT_EQ(frame->StatusText(2, "Ready"), 1);
}

TEST_F(MainFrameTest, ProgressPairsThatMakeNoSenseAreHeldInRange)
{
    wxGauge* gauge = frame->GetProgressCtrl();
    struct Case {
        int total, done, range, value;
    } cases[] = {{100, 250, 100, 100}, {100, -5, 100, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(frame->UploadProgress(true, c.total, c.done), 1);
        EXPECT_EQ(gauge->GetRange(), c.range) << c.total << "/" << c.done;
        EXPECT_EQ(gauge->GetValue(), c.value) << c.total << "/" << c.done;
    }
    // No total: the bar shows activity, not a position.
    for (int total : {0, -7}) {
        EXPECT_EQ(frame->UploadProgress(true, total, 3), 1);
        EXPECT_TRUE(gauge->IsShown());
        EXPECT_LE(gauge->GetValue(), gauge->GetRange());
    }
    EXPECT_EQ(frame->UploadProgress(false, 12345, -1), 1);
    EXPECT_FALSE(gauge->IsShown());
}

TEST_F(MainFrameTest, ClosingDuringAnOperationCancelsItAndClosesWhenItHasEnded)
{
    shell.App().SetBusy(true);
    frame->Close();
    PumpFor(50);
    ASSERT_FALSE(shell.FrameClosed());
    EXPECT_EQ(shell.App().GetCancelState(false), CS_CANCELLED);
    EXPECT_EQ(frame->StatusText(2, "Uploading"), 0);
    shell.App().SetBusy(false);
    EXPECT_TRUE(WaitUntil([&] { return shell.FrameClosed(); }));
}

// As a command runs an operation: the close requests made meanwhile only
// wait; at its end the busy level and then the command each refresh the
// window, and the window closes once, its placement saved once.
TEST_F(MainFrameTest, EveryCloseDuringACommandWaitsForItAndTheWindowClosesOnce)
{
    int placementsSaved = 0;
    const auto savePlacement = frame->beforeDestroy;
    frame->beforeDestroy = [&placementsSaved, savePlacement] {
        ++placementsSaved;
        savePlacement();
    };
    frame->SetCommand(CMD_INDEX_CREATE_INDEX, {[&] {
                                                   shell.App().SetBusy(true);
                                                   frame->Close();
                                                   frame->Close();
                                                   PumpFor(50);
                                                   EXPECT_FALSE(shell.FrameClosed());
                                                   shell.App().SetBusy(false);
                                               },
                                               {},
                                               {}});
    const wxWeakRef<CMainFrame> alive(frame);
    EXPECT_TRUE(frame->RunCommand(CMD_INDEX_CREATE_INDEX));
    EXPECT_TRUE(WaitUntil([&] { return shell.FrameClosed(); }));
    // A request that comes while the window is going does nothing.
    if (alive)
        alive->Close();
    EXPECT_TRUE(WaitUntil([&] { return !alive; }));
    EXPECT_EQ(placementsSaved, 1);
}

TEST_F(MainFrameTest, PostGamesCaptionReadsRepostWhileShiftIsHeld)
{
    wxButton* post = frame->GetDialogBar()->postGames;
    frame->Raise();
    wxUIActionSimulator sim;
    ASSERT_TRUE(MovePointerTo(post->GetScreenRect().GetLeftTop() + wxPoint(5, 5)));
    auto label = [&](const char* text) {
        return WaitUntil([&] {
            frame->UpdateWindowUI(wxUPDATE_UI_RECURSE);
            return post->GetLabel() == text;
        }, 30000);
    };
    EXPECT_TRUE(label("Post Games (F4)"));
    sim.KeyDown(WXK_SHIFT);
    EXPECT_TRUE(label("Repost (Shift+F4)"));
    sim.KeyUp(WXK_SHIFT);
    EXPECT_TRUE(label("Post Games (F4)"));
}

// Every command with a menu text is in the menus, showing its key and
// prompt; a row added to the table but left out of the menus fails here.
TEST_F(MainFrameTest, EveryCommandWithAMenuTextIsInTheMenusWithItsKeyAndPrompt)
{
    wxMenuBar* bar = frame->GetMenuBar();
    for (const CommandEntry& entry : CommandTable()) {
        if (!*entry.menuText)
            continue;
        wxMenuItem* item = bar->FindItem(WindowIdOf(entry.id));
        ASSERT_NE(item, nullptr) << entry.menuText;
        wxString label = wxString::FromUTF8(entry.menuText);
        if (*entry.shortcut)
            label += wxString("\t") + entry.shortcut;
        EXPECT_EQ(item->GetItemLabel(), label);
        EXPECT_EQ(item->GetHelp(), wxString::FromUTF8(entry.prompt)) << entry.menuText;
        EXPECT_EQ(item->IsCheckable(), entry.checkItem) << entry.menuText;
    }
}

// The prompter's boxes: asked on a worker, shown by the window thread with
// the buttons of their style, answered through a button.
TEST(PrompterTest, BoxesAskedOnAWorkerShowTheirButtonsAndDefaults)
{
    CWxPrompter prompter;
    CBoxAnswerer boxes;
    boxes.Answer(IDNO);
    boxes.Answer(IDRETRY);
    std::atomic<bool> done{false};
    std::vector<int> answers;
    std::thread worker([&] {
        answers.push_back(prompter.MessageBox("Save changes?\r\nClub.qsu", MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2));
        answers.push_back(prompter.MessageBox("The connection was lost.", MB_ABORTRETRYIGNORE | MB_ICONERROR));
        done = true;
    });
    EXPECT_TRUE(WaitUntil([&] { return done.load(); }));
    worker.join();
    EXPECT_EQ(answers, (std::vector<int>{IDNO, IDRETRY}));
    EXPECT_EQ(boxes.defaults, (std::vector<std::string>{"&No", "&Abort"}));
    ASSERT_EQ(boxes.texts.size(), 2u);
    EXPECT_EQ(boxes.texts[0], "Save changes?\nClub.qsu");
}
