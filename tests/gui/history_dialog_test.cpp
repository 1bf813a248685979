#include <gtest/gtest.h>

#include <sys/stat.h>

#include <memory>

#include <wx/button.h>
#include <wx/listctrl.h>

#include "dialog_driver.h"
#include "dialog_prompters.h"
#include "platform/path_helpers.h"
#include "posting/score_file.h"
#include "posting/score_file_collection.h"
#include "support/score_samples.h"
#include "support/test_app.h"
#include "ui/history_dialog.h"
#include "ui/qm_list_ctrl.h"
#include "ui/wx_prompter.h"

namespace {

using H = CHistoryDialog;

// A history of two posted score files (both still in the score folder) and
// one never posted with a long path; the folder also holds a third, new file.
class HistoryDialogTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        app->SetPrompter(&dialogs);
        scores = folder.File("scores");
        ::mkdir(scores.c_str(), 0755);
        app->Setup().m_strScoreFileDirectory = scores;
        app->Setup().m_tPostFilesModifiedAfter = 0;
        tuesday = Record("230905a.txt", samples::TuesdayPairs());
        tuesday.SetPosted("2023/09/20230905a750a.htm", 1);
        tuesday.SetPostedTime(1693940000);
        tuesday.SetFlags(tuesday.GetFlags() | SFF_BINARY | SFF_PDF_HR_UPLOADED);
        wednesday = Record("230906e.txt", samples::WednesdayTwoEvents() + std::string(500, ' '));
        wednesday.SetPosted("2023/09/20230906enab.htm", 2);
        wednesday.SetPostedTime(1694030000);
        newFile = folder.Write("scores/230907m.txt", samples::ThursdayEventSessionLine());
        longPath = "/club/scores/archive/two-thousand-and-twenty-three/september/a-very-long-folder-name/"
                   "230901a.txt";
        never.SetPath(longPath);
        never.SetSize(10);
        history.Add(tuesday);
        history.Add(wednesday);
        history.Add(never);
        request.history = &history;
        request.scoreFileDirectory = scores;
        dlg.m_request = &request;
    }
    void TearDown() override
    {
        // The dialog stores its placement in the application's profile.
        holder.reset();
        AppTest::TearDown();
    }

    CScoreFile Record(const std::string& name, const std::string& text)
    {
        CScoreFile file;
        EXPECT_EQ(file.Open(folder.Write("scores/" + name, text), nullptr, false, false), 1);
        EXPECT_EQ(file.Parse(true), 1);
        file.Close(true);
        return file;
    }
    // The list's own header-click event for a column.
    static void ClickHeader(int column, H& d)
    {
        wxListEvent event(wxEVT_LIST_COL_CLICK, d.GetList()->GetId());
        event.SetEventObject(d.GetList());
        event.m_col = column;
        d.GetList()->ProcessWindowEvent(event);
    }
    void ClickHeader(int column) { ClickHeader(column, dlg); }
    std::vector<std::string> PathsInRowOrder() const
    {
        std::vector<std::string> paths;
        for (long row = 0; row < dlg.GetList()->GetItemCount(); ++row)
            paths.push_back(history[dlg.GetHistoryIndex(row)].GetPath());
        return paths;
    }
    CConfirmDialogPrompter dialogs;
    std::string scores, newFile, longPath;
    CScoreFile tuesday, wednesday, never;
    CColScoreFile history;
    HistoryRequest request;
    std::unique_ptr<H> holder = std::make_unique<H>();
    H& dlg = *holder;
};

}  // namespace

