// The Index menu: Create Index, Publish Index, Edit Index and Browse
// Website Index Page (Index Website is in index_website.cpp).
#include <cerrno>

#include "app/error_report.h"
#include "app/setup_checks.h"
#include "app/transfer_parameter_check.h"
#include "platform/path_helpers.h"
#include "app/quillmark_app.h"
#include "platform/text_helpers.h"
#include "platform/exceptions.h"
#include "posting/index_pages.h"
#include "posting/ftp_web_transport.h"

namespace {

void ShowSetupError(CQuillmarkApp& app, const std::string& text)
{
    if (app.GetLog())
        app.GetLog()->WriteBlock(text, "Message Box");
    app.Prompter().MessageBox(text, MB_OK | MB_ICONERROR);
}

// The Index Filename names files in the staging folder: one that is not a
// plain file name (a setup file from elsewhere may hold anything) is
// refused with the reason before any file is touched.
bool IndexFilenameUsable(CQuillmarkApp& app)
{
    const std::string problem = CheckIndexFilename(app.Setup().m_strIndexFile);
    if (problem.empty())
        return true;
    ShowSetupError(app, problem);
    return false;
}

}  // namespace

std::unique_ptr<IWebTransport> CQuillmarkApp::MakeWebTransport()
{
    if (m_fnMakeTransport)
        return m_fnMakeTransport(m_Setup.m_Ftp);
    return std::make_unique<CFtpWebTransport>(m_Setup.m_Ftp, *this);
}

IUrlSource& CQuillmarkApp::GetUrlSource()
{
    static CAppUrlSource download;
    return m_pUrlSource ? *m_pUrlSource : download;
}

IndexResult CQuillmarkApp::CreateIndex(bool allPages)
{
    CBusyGuard busy(*this);
    m_IndexPages.Invalidate();
    m_IndexPages.m_Pages.clear();
    if (m_Setup.m_strWebsiteUrl.empty()) {
        ShowSetupError(*this, "Setup required: Website URL");
        return IndexResult::Failed;
    }
    SetStatusText("Downloading indexing template file", 2);
    if (m_Setup.m_strIndexTemplate.empty()) {
        ShowSetupError(*this, "Setup required: Website: Index Template Filename");
        return IndexResult::Failed;
    }
    if (m_Setup.m_strIndexFile.empty()) {
        ShowSetupError(*this, "Setup required: Website: Index Filename");
        return IndexResult::Failed;
    }
    if (!IndexFilenameUsable(*this) || RefuseWebsiteUrl(*this))
        return IndexResult::Failed;
    const std::string url = JoinUrl(m_Setup.m_strWebsiteUrl, m_Setup.m_strIndexTemplate);
    std::string text;
    const bool fetched = GetUrlSource().GetURL(url, text);
    // A download ended by the user is a cancel, not a failure.
    if (GetCancelState(false) == CS_CANCELLED)
        return IndexResult::Cancelled;
    if (!fetched || text.empty())
        return IndexResult::Failed;
    return BuildLocalIndexPages(allPages, text);
}

bool CQuillmarkApp::PublishIndex(IWebTransport& worker, bool allPages)
{
    if (m_Setup.m_strIndexFile.empty()) {
        SetStatusText("Setup required: Website: Index Filename", 2);
        return false;
    }
    bool ok = false;
    std::vector<const CIndexPage*> uploads;
    std::string staging;
    if (IndexFilenameUsable(*this) && m_IndexPages.m_bPagesReady && !m_IndexPages.m_Pages.empty()) {
        try {
            staging = GetStagingFolder();
            for (const CIndexPage& page : m_IndexPages.m_Pages) {
                if (!allPages && page.IsMonthPage() && !m_IndexPages.IsMonthChanged(page))
                    continue;
                uploads.push_back(&page);
            }
            // Only a complete set of pages goes out: a page the last build
            // did not write (it rebuilt the changed months only) stops the
            // publishing before anything is uploaded.
            for (const CIndexPage* page : uploads) {
                std::string local = page->m_strFileName;
                if (!JoinInside(staging, page->m_strFileName, local) || !FileExists(local)) {
                    ReportException(CFileException(ENOENT, local), "CQuillmarkApp::PublishIndex: CFile::Open");
                    uploads.clear();
                    break;
                }
            }
        } catch (const CUserException&) {
            uploads.clear();
        }
    }
    if (!uploads.empty()) {
        // Every name has passed JoinInside above.
        const std::string& mainPage = m_IndexPages.m_Pages[0].m_strFileName;
        NavigateView(JoinPath(staging, mainPage));
        ok = true;
        for (const CIndexPage* page : uploads) {
            if (!worker.UploadFile(JoinPath(staging, page->m_strFileName), page->m_strFileName)) {
                ok = false;
                break;
            }
            NavigateView(JoinUrl(m_Setup.m_strWebsiteUrl, page->m_strFileName));
        }
        if (ok) {
            NavigateView(JoinUrl(m_Setup.m_strWebsiteUrl, mainPage));
            m_IndexPages.m_ChangedMonths.clear();
            m_Setup.m_tLastPublishIndex = Now();
            // The pages are out, but a publishing whose record could not be
            // saved is not complete (the save has told the user why).
            if (!SaveData(true))
                ok = false;
        }
    }
    const std::string status = StrFormat("Publish Index %s", ok ? "complete" : "failed");
    SetStatusText(status, 2);
    if (m_pLog)
        m_pLog->Write(status + "\n");
    return ok;
}

