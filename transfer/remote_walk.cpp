#include "transfer/remote_walk.h"

#include <vector>

#include "platform/text_helpers.h"

namespace {

// A folder path for a message: "/" separators, and no longer than a
// message box can show (a hostile server can send very long names).
std::string ShownPath(const std::string& folder)
{
    std::string shown = ReplaceAll(folder, "\\", "/");
    const size_t keep = 200;
    if (shown.size() > keep)
        shown = "..." + shown.substr(shown.size() - keep);
    return shown;
}

bool LeavesStart(const std::string& normal)
{
    return normal == "/.." || normal.compare(0, 4, "/../") == 0;
}

}  // namespace

CRemoteWalk::CRemoteWalk(CWalkLimits limits) : m_limits(limits)
{
    m_queue.push_back({std::string(), 0});
    m_seen.insert(std::string());
}

bool CRemoteWalk::Next(std::string& folder)
{
    if (m_queue.empty())
        return false;
    m_current = m_queue.front();
    m_queue.pop_front();
    folder = m_current.folder;
    return true;
}

CRemoteWalk::Added CRemoteWalk::AddFolder(const std::string& name)
{
    const std::string folder = m_current.folder.empty() ? name : m_current.folder + "\\" + name;
    const std::string normal = NormalFolder(folder);
    // Already queued under some spelling, or outside the tree: listing it
    // again would only repeat what the walk has (or must not have).
    if (m_seen.count(normal) || LeavesStart(normal))
        return Added::Skipped;
    const int depth = m_current.depth + 1;
    if (depth > m_limits.maxDepth) {
        m_problem = StrFormat("The folders on the server go deeper than %d levels (at \"%s\"); the folder walk "
                              "was stopped there.",
                              m_limits.maxDepth, ShownPath(folder).c_str());
        return Added::TooDeep;
    }
    if (m_queuedCount >= m_limits.maxFolders) {
        m_problem = StrFormat("The server holds more than %d folders here; the folder walk was stopped at \"%s\".",
                              m_limits.maxFolders, ShownPath(folder).c_str());
        return Added::TooMany;
    }
    m_seen.insert(normal);
    m_queue.push_back({folder, depth});
    ++m_queuedCount;
    return Added::Queued;
}

std::string CRemoteWalk::NormalFolder(const std::string& folder)
{
    std::vector<std::string> parts;
    std::string part;
    auto take = [&parts, &part] {
        if (part == "..") {
            if (parts.empty() || parts.back() == "..")
                parts.push_back(part);
            else
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        part.clear();
    };
    for (char c : folder) {
        if (c == '/' || c == '\\')
            take();
        else
            part += c;
    }
    take();
    std::string normal;
    for (const std::string& p : parts)
        normal += "/" + p;
    return normal;
}
