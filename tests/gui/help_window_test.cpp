#include <gtest/gtest.h>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/datectrl.h>
#include <wx/stattext.h>
#include <wx/html/htmlcell.h>
#include <wx/html/htmlwin.h>
#include <wx/uiaction.h>

#include "dialog_driver.h"
#include "posting/score_file_collection.h"
#include "support/test_app.h"
#include "ui/confirm_dialog.h"
#include "ui/history_dialog.h"
#include "ui/id_file_dialog.h"
#include "ui/setup_sheet.h"
#include "ui/help_window.h"
#include "ui/wx_prompter.h"

namespace {

// Help through the window prompter, as the program shows it.
class HelpWindowTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        app->SetPrompter(&windows);
    }

    // Presses the dialog's own Help button: the Help window must come up
    // over it, show its text from the top, and close on Escape typed on the
    // keyboard. Returns the text it showed.
    std::string PressHelp(wxDialog& dialog, const std::string& shot)
    {
        std::string text;
        bool shown = false;
        WhenDialogShows(
            [&](wxDialog& help) {
                shown = true;
                auto* window = dynamic_cast<CHelpWindow*>(&help);
                if (!window)
                    return;
                text = window->GetView()->ToText().utf8_string();
                SaveShot(&help, shot);
                // Keys go where the pointer is when no window manager runs.
                wxUIActionSimulator keys;
                keys.MouseMove(help.GetScreenRect().GetPosition() + wxPoint(60, 60));
                window->GetView()->SetFocus();
                Pump(150);
                keys.Char(WXK_ESCAPE);
                Pump(200);
            },
            "Help - Quillmark");
        wxWindow* button = dialog.FindWindow(wxID_HELP);
        EXPECT_NE(button, nullptr) << dialog.GetTitle() << " has no Help button";
        if (button)
            Click(button);  // returns once the Help window has closed
        EXPECT_TRUE(shown) << dialog.GetTitle();
        return text;
    }

    CWxPrompter windows;
};

}  // namespace

// Confirm Posting, Identify Score File and History have a Help button that
// opens the Help; Escape closes it again and leaves the dialog open.
TEST_F(HelpWindowTest, DialogsOpenHelpAndEscapeClosesIt)
{
    ConfirmPostingRequest rows;
    CConfirmDialog confirm;
    confirm.m_request = &rows;
    RunModal(confirm, [&] {
        EXPECT_NE(PressHelp(confirm, "help_from_confirm").find("Posting, step by step"), std::string::npos);
        EXPECT_TRUE(confirm.IsModal());
        Click(confirm.FindWindow(wxID_CANCEL));
    });

    CIDFileDialog identify;
    identify.m_fileName = "/scores/230905a.txt";
    RunModal(identify, [&] {
        PressHelp(identify, "help_from_identify");
        Click(identify.FindWindow(wxID_CANCEL));
    });

    CColScoreFile history;
    HistoryRequest request;
    request.history = &history;
    CHistoryDialog list;
    list.m_request = &request;
    RunModal(list, [&] {
        PressHelp(list, "help_from_history");
        Click(list.FindWindow(wxID_CANCEL));
    });
}

// Every "see Help" of the Setup window is answered in the Help, and so is
// each step of a posting that the status line names; the greyed Post Files
// Modified After says in its tool tip how to change it.
TEST_F(HelpWindowTest, HelpAnswersWhatSetupAndPostingPointTo)
{
    CSetupPropSheet sheet(nullptr, SetupSheetValues(), false);
    RunModal(sheet, [&] {
        const std::string help = PressHelp(sheet, "help_from_setup");
        std::vector<std::string> pointers;
        std::function<void(wxWindow*)> walk = [&](wxWindow* window) {
            for (wxWindow* child : window->GetChildren()) {
                const std::string label = child->GetLabel().utf8_string();
                if ((wxDynamicCast(child, wxStaticText) || wxDynamicCast(child, wxCheckBox)) &&
                    label.find("Help") != std::string::npos)
                    pointers.push_back(label);
                walk(child);
            }
        };
        walk(&sheet);
        EXPECT_EQ(pointers.size(), 2u);
        for (const std::string& label : pointers) {
            // A paragraph of its own, starting with the control's name.
            const size_t at = help.find("\n" + label.substr(0, label.find(" (")) + ":");
            EXPECT_NE(at, std::string::npos) << label;
            if (label.find("Caution") != std::string::npos && at != std::string::npos)
                EXPECT_NE(help.find("Caution:", at), std::string::npos) << label;
        }
        for (const char* step :
             {"Setup required", "Selecting score files to post", "Confirming score files to post",
              "Downloading score file template", "Posting score file", "Vantorel is processing score file",
              "Opening web page staging file", "Upload pending", "Creating local index page",
              "Post Files Modified After:", "hold down Shift"})
            EXPECT_NE(help.find(step), std::string::npos) << step;

        wxWindow* picker = sheet.m_computer->m_postDate;
        EXPECT_FALSE(picker->IsEnabled());
        EXPECT_NE(picker->GetToolTipText().find("Shift"), std::string::npos) << picker->GetToolTipText();
        Click(sheet.FindWindow(wxID_CANCEL));
    });
}

// Whatever room the screen gives, the Help opens with whole lines: no word
// reaches across the bottom edge of the text or past its right edge.
TEST_F(HelpWindowTest, OpensWithWholeLines)
{
    CHelpWindow help(nullptr);
    help.Show();
    Pump(300);
    wxHtmlWindow* view = help.GetView();
    const wxHtmlContainerCell* page = view->GetInternalRepresentation();
    auto crossed = [&](int bottom) {
        for (wxHtmlTerminalCellsInterator it(page->GetFirstTerminal(), page->GetLastTerminal()); it; ++it) {
            const wxPoint at = it->GetAbsPos();
            if ((at.y < bottom && bottom < at.y + it->GetHeight()) || at.x + it->GetWidth() > view->GetClientSize().x)
                return true;
        }
        return false;
    };
    EXPECT_FALSE(crossed(view->GetClientSize().y));
    SaveShot(&help, "help_window");
    view->Scroll(0, view->GetScrollRange(wxVERTICAL));
    SaveShot(&help, "help_window_end");
    const int border = view->GetWindowBorderSize().y;
    for (int limit = 200; limit <= 900; limit += 37)
        EXPECT_FALSE(crossed(help.WholeLinesHeight(limit) - border)) << "room " << limit;
    EXPECT_EQ(help.FindWindow(wxID_CANCEL)->GetLabel(), "Close");
}
