#include "ui/quillmark_view.h"

#include <wx/sizer.h>
#include <wx/filename.h>
#include <wx/filesys.h>
#include <wx/uri.h>
#include <wx/utils.h>
#include <wx/webview.h>

#include "app/quillmark_app.h"
#include "ui/text_dialog.h"
#include "ui/web_view_hardening.h"

CQuillmarkView::CQuillmarkView(wxWindow* parent, CQuillmarkApp& app) : wxPanel(parent, wxID_ANY), m_app(&app)
{
    m_web = wxWebView::New(this, wxID_ANY);
    // What results pages never need is switched off (see the file).
    HardenWebView(m_web);
    // No script-error or other boxes from the browser itself.
    m_web->EnableContextMenu(true);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(m_web, 1, wxEXPAND);
    SetSizer(sizer);
    m_web->Bind(wxEVT_WEBVIEW_NAVIGATING, &CQuillmarkView::OnNavigating, this);
    m_web->Bind(wxEVT_WEBVIEW_NAVIGATED, &CQuillmarkView::OnNavigated, this);
    m_web->Bind(wxEVT_WEBVIEW_LOADED, &CQuillmarkView::OnLoaded, this);
    m_web->Bind(wxEVT_WEBVIEW_ERROR, &CQuillmarkView::OnError, this);
}

wxString CQuillmarkView::BrowserAddress(const std::string& address)
{
    // The staging copy of a results page and the local index pages are
    // opened by their path; the browser wants a URL.
    if (!address.empty() && address[0] == '/')
        return wxFileSystem::FileNameToURL(wxFileName(wxString::FromUTF8(address)));
    return wxString::FromUTF8(address);
}

bool CQuillmarkView::SameAddress(const wxString& loaded, const wxString& requested)
{
    // The browser escapes what the program may have written plainly.
    wxString a = wxURI::Unescape(loaded), b = wxURI::Unescape(requested);
    if (a.EndsWith("/"))
        a.RemoveLast();
    if (b.EndsWith("/"))
        b.RemoveLast();
    return a == b;
}

void CQuillmarkView::NavigateTo(const std::string& address, int flags)
{
    m_navigateError = false;
    m_refreshedOnce = false;
    m_requestStarted = false;
    m_requestCommitted = false;
    ++m_navigation;
    m_requested = BrowserAddress(address);
    m_web->LoadURL(m_requested);
}

void CQuillmarkView::GoBack()
{
    if (m_web->CanGoBack())
        m_web->GoBack();
}

void CQuillmarkView::GoForward()
{
    if (m_web->CanGoForward())
        m_web->GoForward();
}

void CQuillmarkView::Stop()
{
    m_web->Stop();
}

void CQuillmarkView::Refresh()
{
    const bool complete = wxGetKeyState(WXK_SHIFT) || wxGetKeyState(WXK_CONTROL);
    m_web->Reload(complete ? wxWEBVIEW_RELOAD_NO_CACHE : wxWEBVIEW_RELOAD_DEFAULT);
}

bool CQuillmarkView::CanBack() const
{
    return m_web->CanGoBack();
}

bool CQuillmarkView::CanForward() const
{
    return m_web->CanGoForward();
}

std::string CQuillmarkView::TrimPageSource(const std::string& source)
{
    const size_t last = source.find_last_of(">\n");
    return last == std::string::npos ? source : source.substr(0, last + 1);
}

std::string CQuillmarkView::GetPageSource() const
{
    return TrimPageSource(std::string(m_web->GetPageSource().utf8_str()));
}

std::string CQuillmarkView::GetCurrentURL() const
{
    return std::string(m_web->GetCurrentURL().utf8_str());
}

void CQuillmarkView::ViewSource()
{
    const std::string source = GetPageSource();
    if (!m_sourceViewer) {
        m_sourceViewer = CTextDialog::ShowModeless(wxGetTopLevelParent(this), "View Source", source, "ViewSource", true);
        return;
    }
    m_sourceViewer->SetText(source);
    m_sourceViewer->Show();
    m_sourceViewer->Raise();
}

void CQuillmarkView::Detach()
{
    m_app = nullptr;
    onLoaded = nullptr;
    m_sourceViewer = nullptr;  // it goes with the window
}

void CQuillmarkView::OnNavigating(wxWebViewEvent& event)
{
    m_downloading = true;
    if (!m_requestStarted && SameAddress(event.GetURL(), m_requested))
        m_requestStarted = true;
    UpdateButtons();
    event.Skip();
}

void CQuillmarkView::OnNavigated(wxWebViewEvent& event)
{
    if (m_requestStarted)
        m_requestCommitted = true;
    // The address line shows where the browser went; a cancel answer
    // means nothing here. It goes through the status channel, which serves
    // the window while it answers: a close waiting there deletes the window,
    // and with it the browser that is still inside this signal. So it is
    // answered on the next turn, and dropped when the view has gone.
    if (m_app) {
        const std::string url(event.GetURL().utf8_str());
        CallAfter([this, url] {
            if (m_app)
                m_app->SetStatusTextPane3(url);
        });
    }
    UpdateButtons();
    event.Skip();
}

void CQuillmarkView::OnLoaded(wxWebViewEvent& event)
{
    m_downloading = false;
    m_downloadedOnce = true;
    const std::string url(event.GetURL().utf8_str());
    // The browser names a finished load by the address it is on now, which
    // is already the next page's when the program has asked for it: the
    // load is that page's only once the page has started and shown. A
    // refresh after an older page's load would reload that older page and
    // drop the newer one.
    const bool latest = m_navigation == 0 || m_requestCommitted;
    // Local files are read anew by every load; only pages from a server
    // can come from the browser's cache.
    const bool fromServer = url.rfind("file:", 0) != 0;
    bool refresh = false;
    if (!m_navigateError && !m_refreshedOnce && url != "about:blank" && latest) {
        // A local page needs no refresh, but has had its turn: links the
        // user follows from it are not refreshed either.
        m_refreshedOnce = true;
        refresh = fromServer;
    }
    if (refresh) {
        const unsigned navigation = m_navigation;
        CallAfter([this, navigation] {
            if (navigation == m_navigation)
                m_web->Reload(wxWEBVIEW_RELOAD_NO_CACHE);
        });
    } else if (onLoaded) {
        onLoaded(url);
    }
    UpdateButtons();
    event.Skip();
}

void CQuillmarkView::OnError(wxWebViewEvent& event)
{
    // An older load cut short by the newer one (the browser reports it
    // afterwards) is no failure of the page now asked for.
    if (m_requestStarted && SameAddress(event.GetURL(), m_requested))
        m_navigateError = true;
    m_downloading = false;
    UpdateButtons();
    event.Skip();
}

void CQuillmarkView::UpdateButtons()
{
    if (!m_app)
        return;
    if (wxWindow* top = wxGetTopLevelParent(this))
        top->UpdateWindowUI(wxUPDATE_UI_RECURSE);
}
