#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include <sys/stat.h>

#include <wx/checkbox.h>
#include <wx/listctrl.h>
#include <wx/menu.h>
#include <wx/textctrl.h>

#include "dialog_driver.h"
#include "dialog_prompters.h"
#include "gui/gui_support.h"
#include "platform/path_helpers.h"
#include "posting/score_file.h"
#include "posting/score_file_collection.h"
#include "support/score_samples.h"
#include "support/test_app.h"
#include "ui/confirm_dialog.h"

namespace {

// Three score files of one week; the hand records of the first are stored
// already, those of the second lie in the search folder, the third has none.
class ConfirmDialogTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        app->SetPrompter(&dialogs);
        const std::string texts[3] = {samples::TuesdayPairs(), samples::WednesdayTwoEvents(),
                                      samples::ThursdayEventSessionLine()};
        const char* names[3] = {"230905a.txt", "230906e.txt", "230907m.txt"};
        for (int i = 0; i < 3; ++i) {
            auto file = std::make_unique<CScoreFile>();
            ASSERT_EQ(file->Open(folder.Write(names[i], texts[i]), nullptr, ScoreFileFormat::Text, OpenReport::Report), 1);
            ASSERT_EQ(file->Parse(true), 1);
            file->Close(false);
            files.push_back(file.get());
            candidates.Add(std::move(file));
        }
        hrFolder = folder.File("hands");
        ::mkdir(hrFolder.c_str(), 0755);
        storedHr = folder.Write("stored.pbn", "[Board \"1\"]\n");
        files[0]->SetHandRecordPath(storedHr);
        foundHr = JoinPath(hrFolder, files[1]->GetFileCode() + ".pbn");
        folder.Write("hands/" + files[1]->GetFileCode() + ".pbn", "[Board \"1\"]\n");
        chosenHr = folder.Write("chosen.pbn", "[Board \"1\"]\n");
        app->Setup().m_HandRecordFolders.Add(hrFolder, false);
        app->Setup().SetFlags(app->Setup().GetFlags() | SF_AUTO_FILL_HAND_RECORD | SF_ALERT_HAND_RECORD_NOT_FILLED);
    }

    // Runs Confirm Posting through the core with the script working the dialog.
    bool Confirm(bool addMode, std::function<void(CConfirmDialog&)> script)
    {
        dialogs.script = [this, script](CConfirmDialog& d) {
            dlg = &d;
            script(d);
        };
        const bool ok = app->ConfirmPosting(candidates, addMode);
        dlg = nullptr;
        return ok;
    }
    // The message boxes shown (not the file dialogs).
    std::vector<std::string> Boxes() const
    {
        std::vector<std::string> texts;
        for (const auto& item : dialogs.Shown())
            if (item.kind == "box")
                texts.push_back(item.text);
        return texts;
    }
    wxString Cell(int row, int col) { return dlg->GetList()->GetItemText(row, col); }
    void SelectOnly(int row)
    {
        wxListCtrl* list = dlg->GetList();
        for (int i = 0; i < list->GetItemCount(); ++i)
            list->SetItemState(i, i == row ? wxLIST_STATE_SELECTED : 0, wxLIST_STATE_SELECTED);
    }
    void Command(int id)
    {
        wxCommandEvent event(wxEVT_MENU, id);
        dlg->ProcessWindowEvent(event);
    }
    // A real click in the middle of a row's Hand Records cell.
    void ClickHandRecordCell(int row)
    {
        wxRect cell;
        ASSERT_TRUE(dlg->GetList()->GetSubItemRect(row, CConfirmDialog::COL_HAND_RECORDS, cell));
        MouseClickAt(dlg->GetList(), wxPoint(cell.x + cell.width / 2, cell.y + cell.height / 2));
    }

    CConfirmDialogPrompter dialogs;
    CSFPtrArray candidates;
    std::vector<CScoreFile*> files;
    std::string hrFolder, storedHr, foundHr, chosenHr;
    CConfirmDialog* dlg = nullptr;
};

}  // namespace

