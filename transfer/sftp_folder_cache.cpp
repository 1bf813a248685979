#include "transfer/sftp_folder_cache.h"

#include <cctype>
#include <cstring>

#include "platform/text_helpers.h"

std::string CSftpFolderCache::Key(const std::string& base, const std::string& folder)
{
    const bool absolute = !folder.empty() && folder[0] == '/';
    const std::string path = absolute || base.empty() ? folder : base + "/" + folder;
    std::string key = !path.empty() && path[0] == '/' ? "/" : "";
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string part = path.substr(start, end - start);
        if (!part.empty() && part != ".") {
            if (!key.empty() && key.back() != '/')
                key += '/';
            key += part;
        }
        start = end + 1;
    }
    return key;
}

std::string CSftpFolderCache::Leaf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string CSftpFolderCache::Parent(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

const CSftpFolderCache::Entries* CSftpFolderCache::Find(const std::string& key) const
{
    const auto it = m_folders.find(key);
    return it == m_folders.end() ? nullptr : &it->second;
}

void CSftpFolderCache::Store(const std::string& key, Entries entries)
{
    m_unreadable.erase(key);
    m_folders[key] = std::move(entries);
}

void CSftpFolderCache::StoreUnreadable(const std::string& key)
{
    m_folders.erase(key);
    m_unreadable.insert(key);
}

void CSftpFolderCache::Add(const std::string& key, const std::string& name, bool folder)
{
    const auto it = m_folders.find(key);
    if (it != m_folders.end())
        it->second[name] = folder;
}

void CSftpFolderCache::Remove(const std::string& key, const std::string& name)
{
    const auto it = m_folders.find(key);
    if (it != m_folders.end())
        it->second.erase(name);
    // What was known below a removed (or renamed) folder no longer holds.
    const std::string below = Key(key, name);
    auto under = [&below](const std::string& k) {
        return k == below || (k.size() > below.size() && k.compare(0, below.size(), below) == 0 &&
                              (k[below.size()] == '/' || below == "/"));
    };
    for (auto at = m_folders.begin(); at != m_folders.end();)
        at = under(at->first) ? m_folders.erase(at) : std::next(at);
    for (auto at = m_unreadable.begin(); at != m_unreadable.end();)
        at = under(*at) ? m_unreadable.erase(at) : std::next(at);
}

namespace {

bool AllOf(const std::string& s, size_t from, size_t to, bool digits)
{
    if (from >= to || to > s.size())
        return false;
    for (size_t i = from; i < to; ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (digits ? !std::isdigit(c) : !std::isalpha(c))
            return false;
    }
    return true;
}

// The name of one line of sftp's own long format, "drwxr-xr-x    ? 1000
// 1000  4096 Dec 10 08:50 name" (a year in place of the time for older
// dates), with the blanks the name holds; false for any other line.
bool NameOfLine(const std::string& line, std::string& name, bool& folder)
{
    static const char kKinds[] = "-dlpscbD?";
    if (line.size() < 11 || !std::strchr(kKinds, line[0]) || line[10] != ' ')
        return false;
    for (size_t i = 1; i < 10; ++i) {
        if (!std::strchr("rwxsStT-", line[i]))
            return false;
    }
    size_t pos = 10, start = 0, end = 0;
    // Links ("?" where the server does not tell), owner, group, size.
    for (int field = 0; field < 4; ++field) {
        if (!NextField(line, pos, start, end))
            return false;
    }
    if (!AllOf(line, start, end, true))
        return false;
    // "Dec 10 08:50" or "Dec 10  2024".
    if (!NextField(line, pos, start, end) || end - start != 3 || !AllOf(line, start, end, false) ||
        !NextField(line, pos, start, end) || end - start > 2 || !AllOf(line, start, end, true) ||
        !NextField(line, pos, start, end))
        return false;
    const bool time = end - start == 5 && line[start + 2] == ':' && AllOf(line, start, start + 2, true) &&
                      AllOf(line, start + 3, end, true);
    const bool year = end - start == 4 && AllOf(line, start, end, true);
    // One blank, then the name to the line's end.
    if ((!time && !year) || end + 1 >= line.size() || line[end] != ' ')
        return false;
    name = line.substr(end + 1);
    folder = line[0] == 'd';
    return true;
}

}  // namespace

std::optional<CSftpFolderCache::Entries> CSftpFolderCache::ParseListing(const std::string& text,
                                                                       const std::string& prefix)
{
    Entries entries;
    std::string previous;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        std::string name;
        bool folder = false;
        if (!NameOfLine(line, name, folder) || name.compare(0, prefix.size(), prefix) != 0 ||
            name.size() == prefix.size())
            return std::nullopt;
        for (const char c : name) {
            if (c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
                return std::nullopt;
        }
        // sftp sorts what it lists by name: a line out of that order was
        // made by a name holding a line break.
        if (!previous.empty() && name <= previous)
            return std::nullopt;
        previous = name;
        name.erase(0, prefix.size());
        // A folder's own entries have no separator in their names.
        if (name.find('/') != std::string::npos)
            return std::nullopt;
        if (name != "." && name != "..")
            entries[name] = folder;
    }
    return entries;
}
