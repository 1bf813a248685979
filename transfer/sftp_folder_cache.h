// What a worker knows of the remote folders its SFTP uploads go into: the
// names each listed folder holds, and what each is: a folder, a plain
// file, a link or something else. Filled
// from listings over the worker's own sftp connection and kept up to date
// by the worker's own changes (put, rm, rename, mkdir), so that a run that
// uploads a page, its PDF and its hand record into one folder asks what is
// there once, not once per file.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>

class CSftpFolderCache {
public:
    enum class Kind { File, Folder, Link, Other };
    using Entries = std::map<std::string, Kind>;

    // The key of folder (relative to base, or absolute) below base (the
    // session's folder): the path with empty and "." parts dropped.
    static std::string Key(const std::string& base, const std::string& folder);
    // The last part of a path ("05" of "2024/05").
    static std::string Leaf(const std::string& path);
    // The path without its last part ("" for a single part).
    static std::string Parent(const std::string& path);

    // The entries of a folder that was listed and read, or null.
    const Entries* Find(const std::string& key) const;
    // True for a folder that was listed, whether its answer could be read
    // or not: asking again would get the same answer.
    bool Listed(const std::string& key) const { return m_folders.count(key) || m_unreadable.count(key); }
    void Store(const std::string& key, Entries entries);
    // A folder listed whose answer could not be read with certainty: what
    // it holds stays unknown.
    void StoreUnreadable(const std::string& key);
    // A name made in folder key; a folder not listed yet stays unlisted.
    void Add(const std::string& key, const std::string& name, Kind kind);
    // A name removed from folder key, with whatever was known below it.
    void Remove(const std::string& key, const std::string& name);
    // Knows nothing any more (after a step that failed part way).
    void Forget()
    {
        m_folders.clear();
        m_unreadable.clear();
    }

    // The entries of one "ls -lan" answer (see ReadSftpListing), without
    // "." and "..": nothing when it cannot be read for certain.
    static std::optional<Entries> ParseListing(const std::string& text, const std::string& prefix);

private:
    std::map<std::string, Entries> m_folders;
    std::set<std::string> m_unreadable;
};
