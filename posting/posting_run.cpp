// Post Games, Post... and Repost: the run that finds the new score files,
// lets the user confirm them, posts each one, records it in the Upload
// History and the index entries (saving after every file), rebuilds and
// publishes the index and says what happened.
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <clocale>
#include <memory>

#include "app/error_report.h"
#include "app/quillmark_app.h"
#include "app/transfer_parameter_check.h"
#include "app/setup_checks.h"
#include "platform/date_helpers.h"
#include "platform/exceptions.h"
#include "platform/path_helpers.h"
#include "platform/text_encoding.h"
#include "platform/text_helpers.h"
#include "posting/index_pages.h"
#include "posting/score_file.h"
#include "posting/template_file.h"

namespace {

// The first setup item a web-page run needs that is missing, as its status
// text; "" when everything is there.
std::string MissingSetupItem(const CQuillmarkApp& app)
{
    const CSetupData& s = app.Setup();
    if (!app.IsBridgeWebs()) {
        const std::pair<const std::string*, const char*> items[] = {
            {&s.m_strWebsiteUrl, "Setup required: Website URL"},
            {&s.m_strWebsiteScoreFileDirectory, "Setup required: Website: Score File Directory"},
            {&s.m_strScoreFileTemplate, "Setup required: Website: Score File Template Filename"},
            {&s.m_strIndexTemplate, "Setup required: Website: Index Template Filename"},
            {&s.m_strIndexFile, "Setup required: Website: Index Filename"},
        };
        for (const auto& item : items) {
            if (item.first->empty())
                return item.second;
        }
    }
    if (!s.m_Ftp.HasLogin())
        return "Setup required: FTP";
    return {};
}

// Empties the list of entries produced by the current file whatever way the
// run ends: its records belong to the run's candidate list.
class CProducedEntriesReset {
public:
    explicit CProducedEntriesReset(CQuillmarkApp& app) : m_app(app) {}
    ~CProducedEntriesReset() { m_app.GetCurrentRunFiles().clear(); }
    CProducedEntriesReset(const CProducedEntriesReset&) = delete;
    CProducedEntriesReset& operator=(const CProducedEntriesReset&) = delete;

private:
    CQuillmarkApp& m_app;
};

}  // namespace

std::string FormatFileSize(uint64_t count, bool kilobytes)
{
    const uint64_t value = kilobytes ? (count + 1023) / 1024 : count;
    const std::string digits = std::to_string(value);
    const lconv* lc = std::localeconv();
    std::string separator = lc && lc->thousands_sep && *lc->thousands_sep ? lc->thousands_sep : ",";
    int group = lc && lc->grouping && *lc->grouping > 0 && *lc->grouping < CHAR_MAX ? *lc->grouping : 3;
    std::string out;
    const size_t n = digits.size();
    for (size_t i = 0; i < n; ++i) {
        out += digits[i];
        const size_t left = n - i - 1;
        if (left > 0 && left % static_cast<size_t>(group) == 0)
            out += separator;
    }
    out += kilobytes ? " KB" : " bytes";
    if (out.size() > 64)
        out.resize(64);
    return out;
}

CScoreFile* CQuillmarkApp::FindIndexEntryByFileName(const std::string& name)
{
    const std::string wanted = GetFileNameOnly(name);
    for (int64_t i = 0; i < m_IndexEntries.GetCount(); ++i) {
        CScoreFile& entry = m_IndexEntries[i];
        if (EqualsNoCase(GetFileNameOnly(entry.GetWebName()), wanted))
            return &entry;
    }
    return nullptr;
}

