// Finding the hand-record file of a score file, and the names derived from a
// score file for its companion files.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "platform/path_helpers.h"
#include "app/quillmark_app.h"
#include "platform/text_helpers.h"
#include "posting/score_file.h"

namespace {

const char* const kHandRecordFilterTexts[5] = {
    "PBN Files (*.pbn)", "DOS Duplimate Files (*.dup)", "Windows Duplimate Files (*.dlm)",
    "BRI Files (*.bri)", "BB Online Files (*.lin)"};

int HandRecordTypeCount(bool bridgeWebs)
{
    return bridgeWebs ? 4 : 5;
}

// The names in a folder, for matching without regard to case. Empty when
// the folder cannot be read.
std::vector<std::string> ListFolder(const std::string& folder)
{
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(dir);
    // Sorted, so that of several names differing only in case the same one
    // is always taken.
    std::sort(names.begin(), names.end());
    return names;
}

// The web name with its extension (if any) replaced by ext.
std::string ReplaceWebExtension(const std::string& webName, std::string ext)
{
    if (!ext.empty() && ext[0] != '.')
        ext.insert(ext.begin(), '.');
    const size_t slash = webName.find_last_of("/\\");
    const size_t dot = webName.find_last_of('.');
    const bool hasExt = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExt ? webName.substr(0, dot) : webName) + ext;
}

}  // namespace

std::string GetHandRecordFilter(bool bridgeWebs)
{
    std::string filter;
    for (int i = 0; i < HandRecordTypeCount(bridgeWebs); ++i)
        filter += StrFormat("%s|*.%s|", kHandRecordFilterTexts[i], kHandRecordExtensions[i]);
    filter += "All Files (*.*)|*.*||";
    return filter;
}

bool CScoreFile::SelectHandRecords(bool automatic)
{
    CQuillmarkApp* app = GetAppPtr();
    if (!app)
        return false;
    const bool bridgeWebs = app->IsBridgeWebs();
    const int types = HandRecordTypeCount(bridgeWebs);
    CSearchPath& search = app->Setup().m_HandRecordFolders;
    const std::string code = GetFileCode();

    if (automatic) {
        if (!m_strHandRecordPath.empty())
            return true;
        // Hand-record files come from other computers: 230905A.PBN and
        // 230905a.pbn both belong to the code 230905A.
        for (const std::string& folder : search.Folders()) {
            const std::vector<std::string> names = ListFolder(folder);
            if (names.empty())
                continue;
            for (int t = 0; t < types; ++t) {
                const std::string wanted = code + "." + kHandRecordExtensions[t];
                const std::string* exact = nullptr;
                const std::string* other = nullptr;
                for (const std::string& name : names) {
                    if (name == wanted) {
                        exact = &name;
                        break;
                    }
                    if (!other && EqualsNoCase(name, wanted))
                        other = &name;
                }
                for (const std::string* name : {exact, other}) {
                    if (!name)
                        continue;
                    std::string path;
                    if (JoinInside(folder, *name, path) && IsReadableFile(path)) {
                        m_strHandRecordPath = path;
                        return true;
                    }
                }
            }
        }
        return false;
    }

    FileDialogRequest request;
    request.initialName = m_strHandRecordPath.empty() ? code : m_strHandRecordPath;
    request.filter = GetHandRecordFilter(bridgeWebs);
    request.title = "Select Hand Records - " + code;
    const std::string section = GetSection();
    if (!section.empty())
        request.title += " - Section " + section;
    if (!search.IsEmpty()) {
        const std::string& first = search.Folders().front();
        if (FolderExists(first) && ::access(first.c_str(), R_OK | X_OK) == 0)
            request.initialFolder = first;
    }
    const int filters = types + 1;
    const int remembered = app->Setup().m_nHandRecordFilterIndex == 0
                               ? 1
                               : static_cast<int>(app->Setup().m_nHandRecordFilterIndex);
    if (remembered <= filters) {
        request.filterIndex = remembered;
        if (remembered <= types)
            request.defaultExtension = kHandRecordExtensions[remembered - 1];
    }
    std::string chosen;
    int filterIndex = request.filterIndex;
    if (!app->Prompter().OpenFileDialog(request, chosen, filterIndex))
        return false;
    m_strHandRecordPath = chosen;
    bool changed = search.Add(GetFolderOnly(chosen), true) != 0;
    if (filterIndex >= 0 && app->Setup().m_nHandRecordFilterIndex != static_cast<uint32_t>(filterIndex)) {
        app->Setup().m_nHandRecordFilterIndex = static_cast<uint32_t>(filterIndex);
        changed = true;
    }
    if (changed)
        app->SaveProgramData();
    return true;
}

std::string CScoreFile::GetBwsPath() const
{
    // Keep the path's own separators: the folder part up to and including
    // its last separator.
    const size_t sep = m_strPath.find_last_of("/\\");
    const std::string folder = sep == std::string::npos ? std::string() : m_strPath.substr(0, sep + 1);
    return folder + GetFileCode() + ".bws";
}

std::string CScoreFile::GetHandRecordWebName() const
{
    return ReplaceWebExtension(m_strWebName, ToLowerAscii(GetExtension(m_strHandRecordPath)));
}

std::string CScoreFile::GetWebNameWithExtension(const std::string& extension) const
{
    return ReplaceWebExtension(m_strWebName, extension);
}
