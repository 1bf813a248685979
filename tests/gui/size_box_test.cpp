#include <gtest/gtest.h>

#include <wx/display.h>
#include <wx/sizer.h>

#include "gui/gui_support.h"
#include "gui_test_helpers.h"
#include "support/test_app.h"
#include "ui/qm_list_ctrl.h"
#include "ui/size_box.h"
#include "ui/text_dialog.h"
#include "ui/window_placement.h"

namespace {

class SizeBoxTest : public AppTest {
protected:
    void TearDown() override
    {
        EXPECT_TRUE(DestroyAllWindows());
        AppTest::TearDown();
    }

    static CTextDialog* Viewer()
    {
        auto* viewer = new CTextDialog(nullptr);
        viewer->SetSection("PlaceTest");
        viewer->SetText("placement");
        EXPECT_TRUE(viewer->Create());
        viewer->Show();
        EXPECT_TRUE(WaitForPlacement(viewer));
        return viewer;
    }

    static void Close(wxWindow* window) { ASSERT_TRUE(DestroyAndWait(window)); }
};

}  // namespace

TEST_F(SizeBoxTest, PlacementRestoredAfterRecreationAndFittedToTheDisplay)
{
    const wxRect screen = wxDisplay(0u).GetClientArea();
    // Stored far off the screen: back on it, size kept; the new place is stored.
    profile.WriteString("PlaceTest", "WindowRect", "-9000:-8500:5000:5300");
    CTextDialog* viewer = Viewer();
    wxRect shown;
    EXPECT_TRUE(CSizeBox::ScreenRectOf(viewer, shown));
    // Put back with its top 100 pixels on the screen; the window manager may
    // pull it further on, up to the whole window, and its answer may come
    // before or after the window was placed (later on a busy machine). What
    // is stored is where the window stands when it closes.
    const auto expectBackOnTheScreen = [&screen](const wxRect& rect) {
        EXPECT_EQ(rect.GetPosition().x, screen.x);
        EXPECT_EQ(rect.GetSize(), wxSize(500, 300));
        EXPECT_GE(rect.y, screen.GetBottom() + 1 - 300);
        EXPECT_LE(rect.y, screen.GetBottom() + 1 - 100);
    };
    expectBackOnTheScreen(shown);
    wxRect last;
    ASSERT_TRUE(CSizeBox::ScreenRectOf(viewer, last));
    expectBackOnTheScreen(last);
    Close(viewer);
    EXPECT_EQ(profile.GetString("PlaceTest", "WindowRect"),
              FormatWindowRect({last.x, last.y, last.x + last.width, last.y + last.height}));

    // No width, or smaller than the controls need: never too small to see.
    for (const char* bad : {"10:10:20:620", "10:810:20:-20", "50:52:60:61"}) {
        profile.WriteString("PlaceTest", "WindowRect", bad);
        viewer = Viewer();
        EXPECT_GE(viewer->GetSize().x, viewer->GetMinSize().x) << bad;
        EXPECT_GE(viewer->GetSize().y, viewer->GetMinSize().y) << bad;
        EXPECT_GT(viewer->GetMinSize().y, 1);
        Close(viewer);
    }
}

// Stored columns apply to the columns the list has, clamped; an order that
// is not a permutation and an unknown view are ignored.
TEST_F(SizeBoxTest, ListColumnsRestoredOnlyForExistingColumns)
{
    profile.WriteString("ListTest", "Width", "-50,120,300,400");
    profile.WriteString("ListTest", "Order", "5,5");
    profile.WriteString("ListTest", "Type", "9");
    auto* dialog = new wxDialog(nullptr, wxID_ANY, "List", wxDefaultPosition, wxSize(400, 300),
                                wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER);
    auto* list = new CQMListCtrl(dialog, 1087);
    list->AppendColumn("Name", wxLIST_FORMAT_LEFT, 100);
    list->AppendColumn("Date", wxLIST_FORMAT_LEFT, 80);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(list, 1, wxEXPAND);
    dialog->SetSizer(sizer);
    CSizeBox::Attach(dialog, "ListTest");
    dialog->Show();
    EXPECT_TRUE(WaitForPlacement(dialog));
    EXPECT_TRUE(list->InReportView());
    EXPECT_EQ(list->GetColumnCount(), 2);
    EXPECT_EQ(list->GetColumnWidth(0), kMinColumnWidth);
    EXPECT_EQ(list->GetColumnWidth(1), 120);

    list->SetColumnWidth(1, 150);
    Close(dialog);
    EXPECT_EQ(profile.GetString("ListTest", "Width"), "8,150");
    EXPECT_EQ(profile.GetString("ListTest", "Order"), "0,1");
}
