// Index Website: rebuilds the index entries from the results pages the
// website holds, with their PDF and hand-record companions.
#include <map>

#include "platform/date_helpers.h"
#include "app/transfer_parameter_check.h"
#include "app/error_report.h"
#include "platform/path_helpers.h"
#include "app/quillmark_app.h"
#include "platform/text_helpers.h"
#include "platform/exceptions.h"
#include "posting/index_entries.h"
#include "posting/score_file.h"

namespace {

const char* const kIndexingStatus = "(Use File\u2192Cancel to cancel) Indexing";

// A page path in one form for comparisons: "/" separators, lower case.
std::string PageKey(const std::string& path)
{
    return ToLowerAscii(ReplaceAll(path, "\\", "/"));
}

// What the walk over the website collects.
class CWebsiteScan {
public:
    CWebsiteScan(CQuillmarkApp& app, IWebTransport& worker)
        : m_app(app), m_worker(worker), m_templateName(GetFileNameOnly(app.Setup().m_strScoreFileTemplate))
    {
        // The entries known so far, by page path, so that a page read again
        // keeps what the user decided about it (hidden) and entered for it.
        CColScoreFile& entries = app.GetIndexEntries();
        for (int64_t i = 0; i < entries.GetCount(); ++i)
            m_known.emplace(PageKey(entries[i].GetPath()), &entries[i]);
    }

    // CheckWebsiteFile: one entry of the listing; false stops the walk.
    bool CheckWebsiteFile(const std::string& folder, const std::string& name, bool isFolder);

    std::vector<std::unique_ptr<CScoreFile>> m_pages;
    // File name without extension -> hand-record extension.
    std::map<std::string, std::string> m_handRecords;

private:
    bool AddPage(const std::string& path);

    CQuillmarkApp& m_app;
    IWebTransport& m_worker;
    const std::string m_templateName;
    std::multimap<std::string, CScoreFile*> m_known;
};

bool CWebsiteScan::CheckWebsiteFile(const std::string& folder, const std::string& name, bool isFolder)
{
    const std::string path = ReplaceAll(folder.empty() ? name : folder + "\\" + name, "\\", "/");
    if (!m_app.SetStatusText(std::string(kIndexingStatus) + " " + path, 2))
        return false;
    if (isFolder)
        return true;
    try {
        const std::string ext = ToLowerAscii(GetExtension(name));
        if (ext == ".htm" || ext == ".html") {
            if (name != m_templateName && !AddPage(path))
                return false;
        } else if (ext == ".pdf") {
            if (!m_pages.empty() &&
                EqualsNoCase(RemoveExtension(m_pages.back()->GetFileName()), RemoveExtension(name)))
                m_pages.back()->SetPdfHandRecordUploaded(true);
        } else if (ext == ".pbn" || ext == ".dlm" || ext == ".dup" || ext == ".lin") {
            m_handRecords[RemoveExtension(name)] = GetExtension(name);
        }
    } catch (const CException& e) {
        ReportException(e, "CheckWebsiteFile");
    }
    return true;
}

// False when the page could not be read at all: the website did not
// answer, so what it holds is not known and the walk stops. A page the
// website answered for without giving it, or one that is no results page,
// is only left out.
bool CWebsiteScan::AddPage(const std::string& path)
{
    std::string bytes;
    bool missing = false;
    if (!m_worker.DownloadPage(bytes, path, missing))
        return missing;
    auto page = std::make_unique<CScoreFile>();
    page->SetFlags(page->GetFlags() & ~SFF_LOCAL);
    page->SetPath(path);
    page->SetContent(std::move(bytes));
    // The page is HTML: its descriptors are read as the text they show.
    if (!page->Parse(true, true))
        return true;
    page->Close(true);
    page->SetPosted(ReplaceAll(path, "/", "\\"), 0);
    if (page->GetSessionDate() == 0)
        page->SetSessionDate(page->GetDate());
    if (page->GetDescriptor(SFD_DATE).empty() && page->GetSessionDate() != 0)
        page->SetDescriptor(SFD_DATE, FormatLongDate(page->GetSessionDate()));
    page->FillFromFileName();

    // The same page known before: keep its hidden flag and what was entered
    // for it. A page stored under another path is still recognised by its
    // content.
    CScoreFile* known = nullptr;
    const auto byPath = m_known.find(PageKey(path));
    if (byPath != m_known.end()) {
        known = byPath->second;
        page->FillMissingFrom(*known);
    } else {
        CColScoreFile& entries = m_app.GetIndexEntries();
        for (int64_t i = 0; i < entries.GetCount() && !known; ++i)
            if (entries[i].HashEquals(*page))
                known = &entries[i];
    }
    if (known && known->IsHidden())
        page->SetHidden(true);
    m_pages.push_back(std::move(page));
    return true;
}

// Lowers the Index Website depth however the pass ends.
class CIndexingPass {
public:
    explicit CIndexingPass(int& depth) : m_depth(depth) { ++m_depth; }
    ~CIndexingPass() { --m_depth; }
    CIndexingPass(const CIndexingPass&) = delete;
    CIndexingPass& operator=(const CIndexingPass&) = delete;

private:
    int& m_depth;
};

// Index Website either replaces every index entry or none. A failed login
// or listing says nothing about what the website holds, and a walk cut off
// at its limits misses every page beyond the cut, so whatever the walk
// found so far is dropped and the entries (with their hidden flags and
// what was typed in Identify) stay as they were, saved file included. The
// transfer layer has told the user what went wrong; this says what it
// means for the index. A cancel is no failure and says nothing.
bool EndFailed(CQuillmarkApp& app)
{
    if (app.GetCancelState(false) == CS_CANCELLED)
        return false;
    const std::string text = "Index Website failed: the index entries are unchanged";
    app.SetStatusText(text, 2);
    if (CLogfile* log = app.GetLog())
        log->Write(text + "\n");
    return false;
}

}  // namespace

