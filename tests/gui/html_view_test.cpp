// The HTML view: pages the program opens, the browser buttons' state, the
// address line and the page source.
#include <gtest/gtest.h>
#include <wx/menu.h>
#include <wx/webview.h>

#include <algorithm>

#include "gui/gui_support.h"
#include "support/servers.h"
#include "ui/app_shell.h"
#include "ui/command_ids.h"
#include "ui/main_frame.h"
#include "ui/quillmark_view.h"
#include "ui/text_dialog.h"
#include "ui/web_view_hardening.h"

namespace {

const char kResultsPage[] =
    "<html><head><title>Tuesday Evening Pairs</title></head><body style=\"font-family:sans-serif\">\n"
    "<h2>Ostervale Bridge Club</h2><h3>Tuesday Evening Pairs &mdash; 3 December 2026</h3>\n"
    "<table border=\"1\" cellpadding=\"4\" style=\"border-collapse:collapse\">\n"
    "<tr><th>Place</th><th>Pair</th><th>Names</th><th>Score</th><th>Pct</th></tr>\n"
    "<tr><td>1</td><td>4</td><td>Ann Hale - Bo Lind</td><td>118.5</td><td>65.83</td></tr>\n"
    "<tr><td>2</td><td>1</td><td>Cy Moor - Di Nash</td><td>97.0</td><td>53.89</td></tr>\n"
    "<tr><td>3</td><td>6</td><td>Ed Orr - Flo Park</td><td>88.0</td><td>48.89</td></tr>\n"
    "</table></body></html>\n";

}  // namespace

TEST(HtmlViewTest, OpenedPagesDriveTheButtonsAddressLineAndSource)
{
    CProgramFolders folders;
    CAppShell shell;
    ASSERT_TRUE(shell.Start({}));
    CMainFrame* frame = shell.Frame();
    CQuillmarkView* view = frame->GetView();
    std::vector<std::string> loaded;
    view->onLoaded = [&](const std::string& url) { loaded.push_back(url); };
    auto enabled = [&](unsigned id) {
        frame->UpdateWindowUI(wxUPDATE_UI_RECURSE);
        return frame->GetMenuBar()->FindItem(WindowIdOf(id))->IsEnabled();
    };

    const std::string first = "file://" + folders.folder.Write("results.htm", kResultsPage);
    const std::string second = "file://" + folders.folder.Write("index.htm", "<html><body>Index</body></html>\n");
    auto loadedCount = [&](const std::string& url) { return std::count(loaded.begin(), loaded.end(), url); };
    shell.App().NavigateView(first);
    ASSERT_TRUE(WaitUntil([&] { return loadedCount(first) > 0; }));
    PumpFor(200);
    // Loaded and refreshed once: one completed load reported.
    EXPECT_EQ(loadedCount(first), 1);
    EXPECT_EQ(frame->GetPaneText(3), first);
    EXPECT_TRUE(enabled(ID_NAV_REFRESH));
    EXPECT_FALSE(enabled(ID_NAV_STOP));
    EXPECT_NE(view->GetPageSource().find("Tuesday Evening Pairs"), std::string::npos);
    frame->Raise();
    EXPECT_TRUE(WaitUntil([&] { return frame->IsActive(); }));
    TakeScreenshot("main-window-results-page");

    // View > Source opens the source viewer; later pages reuse it.
    auto viewSource = [&] {
        wxCommandEvent choose(wxEVT_MENU, WindowIdOf(ID_VIEW_SOURCE));
        frame->GetEventHandler()->ProcessEvent(choose);
    };
    ASSERT_TRUE(enabled(ID_VIEW_SOURCE));
    viewSource();
    CTextDialog* viewer = view->GetSourceViewer();
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->IsShown());
    EXPECT_NE(viewer->GetText().find(L"Tuesday Evening Pairs"), std::wstring::npos);
    viewer->Close();

    shell.App().NavigateView(second);
    ASSERT_TRUE(WaitUntil([&] { return loadedCount(second) > 0; }));
    viewSource();
    EXPECT_EQ(view->GetSourceViewer(), viewer);
    EXPECT_TRUE(viewer->IsShown());
    EXPECT_NE(viewer->GetText().find(L"Index"), std::wstring::npos);
    EXPECT_EQ(viewer->GetText().find(L"Tuesday"), std::wstring::npos);
    EXPECT_TRUE(WaitUntil([&] { return enabled(ID_NAV_BACK); }, 30000));
    // Back through the menu, as the user chooses it.
    wxCommandEvent back(wxEVT_MENU, WindowIdOf(ID_NAV_BACK));
    frame->GetEventHandler()->ProcessEvent(back);
    ASSERT_TRUE(WaitUntil([&] { return frame->GetPaneText(3) == first; }));
    EXPECT_TRUE(WaitUntil([&] { return enabled(ID_NAV_FORWARD); }, 30000));

    frame->Close();
    WaitUntil([&] { return shell.FrameClosed(); });
}

