// What a worker knows of the remote folders its SFTP uploads go into: the
// names each listed folder holds, and which of them are folders. Filled
// from listings over the worker's own sftp connection and kept up to date
// by the worker's own changes (put, rm, rename, mkdir), so that a run that
// uploads a page, its PDF and its hand record into one folder asks what is
// there once, not once per file.
#pragma once

#include <map>
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

    // The entries of a folder that was listed, or null.
    const Entries* Find(const std::string& key) const;
    void Store(const std::string& key, Entries entries);
    // A name made in folder key; a folder not listed yet stays unlisted.
    void Add(const std::string& key, const std::string& name, bool folder);
    // A name removed from folder key, with whatever was known below it.
    void Remove(const std::string& key, const std::string& name);
    // Knows nothing any more (after a step that failed part way).
    void Forget() { m_folders.clear(); }

    // The entries of one "ls -la" answer: the long-format lines, without
    // "." and "..". prefix is what sftp puts before each name when it
    // lists a folder given by name (that name and "/"); lines without it
    // (a file listed by its own name) are not entries of the folder.
    static Entries ParseListing(const std::string& text, const std::string& prefix);

private:
    std::map<std::string, Entries> m_folders;
};
