// What the main window tells the user beyond its commands: a click on it
// while a dialog waits is answered, every menu item explains itself in the
// status bar while highlighted, and a disabled button looks disabled. All
// through the X server, with a window manager, as on a user's desktop.
#include <gtest/gtest.h>

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/image.h>
#include <wx/menu.h>
#include <wx/uiaction.h>

#include <algorithm>
#include <functional>

#include "dialog_driver.h"
#include "gui/gui_support.h"
#include "ui/app_shell.h"
#include "ui/command_ids.h"
#include "ui/main_frame.h"

namespace {

class FrameFeedbackTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(wm.Running()) << "no window manager in the display";
        ASSERT_TRUE(shell.Start({}));
        frame = shell.Frame();
        ASSERT_TRUE(WaitUntil([&] { return frame->IsActive(); }, 30000));
        ASSERT_TRUE(WaitForPlacement(frame));
    }
    void TearDown() override
    {
        if (!shell.FrameClosed()) {
            frame->Close();
            WaitUntil([&] { return shell.FrameClosed(); });
        }
    }

    CWindowManager wm;
    CProgramFolders folders;
    CAppShell shell;
    CMainFrame* frame = nullptr;
};

// Every item of a menu and its submenus.
void ForEachItem(wxMenu* menu, const std::function<void(wxMenuItem*)>& fn)
{
    for (wxMenuItem* item : menu->GetMenuItems()) {
        if (item->IsSeparator())
            continue;
        fn(item);
        if (item->GetSubMenu())
            ForEachItem(item->GetSubMenu(), fn);
    }
}

}  // namespace

TEST_F(FrameFeedbackTest, ClickOnTheWindowWhileADialogWaitsIsAnswered)
{
    bool checked = false;
    WhenDialogShows(
        [&](wxDialog& dialog) {
            ASSERT_TRUE(WaitUntil([&] { return dialog.IsActive(); }, 30000));
            wxUIActionSimulator mouse;
            // A point of the main window that the dialog does not cover.
            const wxPoint outside = frame->ClientToScreen(wxPoint(8, 8));
            ASSERT_FALSE(dialog.GetScreenRect().Contains(outside));
            ASSERT_TRUE(MovePointerTo(outside));
            EXPECT_EQ(frame->GetDisabledClicks(), 0) << "a move is no click";
            mouse.MouseClick();
            EXPECT_TRUE(WaitUntil([&] { return frame->GetDisabledClicks() == 1; }, 30000));
            mouse.MouseClick(wxMOUSE_BTN_RIGHT);
            EXPECT_TRUE(WaitUntil([&] { return frame->GetDisabledClicks() == 2; }, 30000));
            // The dialog answers for itself and stays in front.
            EXPECT_TRUE(ClickThroughServer(dialog.GetScreenRect().GetTopLeft() + wxPoint(30, 40)));
            EXPECT_EQ(frame->GetDisabledClicks(), 2);
            EXPECT_TRUE(dialog.IsActive());
            TakeScreenshot("feedback_click_while_about_open");
            checked = true;
            dialog.EndModal(wxID_OK);
        },
        "About Quillmark", 30000);
    EXPECT_TRUE(frame->RunCommand(ID_APP_ABOUT));
    EXPECT_TRUE(checked);

    // The window enabled again: a click is its own.
    EXPECT_TRUE(ClickThroughServer(frame->ClientToScreen(wxPoint(8, 8))));
    EXPECT_EQ(frame->GetDisabledClicks(), 2);
}

TEST_F(FrameFeedbackTest, EveryMenuItemShowsItsPromptWhileHighlighted)
{
    wxMenuBar* bar = frame->GetMenuBar();
    for (size_t i = 0; i < bar->GetMenuCount(); ++i) {
        ForEachItem(bar->GetMenu(i), [](wxMenuItem* item) {
            EXPECT_FALSE(item->GetHelp().empty()) << item->GetItemLabelText() << " has no prompt";
        });
    }

    // Highlighted by the keyboard in the open menu: the prompt is in the
    // status bar's first pane; the menu closed, it goes again.
    wxMenu* view = bar->GetMenu(static_cast<size_t>(bar->FindMenu("View")));
    std::vector<std::string> prompts;
    ForEachItem(view, [&](wxMenuItem* item) { prompts.emplace_back(item->GetHelp().utf8_str()); });
    bool opened = false;
    frame->Bind(wxEVT_MENU_OPEN, [&](wxMenuEvent& event) {
        opened = true;
        event.Skip();
    });
    CommandOutput("xdotool key alt+v");
    ASSERT_TRUE(WaitUntil([&] { return opened; }, 30000)) << "the View menu did not open";
    std::vector<std::string> seen;
    for (int i = 0; i < 4; ++i) {
        CommandOutput("xdotool key Down");
        WaitUntil([&] { return !frame->GetPaneText(0).empty() && (seen.empty() || frame->GetPaneText(0) != seen.back()); },
                  10000);
        seen.push_back(frame->GetPaneText(0));
    }
    TakeScreenshot("feedback_menu_prompt");
    CommandOutput("xdotool key Escape Escape");
    for (const std::string& text : seen) {
        EXPECT_FALSE(text.empty());
        EXPECT_NE(std::find(prompts.begin(), prompts.end(), text), prompts.end()) << text;
    }
    EXPECT_NE(seen.front(), seen.back()) << "the prompt follows the highlight";
    EXPECT_TRUE(WaitUntil([&] { return frame->GetPaneText(0).empty(); }, 30000)) << frame->GetPaneText(0);
}

TEST_F(FrameFeedbackTest, DisabledButtonImagesAreGreyed)
{
    // Nothing loads: Stop is disabled; its image (a red sign) must not
    // show its colour. Refresh, enabled once a page has loaded, keeps its own.
    wxButton* stop = frame->GetDialogBar()->stop;
    frame->UpdateWindowUI(wxUPDATE_UI_RECURSE);
    ASSERT_FALSE(stop->IsEnabled());
    const std::string shot = SaveShot(stop, "feedback_stop_disabled");
    wxImage image;
    ASSERT_TRUE(image.LoadFile(wxString::FromUTF8(shot), wxBITMAP_TYPE_PNG));
    int coloured = 0;
    for (int y = 0; y < image.GetHeight(); ++y) {
        for (int x = 0; x < image.GetWidth(); ++x) {
            const int r = image.GetRed(x, y), g = image.GetGreen(x, y), b = image.GetBlue(x, y);
            if (std::max({r, g, b}) - std::min({r, g, b}) > 24)  // a tint, not grey
                ++coloured;
        }
    }
    EXPECT_EQ(coloured, 0) << "coloured pixels on the disabled Stop button";
}
