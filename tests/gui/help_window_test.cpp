#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include <wx/bookctrl.h>
#include <wx/checkbox.h>
#include <wx/datectrl.h>
#include <wx/stattext.h>
#include <wx/html/htmlcell.h>
#include <wx/html/htmlwin.h>
#include <wx/uiaction.h>

#include "dialog_driver.h"
#include "gui/gui_support.h"
#include "posting/score_file_collection.h"
#include "support/test_app.h"
#include "ui/confirm_dialog.h"
#include "ui/help_window.h"
#include "ui/history_dialog.h"
#include "ui/id_file_dialog.h"
#include "ui/setup_sheet.h"
#include "ui/wx_prompter.h"
#include "ui/window_frame.h"

namespace {

// Help through the window prompter, as the program shows it.
class HelpWindowTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        app->SetPrompter(&windows);
    }

    // Presses the dialog's Help button with the mouse (or calls press): the
    // Help window must come up, at the part named topic when one is given,
    // and close on Escape typed on the keyboard (a Help left open fails the
    // test). Returns the text it showed.
    std::string PressHelp(wxDialog& dialog, const std::string& shot, const std::string& topic = {},
                          const std::function<void()>& press = {})
    {
        std::string text;
        bool closed = false;
        WhenDialogShows(
            [&](wxDialog& help) {
                auto* window = dynamic_cast<CHelpWindow*>(&help);
                ASSERT_NE(window, nullptr);
                text = window->GetView()->ToText().utf8_string();
                if (!topic.empty()) {
                    // The window manager may still move and size it: the
                    // part must be (and stay) at the top of the text.
                    EXPECT_TRUE(WaitUntil([&] { return PartOnTop(*window, topic); }, 5000)) << topic;
                    Pump(200);
                    EXPECT_TRUE(PartOnTop(*window, topic)) << topic;
                }
                SaveShot(&help, shot);
                // Keys go where the pointer is without a window manager.
                ASSERT_TRUE(MovePointerTo(help.GetScreenPosition() + wxPoint(60, 60)));
                window->GetView()->SetFocus();
                ASSERT_TRUE(WaitUntil([&] { return help.IsActive() && HasFocusWithin(window->GetView()); }));
                wxUIActionSimulator().Char(WXK_ESCAPE);
                EXPECT_TRUE(WaitUntil([&] { return !help.IsModal(); })) << "Escape did not close the Help";
                closed = !help.IsModal();
            },
            "Help - Quillmark");
        if (press) {
            press();
            EXPECT_TRUE(WaitUntil([&] { return closed; })) << "no Help from " << dialog.GetTitle();
            return text;
        }
        wxWindow* button = dialog.FindWindow(wxID_HELP);
        EXPECT_NE(button, nullptr) << dialog.GetTitle() << " has no Help button";
        if (button) {
            MouseClickAt(button, wxPoint(button->GetClientSize().x / 2, button->GetClientSize().y / 2));
            EXPECT_TRUE(WaitUntil([&] { return closed; })) << "no Help from " << dialog.GetTitle();
        }
        EXPECT_TRUE(dialog.IsModal());
        return text;
    }

    // Whether the Help shows the part named topic at the top of its text
    // (or, for a part too near the end for that, the text is scrolled as far
    // as it goes, which shows the part).
    static bool PartOnTop(CHelpWindow& help, const std::string& topic)
    {
        wxHtmlWindow* view = help.GetView();
        const wxString name = wxString::FromUTF8(topic);
        const wxHtmlCell* anchor = view->GetInternalRepresentation()->Find(wxHTML_COND_ISANCHOR, &name);
        if (!anchor || !anchor->GetParent())
            return false;
        // The heading or paragraph that holds it: its first line whole in view.
        const wxHtmlCell* part = anchor->GetParent();
        int unitX = 0, unitY = 0;
        view->GetScrollPixelsPerUnit(&unitX, &unitY);
        const int top = part->GetAbsPos().y - view->GetViewStart().y * unitY;
        const bool atEnd = view->GetScrollPos(wxVERTICAL) + view->GetScrollThumb(wxVERTICAL) >=
                           view->GetScrollRange(wxVERTICAL);
        return top >= 0 && (top < std::max(unitY, 1) || (atEnd && top < view->GetClientSize().y));
    }

    CWxPrompter windows;
};

}  // namespace

