// Every dialog that keeps its placement comes back where the user left it:
// opened, moved through the X server (as a window manager moves it),
// closed, opened again; and closed again without a move.
#include <gtest/gtest.h>

#include <wx/display.h>
#include <wx/frame.h>

#include <cstdlib>
#include <functional>
#include <memory>

#include "dialog_driver.h"
#include "gui/gui_support.h"
#include "posting/score_file.h"
#include "posting/score_file_collection.h"
#include "support/test_app.h"
#include "ui/confirm_dialog.h"
#include "ui/history_dialog.h"
#include "ui/setup_sheet.h"
#include "ui/small_dialogs.h"
#include "ui/text_dialog.h"
#include "ui/window_frame.h"
#include "ui/window_placement.h"

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
            EXPECT_TRUE(WaitForPlacement(dialog.get()));
            EXPECT_TRUE(WaitUntil([&] { return dialog->IsActive(); }));
            if (script)
                script(*dialog);
            where = ClientOnScreen(dialog.get());
            dialog->EndModal(wxID_CANCEL);
        });
        dialog.reset();
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
            {"Score file viewer", "ViewFile",
             [] {
                 auto* viewer = new CTextDialog(nullptr);
                 viewer->SetSection("ViewFile");
                 viewer->SetText("a line of the score file\n");
                 EXPECT_TRUE(viewer->Create());
                 return viewer;
             }},
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
    int n = 0;
    for (const PlacedDialog& d : Dialogs()) {
        SCOPED_TRACE(d.name);
        const wxPoint first = OpenAndClose(d, {});
        // Moved by the window manager, well inside the screen: opens there.
        const wxPoint target(90 + 17 * n, 70 + 11 * n);
        ++n;
        wxPoint moved;
        OpenAndClose(d, [&](wxDialog& dialog) { moved = MoveThroughServer(dialog, target); });
        ASSERT_NE(moved, first) << "the window manager did not move it";
        EXPECT_EQ(OpenAndClose(d, {}), moved) << profile.GetString(d.section, "WindowRect");
        // Closed where it was restored, without a move: the same place again.
        EXPECT_EQ(OpenAndClose(d, [&](wxDialog& dialog) { SaveShot(&dialog, "placement_" + d.section); }), moved)
            << profile.GetString(d.section, "WindowRect");
    }
}

TEST_F(DialogPlacementTest, TextViewerOpensWhereItWasLeft)
{
    auto open = [] {
        auto* viewer = new CTextDialog(nullptr);
        viewer->SetSection("ViewFile");
        viewer->SetText("a line of the score file\n");
        EXPECT_TRUE(viewer->Create());
        viewer->Show();
        EXPECT_TRUE(WaitForPlacement(viewer));
        EXPECT_TRUE(WaitUntil([&] { return viewer->IsActive(); }));
        return viewer;
    };
    CTextDialog* viewer = open();
    const wxPoint moved = MoveThroughServer(*viewer, wxPoint(140, 110));
    viewer->Close();  // hides it: the placement is kept from here
    ASSERT_TRUE(WaitUntil([&] { return !viewer->IsShown(); }));
    viewer->Destroy();
    ASSERT_TRUE(WaitUntil([&] { return !wxTopLevelWindows.Find(viewer); }));

    viewer = open();
    EXPECT_EQ(ClientOnScreen(viewer), moved) << profile.GetString("ViewFile", "WindowRect");
    viewer->Destroy();
    ASSERT_TRUE(WaitUntil([&] { return !wxTopLevelWindows.Find(viewer); }));
}

