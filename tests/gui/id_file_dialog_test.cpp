#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/datectrl.h>
#include <wx/dateevt.h>
#include <wx/textctrl.h>

#include "dialog_driver.h"
#include "gui/setup_dialog_driver.h"
#include "platform/date_helpers.h"
#include "support/test_app.h"
#include "ui/field_state_images.h"
#include "ui/text_dialog.h"
#include "ui/id_file_dialog.h"
#include "ui/wx_prompter.h"

using Dlg = CIDFileDialog;

namespace {

class IdFileDialogTest : public AppTest {};

void PickDate(wxDatePickerCtrl* picker, int year, int month, int day)
{
    const wxDateTime date(static_cast<wxDateTime::wxDateTime_t>(day),
                          static_cast<wxDateTime::Month>(month - 1), year);
    picker->SetValue(date);
    wxDateEvent event(picker, date, wxEVT_DATE_CHANGED);
    picker->ProcessWindowEvent(event);
}

}  // namespace

// A limit is plain decimal digits (not zero), optionally followed by "/...";
// no sign, no blanks, no trailing letters.
TEST(IdFileDialogStates, LimitAndSectionTexts)
{
    for (const char* ok : {"n", "NONE", "1500", "1500/750", "007"})
        EXPECT_EQ(Dlg::GetLimitState(ok), FIELD_VALID) << ok;
    for (const char* bad : {"0", "", "-5", "+5", " 1500", "1500 ", "12a", "/750", "1 500"})
        EXPECT_EQ(Dlg::GetLimitState(bad), FIELD_INVALID) << '"' << bad << '"';
    EXPECT_EQ(Dlg::GetSectionState(""), FIELD_EMPTY_ALLOWED);
    EXPECT_EQ(Dlg::GetSectionState("bb"), FIELD_VALID);
    for (const char* bad : {"AB", "A1", " A"})
        EXPECT_EQ(Dlg::GetSectionState(bad), FIELD_INVALID) << bad;
}

// What was found opens disabled; each wrong entry is reported on its own
// field, and OK hands back what the fields hold.
TEST_F(IdFileDialogTest, FillsTheMissingFieldsAndRefusesWrongOnes)
{
    Dlg dlg;
    dlg.m_fileName = "/scores/230905a.txt";
    dlg.m_fileIsLocal = true;
    dlg.m_event = "Tuesday Open Pairs";
    dlg.m_sessionDate = LocalMidnight(2023, 9, 5);
    dlg.m_sessionTime = 1;
    dlg.m_limit = "";
    dlg.m_section = "AB";
    const int rc = RunModal(dlg, [&] {
        EXPECT_FALSE(dlg.GetFieldControl(Dlg::F_EVENT)->IsEnabled());
        EXPECT_EQ(dlg.GetShownState(Dlg::F_EVENT), FIELD_VALID);
        EXPECT_EQ(dlg.GetShownState(Dlg::F_LIMIT), FIELD_INVALID);
        // Typing changes only that field's image.
        TypeText(dlg.GetFieldControl(Dlg::F_LIMIT), " 1500");
        EXPECT_EQ(dlg.GetShownState(Dlg::F_LIMIT), FIELD_INVALID);
        TypeText(dlg.GetFieldControl(Dlg::F_LIMIT), "1500/750");
        EXPECT_EQ(dlg.GetShownState(Dlg::F_LIMIT), FIELD_VALID);
        EXPECT_EQ(dlg.GetShownState(Dlg::F_SECTION), FIELD_INVALID);

        // OK with a bad section: the hint on the section, focus there, still open.
        Click(dlg.FindWindow(wxID_OK));
        EXPECT_TRUE(dlg.IsModal());
        EXPECT_TRUE(dlg.GetLastHint().StartsWith("Enter the section (one or two letters)"));
        EXPECT_TRUE(HasFocusWithin(dlg.GetFieldControl(Dlg::F_SECTION)));
        SaveShot(&dlg, "identify_score_file_bad_section", 300);
        TypeText(dlg.GetFieldControl(Dlg::F_SECTION), "");
        Click(dlg.FindWindow(wxID_OK));
    });
    EXPECT_EQ(rc, wxID_OK);
    EXPECT_EQ(dlg.m_limit, "1500/750");
    EXPECT_EQ(dlg.m_section, "");
    EXPECT_TRUE(prompter.Texts().empty());
}