// Confirm Posting, Identify Score File and History open the Help at their
// own part from a Help button of their own.
TEST_F(HelpWindowTest, DialogsOpenHelpAtTheirPartAndEscapeClosesIt)
{
    ConfirmPostingRequest rows;
    CConfirmDialog confirm;
    confirm.m_request = &rows;
    CIDFileDialog identify;
    CColScoreFile history;
    HistoryRequest request;
    request.history = &history;
    CHistoryDialog list;
    list.m_request = &request;
    const std::pair<wxDialog*, const char*> dialogs[] = {
        {&confirm, help::kConfirmPosting}, {&identify, help::kIdentify}, {&list, help::kHistory}};
    for (const auto& [dialog, topic] : dialogs)
        RunModal(*dialog, [&] {
            EXPECT_NE(PressHelp(*dialog, "help_from_" + dialog->GetTitle().Lower().utf8_string(), topic)
                          .find("Posting, step by step"),
                      std::string::npos);
            Click(dialog->FindWindow(wxID_CANCEL));
        });
}

// Shows the Setup window and runs body on each of its pages in turn (the
// page shown, and the Help topic of its part), then cancels it.
static void ForEachSetupPage(const std::function<void(wxWindow* page, const char* topic)>& body)
{
    CSetupPropSheet sheet(nullptr, SetupSheetValues(), false);
    RunModal(sheet, [&] {
        const char* topics[] = {help::kComputerPage, help::kWebsitePage, help::kFtpPage};
        for (int page = 0; page < 3; ++page) {
            sheet.GetBookCtrl()->SetSelection(static_cast<size_t>(page));
            Pump(100);
            body(sheet.GetBookCtrl()->GetPage(static_cast<size_t>(page)), topics[page]);
        }
        Click(sheet.FindWindow(wxID_CANCEL));
    });
}

// Each Setup page's Help opens at the part about that page; the Help says
// where the posting steps show.
TEST_F(HelpWindowTest, SetupPagesOpenHelpAtTheirPart)
{
    ForEachSetupPage([&](wxWindow* page, const char* topic) {
        auto& sheet = *wxStaticCast(wxGetTopLevelParent(page), wxDialog);
        const std::string text = PressHelp(sheet, std::string("help_from_setup_") + topic, topic);
        EXPECT_NE(text.find("The status line beside the Post Games button"), std::string::npos);
        EXPECT_EQ(text.find("at the bottom"), std::string::npos);
    });
}

// F1 on a Setup page, wherever the keyboard is on it, opens the Help at
// that page's part as its Help button does.
TEST_F(HelpWindowTest, F1OnASetupPageOpensHelpAtThatPage)
{
    ASSERT_TRUE(CWindowManager::Running()) << "no window manager in the display";
    ForEachSetupPage([&](wxWindow* page, const char* topic) {
        auto& sheet = *wxStaticCast(wxGetTopLevelParent(page), wxDialog);
        const std::string text = PressHelp(sheet, std::string("help_from_f1_") + topic, topic,
                                           [&] { ASSERT_TRUE(PressKeysOn(page, "F1")); });
        EXPECT_NE(text.find("The status line beside the Post Games button"), std::string::npos);
        EXPECT_TRUE(sheet.IsModal());
    });
}