bool CQuillmarkApp::IndexWebsite()
{
    if (RefuseTransferParameters(*this) || RefuseWebsiteUrl(*this))
        return false;
    CBusyGuard busy(*this);
    CIndexingPass pass(m_nIndexWebsiteDepth);
    std::unique_ptr<IWebTransport> worker = MakeWebTransport();
    if (!worker || !worker->Login())
        return EndFailed(*this);
    const std::string& folder = m_Setup.m_strWebsiteScoreFileDirectory;
    if (!folder.empty() && !worker->SetCurrentDirectory(folder, true))
        return EndFailed(*this);
    if (!SetStatusText(kIndexingStatus, 2))
        return false;

    CWebsiteScan scan(*this, *worker);
    const bool walked = worker->EnumerateFiles(
        [&scan](const std::string& dir, const std::string& name, bool isFolder) {
            return scan.CheckWebsiteFile(dir, name, isFolder);
        });
    if (!walked || GetCancelState(false) == CS_CANCELLED)
        return EndFailed(*this);
    worker->Disconnect();
    if (!SetStatusText("Index Website: Checking files", 2))
        return false;

    std::vector<CScoreFile*> kept;
    for (const auto& page : scan.m_pages) {
        const auto hand = scan.m_handRecords.find(RemoveExtension(page->GetFileName()));
        if (hand != scan.m_handRecords.end()) {
            page->SetHandRecordPath(hand->first + hand->second);
            page->SetComputerHandRecordUploaded(true);
        }
        while (page->GetKey(true, nullptr) == CScoreFile::KeyResult::Cancelled) {
            const int answer = Prompter().MessageBox("Are you sure you want to abandon the entire indexing operation?",
                                                     MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
            if (answer != IDNO)
                return false;
        }
        if (page->IsPost())
            kept.push_back(page.get());
    }

    m_IndexEntries.SetSize(static_cast<int64_t>(kept.size()));
    for (size_t i = 0; i < kept.size(); ++i)
        m_IndexEntries[static_cast<int64_t>(i)].Copy(*kept[i]);
    // The save has told the user why it failed; the run is no success.
    if (!SaveData(true)) {
        const std::string text = "Index Website failed: the index entries could not be saved";
        SetStatusText(text, 2);
        if (m_pLog)
            m_pLog->Write(text + "\n");
        return false;
    }
    const std::string text = StrFormat("Index Website complete: %d file(s)", static_cast<int>(kept.size()));
    SetStatusText(text, 2);
    if (m_pLog)
        m_pLog->Write(text + "\n");
    return true;
}
