// The Setup sheet on fixture values, driven through its controls.
#include <gtest/gtest.h>

#include <wx/bookctrl.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/datectrl.h>
#include <wx/textctrl.h>
#include <wx/timectrl.h>

#include <sys/stat.h>

#include <memory>

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
    v.website.websiteUrl = "http://club.example.org";
    v.website.indexFile = "index.htm";
    v.website.oldestToIndex = 86400;
    v.website.daysToIndex = 365;
    v.ftp.server = "ftp.example.org";
    v.ftp.user = "club";
    v.ftp.password = "************";
    v.ftp.directory = "public_html";
    v.ftp.port[0] = "21";
    v.ftp.port[1] = "21";
    v.ftp.port[2] = "22";
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
    // The first folder answer does not exist: refused, the field keeps its folder.
    script.answers = {"/no/such/folder", wxString::FromUTF8(newScores), wxString::FromUTF8(layout)};

    auto sheet = std::make_unique<CSetupPropSheet>(nullptr, Fixture(folder.Path()), false);
    sheet->GetBookCtrl()->SetSelection(0);
    const int result = RunModal(*sheet, [&] {
        wxBookCtrlBase* book = sheet->GetBookCtrl();
        CSetupComputerPage* c = sheet->m_computer;
        // Without Shift the time after which files count as new is fixed.
        EXPECT_FALSE(c->m_postDate->IsEnabled());
        Shot(sheet.get(), "setup-computer");
        Click(c->FindWindow("browseScoreFolder"));
        EXPECT_EQ(script.messages, std::vector<wxString>{"Invalid directory: /no/such/folder"});
        EXPECT_EQ(c->m_scoreFolder->GetValue(), wxString::FromUTF8(folder.Path()));
        Click(c->FindWindow("browseScoreFolder"));
        Click(c->FindWindow("browsePdf"));

        book->SetSelection(1);
        Shot(sheet.get(), "setup-website");
        Type(sheet->m_website->m_url, "https://Club.Example.org/Results");

        book->SetSelection(2);
        CSetupFtpPage* f = sheet->m_ftp;
        Shot(sheet.get(), "setup-ftp");
        Type(f->m_password, "s3cret!");
        Tick(f->m_passive, false);
        ClickId(sheet.get(), wxID_OK);
        // After OK the field shows asterisks of the typed length only.
        EXPECT_EQ(f->m_password->GetValue(), "*******");
    });
    EXPECT_EQ(result, wxID_OK);
    EXPECT_EQ(script.messages.size(), 1u);
    EXPECT_EQ(script.chooserKinds, (std::vector<std::string>{"folder", "folder", "file"}));
    const SetupSheetValues v = sheet->GetValues();
    EXPECT_EQ(v.computer.scoreFileDirectory, newScores);
    EXPECT_EQ(v.computer.pdfLayout, layout);
    EXPECT_EQ(v.computer.postFilesModifiedAfter, 1700000000);
    EXPECT_EQ(v.website.websiteUrl, "https://Club.Example.org/Results");
    EXPECT_EQ(v.ftp.password, "s3cret!");
    EXPECT_FALSE(v.ftp.passive);
    // The next sheet opens on the page last shown.
    sheet.reset();
    EXPECT_EQ(CSetupPropSheet(nullptr, Fixture("/"), false).GetBookCtrl()->GetSelection(), 2);
}

