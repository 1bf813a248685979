// The Setup sheet on fixture values, driven through its controls.
#include <gtest/gtest.h>

#include <wx/bookctrl.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/datectrl.h>
#include <wx/textctrl.h>
#include <wx/spinbutt.h>
#include <wx/timectrl.h>

#include <sys/stat.h>

#include "gui/setup_dialog_driver.h"
#include "platform/path_helpers.h"
#include "support/test_app.h"
#include "support/time_zone.h"
#include "ui/setup_sheet.h"

using namespace setupdrv;

namespace {

SetupSheetValues Fixture(const std::string& scoreFolder)
{
    SetupSheetValues v;
    v.computer.scoreFileDirectory = scoreFolder;
    v.computer.postFilesModifiedAfter = 1700000000;  // 11/14/2023 22:13:20 UTC
    v.computer.htmlLayout = "/opt/layouts/club-results-with-a-rather-long-name.pbn";
    v.computer.useCheckScoreData = true;
    v.website.websiteUrl = "http://club.example.org";
    v.website.indexTemplate = "indextemplate.htm";
    v.website.indexFile = "index.htm";
    v.website.oldestToIndex = 86400;
    v.website.daysToIndex = 365;
    v.website.scoreFileDirectory = "results";
    v.website.scoreFileTemplate = "template.htm";
    v.website.multiPageIndex = true;
    v.ftp.server = "ftp.example.org";
    v.ftp.user = "club";
    v.ftp.password = "************";
    v.ftp.directory = "public_html";
    v.ftp.protocol = 0;
    v.ftp.port[0] = "21";
    v.ftp.port[1] = "21";
    v.ftp.port[2] = "22";
    v.ftp.parameters[2] = "-oCompression=yes";
    v.ftp.passive = true;
    v.ftp.uploadToSubdirectories = true;
    return v;
}

}  // namespace

TEST(SetupSheetTest, EditsEveryPageAndReadsBackOnOk)
{
    CTempFolder folder;
    CDialogScript script;
    const std::string newScores = folder.File("games");
    ASSERT_EQ(::mkdir(newScores.c_str(), 0700), 0);
    const std::string layout = folder.Write("pdf.pbn", "layout");
    script.answers = {wxString::FromUTF8(newScores), wxString::FromUTF8(layout)};

    CSetupPropSheet sheet(nullptr, Fixture(folder.Path()), false);
    EXPECT_EQ(sheet.GetTitle(), "Quillmark Setup");
    const int result = RunModal(sheet, [&] {
        wxBookCtrlBase* book = sheet.GetBookCtrl();
        ASSERT_EQ(book->GetPageCount(), 3u);
        EXPECT_EQ(book->GetSelection(), 0);
        CSetupComputerPage* c = sheet.m_computer;
        // Without Shift the time after which files count as new is fixed.
        EXPECT_FALSE(c->m_postDate->IsEnabled());
        EXPECT_FALSE(c->m_postTime->IsEnabled());
        EXPECT_EQ(c->m_postDate->GetValue().Format("%m/%d/%Y"), "11/14/2023");
        EXPECT_EQ(c->m_postTime->GetValue().Format("%H:%M:%S"), "22:13:20");
        Shot(&sheet, "setup-computer");
        Click(c->FindWindow("browseScoreFolder"));
        Click(c->FindWindow("browsePdf"));
        Tick(c->m_autoFill, true);
        Tick(c->m_useCheck, false);

        book->SetSelection(1);
        CSetupWebsitePage* w = sheet.m_website;
        Shot(&sheet, "setup-website");
        Type(w->m_url, "https://Club.Example.org/Results");
        // The spin button's arrows step the number.
        wxSpinEvent up(wxEVT_SPIN, w->m_daysSpin->GetId());
        up.SetEventObject(w->m_daysSpin);
        up.SetPosition(366);
        w->m_daysSpin->ProcessWindowEvent(up);
        EXPECT_EQ(w->m_days->GetValue(), "366");
        Tick(w->m_rebuild, true);

        book->SetSelection(2);
        CSetupFtpPage* f = sheet.m_ftp;
        Shot(&sheet, "setup-ftp");
        EXPECT_EQ(f->m_password->GetValue(), "************");
        Type(f->m_server, "127.0.0.1");
        Type(f->m_password, "s3cret!");
        Tick(f->m_passive, false);
        Tick(f->m_alertNoBws, true);
        ClickId(&sheet, wxID_OK);
        // After OK the field shows asterisks of the typed length only.
        EXPECT_EQ(f->m_password->GetValue(), "*******");
    });
    EXPECT_EQ(result, wxID_OK);
    EXPECT_TRUE(script.messages.empty()) << script.messages.front();
    EXPECT_EQ(script.chooserKinds, (std::vector<std::string>{"folder", "file"}));
    EXPECT_EQ(script.chooserStarts[0], wxString::FromUTF8(folder.Path()));

    const SetupSheetValues v = sheet.GetValues();
    EXPECT_EQ(v.computer.scoreFileDirectory, newScores);
    EXPECT_EQ(v.computer.pdfLayout, layout);
    EXPECT_EQ(v.computer.postFilesModifiedAfter, 1700000000);
    EXPECT_TRUE(v.computer.autoFillHandRecord);
    EXPECT_FALSE(v.computer.useCheckScoreData);
    EXPECT_EQ(v.website.websiteUrl, "https://Club.Example.org/Results");
    EXPECT_EQ(v.website.daysToIndex, 366);
    EXPECT_EQ(v.website.oldestToIndex, 86400);
    EXPECT_TRUE(v.website.rebuildIndexFromWebsite);
    EXPECT_EQ(v.ftp.server, "127.0.0.1");
    EXPECT_EQ(v.ftp.password, "s3cret!");
    EXPECT_FALSE(v.ftp.passive);
    EXPECT_TRUE(v.ftp.alertNoBws);
}

