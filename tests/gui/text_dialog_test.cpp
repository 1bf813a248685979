#include <gtest/gtest.h>

#include <wx/checkbox.h>
#include <wx/filedlg.h>
#include <wx/modalhook.h>
#include <wx/textctrl.h>

#include "gui_test_helpers.h"
#include "gui/gui_support.h"
#include "ui/window_frame.h"
#include "support/test_app.h"
#include "ui/text_dialog.h"

namespace {

// Answers the next file dialog with a path, as the user would.
class CAnswerFileDialog : public wxModalDialogHook {
public:
    explicit CAnswerFileDialog(std::string path) : m_path(std::move(path)) { Register(); }
    ~CAnswerFileDialog() override { Unregister(); }

protected:
    int Enter(wxDialog* dialog) override
    {
        auto* files = dynamic_cast<wxFileDialog*>(dialog);
        if (files)
            files->SetPath(m_path);
        return files ? wxID_OK : wxID_NONE;
    }
    void Exit(wxDialog*) override {}

private:
    std::string m_path;
};

wxButton* ButtonOf(wxWindow* window, int id)
{
    return dynamic_cast<wxButton*>(window->FindWindow(id));
}

class TextViewerTest : public AppTest {
protected:
    void TearDown() override
    {
        EXPECT_TRUE(DestroyAllWindows());
        AppTest::TearDown();
    }

    static std::pair<long, long> Selection(CTextDialog* viewer)
    {
        long from = 0, to = 0;
        viewer->GetSearchSelection(from, to);
        return {from, to};
    }
};

}  // namespace

TEST_F(TextViewerTest, FindsTextThroughFindWindowAndKeys)
{
    CTextDialog* viewer = CTextDialog::ShowModeless(
        nullptr, "/scores/game.txt", "post one\rposted two\npost three\r\nlast post.", "ViewFile", true);
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(WaitForPlacement(viewer));

    // The find window opens holding the selection; whole word passes "posted" over.
    viewer->GetEdit()->SetSelection(0, 4);
    ClickTool(viewer->GetToolBar(), wxID_FIND);
    CQMFindDialog* find = viewer->GetFindDialog();
    ASSERT_NE(find, nullptr);
    EXPECT_EQ(find->GetFindText()->GetValue(), "post");
    wxCheckBox* word = nullptr;
    for (wxWindow* child : find->GetChildren())
        if (auto* box = dynamic_cast<wxCheckBox*>(child); box && box->GetLabel().Lower().Contains("word"))
            word = box;
    ASSERT_NE(word, nullptr);
    word->SetValue(true);
    ClickButton(ButtonOf(find, wxID_FIND));
    EXPECT_EQ(Selection(viewer), std::make_pair(20L, 24L));
    TakeShot("text_viewer_find");
    EXPECT_EQ(profile.GetInt("ViewFile_Find", "FindFlags"), FIND_DOWN | FIND_WHOLEWORD);

    // F3 reaches "post." at the very end, then wraps; Shift+F3 from the
    // start wraps back to the match that ends the text.
    wxCommandEvent next(wxEVT_MENU, CTextDialog::ID_FIND_NEXT);
    viewer->ProcessWindowEvent(next);
    EXPECT_EQ(Selection(viewer), std::make_pair(36L, 40L));
    viewer->ProcessWindowEvent(next);
    EXPECT_EQ(Selection(viewer), std::make_pair(0L, 4L));
    wxCommandEvent previous(wxEVT_MENU, CTextDialog::ID_FIND_PREVIOUS);
    viewer->ProcessWindowEvent(previous);
    EXPECT_EQ(Selection(viewer), std::make_pair(36L, 40L));
    find->GetFindText()->SetValue("absent");
    EXPECT_FALSE(viewer->FindNext(true, false));
    EXPECT_EQ(Selection(viewer), std::make_pair(36L, 40L));

    // Escape does nothing; the close box only hides a modeless viewer.
    wxKeyEvent escape(wxEVT_CHAR_HOOK);
    escape.m_keyCode = WXK_ESCAPE;
    viewer->ProcessWindowEvent(escape);
    EXPECT_TRUE(viewer->IsShown());
    ClickButton(ButtonOf(find, wxID_CANCEL));
    EXPECT_EQ(viewer->GetFindDialog(), nullptr);
    viewer->Close();
    EXPECT_TRUE(PumpUntil([&] { return !viewer->IsShown(); }));

    // A viewer destroyed with its find window open takes the window along.
    viewer->Show();
    ClickTool(viewer->GetToolBar(), wxID_FIND);
    ASSERT_NE(viewer->GetFindDialog(), nullptr);
    ASSERT_TRUE(DestroyAndWait(viewer));
    for (wxWindow* w : wxTopLevelWindows)
        EXPECT_EQ(dynamic_cast<CQMFindDialog*>(w), nullptr);
}