// Each protocol keeps its own port; a port at fault on a protocol not on
// show is brought up on OK; SFTP without the program is refused plainly.
TEST(SetupSheetTest, EachProtocolKeepsItsPortAndSftpNeedsTheProgram)
{
    CDialogScript script;
    SetupSheetValues values = Fixture("/");
    values.ftp.sftpAvailable = false;
    CSetupPropSheet sheet(nullptr, values, false);
    CSetupFtpPage* f = sheet.m_ftp;
    EXPECT_EQ(RunModal(sheet, [&] {
        sheet.GetBookCtrl()->SetSelection(2);
        Choose(f->m_protocol, 2);
        ASSERT_EQ(script.messages.size(), 1u);
        EXPECT_NE(script.messages[0].Find("the OpenSSH sftp program was not found"), wxNOT_FOUND)
            << script.messages[0];
        EXPECT_EQ(f->m_protocol->GetSelection(), 0);
        Choose(f->m_protocol, 1);
        Type(f->m_port, "70000");
        Choose(f->m_protocol, 0);
        EXPECT_EQ(f->m_port->GetValue(), "21");
        ClickId(&sheet, wxID_OK);
        ASSERT_EQ(script.messages.size(), 2u);
        EXPECT_EQ(script.messages[1], "Enter a port number between 1 and 65535 for FTPS.");
        EXPECT_EQ(f->m_protocol->GetSelection(), 1);
        EXPECT_EQ(f->m_port->GetValue(), "70000");
        Type(f->m_port, "990");
        ClickId(&sheet, wxID_OK);
    }), wxID_OK);
    const SetupSheetValues v = sheet.GetValues();
    EXPECT_EQ(v.ftp.protocol, 1);
    EXPECT_EQ(v.ftp.port[0], "21");
    EXPECT_EQ(v.ftp.port[1], "990");
}

// Every value that cannot be used is caught on OK: the sheet stays open on
// the field's page with the focus on the field and says why.
TEST(SetupSheetTest, BadInputIsCaughtOnItsField)
{
    CTempFolder folder;
    using Field = wxTextCtrl* (*)(CSetupPropSheet&);
    const Field port = [](CSetupPropSheet& s) { return s.m_ftp->m_port; };
    const Field server = [](CSetupPropSheet& s) { return s.m_ftp->m_server; };
    const Field url = [](CSetupPropSheet& s) { return s.m_website->m_url; };
    struct Case {
        int page;
        Field field;
        wxString text;
        const char* message;
    } const cases[] = {
        {2, port, "65557", "Enter a port number between 1 and 65535 for FTP."},
        {2, port, "0", "Enter a port number"},
        {2, port, "2l", "Enter a port number"},
        {2, server, "", "Enter the server's host name"},
        {2, server, "ftp://ftp.example.org", "The server name is not valid"},
        {2, [](CSetupPropSheet& s) { return s.m_ftp->m_directory; }, "public\\results",
         "Use / (not \\) between the folder names of the Directory."},
        {2, [](CSetupPropSheet& s) { return s.m_ftp->m_parameters; }, "-v \"-oProxyCommand=sh -c x\"",
         "The Additional Parameters for FTP hold \"-oProxyCommand=sh -c x\", which Quillmark does not accept"},
        {1, url, "club.example.org", "The Website URL is not valid"},
        {1, url, "", "Enter the Website URL"},
        {1, [](CSetupPropSheet& s) { return s.m_website->m_indexFile; }, "../../x/",
         "The Index Filename is not a plain file name: \"../../x/\""},
        {1, [](CSetupPropSheet& s) { return s.m_website->m_indexFile; }, "..", "The Index Filename is not"},
        {0, [](CSetupPropSheet& s) { return s.m_computer->m_scoreFolder; },
         wxString::FromUTF8(folder.File("nowhere")), "The Score File Directory does not exist"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
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
            ClickId(&sheet, wxID_CANCEL);
        }), wxID_CANCEL);
    }
}

// With Shift held the post time can change, but not into the future.
TEST(SetupSheetTest, ShiftLetsThePostTimeChangeButNotIntoTheFuture)
{
    CDialogScript script;
    CSetupPropSheet sheet(nullptr, Fixture("/"), true);
    sheet.GetBookCtrl()->SetSelection(0);
    CSetupComputerPage* c = sheet.m_computer;
    EXPECT_EQ(RunModal(sheet, [&] {
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