// Given a size of its own, then reopened again and again in turn with the
// other dialogs: each comes back with that size and at that place, neither
// larger nor smaller by the window manager's frame on every opening. Setup,
// which keeps no placement, opens alike every time.
TEST_F(DialogPlacementTest, ReopenedDialogsKeepTheirSize)
{
    // As in the program, the main window is on the screen before any dialog.
    auto* main = new wxFrame(nullptr, wxID_ANY, "Quillmark", wxDefaultPosition, wxSize(700, 500));
    main->Show();
    ASSERT_TRUE(WaitForPlacement(main));
    std::vector<PlacedDialog> dialogs = Dialogs();
    dialogs.push_back({"Setup", "", [] { return new CSetupPropSheet(nullptr, SetupSheetValues(), false); }});
    std::vector<wxSize> first(dialogs.size());
    std::vector<wxPoint> firstPlace(dialogs.size());
    std::vector<std::string> stored(dialogs.size());
    // QM_REOPENINGS=10 for a longer check.
    const char* reopenings = std::getenv("QM_REOPENINGS");
    const int rounds = reopenings ? std::max(2, std::atoi(reopenings)) : 3;
    for (int round = 0; round < rounds; ++round) {
        for (size_t i = 0; i < dialogs.size(); ++i) {
            SCOPED_TRACE(dialogs[i].name + ", opening " + std::to_string(round + 1));
            wxSize client;
            const wxPoint place = OpenAndClose(dialogs[i], [&](wxDialog& dialog) {
                if (round == 0 && !dialogs[i].section.empty()) {
                    const wxSize size = dialog.GetMinSize() + wxSize(60 + 20 * static_cast<int>(i), 40);
                    dialog.SetSize(size);
                    EXPECT_TRUE(WaitUntil([&] {
                        wxRect frame;
                        return GetFrameRect(&dialog, frame) && frame.GetSize() == size;
                    }));
                    SaveShot(&dialog, "resized_" + dialogs[i].section);
                }
                client = dialog.GetClientSize();
                // Every control still inside the window.
                for (wxWindow* child : dialog.GetChildren()) {
                    if (child->IsShown() && !child->IsTopLevel()) {
                        EXPECT_TRUE(wxRect(dialog.GetClientSize()).Contains(child->GetRect()))
                            << child->GetLabel() << " " << child->GetRect().GetBottomRight().x << ","
                            << child->GetRect().GetBottomRight().y;
                    }
                }
            });
            const std::string rect =
                dialogs[i].section.empty() ? "" : profile.GetString(dialogs[i].section, "WindowRect");
            if (round == 0) {
                first[i] = client;
                firstPlace[i] = place;
                stored[i] = rect;
                continue;
            }
            EXPECT_EQ(place, firstPlace[i]);
            EXPECT_EQ(client, first[i]);
            EXPECT_EQ(rect, stored[i]);
        }
    }
    main->Destroy();
    EXPECT_TRUE(WaitUntil([&] { return !wxTopLevelWindows.Find(main); }));
}

// A window of another kind in between (a message box, whose frame has no
// resize handle) leaves the toolkit with that frame's thickness; the next
// dialog is shown before the window manager has told the toolkit its own.
// It must still come back at the size it was left, and store that size.
TEST_F(DialogPlacementTest, DialogsKeepTheirSizeAfterAWindowWithAnotherFrame)
{
    auto otherWindow = [] {
        auto* box = new wxDialog(nullptr, wxID_ANY, "Quillmark", wxDefaultPosition, wxSize(300, 120));
        box->Show();
        EXPECT_TRUE(WaitForPlacement(box));
        box->Destroy();
        EXPECT_TRUE(WaitUntil([&] { return !wxTopLevelWindows.Find(box); }));
    };
    for (const PlacedDialog& d : Dialogs()) {
        SCOPED_TRACE(d.name);
        OpenAndClose(d, [](wxDialog& dialog) {
            // Wholly on the screen: the window manager leaves it there.
            const wxSize size = dialog.GetMinSize() + wxSize(50, 30);
            dialog.SetSize(wxRect(wxPoint(40, 40), size));
            EXPECT_TRUE(WaitUntil([&] {
                wxRect frame;
                return GetFrameRect(&dialog, frame) && frame.GetSize() == size;
            }));
        });
        const std::string stored = profile.GetString(d.section, "WindowRect");
        QMRect rect;
        ASSERT_TRUE(ParseWindowRect(stored, rect)) << stored;
        for (int opening = 2; opening <= 4; ++opening) {
            otherWindow();
            wxRect frame;
            OpenAndClose(d, [&](wxDialog& dialog) { EXPECT_TRUE(GetFrameRect(&dialog, frame)); });
            EXPECT_EQ(frame.GetSize(), wxSize(rect.Width(), rect.Height())) << "opening " << opening;
            EXPECT_EQ(profile.GetString(d.section, "WindowRect"), stored) << "opening " << opening;
        }
    }
}