TEST(SetupSheetTest, ReopensOnTheLastPageAndCancelKeepsNothing)
{
    CDialogScript script;
    {
        CSetupPropSheet sheet(nullptr, Fixture("/"), false);
        sheet.GetBookCtrl()->SetSelection(1);
        EXPECT_EQ(RunModal(sheet, [&] {
            Type(sheet.m_ftp->m_password, "typed");
            ClickId(&sheet, wxID_CANCEL);
            EXPECT_EQ(sheet.m_ftp->m_password->GetValue(), "*****");
        }), wxID_CANCEL);
    }
    EXPECT_EQ(CSetupPropSheet::GetLastActivePage(), 1);
    CSetupPropSheet again(nullptr, Fixture("/"), false);
    EXPECT_EQ(again.GetBookCtrl()->GetSelection(), 1);
}

// With Shift held the date of one picker and the time of the other make
// the new time; a time later than now is refused.
TEST(SetupSheetTest, ShiftLetsThePostTimeChangeButNotIntoTheFuture)
{
    CDialogScript script;
    CSetupPropSheet sheet(nullptr, Fixture("/"), true);
    sheet.GetBookCtrl()->SetSelection(0);
    CSetupComputerPage* c = sheet.m_computer;
    EXPECT_EQ(RunModal(sheet, [&] {
        EXPECT_TRUE(c->m_postDate->IsEnabled());
        c->m_postDate->SetValue(wxDateTime::Now() + wxDateSpan::Days(2));
        ClickId(&sheet, wxID_OK);
        ASSERT_EQ(script.messages.size(), 1u);
        EXPECT_TRUE(script.messages[0].StartsWith("Post Files Modified After cannot be later than the current time"))
            << script.messages[0];
        EXPECT_TRUE(sheet.IsModal());
        c->m_postDate->SetValue(wxDateTime(3, wxDateTime::Mar, 2024));
        c->m_postTime->SetValue(wxDateTime(3, wxDateTime::Mar, 2024, 18, 30, 5));
        ClickId(&sheet, wxID_OK);
    }), wxID_OK);
    EXPECT_EQ(sheet.GetValues().computer.postFilesModifiedAfter, 1709490605);  // 03/03/2024 18:30:05 UTC
}

