#include <gtest/gtest.h>

#include <sys/stat.h>

#include <map>
#include <memory>
#include <set>

#include <wx/button.h>
#include <wx/dcclient.h>
#include <wx/image.h>
#include <wx/listctrl.h>
#include <wx/uiaction.h>

#include "dialog_driver.h"
#include "gui/gui_support.h"
#include "dialog_prompters.h"
#include "platform/path_helpers.h"
#include "platform/text_helpers.h"
#include "posting/template_file.h"
#include "posting/score_file.h"
#include "posting/score_file_collection.h"
#include "support/score_samples.h"
#include "support/test_app.h"
#include "ui/history_dialog.h"
#include "ui/list_columns.h"
#include "ui/qm_list_ctrl.h"
#include "ui/window_frame.h"
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
        EXPECT_EQ(file.Open(folder.Write("scores/" + name, text), nullptr, ScoreFileFormat::Text, OpenReport::Report), 1);
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
    // Many more entries in a few folders, their names of unlike widths.
    void AddManyEntries(int count)
    {
        const char* names[] = {"230905a.txt", "Tuesday Pairs 230905.txt", "m.txt", "WWWWWW.txt", "iiiiii.txt"};
        for (int i = 0; i < count; ++i) {
            CScoreFile file;
            file.SetPath(StrFormat("/home/director/club/scores/f%02d/a-longer-folder-name/%s", i / 40, names[i % 5]));
            file.SetPosted(StrFormat("2023/%02d/2023%04daa.htm", i % 12 + 1, i), i % 3);
            history.Add(file);
        }
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

        // The memory stick pulled out: said as such, nothing offered.
        const std::string away = scores + ".away";
        ASSERT_EQ(::rename(scores.c_str(), away.c_str()), 0);
        dialogs.script = [&](CConfirmDialog& add) {
            ADD_FAILURE() << "files offered from a folder that is not there";
            Click(add.FindWindow(wxID_CANCEL));
        };
        Click(dlg.FindWindow(H::ID_ADD));
        ASSERT_EQ(::rename(away.c_str(), scores.c_str()), 0);
        EXPECT_EQ(dialogs.Texts().back(),
                  "The Score File Directory " + scores + " cannot be read: No such file or directory");
        EXPECT_EQ(history.GetCount(), 4);
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
            ASSERT_TRUE(WaitUntil([&] { return h->GetRemoveButton()->IsEnabled(); }));
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

// Each column divider of the header, read from the screen (a pixel column
// of one colour over the header's height, darker than the background; no
// letter is), as its distance from the nearest column edge of the items.
std::vector<int> DividerOffsets(CQMListCtrl* list, const std::string& shot)
{
    const wxImage image(wxString::FromUTF8(SaveShot(list->HeaderWindow(), shot)));
    int unit = 0, start = 0, unused = 0;
    list->GetScrollPixelsPerUnit(&unit, &unused);
    list->GetViewStart(&start, &unused);
    std::vector<int> edges{-start * unit};
    for (int column = 0; column < list->GetColumnCount(); ++column)
        edges.push_back(edges.back() + list->GetColumnWidth(column));
    auto shade = [&](int x, int y) { return image.GetRed(x, y) + image.GetGreen(x, y) + image.GetBlue(x, y); };
    std::vector<int> offsets;
    for (int x = 1; image.IsOk() && x + 1 < image.GetWidth(); ++x) {
        bool divider = shade(x, 2) < 3 * 240;
        for (int y = 3; divider && y < image.GetHeight() - 3; ++y)
            divider = shade(x, y) == shade(x, 2);
        int offset = 1 << 20;
        for (int edge : edges)
            offset = std::abs(x - edge) < std::abs(offset) ? x - edge : offset;
        if (divider)
            offsets.push_back(offset);
    }
    return offsets;
}

// A few hundred rows in a narrow window, scrolled sideways by clicks on the
// scroll bar: the headers stay over their columns. Narrowed, the window
// opens narrow the next time.
TEST_F(HistoryDialogTest, ScrolledSidewaysTheHeadersStayOverTheirColumns)
{
    AddManyEntries(300);
    wxSize left;
    RunModal(dlg, [&] {
        CQMListCtrl* list = dlg.GetList();
        dlg.SetSize(dlg.FromDIP(wxSize(560, 420)));
        ASSERT_TRUE(WaitUntil([&] {
            wxRect frame;
            return GetFrameRect(&dlg, frame) && frame.GetSize() == dlg.GetSize() &&
                   list->GetClientSize().x < TotalColumnWidth(list) / 2;
        }));
        SaveShot(&dlg, "history_many_rows");
        const wxRect items = list->ItemWindow()->GetScreenRect();
        int step = 0;
        for (double at : {0.6, 0.9, 0.15}) {  // right, further right, back left
            int before = 0, after = 0, unused = 0;
            list->GetViewStart(&before, &unused);
            // A click near the edge scrolls the list to the clicked cell.
            EXPECT_TRUE(ClickThroughServer(wxPoint(items.x + static_cast<int>(items.width * at), items.GetBottom() - 4)));
            WaitUntil([&] {
                list->GetViewStart(&after, &unused);
                return after != before;
            });
            ++step;
            EXPECT_NE(after, before) << "step " << step;
            const std::vector<int> offsets = DividerOffsets(list, "history_header_" + std::to_string(step));
            EXPECT_GE(offsets.size(), 3u);
            for (int offset : offsets)
                EXPECT_LE(std::abs(offset), 3) << "a header divider off its column after step " << step;
            if (step == 2)
                SaveShot(&dlg, "history_scrolled");
        }
        left = dlg.GetSize();
        Click(dlg.FindWindow(wxID_CANCEL));
    });
    // Read while it was on the screen: once a window manager has taken its
    // frame away, the toolkit counts a closed window's size without it.
    H again;
    again.m_request = &request;
    RunModal(again, [&] {
        EXPECT_EQ(again.GetSize(), left);
        Click(again.FindWindow(wxID_CANCEL));
    });
}

// Long paths lose whole folders only, so rows of one folder read alike; the
// file name stays and the text fits its column. Too narrow for that: "..."
// and the name, else the name cut in its middle.
TEST_F(HistoryDialogTest, LongPathsAreShortenedAlike)
{
    AddManyEntries(40);
    RunModal(dlg, [&] {
        CQMListCtrl* list = dlg.GetList();
        list->SetColumnWidth(H::COL_PATHNAME, dlg.FromDIP(230));
        wxClientDC dc(list);
        dc.SetFont(list->GetFont());
        const int room = list->GetColumnWidth(H::COL_PATHNAME) - dlg.FromDIP(12);
        int shortened = 0;
        for (long row = 0; row < list->GetItemCount(); ++row) {
            const std::string path = history[dlg.GetHistoryIndex(row)].GetPath();
            const std::string shown = dlg.GetShownText(row, H::COL_PATHNAME).utf8_string();
            EXPECT_LE(dc.GetTextExtent(wxString::FromUTF8(shown)).x, room) << shown;
            const size_t dots = shown.find("...");
            if (dots == std::string::npos) {
                EXPECT_EQ(shown, path);
                continue;
            }
            ++shortened;
            const std::string head = shown.substr(0, dots), tail = shown.substr(dots + 3);
            EXPECT_TRUE(path.compare(0, head.size(), head) == 0 && (head.empty() || head.back() == '/')) << shown;
            EXPECT_TRUE(tail.size() > 1 && tail[0] == '/' && path.substr(path.size() - tail.size()) == tail) << shown;
            EXPECT_EQ(GetFileNameOnly(tail), GetFileNameOnly(path)) << shown;
        }
        EXPECT_GT(shortened, 30);
        SaveShot(&dlg, "history_long_paths");

        // At every width, the files of one folder show the same folder part,
        // whatever the width of their names.
        for (int width = 60; width <= 560; width += 10) {
            list->SetColumnWidth(H::COL_PATHNAME, dlg.FromDIP(width));
            std::map<std::string, std::set<std::string>> heads;  // folder -> shown folder parts
            for (long row = 0; row < list->GetItemCount(); ++row) {
                const std::string path = history[dlg.GetHistoryIndex(row)].GetPath();
                const std::string name = GetFileNameOnly(path);
                const std::string shown = dlg.GetShownText(row, H::COL_PATHNAME).utf8_string();
                const bool whole = shown.size() >= name.size() && shown.substr(shown.size() - name.size()) == name;
                const std::string head = whole ? shown.substr(0, shown.size() - name.size()) : "...";
                heads[path.substr(0, path.size() - name.size())].insert(head);
            }
            for (const auto& folder : heads)
                EXPECT_EQ(folder.second.size(), 1u) << "width " << width << ": " << folder.first << " shown as "
                                                    << *folder.second.begin() << " and " << *folder.second.rbegin();
        }
        list->SetColumnWidth(H::COL_PATHNAME, dlg.FromDIP(230));
        const wxString path = wxString::FromUTF8(longPath);
        EXPECT_EQ(CompactPathForColumn(path, dc, dc.GetTextExtent(".../230901a.txt").x - 1), "...230901a.txt");
        const wxString name = CompactPathForColumn(path, dc, dc.GetTextExtent("230901").x);
        EXPECT_TRUE(name.StartsWith("2") && name.Contains("...")) << name;
        Click(dlg.FindWindow(wxID_CANCEL));
    });
}

// History numbers the insert locations as the posted-before question does:
// Tuesday's results, stored at location 1 of 0, 1, 2..., read "2" in both;
// sorting still goes by the stored number.
TEST_F(HistoryDialogTest, DestinationInsertReadsAsInThePostedBeforeQuestion)
{
    app->GetHistory().Add(tuesday);
    CScoreFile again;
    ASSERT_EQ(again.Open(tuesday.GetPath(), nullptr, ScoreFileFormat::Text, OpenReport::Report), 1);
    ASSERT_EQ(again.Parse(true), 1);
    again.Close(true);
    CTemplateFile page;
    page.SetTemplate("http://club.example/results/template.htm", "<html>\n<!--quillmark:insert-->\n</html>\n");
    app->m_bAsk = true;
    dialogs.Answer(IDNO);
    EXPECT_EQ(page.Parse(false, &again), PostResult::Failed);
    ASSERT_FALSE(dialogs.Texts().empty());
    EXPECT_NE(dialogs.Texts().back().find("\r\nInsert: 2\r\n"), std::string::npos) << dialogs.Texts().back();

    RunModal(dlg, [&] {
        ClickHeader(H::COL_INSERT);  // by the stored number: Wednesday (2), Tuesday (1), the long path
        EXPECT_EQ(PathsInRowOrder(), (std::vector<std::string>{wednesday.GetPath(), tuesday.GetPath(), longPath}));
        EXPECT_EQ(dlg.GetShownText(1, H::COL_INSERT).utf8_string(), "2");
        EXPECT_EQ(dlg.GetShownText(2, H::COL_INSERT).utf8_string(), "") << "never posted: no insert location";
        Click(dlg.FindWindow(wxID_OK));
    });
}