PostResult CQuillmarkApp::SelectFilesToPost(CSFPtrArray& candidates)
{
    const bool bridgeWebs = IsBridgeWebs();
    FileDialogRequest request;
    request.title = "Open Score Files For Posting";
    request.filter = bridgeWebs ? "ACBLscore Files (*.acm;*.aca;*.ace;*.acl)|*.acm;*.aca;*.ace;*.acl"
                                : "Text Files (*.txt)|*.txt";
    request.filter += "|All Files (*.*)|*.*||";
    const std::string& folder = m_Setup.m_strScoreFileDirectory;
    if (!folder.empty() && ::access(folder.c_str(), R_OK | X_OK) == 0)
        request.initialFolder = folder;
    std::vector<std::string> paths;
    if (!Prompter().OpenFilesDialog(request, paths))
        return PostResult::Cancelled;

    // A file that cannot be read has no digest: it could be neither checked
    // against the Upload History nor recorded in it.
    std::string unreadable;
    for (const std::string& path : paths) {
        auto record = std::make_unique<CScoreFile>();
        record->SetPost(true);
        if (!record->Open(path, nullptr, bridgeWebs ? ScoreFileFormat::Binary : ScoreFileFormat::Text, OpenReport::Quiet) || !record->Parse(true)) {
            unreadable += "\r\n" + path;
            if (m_pLog)
                m_pLog->Printf("Unable to read score file=[%s]\n", path.c_str());
            continue;
        }
        record->Close(false);
        candidates.Add(std::move(record));
    }
    if (!unreadable.empty())
        MessageBoxLogged("These score files could not be read and are left out:\r\n" + unreadable,
                         MB_OK | MB_ICONEXCLAMATION);
    return PostResult::Success;
}

bool CQuillmarkApp::ConfirmPosting(CSFPtrArray& candidates, bool addMode)
{
    ConfirmPostingRequest request;
    request.addMode = addMode;
    request.alertHandRecordsNotFilled = !addMode && IsAlertHandRecordNotFilled();
    std::vector<CScoreFile*> files(candidates.begin(), candidates.end());
    for (CScoreFile* file : files) {
        ConfirmPostingRow row;
        row.path = file->GetPath();
        if (!addMode) {
            row.handRecordPath = file->GetHandRecordPath();
            // The search runs on a copy: what it finds is offered in the
            // dialog and reaches the record only with OK.
            if (IsAutoFillHandRecord() && row.handRecordPath.empty()) {
                CScoreFile scratch(*file);
                if (scratch.SelectHandRecords(true))
                    row.handRecordPath = scratch.GetHandRecordPath();
            }
        }
        row.checked = !addMode && file->IsPost();
        row.event = file->GetDescriptor(SFD_EVENT);
        row.session = file->GetDescriptor(SFD_SESSION);
        if (row.session.empty())
            row.session = file->GetSessionText(false);
        row.section = file->GetSection();
        row.date = FormatShortDate(file->GetDate());
        row.limits = file->GetDescriptor(SFD_MP_LIMITS);
        request.rows.push_back(std::move(row));
    }
    if (!addMode) {
        // The chooser, too, works on a copy holding the row's current choice.
        request.selectHandRecords = [files](size_t row, bool automatic, std::string& path) {
            if (row >= files.size())
                return false;
            CScoreFile scratch(*files[row]);
            scratch.SetHandRecordPath(automatic ? std::string() : path);
            if (!scratch.SelectHandRecords(automatic))
                return false;
            path = scratch.GetHandRecordPath();
            return true;
        };
    }
    request.scoreFileText = [files](size_t row) {
        if (row >= files.size() || !files[row]->EnsureLoaded())
            return std::string();
        // Score files are written in Windows-1252; a UTF-8 one is kept.
        const std::string_view content = files[row]->GetContent();
        const std::string utf8 = SanitizeUtf8(content);
        return utf8 == content ? utf8 : Cp1252ToUtf8(content);
    };

    ConfirmPostingAnswer answer;
    if (!Prompter().ConfirmPosting(request, answer))
        return false;  // Cancel: every record stays as it was
    for (size_t i = 0; i < files.size(); ++i) {
        if (!addMode && i < answer.handRecordPaths.size())
            files[i]->SetHandRecordPath(answer.handRecordPaths[i]);
        files[i]->SetPost(i < answer.checked.size() && answer.checked[i]);
    }
    return true;
}

