// The main window's keys work as a director meets them: F4 right after
// start-up before any click, again after Confirm Posting has closed, and
// while the HTML view holds the keyboard. Keys go through the X server to
// whatever the window manager gave the focus, as a keyboard's do (a key
// simulated inside the program would reach the window without the focus).
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <ctime>

#include <wx/dialog.h>
#include <wx/textctrl.h>
#include <wx/webview.h>

#include "app/quillmark_app.h"
#include "app/setup_file.h"
#include "dialog_driver.h"
#include "gui/gui_support.h"
#include "support/posting_samples.h"
#include "ui/app_shell.h"
#include "ui/main_frame.h"
#include "ui/quillmark_view.h"

namespace {

class KeyboardFocusTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(wm.Running()) << "no window manager in the display";
        scores = work.File("scores");
        ::mkdir(scores.c_str(), 0700);
        samples::WriteGame(scores, 5, ::time(nullptr) - 60, false);
        ASSERT_TRUE(shell.Start({}));
        frame = shell.Frame();
        // Enough setup for Post Games to reach Confirm Posting.
        CSetupData& s = shell.App().Setup();
        s.m_strScoreFileDirectory = scores;
        samples::UseWebsite(s, "http://127.0.0.1:9/", "127.0.0.1");
        s.m_tPostFilesModifiedAfter = 0;
    }
    void TearDown() override
    {
        if (!shell.FrameClosed()) {
            shell.Document()->SetModifiedFlag(false);
            frame->Close();
            WaitUntil([&] { return shell.FrameClosed(); });
        }
    }

    // Presses keys (xdotool's names) on the keyboard and answers whether
    // Confirm Posting came up; it is closed with Cancel.
    bool KeyOpensConfirmPosting(const std::string& keys, const std::string& shot = "")
    {
        bool shown = false;
        WhenDialogShows(
            [&](wxDialog& dialog) {
                shown = true;
                if (!shot.empty())
                    TakeScreenshot(shot);
                Click(dialog.FindWindow(wxID_CANCEL));
            },
            "Confirm Posting", 30000);
        // The X server's keyboard: the key goes where the window manager
        // put the focus and the toolkit routes it from there.
        CommandOutput("xdotool key " + keys);
        RunLoopUntil([&] { return shown && shell.App().IsIdle(); }, 30000);
        // The frame is active again before the next key.
        WaitUntil([&] { return frame->IsActive() && HasFocusWithin(frame); }, 30000);
        return shown;
    }

    CWindowManager wm;
    CProgramFolders folders;
    CTempFolder work;
    std::string scores;
    CAppShell shell;
    CMainFrame* frame = nullptr;
};

}  // namespace

TEST_F(KeyboardFocusTest, PostGamesKeysWorkFromTheStartAndAfterEveryDialog)
{
    // The window manager activates the new window; nobody clicks into it.
    ASSERT_TRUE(WaitUntil([&] { return frame->IsActive(); }, 30000));
    ASSERT_TRUE(WaitForPlacement(frame));
    TakeScreenshot("focus_after_start");
    EXPECT_TRUE(KeyOpensConfirmPosting("F4", "focus_confirm_from_f4")) << "F4 after start-up";
    EXPECT_TRUE(KeyOpensConfirmPosting("F4")) << "F4 after Confirm Posting closed";
    EXPECT_TRUE(KeyOpensConfirmPosting("shift+F4")) << "Shift+F4";

    // History chosen from the menu by keyboard, closed; then F4.
    bool history = false;
    WhenDialogShows(
        [&](wxDialog& dialog) {
            history = true;
            Click(dialog.FindWindow(wxID_CANCEL));
        },
        "History", 30000);
    CommandOutput("xdotool key alt+v h");
    EXPECT_TRUE(RunLoopUntil([&] { return history; }, 30000)) << "View > History by keyboard";
    WaitUntil([&] { return frame->IsActive(); }, 30000);
    EXPECT_TRUE(KeyOpensConfirmPosting("F4")) << "F4 after History closed";

    // With the HTML view holding the keyboard (a click into the page).
    wxWebView* web = frame->GetView()->GetWebView();
    MouseClickAt(web, wxPoint(web->GetClientSize().x / 2, web->GetClientSize().y / 2));
    EXPECT_TRUE(KeyOpensConfirmPosting("F4")) << "F4 in the HTML view";
    EXPECT_TRUE(KeyOpensConfirmPosting("F4")) << "F4 after the dialog over the HTML view";
}

// F6 and Shift+F6 from the keyboard move the focus between the page and the
// dialog bar's address line, each way from each of them.
TEST_F(KeyboardFocusTest, F6AndShiftF6MoveTheFocusBetweenThePageAndTheAddressLine)
{
    ASSERT_TRUE(WaitUntil([&] { return frame->IsActive(); }, 30000));
    ASSERT_TRUE(WaitForPlacement(frame));
    wxWindow* address = frame->GetDialogBar()->address;
    wxWebView* web = frame->GetView()->GetWebView();
    MouseClickAt(web, wxPoint(web->GetClientSize().x / 2, web->GetClientSize().y / 2));
    ASSERT_TRUE(WaitUntil([&] { return HasFocusWithin(web); }, 30000)) << "a click did not put the focus in the page";

    struct Step {
        const char* keys;
        wxWindow* to;
        const char* what;
    };
    const Step steps[] = {
        {"F6", address, "F6 from the page"},
        {"F6", web, "F6 from the address line"},
        {"shift+F6", address, "Shift+F6 from the page"},
        {"shift+F6", web, "Shift+F6 from the address line"},
    };
    for (const Step& step : steps) {
        CommandOutput(std::string("xdotool key ") + step.keys);
        const bool moved = WaitUntil([&] { return HasFocusWithin(step.to); }, 10000);
        wxWindow* focus = wxWindow::FindFocus();
        EXPECT_TRUE(moved) << step.what << " left the focus on "
                           << (focus ? wxString(focus->GetClassInfo()->GetClassName()).ToStdString() : std::string("nothing"));
        if (step.to == address && std::string(step.keys) == "F6")
            TakeScreenshot("focus_f6_address_line");
    }
}
