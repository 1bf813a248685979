// The HTML view: the embedded browser (wxWebView on WebKitGTK) that fills
// the main window and shows the pages the program makes or fetches. It
// drives Back, Forward, Stop and Refresh from the browser's own state and
// keeps the address line current.
#pragma once

#include <wx/panel.h>

#include <functional>
#include <string>

class CQuillmarkApp;
class wxWebView;
class wxWebViewEvent;

class CQuillmarkView : public wxPanel {
public:
    CQuillmarkView(wxWindow* parent, CQuillmarkApp& app);

    // Shows an address. Every page the program opens is refreshed once
    // when it has loaded without error, so a page just replaced on the
    // server is never shown from a cache.
    void NavigateTo(const std::string& address, int flags);

    void GoBack();
    void GoForward();
    void Stop();
    // With Shift or Ctrl held, a reload that bypasses the cache.
    void Refresh();

    bool CanBack() const;
    bool CanForward() const;
    bool CanStop() const { return m_downloading; }
    bool CanRefresh() const { return m_downloadedOnce; }
    bool CanViewSource() const { return m_downloadedOnce && !m_downloading; }

    // View > Source: the page's HTML in a text viewer (one viewer, kept and
    // shown again with the new page's source).
    void ViewSource();
    class CTextDialog* GetSourceViewer() const { return m_sourceViewer; }

    // The current page's HTML, cut after its last ">" or line feed.
    std::string GetPageSource() const;
    // A local path becomes a file URL; anything else is passed on.
    static wxString BrowserAddress(const std::string& address);
    // Whether a loaded URL is the page asked for (a trailing slash aside).
    static bool SameAddress(const wxString& loaded, const wxString& requested);
    static std::string TrimPageSource(const std::string& source);

    // The window is going: nothing more reaches the application.
    void Detach();

    wxWebView* GetWebView() const { return m_web; }
    std::string GetCurrentURL() const;
    // Called after every completed load (tests and the demo wait on it).
    std::function<void(const std::string& url)> onLoaded;

private:
    void OnNavigating(wxWebViewEvent& event);
    void OnNavigated(wxWebViewEvent& event);
    void OnLoaded(wxWebViewEvent& event);
    void OnError(wxWebViewEvent& event);
    void UpdateButtons();

    CQuillmarkApp* m_app;
    wxWebView* m_web = nullptr;
    bool m_downloading = false;
    bool m_downloadedOnce = false;
    bool m_navigateError = false;
    bool m_refreshedOnce = false;
    // The address of the last page the program opened, as given to the
    // browser, and how many the program has opened: the one refresh after
    // a load belongs to that page only.
    wxString m_requested;
    unsigned m_navigation = 0;
    // Whether the browser has begun loading that page since it was asked
    // for, and then shown it.
    bool m_requestStarted = false;
    bool m_requestCommitted = false;
    class CTextDialog* m_sourceViewer = nullptr;
};
