// The ordered list of folders searched for hand-record files, stored in the
// setup as one string joined with "|".
#pragma once

#include <list>
#include <string>

class CSearchPath {
public:
    // 0 when the folder already stands at that end (without regard to case)
    // and nothing changed; else every duplicate is removed, the folder is
    // inserted at the front or the back, and 1 is returned.
    int Add(const std::string& folder, bool atFront);
    void RemoveAll() { m_folders.clear(); }
    // Appends at the back as it stands (no de-duplication).
    void Append(const std::string& folder) { m_folders.push_back(folder); }
    std::string GetString() const;
    void SetString(const std::string& joined);
    const std::list<std::string>& Folders() const { return m_folders; }
    bool IsEmpty() const { return m_folders.empty(); }
    // Removes the folder (without regard to case); false when absent.
    bool Remove(const std::string& folder);

private:
    std::list<std::string> m_folders;
};
