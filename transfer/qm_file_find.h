// A finder over one remote folder, whatever the protocol: plain FTP asks
// the connection for a LIST, FTPS runs curl, SFTP runs sftp's "ls -la";
// the listing is read in Unix or DOS style.
#pragma once

#include <string>
#include <vector>

#include "transfer/remote_listing.h"

class CFTPWorker;

class CQmFileFind {
public:
    explicit CQmFileFind(CFTPWorker* worker) : m_pWorker(worker) {}

    // pattern: a folder followed by "*" ("*" for the current folder). The
    // number of entries found (0 when the listing failed).
    int FindFile(const std::string& pattern);
    // Moves to the next entry; true while more follow the one now current.
    // Call once before reading the first entry; the entry made current by
    // a call that returned false is still valid.
    bool FindNextFile();
    bool IsDots() const;
    bool IsDirectory() const;
    std::string GetFileName() const;

    const std::vector<CRemoteEntry>& Entries() const { return m_Entries; }

private:
    CFTPWorker* m_pWorker;
    std::vector<CRemoteEntry> m_Entries;
    int m_nCurrent = -1;
};
