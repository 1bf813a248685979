// Folders to Search for Hand Records, Index and the wireless-database
// dialog on fixture data, driven through their controls.
#include <gtest/gtest.h>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/listbox.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>

#include "dialog_driver.h"
#include "gui/setup_dialog_driver.h"
#include "gui/gui_support.h"
#include "platform/date_helpers.h"
#include "posting/score_file.h"
#include "support/test_app.h"
#include "ui/small_dialogs.h"

using namespace setupdrv;

namespace {

void SelectRows(wxListBox* list, std::initializer_list<int> rows)
{
    list->DeselectAll();
    for (int row : rows)
        list->SetSelection(row);
    wxCommandEvent event(wxEVT_LISTBOX, list->GetId());
    event.SetEventObject(list);
    list->ProcessWindowEvent(event);
}

const std::vector<std::string> kFolders = {"/srv/hands/2023", "/srv/hands/2024", "/home/club/Hand Records",
                                           "/media/usb/dealer", "/srv/hands/archive/a/rather/long/folder/name"};

// The dialogs keep their placement in the application's profile.
class HRPathDialogTest : public AppTest {};

}  // namespace

TEST_F(HRPathDialogTest, RemovesSelectedFoldersOnlyOnOk)
{
    CHRPathDialog dialog(nullptr, kFolders);
    EXPECT_EQ(RunModal(dialog, [&] {
        EXPECT_FALSE(dialog.m_remove->IsEnabled());
        SelectRows(dialog.m_list, {0, 2});
        Shot(&dialog, "hand-record-folders");
        Click(dialog.m_remove);
        EXPECT_FALSE(dialog.m_remove->IsEnabled());
        ClickId(&dialog, wxID_OK);
    }), wxID_OK);
    EXPECT_EQ(dialog.m_removed, 2);
    EXPECT_EQ(dialog.m_folders, (std::vector<std::string>{kFolders[1], kFolders[3], kFolders[4]}));
    EXPECT_NE(profile.GetString("HRPathDialog", "WindowRect"), "");
}

class IndexDialogTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        const char* events[] = {"Monday Pairs", "", "Club Championship"};
        for (int i = 0; i < 3; ++i) {
            CScoreFile& e = files[i];
            e.SetSessionDate(LocalMidnight(2023, 9, 4 + i));
            e.SetDescriptor(SFD_SESSION, i == 1 ? "Tuesday Aft" : "x Eve");
            e.SetDescriptor(SFD_SECTION, "A");
            e.SetDescriptor(SFD_MP_LIMITS, "0-750");
            e.SetDescriptor(SFD_EVENT, events[i]);
            e.SetPath("/scores/23090" + std::to_string(4 + i) + "a.txt");
            entries.push_back(&e);
        }
        files[2].SetHidden(true);
    }

    // A real click through the display at a point of the list (its own
    // coordinates), handled by the list itself.
    void ClickAt(CIndexDialog& dialog, const wxPoint& point)
    {
        ASSERT_TRUE(ClickThroughServer(dialog.m_list->ClientToScreen(point)));
    }
    void ClickRow(CIndexDialog& dialog, long row, int xOffset)
    {
        wxRect rect;
        ASSERT_TRUE(dialog.m_list->GetItemRect(row, rect));
        ClickAt(dialog, wxPoint(rect.x + xOffset, rect.y + rect.height / 2));
    }

    CScoreFile files[3];
    std::vector<CScoreFile*> entries;
};

TEST_F(IndexDialogTest, RowsShowHiddenAndClicksFlipThem)
{
    CIndexDialog dialog(nullptr, entries);
    CIndexList* list = dialog.m_list;
    EXPECT_EQ(RunModal(dialog, [&] {
        ASSERT_EQ(list->GetItemCount(), 3);
        EXPECT_EQ(list->GetItemText(0, 1), "Monday Evening");
        // No event: the score file's name stands in.
        EXPECT_EQ(list->GetItemText(1, 4), "230905a.txt");
        EXPECT_FALSE(list->IsItemChecked(0));
        EXPECT_TRUE(list->IsItemChecked(2));
        Shot(&dialog, "index");

        // The label of a row, not only its box, flips it; twice undoes.
        ClickRow(dialog, 2, 60);
        EXPECT_FALSE(list->IsItemChecked(2));
        ClickRow(dialog, 0, 120);
        ClickRow(dialog, 0, 120);
        EXPECT_FALSE(list->IsItemChecked(0));
        // The check box itself flips once per click.
        ClickRow(dialog, 1, 12);
        EXPECT_TRUE(list->IsItemChecked(1));
        // A click below the rows changes nothing.
        wxRect last;
        ASSERT_TRUE(list->GetItemRect(2, last));
        ClickAt(dialog, wxPoint(60, last.GetBottom() + 3 * last.height));
        ClickId(&dialog, wxID_OK);
    }), wxID_OK);
    // Row 2 was flipped once, row 0 twice, row 1 once.
    EXPECT_EQ(dialog.m_toggles, (std::vector<bool>{false, true, true}));
    // The dialog changes no record itself.
    EXPECT_TRUE(files[2].IsHidden());
    EXPECT_NE(profile.GetString("IndexDialog", "WindowRect"), "");
}

