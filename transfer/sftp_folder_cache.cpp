#include "transfer/sftp_folder_cache.h"

#include "platform/path_helpers.h"

#include "transfer/remote_listing.h"

#include "platform/text_helpers.h"

std::string CSftpFolderCache::Key(const std::string& base, const std::string& folder)
{
    const bool absolute = !folder.empty() && folder[0] == '/';
    // ".." stays: the server resolves it, through links too.
    return NormalRemotePath(absolute || base.empty() ? folder : base + "/" + folder, false);
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

void CSftpFolderCache::Add(const std::string& key, const std::string& name, Kind kind)
{
    const auto it = m_folders.find(key);
    if (it != m_folders.end())
        it->second[name] = kind;
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

std::optional<CSftpFolderCache::Entries> CSftpFolderCache::ParseListing(const std::string& text,
                                                                       const std::string& prefix)
{
    const auto read = ReadSftpListing(text, prefix);
    if (!read)
        return std::nullopt;
    Entries entries;
    for (const CSftpListEntry& e : *read) {
        if (e.name != "." && e.name != "..")
            entries[e.name] = e.Folder() ? Kind::Folder : e.PlainFile() ? Kind::File : e.mode[0] == 'l' ? Kind::Link : Kind::Other;
    }
    return entries;
}