void CQuillmarkApp::OnIndexCreateIndex()
{
    const IndexResult result = CreateIndex(true);
    if (result == IndexResult::Succeeded && !m_IndexPages.m_Pages.empty()) {
        try {
            std::string mainPage;
            if (JoinInside(GetStagingFolder(), m_IndexPages.m_Pages[0].m_strFileName, mainPage))
                NavigateView(mainPage);
        } catch (const CUserException&) {
        }
    }
    SetStatusText(StrFormat("Create Index %s", GetIndexResultWord(result)), 2);
}

void CQuillmarkApp::OnIndexPublishIndex()
{
    CBusyGuard busy(*this);
    std::unique_ptr<IWebTransport> worker = MakeWebTransport();
    if (worker)
        PublishIndex(*worker, true);
    else
        SetStatusText("Publish Index failed", 2);
}

void CQuillmarkApp::OnIndexWebsite()
{
    IndexWebsite();
}

void CQuillmarkApp::OnIndexBrowseWebsite()
{
    const std::string& url = m_Setup.m_strWebsiteUrl;
    const std::string& index = m_Setup.m_strIndexFile;
    if (!url.empty() && !index.empty()) {
        if (!IndexFilenameUsable(*this) || RefuseWebsiteUrl(*this))
            return;
        SetStatusText("", 2);
        NavigateView(JoinUrl(url, index));
        return;
    }
    std::string text = "Setup required: Website: ";
    if (url.empty())
        text += "Website URL";
    if (url.empty() && index.empty())
        text += ", ";
    if (index.empty())
        text += "Index Filename";
    SetStatusText(text, 2);
}

void CQuillmarkApp::OnIndexEditIndex()
{
    SetStatusText("", 2);
    std::vector<CScoreFile*> entries;
    SelectIndexEntries(entries, true);
    std::vector<bool> toggles(entries.size(), false);
    if (!Prompter().EditIndex(entries, toggles))
        return;
    int hidden = 0, unhidden = 0;
    for (size_t i = 0; i < entries.size() && i < toggles.size(); ++i) {
        if (!toggles[i])
            continue;
        CScoreFile* entry = entries[i];
        entry->SetHidden(!entry->IsHidden());
        if (m_pLog)
            m_pLog->Printf("Edit Index: %s=[%s]\n", entry->IsHidden() ? "Hide" : "Unhide", entry->GetWebName().c_str());
        MarkMonthChanged(entry);
        ++(entry->IsHidden() ? hidden : unhidden);
    }
    if (hidden + unhidden == 0)
        return;

    SaveData(true);
    CBusyGuard busy(*this);
    std::unique_ptr<IWebTransport> worker = MakeWebTransport();
    IndexResult result = IndexResult::None;
    if (!IsBridgeWebs() && !m_Setup.m_strIndexTemplate.empty()) {
        result = CreateIndex(false);
        if (result == IndexResult::Succeeded) {
            if (worker)
                worker->Disconnect();
            if (!worker || !PublishIndex(*worker, false))
                result = IndexResult::Failed;
        }
    }
    std::string text = StrFormat("Edit Index: %d hidden, %d unhidden", hidden, unhidden);
    const std::string word = GetIndexResultWord(result);
    if (!word.empty())
        text += ". Indexing " + word + ".";
    SetStatusText(text, 2);
    if (m_pLog)
        m_pLog->Write(text + "\n");
}
