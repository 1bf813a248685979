#include <gtest/gtest.h>

#include <thread>

#include <wx/hyperlink.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "gui_test_helpers.h"
#include "gui/gui_support.h"
#include "support/test_app.h"
#include "ui/about_dialog.h"
#include "ui/log_viewer.h"
#include "ui/message_dialog.h"
#include "ui/qm_list_ctrl.h"

namespace {

class SmallWindowsTest : public AppTest {
protected:
    void TearDown() override
    {
        EXPECT_TRUE(DestroyAllWindows());
        AppTest::TearDown();
    }
};

CMessageDialog* OpenQuestion()
{
    for (wxWindow* w : wxTopLevelWindows)
        if (auto* dialog = dynamic_cast<CMessageDialog*>(w); dialog && dialog->IsModal())
            return dialog;
    return nullptr;
}

// Works the question once it is up; closes it when the action did not.
void WhenQuestionShows(const std::function<void(CMessageDialog*)>& action)
{
    wxTheApp->CallAfter([=] {
        CMessageDialog* dialog = nullptr;
        if (!PumpUntil([&] { return (dialog = OpenQuestion()) != nullptr; }))
            return;
        action(dialog);
        if (OpenQuestion() == dialog && dialog->IsModal())
            dialog->EndModal(wxID_NO);
    });
}

void Press(CMessageDialog* dialog, int id)
{
    if (auto* button = dynamic_cast<wxButton*>(dialog->FindWindow(id)))
        ClickButton(button);
}

}  // namespace

TEST_F(SmallWindowsTest, QuestionAnswersWithTheButtonPressed)
{
    const std::string question =
        "The score file 20240315a.txt was posted before.\r\n\r\nPost this file anyway?\r\n\r\n"
        "Press Yes to post this file\r\nPress No to skip this file\r\nPress Cancel to cancel posting";
    bool defaultIsNo = false;
    WhenQuestionShows([&](CMessageDialog* dialog) {
        auto* button = dynamic_cast<wxButton*>(dialog->GetDefaultItem());
        defaultIsNo = button && button->GetId() == wxID_NO;
        TakeShot("message_dialog");
        Press(dialog, CMessageDialog::ID_YES_TO_ALL);
    });
    EXPECT_EQ(CMessageDialog::YesToAllBox(nullptr, question), IDYESTOALL);
    EXPECT_TRUE(defaultIsNo);

    // Help runs its handler and leaves the question open; Escape answers Cancel.
    int helped = 0;
    WhenQuestionShows([](CMessageDialog* dialog) {
        Press(dialog, wxID_HELP);
        wxKeyEvent escape(wxEVT_CHAR_HOOK);
        escape.m_keyCode = WXK_ESCAPE;
        escape.SetEventObject(dialog);
        dialog->ProcessWindowEvent(escape);
    });
    EXPECT_EQ(CMessageDialog::YesToAllBox(nullptr, question, [&] { ++helped; }), IDCANCEL);
    EXPECT_EQ(helped, 1);
}

TEST_F(SmallWindowsTest, AboutShowsVersionAndWebsiteLinkAndProgressSettingIsWritten)
{
    auto* about = new CAboutDlg(nullptr);
    about->Show();
    EXPECT_EQ(about->GetVersionText()->GetLabel(), "Quillmark Version 1.0");
    EXPECT_EQ(about->GetLink()->GetURL(), CAboutDlg::WebsiteUrl());
    TakeShot("about");

    app->m_bShowProgressBar = false;
    ToggleUploadProgressBar();
    EXPECT_TRUE(IsUploadProgressBarChecked());
    EXPECT_EQ(profile.GetString("Settings", "ShowProgressBar"), "1");
}

// New entries reach the open viewer, from the UI thread at once and from a
// worker through the UI thread, also while it is hidden.
TEST_F(SmallWindowsTest, LogViewerKeepsReceivingEntries)
{
    app->GetLog()->Write("first entry\r\n");
    ViewLogfile(nullptr);
    CTextDialog* viewer = GetLogViewer();
    ASSERT_NE(viewer, nullptr);
    auto shows = [&](const std::wstring& text) {
        return viewer->GetText().find(text) != std::wstring::npos;
    };
    EXPECT_TRUE(shows(L"]first entry\r\n"));
    app->GetLog()->Write("on the window's thread");
    EXPECT_TRUE(shows(L"]on the window's thread\r\n"));
    std::thread worker([&] { app->GetLog()->Write("from a worker"); });
    worker.join();
    EXPECT_TRUE(PumpUntil([&] { return shows(L"]from a worker\r\n"); }));

    viewer->Close();
    ASSERT_TRUE(PumpUntil([&] { return !viewer->IsShown(); }));
    app->GetLog()->Write("while hidden");
    ViewLogfile(nullptr);
    EXPECT_EQ(GetLogViewer(), viewer);
    EXPECT_TRUE(shows(L"]while hidden\r\n"));

    // Once the window is gone the log writes on without it.
    ASSERT_TRUE(DestroyAndWait(viewer));
    EXPECT_EQ(GetLogViewer(), nullptr);
    EXPECT_EQ(app->GetLog()->Write("after the viewer"), 1);
}

TEST_F(SmallWindowsTest, ListCellToolTipShowsTheFullText)
{
    auto* dialog = new wxDialog(nullptr, wxID_ANY, "List", wxDefaultPosition, wxSize(400, 200));
    auto* list = new CQMListCtrl(dialog, 1087);
    list->AppendColumn("File", wxLIST_FORMAT_LEFT, 60);
    list->AppendColumn("Event", wxLIST_FORMAT_LEFT, 60);
    list->InsertItem(0, "20240315a-long-name.txt");
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(list, 1, wxEXPAND);
    dialog->SetSizer(sizer);
    dialog->Show();
    ASSERT_TRUE(WaitForPlacement(dialog));
    wxRect row;
    ASSERT_TRUE(list->GetItemRect(0, row));
    // The row's middle in the coordinates of the window under the mouse.
    const int y = list->ItemWindow()->ScreenToClient(
        list->ClientToScreen(wxPoint(0, row.y + row.height / 2))).y;
    auto hover = [&](int x) {
        wxMouseEvent motion(wxEVT_MOTION);
        motion.m_x = x;
        motion.m_y = y;
        motion.SetEventObject(list->ItemWindow());
        list->ItemWindow()->ProcessWindowEvent(motion);
        return list->ItemWindow()->GetToolTipText();
    };
    EXPECT_EQ(hover(10), "20240315a-long-name.txt");
    EXPECT_EQ(hover(80), "");   // an empty cell
    EXPECT_EQ(hover(300), "");  // right of the last column
}
