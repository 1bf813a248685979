// What a worker knows of the remote folders its SFTP uploads go into: the
// names each listed folder holds, and which of them are folders. Filled
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
    // name -> whether it is a folder (anything else: a file or a link)
    using Entries = std::map<std::string, bool>;

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
    void Add(const std::string& key, const std::string& name, bool folder);
    // A name removed from folder key, with whatever was known below it.
    void Remove(const std::string& key, const std::string& name);
    // Knows nothing any more (after a step that failed part way).
    void Forget()
    {
        m_folders.clear();
        m_unreadable.clear();
    }

    // The entries of one "ls -lan" answer, without "." and "..": the lines
    // sftp formats itself (mode, links, owner, group, size, date, name),
    // each name after prefix, what sftp puts before each name when it lists
    // a folder given by name (that name and "/"). Nothing when a line is not
    // of that form or its name cannot be told for certain: sftp writes a
    // name's line break as it is and other bytes it cannot print as "\ooo",
    // so a name with a backslash or a control character, a line out of
    // sftp's sorted order, a name with a "/" or a line without the prefix
    // (a file listed under its own name, a line a name made up) leaves the
    // folder unknown.
    static std::optional<Entries> ParseListing(const std::string& text, const std::string& prefix);

private:
    std::map<std::string, Entries> m_folders;
    std::set<std::string> m_unreadable;
};
