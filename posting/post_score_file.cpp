// Posting one score file as a results page: the template check names the
// page, the layout program makes it, the merge puts it into the club's
// template, and the page, its "_files" folder, the PDF and the hand-record
// file go to the website. What an older posting of the same page left on
// the server is removed only once everything new is up.
#include <dirent.h>
#include <sys/stat.h>

#include <optional>
#include <set>

#include <algorithm>

#include "app/error_report.h"
#include "app/quillmark_app.h"
#include "platform/exceptions.h"
#include "platform/path_helpers.h"
#include "platform/text_helpers.h"
#include "posting/bridgewebs_post.h"
#include "posting/index_pages.h"
#include "posting/score_file.h"
#include "posting/template_file.h"

namespace {

// Names compared the way the server may compare them: without regard to
// case, and with either separator, so that a file the new posting just
// wrote is never taken for an old one.
struct NoCaseLess {
    bool operator()(const std::string& a, const std::string& b) const
    {
        return CompareNoCase(ReplaceAll(a, "\\", "/"), ReplaceAll(b, "\\", "/")) < 0;
    }
};

PostResult PostWebPage(CQuillmarkApp& app, CScoreFile* file, IWebTransport& worker, CTemplateFile& templateFile)
{
    CPhaseTimer check(app.PostingTimes(), PostingPhase::Merge);
    PostResult result = templateFile.Parse(false, file);
    check.Stop();
    if (result != PostResult::Success)
        return result;
    app.SetStatusText(StrFormat("Vantorel is processing score file '%s'", file->GetFileName().c_str()), 2);
    CPhaseTimer layout(app.PostingTimes(), PostingPhase::Layout);
    result = file->BuildWebFiles();
    layout.Stop();
    if (result != PostResult::Success)
        return result;
    CPhaseTimer merge(app.PostingTimes(), PostingPhase::Merge);
    result = templateFile.Parse(true, file);
    merge.Stop();
    if (result != PostResult::Success)
        return result;
    const std::string destination = templateFile.GetOutputName();
    const std::string staging = templateFile.GetStagingPath();
    if (!app.SetStatusText("Upload pending", 2))
        return PostResult::StatusCancelled;
    app.NavigateView(staging, 0);

    const CPhaseTimer uploads(app.PostingTimes(), PostingPhase::Uploads);
    if (!worker.Login())
        return PostResult::Failed;
    const std::string& folder = app.Setup().m_strWebsiteScoreFileDirectory;
    if (!folder.empty() && !worker.SetCurrentDirectory(folder, true)) {
        worker.Disconnect();
        return PostResult::Failed;
    }
    // The older posting of this page, looked up before anything changes.
    std::optional<CScoreFile> older;
    if (const CScoreFile* entry = app.FindIndexEntryByFileName(destination))
        older.emplace(*entry);

    CLogfile* log = app.GetLog();
    std::set<std::string, NoCaseLess> uploaded;
    if (!app.UploadWithFilesFolder(worker, staging, file->GetHtmlPath(), destination)) {
        worker.Disconnect();
        return PostResult::Failed;
    }
    uploaded.insert(destination);
    if (log)
        log->Printf("Uploaded results web page=[%s]->[%s]\n", staging.c_str(), destination.c_str());

    if (app.IsLinkPdfHandRecords() && !file->GetPdfPath().empty()) {
        const std::string remote = file->GetWebNameWithExtension(".pdf");
        if (!worker.UploadFile(file->GetPdfPath(), remote)) {
            worker.Disconnect();
            return PostResult::Failed;
        }
        file->SetPdfHandRecordUploaded(true);
        uploaded.insert(remote);
        if (log)
            log->Printf("Uploaded PDF hand record file=[%s]->[%s]\n", file->GetPdfPath().c_str(), remote.c_str());
    }
    if (!file->GetHandRecordPath().empty()) {
        const std::string remote = file->GetHandRecordWebName();
        if (!worker.UploadFile(file->GetHandRecordPath(), remote)) {
            worker.Disconnect();
            return PostResult::Failed;
        }
        file->SetComputerHandRecordUploaded(true);
        uploaded.insert(remote);
        if (log)
            log->Printf("Uploaded computer hand record file=[%s]->[%s]\n", file->GetHandRecordPath().c_str(),
                        remote.c_str());
    }

    // Everything new is up: now the older posting's files can go, except
    // those the new posting has just written under the same names.
    if (older) {
        std::vector<std::string> stale;
        stale.push_back(older->GetWebName());
        if (older->IsPdfHandRecordUploaded())
            stale.push_back(older->GetWebNameWithExtension(".pdf"));
        if (older->IsComputerHandRecordUploaded() && !older->GetHandRecordPath().empty())
            stale.push_back(older->GetHandRecordWebName());
        for (const std::string& name : stale) {
            if (name.empty() || uploaded.count(name))
                continue;
            // The entry may come from a setup file or a page read back from
            // the website: only what lies inside the score-file folder goes.
            if (!IsPlainRelativePath(name)) {
                if (log)
                    log->Printf("Not removed=[%s]: an older posting's name must lie inside the score file "
                                "folder\n", name.c_str());
                continue;
            }
            worker.DeleteFile(name);
        }
    }
    worker.Disconnect();
    app.MarkMonthChanged(file);
    app.NavigateView(JoinUrl(JoinUrl(app.Setup().m_strWebsiteUrl, folder), destination), 4);
    return PostResult::Success;
}

}  // namespace

