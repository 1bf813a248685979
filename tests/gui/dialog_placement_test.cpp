// Every dialog that keeps its placement comes back where the user left it:
// opened, moved through the X server (as a window manager moves it),
// closed, opened again. Also the first close after the window manager
// placed it, without a move.
#include <gtest/gtest.h>

#include <wx/display.h>

#include <functional>
#include <memory>

#include "dialog_driver.h"
#include "gui/gui_support.h"
#include "posting/score_file.h"
#include "posting/score_file_collection.h"
#include "support/test_app.h"
#include "ui/confirm_dialog.h"
#include "ui/history_dialog.h"
#include "ui/small_dialogs.h"
#include "ui/text_dialog.h"

namespace {

// Where the X server has the window's client area now (asked of the server,
// not taken from the toolkit's idea of the window).
wxPoint ClientOnScreen(wxWindow* window)
{
    return window->ClientToScreen(wxPoint(0, 0));
}

// The dialog of one section, made anew for each opening.
struct PlacedDialog {
    std::string name;
    std::string section;
    std::function<wxDialog*()> make;
};

class DialogPlacementTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        ASSERT_TRUE(wm.Running()) << "no window manager in the display";
        ConfirmPostingRow row;
        row.path = "/scores/230905a.txt";
        row.event = "Tuesday Pairs";
        confirmRequest.rows.push_back(row);
        historyRequest.history = &history;
        entries.push_back(&entry);
    }

    // Opens the dialog, lets script look at it once the window manager has
    // put it up, and closes it; answers where its client area stood.
    wxPoint OpenAndClose(const PlacedDialog& d, const std::function<void(wxDialog&)>& script)
    {
        std::unique_ptr<wxDialog> dialog(d.make());
        wxPoint where;
        RunModal(*dialog, [&] {
            EXPECT_TRUE(WaitUntil([&] { return dialog->IsShownOnScreen() && dialog->IsActive(); }, 5000));
            PumpFor(300);
            if (script)
                script(*dialog);
            where = ClientOnScreen(dialog.get());
            dialog->EndModal(wxID_CANCEL);
        });
        dialog.reset();
        PumpFor(100);
        return where;
    }

    std::vector<PlacedDialog> Dialogs()
    {
        return {
            {"Confirm Posting", "ConfirmDialog",
             [this] {
                 auto* d = new CConfirmDialog;
                 d->m_request = &confirmRequest;
                 return d;
             }},
            {"History", "HistoryDialog",
             [this] {
                 auto* d = new CHistoryDialog;
                 d->m_request = &historyRequest;
                 return d;
             }},
            {"Hand-record folders", "HRPathDialog",
             [] { return new CHRPathDialog(nullptr, {"/srv/hands"}); }},
            {"Index", "IndexDialog", [this] { return new CIndexDialog(nullptr, entries); }},
        };
    }

    CWindowManager wm;
    ConfirmPostingRequest confirmRequest;
    CColScoreFile history;
    HistoryRequest historyRequest;
    CScoreFile entry;
    std::vector<CScoreFile*> entries;
};

}  // namespace

TEST_F(DialogPlacementTest, ModalDialogsOpenWhereTheyWereLeft)
{
    for (const PlacedDialog& d : Dialogs()) {
        SCOPED_TRACE(d.name);
        // Where the window manager put it first is where it opens again.
        const wxPoint first = OpenAndClose(d, {});
        EXPECT_EQ(OpenAndClose(d, {}), first) << profile.GetString(d.section, "WindowRect");

        // Moved by the window manager: opens at the new place.
        const wxPoint target(first.x + 37, first.y + 23);
        const wxPoint moved = OpenAndClose(d, [&](wxDialog& dialog) {
            ASSERT_TRUE(MoveThroughServer(dialog, target));
        });
        EXPECT_EQ(moved, target);
        EXPECT_EQ(OpenAndClose(d, [&](wxDialog& dialog) { SaveShot(&dialog, "placement_" + d.section); }), target)
            << profile.GetString(d.section, "WindowRect");
    }
}

TEST_F(DialogPlacementTest, TextViewerAndItsFindWindowOpenWhereTheyWereLeft)
{
    auto open = [] {
        auto* viewer = new CTextDialog(nullptr);
        viewer->SetSection("ViewFile");
        viewer->SetText("a line of the score file\n");
        EXPECT_TRUE(viewer->Create());
        viewer->Show();
        EXPECT_TRUE(WaitUntil([&] { return viewer->IsShownOnScreen() && viewer->IsActive(); }, 5000));
        PumpFor(300);
        return viewer;
    };
    CTextDialog* viewer = open();
    const wxPoint first = ClientOnScreen(viewer);
    const wxPoint target(first.x + 41, first.y + 19);
    ASSERT_TRUE(MoveThroughServer(*viewer, target));
    viewer->Close();  // hides it: the placement is kept from here
    PumpFor(100);
    viewer->Destroy();
    ASSERT_TRUE(WaitUntil([&] { return !wxTopLevelWindows.Find(viewer); }));

    viewer = open();
    EXPECT_EQ(ClientOnScreen(viewer), target) << profile.GetString("ViewFile", "WindowRect");
    viewer->Destroy();
    ASSERT_TRUE(WaitUntil([&] { return !wxTopLevelWindows.Find(viewer); }));
}