namespace {

// The status line and log of a run that ended before its last game: how
// many games went up, and that the index does not list them yet.
std::string StoppedRunSummary(const LoginFailure* failure, int posted, int marked)
{
    std::string text;
    if (!failure)
        text = "Canceled";
    else
        text = "Post Games stopped: " + LoginFailureCause(*failure);
    if (posted == 0)
        return failure ? text + ". No score files were posted." : text;
    text += StrFormat(" after %d of %d score file%s had been posted. The index was not updated", posted, marked,
                      marked > 1 ? "s" : "");
    if (posted < marked)
        return text + "; the next Post Games posts the rest and updates the index.";
    return text + "; Index > Create Index and Index > Publish Index bring it up to date.";
}

}  // namespace

IndexResult CQuillmarkApp::IndexAfterPosting(IWebTransport& worker, int posted, bool allowRebuild)
{
    if (IsBridgeWebs() || m_Setup.m_strIndexTemplate.empty())
        return IndexResult::None;
    if (posted == 0)
        return IndexResult::NotAttempted;
    if (allowRebuild && (m_Setup.GetFlags() & SF_REBUILD_INDEX_FROM_WEBSITE) && !IndexWebsite())
        return IndexResult::Failed;
    const IndexResult result = CreateIndex(false);
    if (result == IndexResult::Succeeded) {
        worker.Disconnect();
        if (!PublishIndex(worker, false))
            return IndexResult::Failed;
    }
    return result;
}