// Rows show the hand records stored, found or missing; Check All follows
// the boxes and drives them; OK goes grey with nothing ticked.
TEST_F(ConfirmDialogTest, RowsAndCheckAll)
{
    files[2]->SetPost(false);
    const bool ok = Confirm(false, [&](CConfirmDialog& dlg) {
        wxListCtrl* list = dlg.GetList();
        ASSERT_EQ(list->GetItemCount(), 3);
        EXPECT_EQ(Cell(0, 1), "stored.pbn");
        EXPECT_EQ(Cell(1, 1), GetFileNameOnly(foundHr));
        EXPECT_EQ(Cell(2, 1), "[click here]");
        EXPECT_EQ(dlg.GetCheckAll()->Get3StateValue(), wxCHK_UNDETERMINED);
        SaveShot(&dlg, "confirm_posting");

        Click(dlg.GetCheckAll());  // some unchecked: check all
        for (int i = 0; i < 3; ++i)
            EXPECT_TRUE(list->IsItemChecked(i));
        Click(dlg.GetCheckAll());  // all checked: clear all
        for (int i = 0; i < 3; ++i)
            EXPECT_FALSE(list->IsItemChecked(i));
        EXPECT_FALSE(dlg.FindWindow(wxID_OK)->IsEnabled());

        CheckListRow(list, 1, true);
        EXPECT_EQ(dlg.GetCheckAll()->Get3StateValue(), wxCHK_UNDETERMINED);
        Click(dlg.FindWindow(wxID_OK));  // row 1 has hand records: no alert
    });
    EXPECT_TRUE(ok);
    EXPECT_TRUE(dialogs.Shown().empty());
    EXPECT_FALSE(files[0]->IsPost());
    EXPECT_TRUE(files[1]->IsPost());
    // What the automatic search found is kept with OK.
    EXPECT_EQ(files[1]->GetHandRecordPath(), foundHr);
}

// From the keyboard: Space ticks and clears the focused row as a click on
// its box does (Check All and OK follow), the row keeping the focus; the
// arrow keys move between rows. Every row starts unchecked, as in Repost.
TEST_F(ConfirmDialogTest, SpaceTicksTheFocusedRowAsAClickDoes)
{
    ASSERT_TRUE(CWindowManager::Running()) << "no window manager in the display";
    for (CScoreFile* f : files)
        f->SetPost(false);
    const bool ok = Confirm(false, [&](CConfirmDialog& dlg) {
        wxListCtrl* list = dlg.GetList();
        wxWindow* okButton = dlg.FindWindow(wxID_OK);
        const auto focused = [list] { return list->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_FOCUSED); };
        ASSERT_FALSE(okButton->IsEnabled());
        list->SetItemState(1, wxLIST_STATE_FOCUSED | wxLIST_STATE_SELECTED,
                           wxLIST_STATE_FOCUSED | wxLIST_STATE_SELECTED);
        ASSERT_TRUE(PressKeysOn(list, "space"));
        ASSERT_TRUE(WaitUntil([&] { return list->IsItemChecked(1); }, 10000)) << "Space did not tick the row";
        EXPECT_FALSE(list->IsItemChecked(0));
        EXPECT_FALSE(list->IsItemChecked(2));
        EXPECT_EQ(dlg.GetCheckAll()->Get3StateValue(), wxCHK_UNDETERMINED);
        EXPECT_TRUE(okButton->IsEnabled());
        EXPECT_EQ(focused(), 1);
        EXPECT_TRUE(HasFocusWithin(list));
        Pump(300);  // GTK redraws Check All and OK on its own clock; for the picture only
        SaveShot(&dlg, "confirm_posting_space");

        // Down to the last row and tick it, up to the first and tick it:
        // all three checked.
        ASSERT_TRUE(PressKeysOn(list, "Down space"));
        ASSERT_TRUE(WaitUntil([&] { return list->IsItemChecked(2); }, 10000));
        EXPECT_EQ(focused(), 2);
        ASSERT_TRUE(PressKeysOn(list, "Up Up space"));
        ASSERT_TRUE(WaitUntil([&] { return list->IsItemChecked(0); }, 10000));
        EXPECT_EQ(dlg.GetCheckAll()->Get3StateValue(), wxCHK_CHECKED);

        // Space again clears; with every row clear OK goes grey.
        ASSERT_TRUE(PressKeysOn(list, "space"));
        ASSERT_TRUE(WaitUntil([&] { return !list->IsItemChecked(0); }, 10000));
        EXPECT_EQ(dlg.GetCheckAll()->Get3StateValue(), wxCHK_UNDETERMINED);
        ASSERT_TRUE(PressKeysOn(list, "Down space Down space"));
        ASSERT_TRUE(WaitUntil([&] { return !list->IsItemChecked(2); }, 10000));
        EXPECT_FALSE(list->IsItemChecked(1));
        EXPECT_EQ(dlg.GetCheckAll()->Get3StateValue(), wxCHK_UNCHECKED);
        EXPECT_FALSE(okButton->IsEnabled());
        EXPECT_EQ(focused(), 2);

        // Row 1 has its hand records: OK posts it without an alert.
        ASSERT_TRUE(PressKeysOn(list, "Up space"));
        ASSERT_TRUE(WaitUntil([&] { return list->IsItemChecked(1); }, 10000));
        Click(okButton);
    });
    EXPECT_TRUE(ok);
    EXPECT_TRUE(dialogs.Shown().empty());
    EXPECT_FALSE(files[0]->IsPost());
    EXPECT_TRUE(files[1]->IsPost());
    EXPECT_FALSE(files[2]->IsPost());
}