TEST(SetupSheetTest, EachProtocolKeepsItsPortAndSftpNeedsTheProgram)
{
    CDialogScript script;
    SetupSheetValues values = Fixture("/");
    values.ftp.sftpAvailable = false;
    CSetupPropSheet sheet(nullptr, values, false);
    CSetupFtpPage* f = sheet.m_ftp;
    EXPECT_EQ(RunModal(sheet, [&] {
        sheet.GetBookCtrl()->SetSelection(2);
        Choose(f->m_protocol, 1);
        EXPECT_EQ(f->m_port->GetValue(), "21");
        Type(f->m_port, "990");
        Type(f->m_parameters, "--ssl-reqd");
        Choose(f->m_protocol, 0);
        EXPECT_EQ(f->m_port->GetValue(), "21");
        EXPECT_EQ(f->m_parameters->GetValue(), "");
        Choose(f->m_protocol, 1);
        EXPECT_EQ(f->m_port->GetValue(), "990");
        // SFTP without the sftp program: said plainly, FTPS stays chosen.
        Choose(f->m_protocol, 2);
        ASSERT_EQ(script.messages.size(), 1u);
        EXPECT_NE(script.messages[0].Find("the OpenSSH sftp program was not found"), wxNOT_FOUND)
            << script.messages[0];
        EXPECT_EQ(f->m_protocol->GetSelection(), 1);
        EXPECT_EQ(f->m_port->GetValue(), "990");
        ClickId(&sheet, wxID_OK);
    }), wxID_OK);
    const SetupSheetValues v = sheet.GetValues();
    EXPECT_EQ(v.ftp.protocol, 1);
    EXPECT_EQ(v.ftp.port[0], "21");
    EXPECT_EQ(v.ftp.port[1], "990");
    EXPECT_EQ(v.ftp.parameters[1], "--ssl-reqd");
    EXPECT_EQ(v.ftp.port[2], "22");
}