// Opens newest posted first with the up arrow on Posted; every column sorts
// both ways by its own key; cells show what the records hold.
TEST_F(HistoryDialogTest, SortsByEveryColumn)
{
    RunModal(dlg, [&] {
        CQMListCtrl* list = dlg.GetList();
        ASSERT_EQ(list->GetItemCount(), 3);
        EXPECT_EQ(dlg.GetSortColumn(), H::COL_POSTED);
        EXPECT_EQ(list->GetSortIndicator(), H::COL_POSTED);
        EXPECT_TRUE(list->IsAscendingSortIndicator());  // the up arrow
        EXPECT_EQ(PathsInRowOrder(), (std::vector<std::string>{wednesday.GetPath(), tuesday.GetPath(), longPath}));
        EXPECT_EQ(dlg.GetShownText(1, H::COL_FLAGS), "BF");
        EXPECT_EQ(dlg.GetShownText(1, H::COL_POSTED), "09/05/23 18:53:20");
        EXPECT_EQ(dlg.GetShownText(2, H::COL_POSTED), "");
        SaveShot(&dlg, "history");

        // A long path is drawn shortened in the middle, its file name kept;
        // the tool tip gives it whole.
        const wxString shown = dlg.GetShownText(2, H::COL_PATHNAME);
        EXPECT_TRUE(shown.Contains("...") && shown.EndsWith("/230901a.txt")) << shown;
        wxRect cell;
        ASSERT_TRUE(list->GetSubItemRect(2, H::COL_PATHNAME, cell));
        const wxPoint inItems = list->ItemWindow()->ScreenToClient(
            list->ClientToScreen(wxPoint(cell.x + 20, cell.y + cell.height / 2)));
        EXPECT_EQ(list->CellTextAt(inItems), longPath);

        ClickHeader(H::COL_POSTED);  // again: oldest first
        EXPECT_EQ(PathsInRowOrder(), (std::vector<std::string>{longPath, tuesday.GetPath(), wednesday.GetPath()}));
        ClickHeader(H::COL_SIZE);  // a new column: largest first
        EXPECT_EQ(PathsInRowOrder(), (std::vector<std::string>{wednesday.GetPath(), tuesday.GetPath(), longPath}));

        for (int column = 0; column < H::COL_COUNT; ++column) {
            for (int pass = 0; pass < 2; ++pass) {
                ClickHeader(column);
                EXPECT_EQ(list->GetSortIndicator(), column);
                const bool descending = dlg.IsDescending();
                EXPECT_EQ(descending, pass == 0) << column;
                EXPECT_EQ(list->IsAscendingSortIndicator(), descending);
                for (long row = 0; row + 1 < 3; ++row) {
                    const int c = H::CompareByColumn(history[dlg.GetHistoryIndex(row)],
                                                     history[dlg.GetHistoryIndex(row + 1)], column);
                    EXPECT_TRUE(descending ? c >= 0 : c <= 0) << "column " << column << " row " << row;
                }
            }
        }
        Click(dlg.FindWindow(wxID_OK));
    });
    EXPECT_EQ(dlg.m_modified, 0);
}

// Removing rows of a sorted view removes exactly those entries.
// Add lists only the files not in the history; cancelling it changes
// nothing; ticking one adds it flagged "A" and logged; with nothing new the
// director is told so.
TEST_F(HistoryDialogTest, AddOnlyNewFiles)
{
    RunModal(dlg, [&] {
        dialogs.script = [&](CConfirmDialog& add) {
            ASSERT_EQ(add.GetList()->GetItemCount(), 1);
            EXPECT_EQ(add.GetList()->GetItemText(0, 0), "230907m.txt");
            Click(add.FindWindow(wxID_CANCEL));
        };
        Click(dlg.FindWindow(H::ID_ADD));
        EXPECT_EQ(history.GetCount(), 3);

        dialogs.script = [&](CConfirmDialog& add) {
            CheckListRow(add.GetList(), 0, true);
            Click(add.FindWindow(wxID_OK));
        };
        Click(dlg.FindWindow(H::ID_ADD));
        ASSERT_EQ(history.GetCount(), 4);
        EXPECT_EQ(history[3].GetPath(), newFile);
        EXPECT_EQ(dlg.GetList()->GetItemCount(), 4);

        Click(dlg.FindWindow(H::ID_ADD));  // nothing new now
        ASSERT_FALSE(dialogs.Texts().empty());
        EXPECT_EQ(dialogs.Texts().back(), "There are no new score files in " + scores);
        Click(dlg.FindWindow(wxID_OK));
    });
    EXPECT_EQ(H::GetColumnText(history[3], H::COL_FLAGS), "A");
    EXPECT_NE(LogText().find("View History: Add=[" + newFile + "]"), std::string::npos);
    EXPECT_EQ(dlg.m_modified, 1);
}

// The History command shows the dialog through the window prompter; rows
// removed from a sorted view are exactly those entries, and the working
// copy is committed only after OK.
TEST_F(HistoryDialogTest, RemoveThroughTheHistoryCommand)
{
    CWxPrompter windows;
    app->SetPrompter(&windows);
    app->GetHistory() = history;
    for (bool ok : {false, true}) {
        WhenDialogShows([&](wxDialog& shown) {
            auto* h = wxDynamicCast(&shown, CHistoryDialog);
            ASSERT_NE(h, nullptr);
            ClickHeader(H::COL_SIZE, *h);  // Wednesday, Tuesday, the long path
            for (long row : {0, 2})
                h->GetList()->SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
            Pump(20);
            Click(h->GetRemoveButton());
            EXPECT_EQ(h->GetList()->GetItemCount(), 1);
            EXPECT_FALSE(h->GetRemoveButton()->IsEnabled());
            Click(h->FindWindow(ok ? wxID_OK : wxID_CANCEL));
        });
        app->OnViewHistory();
        ASSERT_EQ(app->GetHistory().GetCount(), ok ? 1 : 3);
    }
    EXPECT_EQ(app->GetHistory()[0].GetPath(), tuesday.GetPath());
}