TEST_F(TextViewerTest, SaveAsWritesUtf8WithCrLf)
{
    app->SetClock(nullptr);
    CTextDialog* viewer = CTextDialog::ShowModeless(nullptr, "Log", "caf\xC3\xA9\rtwo\nthree\r\n",
                                                    "ViewLogfile", true);
    ASSERT_NE(viewer, nullptr);
    const std::string path = folder.File("saved");  // ".txt" is added
    CAnswerFileDialog answer(path);
    ClickTool(viewer->GetToolBar(), CTextDialog::ID_SAVE_AS);
    EXPECT_EQ(ReadWholeFile(path + ".txt"), "\xEF\xBB\xBF" "caf\xC3\xA9\r\ntwo\r\nthree\r\n");

    std::string error;
    EXPECT_FALSE(viewer->SaveTextTo(folder.File("no/such/folder.txt"), error));
    EXPECT_NE(error.find("no/such/folder.txt: No such file or directory"), std::string::npos) << error;
}

// A damaged stored font gives the default one; stored find flags beyond
// the three known bits are masked.
TEST_F(TextViewerTest, DamagedStoredFontFallsBackAndFindFlagsAreMasked)
{
    profile.WriteString("ViewSource_Find", "FindFlags", "255");
    for (const char* damaged : {"1,000000ff,0,700,0,0,0,0,0,0,0,49,DejaVu Sans Mono",
                                "1,000000ff,-13,99999,0,0,0,0,0,0,0,49,DejaVu Sans Mono",
                                "1,7f0000ff,-13,700,0,0,0,0,0,0,0,49,DejaVu Sans Mono"}) {
        profile.WriteString("TextDialog", "LogFont", damaged);
        CTextDialog* viewer = CTextDialog::ShowModeless(nullptr, "Source", "text", "ViewSource");
        EXPECT_EQ(viewer->GetEdit()->GetFont().GetPointSize(), 8) << damaged;
        EXPECT_EQ(viewer->GetTextColour(), *wxBLACK) << damaged;
        EXPECT_EQ(viewer->GetFindFlags(), FIND_DOWN | FIND_WHOLEWORD | FIND_MATCHCASE);
    }
}

// The transfer log's modal viewer: Cancel cancels the running operation.
TEST_F(TextViewerTest, ModalViewerCancelButtonCancelsTheOperation)
{
    wxTheApp->CallAfter([] {
        CTextDialog* viewer = nullptr;
        PumpUntil([&] {
            for (wxWindow* w : wxTopLevelWindows)
                if ((viewer = dynamic_cast<CTextDialog*>(w)) && viewer->IsModal())
                    return true;
            viewer = nullptr;
            return false;
        });
        if (!viewer)
            return;
        wxButton* cancel = ButtonOf(viewer->GetToolBar(), CTextDialog::ID_ABORT);
        cancel ? ClickButton(cancel) : viewer->EndModal(wxID_OK);
    });
    EXPECT_EQ(CTextDialog::ShowModalText(nullptr, "Ftplog", "220 ready\r\n", "Ftplog", true), wxID_CANCEL);
    EXPECT_EQ(app->GetCancelState(false), CS_CANCELLED);
    EXPECT_NE(LogText().find("User Canceled"), std::string::npos);
}

TEST_F(TextViewerTest, LongLinesWrapInsideTheWindowAlsoWhenAppended)
{
    // Log entries with whole paths: the end of each must be on screen
    // without scrolling sideways, for the first text and for appended text.
    const std::string entry = "12/09/26 11:45:13 Uploaded results web page=[/tmp/quillmark-demo.Xq3/data/Staging1/"
                              "QMw123456.html]->[results/20261206ana.html] END";
    CTextDialog* viewer = CTextDialog::ShowModeless(nullptr, "/var/log/quillmark.log", "first\n" + entry + "\n",
                                                    "ViewLogfile", true);
    ASSERT_NE(viewer, nullptr);
    ASSERT_TRUE(WaitForPlacement(viewer));
    viewer->SetSize(600, 400);
    // The edit has taken the new width before the lines are measured.
    ASSERT_TRUE(PumpUntil([&] {
        wxRect frame;
        return GetFrameRect(viewer, frame) && frame.GetSize() == wxSize(600, 400) &&
               viewer->GetEdit()->GetRect().GetRight() + 1 == viewer->GetClientSize().x;
    }, 30000));
    viewer->AppendText("second\n" + entry + " APPENDED\n");
    TakeShot("text_viewer_long_lines");

    wxTextCtrl* edit = viewer->GetEdit();
    const wxString shown = edit->GetValue();
    const int width = edit->GetClientSize().x;
    for (const wxString& end : {wxString("END\n"), wxString("APPENDED\n")}) {
        const long last = static_cast<long>(shown.find(end)) + static_cast<long>(end.length()) - 2;
        const long start = static_cast<long>(shown.rfind("12/09/26", last));
        const wxPoint endAt = edit->PositionToCoords(last);
        const wxPoint startAt = edit->PositionToCoords(start);
        ASSERT_NE(endAt, wxDefaultPosition) << end;
        EXPECT_GT(endAt.x, 0) << end;
        EXPECT_LT(endAt.x, width) << end << ": the end of the line is past the window's edge";
        EXPECT_GT(endAt.y, startAt.y) << end << ": wrapped onto a further line";
        // The continuation stands to the right of where entries begin.
        long next = start;
        while (next < last && edit->PositionToCoords(next).y == startAt.y)
            ++next;
        EXPECT_GT(edit->PositionToCoords(next).x, startAt.x + 5) << end;
    }
}
