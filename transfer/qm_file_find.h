// A finder over one remote folder, whatever the protocol: plain FTP asks
// the connection for a LIST, FTPS runs curl, SFTP runs sftp's "ls -lan";
// the listing is read in Unix or DOS style.
#pragma once

#include <string>
#include <vector>

#include "transfer/remote_listing.h"

class CFTPWorker;

class CQmFileFind {
public:
    explicit CQmFileFind(CFTPWorker* worker) : m_pWorker(worker) {}

    // pattern: a folder followed by "*" ("*" for the current folder).
    // True when the folder was listed, even when it holds nothing; false
    // when the listing failed (refused login or folder, no connection, a
    // lost connection, a cancel), which is never the same as an empty
    // folder. Entries() then holds nothing and GetError() says why.
    bool FindFile(const std::string& pattern);
    // Moves to the next entry; true while more follow the one now current.
    // Call once before reading the first entry; the entry made current by
    // a call that returned false is still valid.
    bool FindNextFile();
    bool IsDots() const;
    bool IsDirectory() const;
    std::string GetFileName() const;

    const std::vector<CRemoteEntry>& Entries() const { return m_Entries; }
    // Why the last FindFile failed, as the server or the program said it.
    const std::string& GetError() const { return m_strError; }

private:
    CFTPWorker* m_pWorker;
    std::vector<CRemoteEntry> m_Entries;
    std::string m_strError;
    int m_nCurrent = -1;
};