// Every value that cannot be used is caught on OK: the sheet stays open on
// the field's page with the focus on the field and says why.
TEST(SetupSheetTest, BadInputIsCaughtOnItsField)
{
    CTempFolder folder;
    struct Case {
        const char* name;
        int page;
        std::function<wxTextCtrl*(CSetupPropSheet&)> field;
        wxString text;
        const char* message;
    };
    const Case cases[] = {
        {"port-too-big", 2, [](CSetupPropSheet& s) { return s.m_ftp->m_port; }, "65557",
         "Enter a port number between 1 and 65535 for FTP."},
        {"port-zero", 2, [](CSetupPropSheet& s) { return s.m_ftp->m_port; }, "0", "Enter a port number"},
        {"port-empty", 2, [](CSetupPropSheet& s) { return s.m_ftp->m_port; }, "", "Enter a port number"},
        {"port-not-number", 2, [](CSetupPropSheet& s) { return s.m_ftp->m_port; }, "2l", "Enter a port number"},
        {"server-empty", 2, [](CSetupPropSheet& s) { return s.m_ftp->m_server; }, "", "Enter the server's host name"},
        {"server-url", 2, [](CSetupPropSheet& s) { return s.m_ftp->m_server; }, "ftp://ftp.example.org",
         "The server name is not valid"},
        {"directory-backslash", 2, [](CSetupPropSheet& s) { return s.m_ftp->m_directory; }, "public\\results",
         "Use / (not \\) between the folder names of the Directory."},
        {"url-no-scheme", 1, [](CSetupPropSheet& s) { return s.m_website->m_url; }, "club.example.org",
         "The Website URL is not valid"},
        {"url-empty", 1, [](CSetupPropSheet& s) { return s.m_website->m_url; }, "", "Enter the Website URL"},
        {"days-range", 1, [](CSetupPropSheet& s) { return s.m_website->m_days; }, "1000000",
         "Enter an integer between 0 and 999999."},
        {"days-text", 1, [](CSetupPropSheet& s) { return s.m_website->m_days; }, "", "Enter an integer."},
        {"web-folder-backslash", 1, [](CSetupPropSheet& s) { return s.m_website->m_scoreFolder; }, "a\\b",
         "Use / (not \\)"},
        {"score-folder-missing", 0, [](CSetupPropSheet& s) { return s.m_computer->m_scoreFolder; },
         wxString::FromUTF8(folder.File("nowhere")), "The Score File Directory does not exist"},
        {"layout-missing", 0, [](CSetupPropSheet& s) { return s.m_computer->m_pdfLayout; }, "/nowhere/x.pbn",
         "The PDF Layout file cannot be found"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDialogScript script;
        CSetupPropSheet sheet(nullptr, Fixture(folder.Path()), false);
        sheet.GetBookCtrl()->SetSelection(c.page == 0 ? 2 : 0);
        wxTextCtrl* field = c.field(sheet);
        EXPECT_EQ(RunModal(sheet, [&] {
            Type(field, c.text);
            ClickId(&sheet, wxID_OK);
            ASSERT_EQ(script.messages.size(), 1u);
            EXPECT_TRUE(script.messages[0].StartsWith(c.message)) << script.messages[0];
            EXPECT_TRUE(sheet.IsModal());
            EXPECT_EQ(sheet.GetBookCtrl()->GetSelection(), c.page);
            EXPECT_EQ(wxWindow::FindFocus(), field);
            if (std::string(c.name) == "port-too-big")
                Shot(&sheet, "setup-ftp-bad-port");
            ClickId(&sheet, wxID_CANCEL);
        }), wxID_CANCEL);
    }
}

// A folder typed into the folder chooser that does not exist is refused
// there; the field keeps its folder.
TEST(SetupSheetTest, TheFolderChooserRefusesAMissingFolder)
{
    CDialogScript script;
    script.answers = {"/no/such/folder"};
    CSetupPropSheet sheet(nullptr, Fixture("/"), false);
    EXPECT_EQ(RunModal(sheet, [&] {
        Click(sheet.m_computer->FindWindow("browseScoreFolder"));
        ClickId(&sheet, wxID_CANCEL);
    }), wxID_CANCEL);
    EXPECT_EQ(script.messages, std::vector<wxString>{"Invalid directory: /no/such/folder"});
    EXPECT_EQ(sheet.m_computer->m_scoreFolder->GetValue(), "/");
}

// A port at fault on another protocol than the one on show is brought up.
TEST(SetupSheetTest, APortOfAnotherProtocolIsShownWhenAtFault)
{
    CDialogScript script;
    CSetupPropSheet sheet(nullptr, Fixture("/"), false);
    CSetupFtpPage* f = sheet.m_ftp;
    EXPECT_EQ(RunModal(sheet, [&] {
        Choose(f->m_protocol, 2);
        Type(f->m_port, "70000");
        Choose(f->m_protocol, 0);
        ClickId(&sheet, wxID_OK);
        ASSERT_EQ(script.messages.size(), 1u);
        EXPECT_EQ(script.messages[0], "Enter a port number between 1 and 65535 for SFTP.");
        EXPECT_EQ(f->m_protocol->GetSelection(), 2);
        EXPECT_EQ(f->m_port->GetValue(), "70000");
        Type(f->m_port, "2222");
        ClickId(&sheet, wxID_OK);
    }), wxID_OK);
    EXPECT_EQ(sheet.GetValues().ftp.port[2], "2222");
    EXPECT_EQ(sheet.GetValues().ftp.protocol, 2);
}

// Stored times outside the pickers' range (a damaged or very old setup) are
// shown at the nearest end and handed back unchanged when left alone, also
// east of UTC where 1970-01-01 00:00 local comes before the epoch.
TEST(SetupSheetTest, TimesOutsideThePickersRangeSurviveUntouched)
{
    CTimeZoneGuard tokyo("Asia/Tokyo");
    ASSERT_TRUE(FileExists("/usr/share/zoneinfo/Asia/Tokyo"));
    SetupSheetValues values = Fixture("/");
    values.website.oldestToIndex = 0;
    values.computer.postFilesModifiedAfter = 40000000000;  // in the year 3237
    CDialogScript script;
    CSetupPropSheet sheet(nullptr, values, true);
    EXPECT_EQ(RunModal(sheet, [&] {
        EXPECT_EQ(sheet.m_website->m_oldest->GetValue().Format("%Y-%m-%d"), "1970-01-02");
        EXPECT_EQ(sheet.m_computer->m_postDate->GetValue().Format("%Y-%m-%d"), "3000-12-30");
        ClickId(&sheet, wxID_OK);
    }), wxID_OK);
    EXPECT_TRUE(script.messages.empty());
    EXPECT_EQ(sheet.GetValues().website.oldestToIndex, 0);
    EXPECT_EQ(sheet.GetValues().computer.postFilesModifiedAfter, 40000000000);
}
