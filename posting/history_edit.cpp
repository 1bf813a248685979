#include "posting/history_edit.h"

#include <algorithm>

#include "app/quillmark_app.h"
#include "platform/text_helpers.h"

namespace {

// Scans the Score File Directory for score files whose digest is not in
// history, sorted newest first. false when the scan did not run to its end
// (the folder is not set up or cannot be read: see
// CQuillmarkApp::GetScanProblem); an empty found then means nothing is new.
bool FindFilesToAddToHistory(CQuillmarkApp& app, CColScoreFile& history, CSFPtrArray& found)
{
    CSFPtrArray scanned;
    if (app.FindNewScoreFiles(scanned, false, &history) != CQuillmarkApp::ScanResult::Scanned)
        return false;
    std::vector<std::unique_ptr<CScoreFile>> files;
    while (!scanned.IsEmpty())
        files.push_back(scanned.Detach(0));
    std::stable_sort(files.begin(), files.end(), [](const auto& a, const auto& b) {
        return a->GetModifiedTime() > b->GetModifiedTime();
    });
    for (auto& file : files)
        found.Add(std::move(file));
    return true;
}

}  // namespace

int AddFilesToHistory(CQuillmarkApp& app, CColScoreFile& history, const std::vector<const CScoreFile*>& chosen)
{
    int added = 0;
    for (const CScoreFile* file : chosen) {
        if (!file)
            continue;
        const int64_t index = history.Add(*file);
        history[index].SetAddedToHistory(true);
        if (CLogfile* log = app.GetLog())
            log->Printf("View History: Add=[%s]", file->GetPath().c_str());
        ++added;
    }
    return added;
}

int AddNewScoreFilesToHistory(CQuillmarkApp& app, CColScoreFile& history, const HistoryAddView& view)
{
    const auto message = [&](const std::string& text) {
        if (view.message)
            view.message(text, MB_ICONERROR);
        else
            app.Prompter().MessageBox(text, MB_ICONERROR);
    };
    CSFPtrArray found;
    if (view.scanning)
        view.scanning(true);
    const bool ran = FindFilesToAddToHistory(app, history, found);
    if (view.scanning)
        view.scanning(false);
    if (!ran) {
        if (!app.GetScanProblem().empty())
            message(app.GetScanProblem());
        return 0;
    }
    if (found.IsEmpty()) {
        message(StrFormat("There are no new score files in %s", app.GetScoreFileDirectory().c_str()));
        return 0;
    }
    if (!app.ConfirmPosting(found, true))
        return 0;
    std::vector<const CScoreFile*> chosen;
    for (const CScoreFile* file : found) {
        if (file && file->IsPost())
            chosen.push_back(file);
    }
    return AddFilesToHistory(app, history, chosen);
}

int RemoveFromHistory(CColScoreFile& history, std::vector<int64_t> indices)
{
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    int removed = 0;
    // From the highest index down, so the lower ones stay where they were.
    for (auto it = indices.rbegin(); it != indices.rend(); ++it) {
        if (*it < 0 || *it >= history.GetCount())
            continue;
        history.RemoveAt(*it);
        ++removed;
    }
    return removed;
}
