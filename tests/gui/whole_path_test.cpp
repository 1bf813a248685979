// The whole way from the window: Setup entered by hand for an FTP server on
// this machine, F4, Confirm Posting with a hand-record file attached,
// Identify Score File for a game whose limits and section are missing, and
// the pages then on the server and in the HTML view.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <fstream>
#include <sys/time.h>

#include <wx/bookctrl.h>
#include <wx/listctrl.h>
#include <wx/evtloop.h>
#include <wx/stopwatch.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

#include "app/setup_file.h"
#include "dialog_driver.h"
#include "gui/gui_support.h"
#include "gui/setup_dialog_driver.h"
#include "platform/path_helpers.h"
#include "platform/text_helpers.h"
#include "support/golden_file.h"
#include "support/posting_samples.h"
#include "support/servers.h"
#include "ui/app_shell.h"
#include "ui/command_ids.h"
#include "ui/confirm_dialog.h"
#include "ui/id_file_dialog.h"
#include "ui/main_frame.h"
#include "ui/quillmark_view.h"
#include "ui/setup_sheet.h"
#include "ui/wx_prompter.h"

namespace {

// The window prompter with one change: the Select Hand Records file dialog
// is answered by the test.
class CHandRecordPrompter : public CWxPrompter {
public:
    std::string handRecords;
    bool OpenFileDialog(const FileDialogRequest& request, std::string& path, int& filterIndex) override
    {
        titles.push_back(request.title);
        path = handRecords;
        return !path.empty();
    }
    std::vector<std::string> titles;
};

void WriteWithTime(const std::string& path, const std::string& text, int64_t modified)
{
    std::ofstream(path, std::ios::binary) << text;
    const timeval times[2] = {{static_cast<time_t>(modified), 0}, {static_cast<time_t>(modified), 0}};
    ::utimes(path.c_str(), times);
}

// An empty setup data file, so that saving needs no Save As dialog.
bool WriteEmptySetup(const std::string& path)
{
    CQuillmarkApp* previous = GetAppPtr();
    bool ok = false;
    {
        CQuillmarkApp app;
        SetAppPtr(&app);
        CScriptedPrompter prompter;
        app.SetPrompter(&prompter);
        CQuillmarkDoc doc(app);
        ok = doc.OnSaveDocument(path);
    }
    SetAppPtr(previous);
    return ok;
}

}  // namespace