bool CQuillmarkApp::UploadWithFilesFolder(IWebTransport& worker, const std::string& localPage,
                                          const std::string& htmlPath, const std::string& remoteName)
{
    if (!worker.UploadFile(localPage, remoteName))
        return false;
    const std::string ext = GetExtension(htmlPath);
    if (!EqualsNoCase(ext, ".htm") && !EqualsNoCase(ext, ".html"))
        return true;
    const std::string localFolder = RemoveExtension(htmlPath) + "_files";
    if (!FolderExists(localFolder))
        return true;
    const std::string remoteFolder = RemoveExtension(remoteName) + "_files";
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(localFolder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name == "." || name == "..")
                continue;
            struct stat st {};
            if (::stat(JoinPath(localFolder, name).c_str(), &st) == 0 && !S_ISDIR(st.st_mode))
                names.push_back(name);
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        if (!worker.UploadFile(JoinPath(localFolder, name), remoteFolder + "\\" + name))
            return false;
    }
    return true;
}

PostResult CQuillmarkApp::PostScoreFile(CScoreFile* file, IWebTransport& worker, CTemplateFile* templateFile)
{
    if (!SetStatusText(StrFormat("Posting score file '%s'", file->GetFileName().c_str()), 2))
        return PostResult::StatusCancelled;
    if (m_pLog)
        m_pLog->Printf("Posting score file=[%s] %llu bytes\n", file->GetPath().c_str(),
                       static_cast<unsigned long long>(file->GetSize()));
    // Whatever goes wrong with this file stays with this file: it is
    // reported, the connection is closed and the run goes on.
    try {
        if (IsBridgeWebs())
            return PostToBridgeWebs(*this, file);
        if (!templateFile)
            throw CInvalidArgException("CQuillmarkApp::PostScoreFile");
        return PostWebPage(*this, file, worker, *templateFile);
    } catch (const CUserException&) {
        // Reported where it was thrown.
    } catch (const CException& e) {
        ReportException(e, "CQuillmarkApp::PostScoreFile");
    } catch (const std::exception& e) {
        LogOperation("CQuillmarkApp::PostScoreFile");
        ShowErrorMessage(StrFormat("Posting %s failed: %s", file->GetPath().c_str(), e.what()));
    }
    try {
        worker.Disconnect();
    } catch (...) {
    }
    return PostResult::Failed;
}