// A close that is waiting when the browser reports where it went (as at
// the end of a posting run the user closed the window during): the window
// goes, and nothing calls into the browser it took with it.
TEST(HtmlViewTest, AWindowClosedAsTheBrowserMovesOnGoesCleanly)
{
    CProgramFolders folders;
    CAppShell shell;
    ASSERT_TRUE(shell.Start({}));
    CMainFrame* frame = shell.Frame();
    bool closeQueued = false;
    // Bound after the view's own handler, so it runs first: the close is in
    // the queue before the view answers the address.
    frame->GetView()->GetWebView()->Bind(wxEVT_WEBVIEW_NAVIGATED, [&](wxWebViewEvent& event) {
        event.Skip();
        if (!closeQueued) {
            closeQueued = true;
            frame->CallAfter([frame] { frame->Close(); });
        }
    });
    shell.App().NavigateView("file://" + folders.folder.Write("results.htm", kResultsPage));
    // An event loop of its own, as the program's main loop: inside a yield
    // the status channel's answer would not serve the window again.
    EXPECT_TRUE(RunLoopUntil([&] { return shell.FrameClosed(); }, 30000));
    EXPECT_TRUE(closeQueued);
}

TEST(HtmlViewTest, PageSourceEndsAtItsLastTagOrLineEnd)
{
    EXPECT_EQ(CQuillmarkView::TrimPageSource("<html></html>trailing junk"), "<html></html>");
    EXPECT_EQ(CQuillmarkView::TrimPageSource("<p>a</p>\nrest"), "<p>a</p>\n");
    EXPECT_EQ(CQuillmarkView::TrimPageSource("no tag at all"), "no tag at all");
    EXPECT_EQ(CQuillmarkView::TrimPageSource(""), "");
}

// Pages the program opens by their path load as files; and when the next
// page is asked for just as the previous one finishes loading, the view
// ends on the newer page (a refresh of the older one must not overtake it).
TEST(HtmlViewTest, PathsLoadAndANewerPageIsNotOvertakenByARefresh)
{
    CProgramFolders folders;
    CAppShell shell;
    ASSERT_TRUE(shell.Start({}));
    CMainFrame* frame = shell.Frame();
    CQuillmarkView* view = frame->GetView();
    const std::string staging = folders.folder.Write("staging copy.htm", kResultsPage);
    const std::string next = folders.folder.Write("next.htm", "<html><body>Next page</body></html>\n");

    // As posting does: each page asked for the moment the one before it has
    // loaded, before the view has handled that load.
    int asked = 0;
    view->GetWebView()->Bind(wxEVT_WEBVIEW_LOADED, [&](wxWebViewEvent& event) {
        event.Skip();
        if (asked == 1 && event.GetURL().Contains("staging")) {
            asked = 2;
            shell.App().NavigateView(next);
        }
    });
    asked = 1;
    shell.App().NavigateView(staging);
    ASSERT_TRUE(WaitUntil([&] { return asked == 2; }));
    PumpFor(1500);
    EXPECT_TRUE(WaitUntil([&] { return view->GetPageSource().find("Next page") != std::string::npos; }, 30000))
        << view->GetCurrentURL();
    EXPECT_NE(view->GetCurrentURL().find("next.htm"), std::string::npos) << view->GetCurrentURL();

    // The staging copy itself, opened by its path (a blank in the name).
    shell.App().NavigateView(staging);
    EXPECT_TRUE(WaitUntil(
        [&] { return view->GetPageSource().find("Tuesday Evening Pairs") != std::string::npos; }, 30000))
        << view->GetCurrentURL();

    frame->Close();
    WaitUntil([&] { return shell.FrameClosed(); });
}