TEST(WholePathTest, SetupByHandThenF4PostsTheGamesToTheServer)
{
    CProgramFolders folders;
    CTempFolder work;
    const std::string www = work.File("www");
    ::mkdir(www.c_str(), 0777);
    ::mkdir((www + "/results").c_str(), 0777);
    work.Write("www/results/results_template.html", ReadTestData("template/results_template.html"));
    work.Write("www/index_template.htm", ReadTestData("index/index_template.htm"));
    loopback::CFtpServer ftp;
    ASSERT_TRUE(ftp.Start(www, "club", "pairs", "", work.File("ftp.log")));
    loopback::CHttpServer http;
    ASSERT_TRUE(http.Start(www, work.File("posts.txt"), work.File("http.log")));

    // Two games newer than now: the 5th complete with its hand records
    // beside it, the 6th without limits and section.
    const std::string scores = work.File("scores");
    ::mkdir(scores.c_str(), 0700);
    const int64_t now = ::time(nullptr);
    samples::WriteGame(scores, 5, now + 120, true);
    std::string sixth = samples::GameText(6);
    sixth = ReplaceAll(ReplaceAll(sixth, " | SECTION> B", ""), " | MP LIMITS> None", "");
    WriteWithTime(JoinPath(scores, samples::GameFileName(6)), sixth, now + 60);
    const std::string layout = work.Write("page.vtl", "title = Club Pairs\n");
    const std::string setupFile = work.File("club.qsu");
    ASSERT_TRUE(WriteEmptySetup(setupFile));

    CAppShell shell;
    CBoxAnswerer boxes;  // the hand-record alert: post anyway
    ASSERT_TRUE(shell.Start({setupFile}));
    CMainFrame* frame = shell.Frame();
    CHandRecordPrompter prompter;
    prompter.SetParent(frame);
    prompter.handRecords = JoinPath(scores, samples::HandRecordFileName(5));
    shell.App().SetPrompter(&prompter);

    // Setup by hand.
    WhenDialogShows(
        [&](wxDialog& shown) {
            auto* sheet = wxDynamicCast(&shown, CSetupPropSheet);
            ASSERT_NE(sheet, nullptr);
            CSetupComputerPage* c = sheet->m_computer;
            TypeText(c->m_scoreFolder, scores);
            TypeText(c->m_htmlLayout, layout);
            sheet->GetBookCtrl()->SetSelection(1);
            CSetupWebsitePage* w = sheet->m_website;
            TypeText(w->m_url, http.Url());
            TypeText(w->m_indexTemplate, "index_template.htm");
            TypeText(w->m_indexFile, "index.htm");
            TypeText(w->m_scoreFolder, "results");
            TypeText(w->m_scoreTemplate, "results_template.html");
            setupdrv::Tick(w->m_linkHandRecords, true);
            sheet->GetBookCtrl()->SetSelection(2);
            CSetupFtpPage* f = sheet->m_ftp;
            setupdrv::Choose(f->m_protocol, PROTOCOL_FTP);
            TypeText(f->m_server, "127.0.0.1");
            TypeText(f->m_user, "club");
            TypeText(f->m_password, "pairs");
            TypeText(f->m_port, std::to_string(ftp.Port()));
            setupdrv::Tick(f->m_passive, true);
            SaveShot(sheet, "whole_path_setup_ftp");
            Click(sheet->FindWindow(wxID_OK));
        },
        "Quillmark Setup");
    ASSERT_TRUE(frame->RunCommand(CMD_SETUP_SETUP));
    ASSERT_EQ(shell.App().Setup().m_Ftp.m_strServer, "127.0.0.1");

    // F4, then Confirm Posting: attach the 5th game's hand records by a
    // click in its cell; then Identify Score File for the 6th.
    bool confirmed = false, identified = false;
    WhenDialogShows(
        [&](wxDialog& shown) {
            auto* confirm = wxDynamicCast(&shown, CConfirmDialog);
            ASSERT_NE(confirm, nullptr);
            wxListCtrl* list = confirm->GetList();
            ASSERT_EQ(list->GetItemCount(), 2);
            EXPECT_EQ(list->GetItemText(0, 0), samples::GameFileName(5));
            wxRect cell;
            ASSERT_TRUE(list->GetSubItemRect(0, CConfirmDialog::COL_HAND_RECORDS, cell));
            MouseClickAt(list, wxPoint(cell.x + cell.width / 2, cell.y + cell.height / 2));
            EXPECT_EQ(list->GetItemText(0, 1), samples::HandRecordFileName(5));
            SaveShot(confirm, "whole_path_confirm");
            WhenDialogShows(
                [&](wxDialog& next) {
                    auto* id = wxDynamicCast(&next, CIDFileDialog);
                    ASSERT_NE(id, nullptr);
                    EXPECT_FALSE(id->GetFieldControl(CIDFileDialog::F_EVENT)->IsEnabled());
                    TypeText(id->GetFieldControl(CIDFileDialog::F_LIMIT), "None");
                    TypeText(id->GetFieldControl(CIDFileDialog::F_SECTION), "B");
                    SaveShot(id, "whole_path_identify");
                    Click(id->FindWindow(wxID_OK));
                    identified = true;
                },
                "Identify Score File", 60000);
            Click(confirm->FindWindow(wxID_OK));
            confirmed = true;
        },
        "Confirm Posting", 30000);
    frame->Raise();
    frame->SetFocus();
    ASSERT_TRUE(WaitUntil([&] { return frame->IsActive() && HasFocusWithin(frame); }));
    {
        wxUIActionSimulator keys;
        keys.Char(WXK_F4);
    }
    ASSERT_TRUE(RunLoopUntil([&] { return confirmed; }, 30000))
        << "no Confirm Posting after F4: " << frame->GetLastStatus() << "\n" << ReadWholeFile(JoinPath(folders.Data(), "QuillmarkLogfile.txt"));
    ASSERT_TRUE(WaitUntil([&] { return identified; }, 60000));
    ASSERT_TRUE(WaitUntil([&] { return shell.App().GetHistory().GetCount() == 2 && shell.App().IsIdle(); }, 60000));

    // On the server: both pages, and the hand records attached to the 5th.
    EXPECT_TRUE(FileExists(JoinPath(www, "results/" + samples::PageName(5, ".html"))));
    EXPECT_TRUE(FileExists(JoinPath(www, "results/" + samples::PageName(6, ".html"))));
    EXPECT_TRUE(FileExists(JoinPath(www, "results/" + samples::PageName(5, ".pbn"))));
    EXPECT_NE(ReadWholeFile(JoinPath(www, "index.htm")).find(samples::PageName(6, ".html")), std::string::npos);
    EXPECT_EQ(prompter.titles.size(), 1u);
    // In the HTML view: the website's index, now naming both pages.
    ASSERT_TRUE(WaitUntil([&] {
        return frame->GetView()->GetCurrentURL() == http.Url() + "/index.htm" &&
               frame->GetView()->GetPageSource().find(samples::PageName(6, ".html")) != std::string::npos;
    }, 20000)) << frame->GetView()->GetCurrentURL();
    PumpFor(2000);
    TakeScreenshot("whole_path_posted_page");

    shell.App().SetPrompter(&shell.Prompter());
    frame->Close();
    ASSERT_TRUE(WaitUntil([&] { return shell.FrameClosed(); }));
    shell.Exit();
}
