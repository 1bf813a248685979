// The demo path of scripts/demo under Xvfb: loopback FTP and web servers
// sharing the club website, the demo club written by qm_make_demo, the
// program opened on its setup file; F4 puts the results pages with their
// PDF and hand records on the server, and the index page and a results page
// show in the view.
#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/listctrl.h>
#include <wx/uiaction.h>
#include <wx/webview.h>

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>

#include "app/quillmark_app.h"
#include "gui/gui_support.h"
#include "platform/path_helpers.h"
#include "support/child_process.h"
#include "support/servers.h"
#include "ui/app_shell.h"
#include "ui/command_ids.h"
#include "ui/confirm_dialog.h"
#include "ui/main_frame.h"
#include "ui/quillmark_view.h"

namespace {

// The files with an extension in a folder of the website (not the
// template), sorted.
std::vector<std::string> FilesIn(const std::string& folder, const std::string& extension)
{
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() == extension && name.find("template") == std::string::npos)
            files.push_back(name);
    }
    std::sort(files.begin(), files.end());
    return files;
}

size_t CountOf(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

}  // namespace

TEST(DemoTest, PostGamesPutsThePagesOnTheServerAndShowsOneInTheView)
{
    CProgramFolders folders;
    const std::string demo = folders.folder.File("demo");
    const std::string site = JoinPath(demo, "site");
    ::mkdir(demo.c_str(), 0700);
    ::mkdir(site.c_str(), 0755);
    const std::string password = "demo pass";
    loopback::CFtpServer ftp;
    loopback::CHttpServer http;
    ASSERT_TRUE(ftp.Start(site, "club", password, {}, folders.folder.File("ftp.log")));
    ASSERT_TRUE(http.Start(site, folders.folder.File("posts.jsonl"), folders.folder.File("http.log")));

    // The demo club, written by the tool the demo script runs.
    std::string setup;
    {
        CChildProcess maker(TestProgramPath("qm_make_demo"),
                            {demo, std::to_string(ftp.Port()), std::to_string(http.Port()), password,
                             std::string(QM_SOURCE_DIR) + "/scripts/demo-site"});
        ASSERT_TRUE(maker.ReadLine(setup));
        ASSERT_EQ(maker.Wait(), 0);
    }

    CAppShell shell;
    CBoxAnswerer boxes;
    ASSERT_TRUE(shell.Start({setup}));
    CMainFrame* frame = shell.Frame();
    std::vector<std::string> loaded;
    CDialogOkClicker confirm("Confirm Posting");
    std::vector<std::string> handRecordCells;
    confirm.beforeClick = [&](wxWindow* dlg) {
        const wxListCtrl* list = static_cast<CConfirmDialog*>(dlg)->GetList();
        for (int row = 0; row < list->GetItemCount(); ++row)
            handRecordCells.push_back(list->GetItemText(row, 1).ToStdString());
        TakeScreenshot("demo-confirm-posting");
    };

    // F4, pressed while the web page has the keyboard.
    wxButton* post = frame->GetDialogBar()->postGames;
    frame->UpdateWindowUI(wxUPDATE_UI_RECURSE);
    ASSERT_TRUE(post->IsEnabled());
    frame->Raise();
    frame->GetView()->GetWebView()->SetFocus();
    wxUIActionSimulator sim;
    ASSERT_TRUE(MovePointerTo(frame->GetView()->GetScreenRect().GetTopLeft() + wxPoint(50, 50)));
    sim.Char(WXK_F4);
    // The key is handled by a running event loop, as in the program. Inside
    // a yield the posting could not pump the browser between its pages: all
    // nine page loads would reach the browser at once after the posting, a
    // burst the user never causes.
    ASSERT_TRUE(RunLoopUntil(
        [&] { return confirm.clicked > 0 && frame->GetPaneText(2).rfind("Post Games", 0) == 0; }, 30000));

    EXPECT_EQ(confirm.clicked, 1);
    EXPECT_TRUE(boxes.texts.empty()) << boxes.texts.front();
    EXPECT_EQ(frame->GetPaneText(2).rfind("Post Games succeeded: 3 score files", 0), 0u) << frame->GetPaneText(2);

    // Each game's hand records found by the program and attached.
    std::sort(handRecordCells.begin(), handRecordCells.end());
    ASSERT_EQ(handRecordCells.size(), 3u);
    for (const auto& cell : handRecordCells)
        EXPECT_TRUE(cell.size() == 11 && cell.substr(7) == ".pbn") << cell;

    // Three results pages on the server, each merged into the template
    // once and showing its deals, each with its PDF and hand records.
    const std::string results = JoinPath(site, "results");
    const std::vector<std::string> pages = FilesIn(results, ".html");
    ASSERT_EQ(pages.size(), 3u);
    for (const auto& page : pages) {
        const std::string text = ReadWholeFile(JoinPath(results, page));
        EXPECT_NE(text.find("Ostervale Bridge Club</h1>"), std::string::npos) << page;
        EXPECT_EQ(CountOf(text, "<!--quillmark:insertend-->"), 1u) << page;
        EXPECT_NE(text.find("id=\"board-3\""), std::string::npos) << page;
        const std::string base = page.substr(0, page.size() - 5);
        EXPECT_EQ(ReadWholeFile(JoinPath(results, base + ".pdf")).rfind("%PDF-", 0), 0u) << page;
        EXPECT_NE(ReadWholeFile(JoinPath(results, base + ".pbn")).find("[Deal "), std::string::npos) << page;
    }

    // The view ends on the website's index page, which links all three.
    const std::string website = "http://127.0.0.1:" + std::to_string(http.Port()) + "/";
    ASSERT_TRUE(WaitUntil([&] { return frame->GetView()->GetCurrentURL() == website + "index.htm"; }, 15000))
        << frame->GetView()->GetCurrentURL();
    std::string source;
    EXPECT_TRUE(WaitUntil([&] {
        source = frame->GetView()->GetPageSource();
        return source.find(pages[0]) != std::string::npos && source.find(pages[2]) != std::string::npos;
    })) << frame->GetView()->GetCurrentURL() << " shows:\n" << source.substr(0, 2000);
    // ... and their PDFs and hand records.
    const std::string index = ReadWholeFile(JoinPath(site, "index.htm"));
    for (const auto& page : pages) {
        const std::string base = page.substr(0, page.size() - 5);
        EXPECT_NE(index.find(base + ".pdf\""), std::string::npos) << base;
        EXPECT_NE(index.find(base + ".pbn\""), std::string::npos) << base;
    }
    TakeScreenshot("demo-index-page");

    // A results page as the website serves it.
    frame->GetView()->onLoaded = [&](const std::string& url) { loaded.push_back(url); };
    const std::string page = website + "results/" + pages[0];
    shell.App().NavigateView(page);
    ASSERT_TRUE(WaitUntil([&] { return std::count(loaded.begin(), loaded.end(), page) > 0; }));
    EXPECT_NE(frame->GetView()->GetPageSource().find("Ann Hale"), std::string::npos);
    EXPECT_NE(frame->GetView()->GetPageSource().find("id=\"board-1\""), std::string::npos);
    EXPECT_EQ(frame->GetPaneText(3), page);
    // Hearts and diamonds red, spades and clubs not, as the browser draws
    // the page merged into the club's template.
    wxString colours;
    ASSERT_TRUE(frame->GetView()->GetWebView()->RunScript(
        "var seen = {};"
        "var walk = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);"
        "while (walk.nextNode()) {"
        "  var t = walk.currentNode, m = t.data.match(/[\\u2660\\u2665\\u2666\\u2663]/);"
        "  if (m) seen[m[0] + getComputedStyle(t.parentNode).color] = 1;"
        "}"
        "Object.keys(seen).sort().join(' ');",
        &colours));
    EXPECT_EQ(std::string(colours.utf8_str()),
              "\u2660rgb(34, 34, 34) \u2663rgb(34, 34, 34) \u2665rgb(192, 0, 0) \u2666rgb(192, 0, 0)");
    TakeScreenshot("demo-results-page");

    frame->Close();
    EXPECT_TRUE(WaitUntil([&] { return shell.FrameClosed(); }));
}