// A stored 0 (no date found) shows 1 January 1970 and is refused until a
// real date is chosen, in every time zone: east of UTC that day began before
// the epoch, and a check against it must neither throw nor let 0 pass.
TEST_F(IdFileDialogTest, StoredZeroDateIsRefused)
{
    Dlg dlg;
    dlg.m_fileName = "/scores/game.txt";
    dlg.m_event = "Open Pairs";
    dlg.m_sessionDate = 0;
    dlg.m_sessionTime = -1;
    dlg.m_limit = "n";
    dlg.m_section = "A";
    const int rc = RunModal(dlg, [&] {
        auto* picker = static_cast<wxDatePickerCtrl*>(dlg.GetFieldControl(Dlg::F_DATE));
        EXPECT_EQ(picker->GetValue().Format("%Y-%m-%d"), "1970-01-01");
        EXPECT_EQ(dlg.GetShownState(Dlg::F_DATE), FIELD_INVALID);
        EXPECT_EQ(dlg.GetShownState(Dlg::F_TIME), FIELD_INVALID);

        Click(dlg.FindWindow(wxID_OK));
        EXPECT_TRUE(dlg.IsModal());
        ASSERT_EQ(prompter.Texts().size(), 1u);
        EXPECT_EQ(prompter.Texts()[0], "Enter the correct session date");
        EXPECT_TRUE(HasFocusWithin(picker));

        PickDate(picker, 2023, 9, 5);
        EXPECT_EQ(dlg.GetShownState(Dlg::F_DATE), FIELD_VALID);
        // The session time is a drop-down list: its hint comes as a message box.
        Click(dlg.FindWindow(wxID_OK));
        ASSERT_EQ(prompter.Texts().size(), 2u);
        EXPECT_EQ(prompter.Texts()[1], "Select the session time: Morning, Afternoon, Evening, or Late");
        setupdrv::Choose(static_cast<wxChoice*>(dlg.GetFieldControl(Dlg::F_TIME)), 2);
        EXPECT_EQ(dlg.GetShownState(Dlg::F_TIME), FIELD_VALID);
        Click(dlg.FindWindow(wxID_OK));
    });
    EXPECT_EQ(rc, wxID_OK);
    EXPECT_EQ(dlg.m_sessionDate, LocalMidnight(2023, 9, 5));
    EXPECT_EQ(dlg.m_sessionTime, 2);
}

// The same, east and west of UTC: the toolkit reads the zone once, so the
// test runs this program again with the zone set from the start.
TEST(IdFileDialogZones, StoredZeroDateIsRefusedEastAndWestOfUtc)
{
    if (std::getenv("QM_GUI_TEST_TZ"))
        GTEST_SKIP() << "already the run in another zone";
    for (const char* zone : {"Asia/Tokyo", "America/New_York"}) {
        ASSERT_EQ(::access((std::string("/usr/share/zoneinfo/") + zone).c_str(), R_OK), 0)
            << zone << " is not installed";
        const int status = RunThisProgram({"--gtest_filter=IdFileDialogTest.StoredZeroDateIsRefused"},
                                          {"QM_GUI_TEST_TZ=" + std::string(zone)});
        EXPECT_EQ(status, 0) << "in " << zone;
    }
}

// View File opens the text beside the dialog and reuses the same window.
TEST_F(IdFileDialogTest, ViewFileReusesItsWindow)
{
    const std::string text = "EVENT> Open Pairs\nSECTION> A\n";
    Dlg dlg;
    dlg.m_fileName = "/scores/230905a.txt";
    dlg.m_fileText = text.c_str();
    RunModal(dlg, [&] {
        Click(dlg.GetViewFileButton());
        CTextDialog* viewer = dlg.GetViewer();
        ASSERT_NE(viewer, nullptr);
        EXPECT_EQ(viewer->GetEdit()->GetValue(), text);
        viewer->Hide();
        Click(dlg.GetViewFileButton());
        EXPECT_EQ(dlg.GetViewer(), viewer);
        EXPECT_TRUE(viewer->IsShown());
        Click(dlg.FindWindow(wxID_CANCEL));
    });
}

// Through the window prompter Skip and Cancel come back as such (OK with
// typed fields is driven by the whole-path test).
TEST_F(IdFileDialogTest, WindowPrompterSkipAndCancel)
{
    CWxPrompter windows;
    IdentifyRequest request;
    request.path = "/scores/230905a.txt";
    IdentifyAnswer answer;
    for (auto [button, result] : {std::pair{int(Dlg::ID_SKIP), IdentifyResult::Skip},
                                  std::pair{int(wxID_CANCEL), IdentifyResult::Cancel}}) {
        WhenDialogShows([button = button](wxDialog& shown) { Click(shown.FindWindow(button)); });
        EXPECT_EQ(windows.IdentifyScoreFile(request, answer), result);
    }
}