PostRunResult CQuillmarkApp::PostGames(PostMode mode)
{
    m_strRunSummary.clear();
    const std::string missing = MissingSetupItem(*this);
    if (!missing.empty()) {
        SetStatusText(missing, 2);
        return PostRunResult::Ended;
    }
    if (!IsBridgeWebs() && (RefuseTransferParameters(*this) || RefuseWebsiteUrl(*this)))
        return PostRunResult::Ended;
    // The index built after the postings is written under the Index
    // Filename: a name that would leave the staging folder stops the run
    // before anything is posted.
    if (!IsBridgeWebs()) {
        const std::string problem = CheckIndexFilename(m_Setup.m_strIndexFile);
        if (!problem.empty()) {
            MessageBoxLogged(problem, MB_OK | MB_ICONERROR);
            SetStatusText("Setup required: Website: Index Filename", 2);
            return PostRunResult::Ended;
        }
    }
    CBusyGuard busy(*this);
    CProducedEntriesReset resetProduced(*this);
    SetStatusText("Selecting score files to post", 2);

    CSFPtrArray candidates;
    if (mode == PostMode::PostChosen) {
        if (SelectFilesToPost(candidates) != PostResult::Success)
            return PostRunResult::Cancelled;
    } else if (FindNewScoreFiles(candidates, mode == PostMode::Repost) != ScanResult::Scanned) {
        return PostRunResult::Ended;
    }
    if (candidates.IsEmpty()) {
        SetStatusText(StrFormat("There are no new score files in %s", m_Setup.m_strScoreFileDirectory.c_str()), 2);
        return PostRunResult::Ended;
    }
    std::stable_sort(candidates.begin(), candidates.end(), [](const CScoreFile* a, const CScoreFile* b) {
        return a->GetModifiedTime() > b->GetModifiedTime();
    });

    if (!SetStatusText("Confirming score files to post", 2))
        return PostRunResult::Ended;
    if (!ConfirmPosting(candidates, false))
        return PostRunResult::Cancelled;
    int marked = 0;
    for (const CScoreFile* file : candidates)
        marked += file->IsPost();
    if (marked == 0) {
        SetStatusText("No score files were selected", 2);
        return PostRunResult::Ended;
    }

    CTemplateFile templateFile;
    if (!IsBridgeWebs()) {
        const std::string url = JoinUrl(JoinUrl(m_Setup.m_strWebsiteUrl, m_Setup.m_strWebsiteScoreFileDirectory),
                                        m_Setup.m_strScoreFileTemplate);
        SetStatusText("Downloading score file template", 2);
        if (!templateFile.Download(url))
            return PostRunResult::TemplateFailed;
    }

    std::unique_ptr<IWebTransport> worker = MakeWebTransport();
    worker->KeepConnectionBetweenLogins();
    int posted = 0;
    m_bAsk = true;
    bool cancelled = false;
    for (CScoreFile* file : candidates) {
        m_CurrentRun.clear();
        if (!file->IsPost())
            continue;
        const PostResult result = PostScoreFile(file, *worker, &templateFile);
        if (result == PostResult::Success) {
            ++posted;
            if (!IsBridgeWebs() && !m_CurrentRun.empty()) {
                CScoreFile* entry = FindIndexEntryByFileName(templateFile.GetOutputName());
                if (!entry)
                    entry = &m_IndexEntries[m_IndexEntries.Add(CScoreFile())];
                entry->Copy(*m_CurrentRun.front());
                entry->SetPath(templateFile.GetOutputName());
            }
            CPhaseTimer history(m_PostingTimes, PostingPhase::History);
            for (CScoreFile* produced : m_CurrentRun)
                RecordPosted(*produced);
            history.Stop();
            const CPhaseTimer journal(m_PostingTimes, PostingPhase::Journal);
            SavePostedRecords(m_CurrentRun);
            if (m_pLog)
                m_pLog->Printf("Posting complete (%d of %d)\n", posted, marked);
        } else if (result == PostResult::Cancelled || GetCancelState(false) == CS_CANCELLED) {
            cancelled = true;
            break;
        } else if (worker->GetLoginFailure()) {
            // The server cannot be reached or refuses the login: every other
            // game would meet the same (the box has said why).
            break;
        }
    }
    m_CurrentRun.clear();
    std::string summary;
    IndexResult indexing = IndexResult::None;
    if (cancelled || worker->GetLoginFailure()) {
        summary = StoppedRunSummary(cancelled ? nullptr : worker->GetLoginFailure(), posted, marked);
    } else {
        CPhaseTimer index(m_PostingTimes, PostingPhase::Index);
        indexing = IndexAfterPosting(*worker, posted, true);
        index.Stop();
        if (GetCancelState(false) == CS_CANCELLED) {
            cancelled = true;
            summary = StoppedRunSummary(nullptr, posted, marked);
        }
    }
    if (summary.empty()) {
        if (posted == marked)
            summary = StrFormat("Post Games succeeded: %d score file%s", posted, posted > 1 ? "s" : "");
        else if (posted == 0)
            summary = StrFormat("Post Games: No score files succeeded (%d failed)", marked);
        else
            summary = StrFormat("Post Games: %d out of %d score files succeeded (%d failed)", posted, marked,
                                marked - posted);
        const std::string word = GetIndexResultWord(indexing);
        if (!word.empty())
            summary += StrFormat(". Indexing %s.", word.c_str());
    }
    // One full save takes in what the run added to the posting journal.
    if (posted > 0 && indexing != IndexResult::Succeeded)
        SaveData(true);
    if (m_pLog)
        m_pLog->Write(summary + "\n");
    worker->ShowLog();
    if (cancelled) {
        // Shown once the run is over: while it is cancelled the status line
        // answers every text with "Canceled".
        m_strRunSummary = summary;
        return PostRunResult::Cancelled;
    }
    SetStatusText(summary, 2);
    return PostRunResult::Ended;
}

namespace {

void AfterPostGames(CQuillmarkApp& app, PostRunResult result)
{
    if (app.GetCancelState(false) == CS_CANCELLED)
        return;
    switch (result) {
    case PostRunResult::TemplateFailed:
        app.SetStatusText("Upload was unsuccessful", 2);
        break;
    case PostRunResult::Cancelled:
        // What the run had posted before it was cancelled, when it had begun.
        app.SetStatusText(app.TakeRunSummary("Canceled"), 2);
        break;
    case PostRunResult::Ended:
        break;
    }
}

}  // namespace

void CQuillmarkApp::OnPostGames(bool shiftHeld)
{
    AfterPostGames(*this, PostGames(shiftHeld ? PostMode::Repost : PostMode::PostGames));
}

void CQuillmarkApp::OnFilePost()
{
    AfterPostGames(*this, PostGames(PostMode::PostChosen));
}

void CQuillmarkApp::OnFileRepost()
{
    AfterPostGames(*this, PostGames(PostMode::Repost));
}