// Hand records attached, chosen or cleared in the dialog, and boxes ticked,
// reach the records only with OK: Cancel (also after going back from the
// hand-record alert) leaves every record as it was.
TEST_F(ConfirmDialogTest, CancelLeavesRecordsUntouched)
{
    dialogs.fileDialogPath = chosenHr;
    for (bool ok : {false, true}) {
        SCOPED_TRACE(ok ? "OK" : "Cancel");
        for (CScoreFile* f : files)
            f->SetPost(true);
        files[0]->SetHandRecordPath(storedHr);
        files[1]->SetHandRecordPath("");
        dialogs.Clear();
        dialogs.Answer(IDCANCEL);  // the alert: go back
        const bool confirmed = Confirm(false, [&](CConfirmDialog& dlg) {
            wxListCtrl* list = dlg.GetList();
            // Click in row 2's Hand Records cell: the scripted file dialog answers.
            ClickHandRecordCell(2);
            EXPECT_EQ(list->GetItemText(2, 1), "chosen.pbn");
            // Clear row 0 through its context menu command; untick row 1.
            SelectOnly(0);
            Command(CConfirmDialog::ID_CLEAR_HAND_RECORDS);
            EXPECT_EQ(list->GetItemText(0, 1), "[click here]");
            CheckListRow(list, 1, false);
            // Row 0 is ticked without hand records: the alert, answered Cancel.
            Click(dlg.FindWindow(wxID_OK));
            EXPECT_TRUE(dlg.IsModal());
            ASSERT_EQ(Boxes().size(), 1u);
            EXPECT_EQ(Boxes()[0].rfind("Hand records are not attached to one or more selected", 0), 0u);
            if (ok)
                dialogs.Answer(IDOK);  // the second time: post anyway
            Click(dlg.FindWindow(ok ? wxID_OK : wxID_CANCEL));
        });
        EXPECT_EQ(confirmed, ok);
        EXPECT_EQ(files[0]->GetHandRecordPath(), ok ? "" : storedHr);
        EXPECT_EQ(files[1]->GetHandRecordPath(), ok ? foundHr : "");
        EXPECT_EQ(files[2]->GetHandRecordPath(), ok ? chosenHr : "");
        EXPECT_TRUE(files[0]->IsPost());
        EXPECT_EQ(files[1]->IsPost(), ok ? 0 : 1);
        EXPECT_TRUE(files[2]->IsPost());
    }
    // The alert and the answers are in the log.
    EXPECT_NE(LogText().find("Hand records are not attached"), std::string::npos);
}

// The context menu: Select stores one chosen file into every selected row
// (a cancelled chooser changes nothing); Clear is offered only where there
// is something to clear.
TEST_F(ConfirmDialogTest, ContextMenuSelect)
{
    dialogs.fileDialogPath = chosenHr;
    Confirm(false, [&](CConfirmDialog& dlg) {
        EXPECT_EQ(dlg.CreateContextMenu(), nullptr);  // nothing selected
        SelectOnly(2);
        std::unique_ptr<wxMenu> menu(dlg.CreateContextMenu());
        ASSERT_NE(menu, nullptr);
        EXPECT_FALSE(menu->IsEnabled(CConfirmDialog::ID_CLEAR_HAND_RECORDS));
        dlg.GetList()->SetItemState(1, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
        Command(CConfirmDialog::ID_SELECT_HAND_RECORDS);
        EXPECT_EQ(dlg.GetRowHandRecordPath(1), chosenHr);
        EXPECT_EQ(dlg.GetRowHandRecordPath(2), chosenHr);
        EXPECT_EQ(dlg.GetRowHandRecordPath(0), storedHr);
        dialogs.fileDialogPath.clear();
        SelectOnly(0);
        Command(CConfirmDialog::ID_SELECT_HAND_RECORDS);
        EXPECT_EQ(dlg.GetRowHandRecordPath(0), storedHr);
        Click(dlg.FindWindow(wxID_CANCEL));
    });
}