// Every "see Help" of the Setup window has a paragraph of its own in the
// Help, and so does each posting step the status line names; the greyed
// Post Files Modified After says in its tool tip how to change it.
TEST_F(HelpWindowTest, HelpAnswersWhatSetupAndPostingPointTo)
{
    CSetupPropSheet sheet(nullptr, SetupSheetValues(), false);
    RunModal(sheet, [&] {
        const std::string help = PressHelp(sheet, "help_from_setup");
        int pointers = 0;
        std::function<void(wxWindow*)> walk = [&](wxWindow* window) {
            for (wxWindow* child : window->GetChildren()) {
                const std::string label = child->GetLabel().utf8_string();
                if ((wxDynamicCast(child, wxStaticText) || wxDynamicCast(child, wxCheckBox)) &&
                    label.find("Help") != std::string::npos) {
                    ++pointers;
                    const size_t at = help.find("\n" + label.substr(0, label.find(" (")) + ":");
                    EXPECT_NE(at, std::string::npos) << label;
                    if (label.find("Caution") != std::string::npos) {
                        EXPECT_NE(help.find("Caution:", at), std::string::npos) << label;
                    }
                }
                walk(child);
            }
        };
        walk(&sheet);
        EXPECT_EQ(pointers, 2);
        for (const char* step :
             {"\n1. \"Setup required", "\"Selecting score files to post\"", "\"Confirming score files to post\"",
              "\"Downloading score file template\"", "\"Posting score file", "\"Vantorel is processing score file",
              "\"Opening web page staging file\"", "\"Upload pending\"", "\"Creating local index page\"",
              "\nPost Files Modified After:", "hold down Shift"})
            EXPECT_NE(help.find(step), std::string::npos) << step;
        EXPECT_FALSE(sheet.m_computer->m_postDate->IsEnabled());
        EXPECT_NE(sheet.m_computer->m_postDate->GetToolTipText().find("hold down Shift"), std::string::npos);
        Click(sheet.FindWindow(wxID_CANCEL));
    });
}

// Whatever room the screen gives, the Help opens with whole lines: no word
// reaches across the bottom edge of the text or past its right edge.
TEST_F(HelpWindowTest, OpensWithWholeLines)
{
    CHelpWindow help(nullptr);
    help.Show();
    ASSERT_TRUE(WaitForPlacement(&help));
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
    // Once the window manager's size has come and the text is fitted to it
    // (on a loaded machine that may be after the placement).
    EXPECT_TRUE(WaitUntil([&] { return !crossed(view->GetClientSize().y); }, 10000));
    SaveShot(&help, "help_window");
    view->Scroll(0, view->GetScrollRange(wxVERTICAL));
    SaveShot(&help, "help_window_end");
    for (int room = 200; room <= 900; room += 37)
        EXPECT_FALSE(crossed(help.WholeLinesHeight(room) - view->GetWindowBorderSize().y)) << "room " << room;

    // At no width does the page hold a line with nothing on it (a space
    // between paragraphs wrapped onto a line of its own).
    for (int width = 300; width <= 1000; ++width) {
        view->GetInternalRepresentation()->Layout(width);
        std::map<int, bool> shown;  // line top -> holds something visible
        for (wxHtmlTerminalCellsInterator it(page->GetFirstTerminal(), page->GetLastTerminal()); it; ++it) {
            if (it->GetHeight() > 0)
                shown[it->GetAbsPos().y] |= !it->ConvertToText(nullptr).Strip(wxString::both).empty();
        }
        for (const auto& line : shown)
            EXPECT_TRUE(line.second) << "empty line at " << line.first << " at width " << width;
    }
    help.SendSizeEvent();

    // Dragged by the user to heights that would cut a line, the text still
    // ends on a whole line and leaves less than the next line empty above
    // the Close button.
    view->Scroll(0, 0);
    const wxWindow* close = help.FindWindow(wxID_CANCEL);
    ASSERT_NE(close, nullptr);
    for (int height = 300; height <= 700; height += 29) {
        help.SetSize(help.GetSize().x, height);
        // The window manager's answer, and the text laid out for it.
        ASSERT_TRUE(WaitUntil([&] {
            wxRect frame;
            return GetFrameRect(&help, frame) && frame.GetSize() == help.GetSize() &&
                   view->GetRect().GetBottom() < help.GetClientSize().y;
        })) << "height " << height;
        const int bottom = view->GetClientSize().y;
        EXPECT_FALSE(crossed(bottom)) << "height " << height;
        const int spare = close->GetPosition().y - help.FromDIP(8) - view->GetRect().GetBottom() - 1;
        for (wxHtmlTerminalCellsInterator it(page->GetFirstTerminal(), page->GetLastTerminal()); it; ++it) {
            if (it->GetAbsPos().y >= bottom && it->GetHeight() > 0) {
                EXPECT_LT(spare, it->GetAbsPos().y + it->GetHeight() - bottom) << "height " << height;
                break;
            }
        }
    }
}
