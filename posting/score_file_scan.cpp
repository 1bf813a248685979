// The scan for new score files and the duplicate test against the Upload
// History.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "platform/path_helpers.h"
#include "app/logfile.h"
#include "app/quillmark_app.h"
#include "platform/error_text.h"
#include "platform/text_helpers.h"
#include "posting/score_file.h"
#include "posting/score_file_collection.h"

namespace {

struct Candidate {
    std::string name;
    int64_t modified;
    uint64_t size;
};

// Scans reading less than this take their buffers from the heap.
constexpr uint64_t kMinArenaBytes = 256 * 1024;
// More than this is read into separate buffers, which need not all be held at once.
constexpr uint64_t kMaxArenaBytes = 256ull << 20;

}  // namespace

void CQuillmarkApp::ReportUnreadableScoreFolder(int error)
{
    m_strScanProblem = StrFormat("The Score File Directory %s cannot be read: %s",
                                 m_Setup.m_strScoreFileDirectory.c_str(), SystemErrorText(error).c_str());
    if (m_pLog)
        m_pLog->Printf("%s\n", m_strScanProblem.c_str());
    SetStatusText(m_strScanProblem, 2);
}

CQuillmarkApp::ScanResult CQuillmarkApp::FindNewScoreFiles(CSFPtrArray& candidates, bool repost, CColScoreFile* history)
{
    m_strScanProblem.clear();
    const std::string& directory = m_Setup.m_strScoreFileDirectory;
    if (directory.empty()) {
        SetStatusText("Setup required: Computer: Score File Directory", 2);
        return ScanResult::NotSetUp;
    }
    if (!history)
        history = &m_History;
    const bool bridgeWebs = IsBridgeWebs();
    const int64_t after = m_Setup.m_tPostFilesModifiedAfter;

    // A folder that is gone (an unplugged memory stick, an unmounted share)
    // or that may not be read is not an evening with nothing new: it is
    // said as such, and nothing is offered.
    DIR* dir = ::opendir(directory.c_str());
    if (!dir) {
        ReportUnreadableScoreFolder(errno);
        return ScanResult::Unreadable;
    }
    const int dirFd = ::dirfd(dir);

    // The file times come from the folder first; only files modified after
    // the cut-off are opened at all.
    std::vector<Candidate> found;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry) {
            const int error = errno;
            if (error == 0)
                break;
            ::closedir(dir);
            ReportUnreadableScoreFolder(error);
            return ScanResult::Unreadable;
        }
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        // Names are matched without regard to case: "GAME.TXT", "230905.ACA".
        if (bridgeWebs ? GetScoreFileTypeOf(name) < 0 : !EndsWithNoCase(name, ".txt"))
            continue;
        struct stat st {};
        if (::fstatat(dirFd, name, &st, 0) != 0)
            continue;  // gone since the listing, or a dangling link
        if (!S_ISREG(st.st_mode))
            continue;
        const int64_t modified = static_cast<int64_t>(st.st_mtim.tv_sec);
        if (modified <= after)
            continue;
        found.push_back({name, modified, static_cast<uint64_t>(st.st_size)});
    }
    ::closedir(dir);
    std::sort(found.begin(), found.end(),
              [](const Candidate& a, const Candidate& b) { return a.name < b.name; });

    // One block for all the contents (each with room for one more byte and
    // the closing NUL), when there is enough to read to be worth it.
    uint64_t total = 0;
    for (const Candidate& c : found)
        if (c.size <= kMaxScoreFileSize)
            total += c.size + 2 + 16;
    std::shared_ptr<CScoreFileArena> arena;
    if (total >= kMinArenaBytes && total <= kMaxArenaBytes)
        arena = std::make_shared<CScoreFileArena>(static_cast<size_t>(total));

    for (const Candidate& c : found) {
        auto record = std::make_unique<CScoreFile>();
        if (arena)
            record->UseArena(arena);
        const std::string path = JoinPath(directory, c.name);
        if (!record->Open(path, nullptr, bridgeWebs ? ScoreFileFormat::Binary : ScoreFileFormat::Text, OpenReport::Report))
            continue;
        // The file may have been rewritten between the listing and the open.
        if (record->GetModifiedTime() <= after)
            continue;
        if (!record->Parse(true))
            continue;
        if (repost) {
            record->SetPost(false);
        } else if (history->Lookup(*record)) {
            continue;
        }
        record->Close(false);
        candidates.Add(std::move(record));
    }
    return ScanResult::Scanned;
}

CQuillmarkApp::PostedMatch CQuillmarkApp::FindPostedFile(const CScoreFile& file, CScoreFile** found, bool searchCurrentRun,
                                                         CColScoreFile* collection)
{
    if (found)
        *found = nullptr;
    if (searchCurrentRun) {
        for (CScoreFile* posted : m_CurrentRun) {
            if (posted && posted->HashEquals(file)) {
                if (found)
                    *found = posted;
                return PostedMatch::InCurrentRun;
            }
        }
    }
    if (!collection)
        collection = &m_History;
    CScoreFile* entry = collection->Lookup(file);
    if (!entry)
        return PostedMatch::None;
    if (found)
        *found = entry;
    return entry->IsAddedToHistory() ? PostedMatch::AddedWithoutPosting : PostedMatch::InCollection;
}