// Space flips the focused row as a click on its box does, the row keeping
// the focus; Down moves on without flipping.
TEST_F(IndexDialogTest, SpaceFlipsTheFocusedRow)
{
    ASSERT_TRUE(CWindowManager::Running()) << "no window manager in the display";
    CIndexDialog dialog(nullptr, entries);
    CIndexList* list = dialog.m_list;
    const auto focused = [list] { return list->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_FOCUSED); };
    EXPECT_EQ(RunModal(dialog, [&] {
        list->SetItemState(0, wxLIST_STATE_FOCUSED | wxLIST_STATE_SELECTED,
                           wxLIST_STATE_FOCUSED | wxLIST_STATE_SELECTED);
        ASSERT_TRUE(PressKeysOn(list, "space"));
        ASSERT_TRUE(WaitUntil([&] { return list->IsItemChecked(0); }, 10000)) << "Space did not flip the row";
        EXPECT_EQ(focused(), 0);
        EXPECT_TRUE(HasFocusWithin(list));
        Shot(&dialog, "index_space");
        // Down Down to the hidden entry: Space shows it again.
        ASSERT_TRUE(PressKeysOn(list, "Down Down space"));
        ASSERT_TRUE(WaitUntil([&] { return !list->IsItemChecked(2); }, 10000));
        EXPECT_EQ(focused(), 2);
        EXPECT_FALSE(list->IsItemChecked(1));
        // Twice more: hidden, then shown again.
        ASSERT_TRUE(PressKeysOn(list, "space"));
        ASSERT_TRUE(WaitUntil([&] { return list->IsItemChecked(2); }, 10000));
        ASSERT_TRUE(PressKeysOn(list, "space"));
        ASSERT_TRUE(WaitUntil([&] { return !list->IsItemChecked(2); }, 10000));
        ClickId(&dialog, wxID_OK);
    }), wxID_OK);
    // Row 0 flipped once, row 2 three times.
    EXPECT_EQ(dialog.m_toggles, (std::vector<bool>{true, false, true}));
    EXPECT_TRUE(files[2].IsHidden());
}

// Browse answered by the file chooser; "Do Not Show This Message Again"
// counts as it stands when the dialog closes.
TEST(WirelessDialogTest, BrowseAndTheDoNotShowBoxAtClosing)
{
    CTempFolder folder;
    const std::string found = folder.Write("230905A.bws", "db");
    CDialogScript script;
    script.answers = {"", wxString::FromUTF8(found)};
    CWirelessDialog dialog(nullptr, 0x80070002u,
                           "Unable to open wireless scoring system database: No such file or directory",
                           "/scores/230905A.bws");
    EXPECT_TRUE(dialog.IsFileNotFound());
    EXPECT_EQ(RunModal(dialog, [&] {
        Shot(&dialog, "wireless-database");
        // Browse cancelled: the path stays.
        Click(dialog.m_browse);
        EXPECT_EQ(dialog.m_pathEdit->GetValue(), "/scores/230905A.bws");
        Click(dialog.m_browse);
        EXPECT_EQ(dialog.m_pathEdit->GetValue(), wxString::FromUTF8(found));
        Tick(dialog.m_doNotShow, true);
        Tick(dialog.m_doNotShow, false);
        Tick(dialog.m_doNotShow, true);
        ClickId(&dialog, wxID_OK);
    }), wxID_OK);
    EXPECT_EQ(dialog.m_path, found);
    EXPECT_TRUE(dialog.m_doNotShowAgain);
}