// A page opened from a file (a downloaded page in the staging folder) can
// still run its own script, but cannot read another local file; and every
// hardening setting is in force on the view.
TEST(HtmlViewTest, AFilePageCannotReadOtherLocalFiles)
{
    CProgramFolders folders;
    CAppShell shell;
    ASSERT_TRUE(shell.Start({}));
    CMainFrame* frame = shell.Frame();
    CQuillmarkView* view = frame->GetView();
    EXPECT_EQ(WebViewSettingsNotInForce(view->GetWebView()), std::vector<std::string>{});

    folders.folder.Write("secret.txt", "TOPSECRET");
    const std::string page = folders.folder.Write(
        "hostile.htm",
        "<html><head><title>start</title></head><body>Results<script>\n"
        "var r = 'script ran: ';\n"
        "try { var x = new XMLHttpRequest(); x.open('GET', 'secret.txt', false); x.send();\n"
        "      r += 'read ' + x.responseText; } catch (e) { r += 'blocked'; }\n"
        "document.title = r;\n"
        "</script></body></html>\n");
    shell.App().NavigateView(page);
    wxWebView* web = view->GetWebView();
    ASSERT_TRUE(WaitUntil([&] { return web->GetCurrentTitle().StartsWith("script ran"); }, 10000))
        << web->GetCurrentTitle();
    EXPECT_EQ(web->GetCurrentTitle(), "script ran: blocked");

    frame->Close();
    WaitUntil([&] { return shell.FrameClosed(); });
}

// Publish Index shows the local index page and, the moment it is up, the
// website's: the browser then reports the local page's end under the
// website page's address while that page is still on its way. A page left
// for a newer one while it loads is reported as failed. Neither may cost
// the newer page: the view ends on it, refreshed once.
TEST(HtmlViewTest, AServerPageAskedForWhileTheOlderOneLoadsIsShownAndRefreshedOnce)
{
    CProgramFolders folders;
    loopback::CHttpServer http;
    ASSERT_TRUE(
        http.Start(folders.folder.Path(), folders.folder.File("posts.jsonl"), folders.folder.File("http.log")));
    CAppShell shell;
    ASSERT_TRUE(shell.Start({}));
    CQuillmarkView* view = shell.Frame()->GetView();
    const std::string local = folders.folder.Write("index.htm", "<html><body>Local index</body></html>\n");
    const std::string website = http.Url() + "/_test/late?delay=1000&name=Website+index";
    const std::string other = http.Url() + "/_test/late?delay=200&name=Other+page";

    std::vector<wxString> asked;  // what the browser set out to load
    auto askedFor = [&](const std::string& url) {
        auto same = [&](const wxString& a) { return CQuillmarkView::SameAddress(a, url); };
        return std::count_if(asked.begin(), asked.end(), same);
    };
    view->GetWebView()->Bind(wxEVT_WEBVIEW_NAVIGATING, [&](wxWebViewEvent& event) {
        event.Skip();
        asked.push_back(event.GetURL());
    });
    view->GetWebView()->Bind(wxEVT_WEBVIEW_NAVIGATED, [&](wxWebViewEvent& event) {
        event.Skip();
        if (event.GetURL().StartsWith("file:") && askedFor(website) == 0)
            shell.App().NavigateView(website);
    });
    auto shows = [&](const char* text) { return view->GetPageSource().find(text) != std::string::npos; };

    shell.App().NavigateView(local);
    EXPECT_TRUE(WaitUntil([&] { return askedFor(website) == 2 && shows("Website index"); }, 30000))
        << askedFor(website) << " loads, now on " << view->GetCurrentURL();
    PumpFor(1000);
    EXPECT_TRUE(shows("Website index")) << view->GetCurrentURL();
    EXPECT_EQ(askedFor(website), 2);

    shell.App().NavigateView(website);
    ASSERT_TRUE(WaitUntil([&] { return askedFor(website) == 3; }));
    PumpFor(200);
    shell.App().NavigateView(other);
    EXPECT_TRUE(WaitUntil([&] { return askedFor(other) == 2 && shows("Other page"); })) << askedFor(other);

    shell.Frame()->Close();
    WaitUntil([&] { return shell.FrameClosed(); });
}
