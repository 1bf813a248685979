// The main window as the status sink of the core and as the place where
// commands are chosen, driven through its own controls and events.
#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/menu.h>
#include <wx/uiaction.h>

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
    EXPECT_EQ(frame->GetLastStatus(), "Uploading Club.htm");
    EXPECT_EQ(FromWorker([&] { return frame->StatusText(1, "Connecting"); }), 1);
    EXPECT_EQ(frame->GetPaneText(1), "Connecting");
    EXPECT_EQ(FromWorker([&] { return frame->StatusText(3, "ftp://127.0.0.1/"); }), 1);
    EXPECT_EQ(frame->GetPaneText(3), "ftp://127.0.0.1/");

    EXPECT_EQ(FromWorker([&] { return frame->UploadProgress(true, 200, 50); }), 1);
    wxGauge* gauge = frame->GetProgressCtrl();
    EXPECT_TRUE(gauge->IsShown());
    EXPECT_EQ(gauge->GetRange(), 200);
    EXPECT_EQ(gauge->GetValue(), 50);

    // An operation runs: Cancel is offered, and once chosen the next status
    // message is answered with 0 and the status line says so.
    EXPECT_FALSE(MenuEnabled(CMD_FILE_CANCEL));
    shell.App().SetBusy(true);
    EXPECT_TRUE(MenuEnabled(CMD_FILE_CANCEL));
    Choose(CMD_FILE_CANCEL);
    EXPECT_FALSE(MenuEnabled(CMD_FILE_CANCEL));
    EXPECT_EQ(FromWorker([&] { return frame->StatusText(2, "Uploading Club.pdf"); }), 0);
    EXPECT_EQ(frame->GetPaneText(2), "Canceled");
    EXPECT_EQ(frame->GetLastStatus(), "Canceled");
    // A pane that shows nothing still answers the cancel; so does progress,
    // without the text.
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
    } cases[] = {
        {100, 250, 100, 100},  // done past the total
        {100, -5, 100, 0},     // negative done
        {1, 1, 1, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(frame->UploadProgress(true, c.total, c.done), 1);
        EXPECT_TRUE(gauge->IsShown());
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
    EXPECT_TRUE(frame->IsShown());
    EXPECT_EQ(shell.App().GetCancelState(false), CS_CANCELLED);
    // The operation sees the cancel at its next status text.
    EXPECT_EQ(frame->StatusText(2, "Uploading"), 0);
    shell.App().SetBusy(false);
    EXPECT_TRUE(WaitUntil([&] { return shell.FrameClosed(); }));
}

TEST_F(MainFrameTest, CommandsFollowTheirRulesAndThoseWithoutACoreStayDisabled)
{
    // Idle: the setup-file and index commands are offered.
    for (unsigned id : {CMD_FILE_NEW, CMD_FILE_OPEN, CMD_FILE_SAVE_AS, CMD_INDEX_CREATE_INDEX, CMD_INDEX_WEBSITE,
                   CMD_INDEX_EDIT_INDEX, CMD_INDEX_BROWSE_WEBSITE})
        EXPECT_TRUE(MenuEnabled(id)) << id;
    // Publish waits for built pages.
    EXPECT_FALSE(MenuEnabled(CMD_INDEX_PUBLISH_INDEX));
    // Busy: none of them.
    shell.App().SetBusy(true);
    for (unsigned id : {CMD_FILE_NEW, CMD_FILE_OPEN, CMD_FILE_SAVE_AS, CMD_INDEX_CREATE_INDEX, CMD_INDEX_WEBSITE})
        EXPECT_FALSE(MenuEnabled(id)) << id;
    shell.App().SetBusy(false);
    // A BridgeWebs setup has no index.
    shell.App().Setup().m_Ftp.m_dwFlags |= SF_BRIDGEWEBS;
    EXPECT_FALSE(MenuEnabled(CMD_INDEX_CREATE_INDEX));
    shell.App().Setup().m_Ftp.m_dwFlags &= ~SF_BRIDGEWEBS;

    // A command whose handler is not there is never offered, and choosing
    // it anyway does nothing.
    for (unsigned id : frame->HasCommand(CMD_SETUP_SETUP) ? std::vector<unsigned>{} : std::vector<unsigned>{CMD_SETUP_SETUP}) {
        EXPECT_FALSE(MenuEnabled(id));
        EXPECT_FALSE(frame->RunCommand(id));
    }
}

TEST_F(MainFrameTest, PostGamesCaptionReadsRepostWhileShiftIsHeld)
{
    wxButton* post = frame->GetDialogBar()->postGames;
    frame->Raise();
    wxUIActionSimulator sim;
    sim.MouseMove(post->GetScreenRect().GetLeftTop() + wxPoint(5, 5));
    PumpFor(50);
    frame->UpdateWindowUI(wxUPDATE_UI_RECURSE);
    EXPECT_EQ(post->GetLabel(), "Post Games (F4)");
    sim.KeyDown(WXK_SHIFT);
    EXPECT_TRUE(WaitUntil([&] {
        frame->UpdateWindowUI(wxUPDATE_UI_RECURSE);
        return post->GetLabel() == "Repost (Shift+F4)";
    }, 3000));
    sim.KeyUp(WXK_SHIFT);
    EXPECT_TRUE(WaitUntil([&] {
        frame->UpdateWindowUI(wxUPDATE_UI_RECURSE);
        return post->GetLabel() == "Post Games (F4)";
    }, 3000));
}

// The prompter's boxes: asked on a worker, shown by the window thread with
// the buttons of their style, answered through a button.
TEST(PrompterTest, BoxesAskedOnAWorkerShowTheirButtonsAndDefaults)
{
    CWxPrompter prompter;
    CBoxAnswerer boxes;
    boxes.Answer(IDNO);
    boxes.Answer(IDRETRY);
    boxes.Answer(IDCANCEL);
    boxes.Answer(IDOK);
    std::atomic<bool> done{false};
    std::vector<int> answers;
    std::thread worker([&] {
        answers.push_back(prompter.MessageBox("Save changes to Club.qsu?", MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2));
        answers.push_back(prompter.MessageBox("The connection was lost.", MB_ABORTRETRYIGNORE | MB_ICONERROR));
        answers.push_back(prompter.MessageBox("Try again?", MB_RETRYCANCEL | MB_DEFBUTTON2));
        answers.push_back(prompter.MessageBox("Line one\r\nLine two", MB_OK | MB_ICONINFORMATION));
        done = true;
    });
    EXPECT_TRUE(WaitUntil([&] { return done.load(); }));
    worker.join();
    EXPECT_EQ(answers, (std::vector<int>{IDNO, IDRETRY, IDCANCEL, IDOK}));
    EXPECT_EQ(boxes.defaults, (std::vector<std::string>{"&No", "&Abort", "Cancel", "OK"}));
    ASSERT_EQ(boxes.texts.size(), 4u);
    EXPECT_EQ(boxes.texts[3], "Line one\nLine two");
}
