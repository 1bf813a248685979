#include "transfer/score_file_remote.h"

#include <mutex>
#include <vector>

#include "posting/score_file.h"
#include "transfer/ftp_worker.h"

namespace {

// Plain FTP needs the worker's open connection; without it the open fails
// silently. FTPS and SFTP open nothing until the content is asked for.
bool OpenRemote(CFTPWorker& worker, const std::string& path, bool binary, bool quiet)
{
    return !worker.IsFTP() || worker.IsLoggedIn();
}

bool DownloadRemote(CFTPWorker& worker, const std::string& path, bool binary, std::string& content)
{
    std::vector<char> bytes;
    if (!worker.DownloadFile(bytes, path))
        return false;
    if (!bytes.empty() && bytes.back() == '\0')
        bytes.pop_back();
    content.assign(bytes.begin(), bytes.end());
    return true;
}

}  // namespace

void InstallScoreFileRemoteAccess()
{
    static std::once_flag once;
    std::call_once(once, [] {
        CScoreFileRemoteAccess access;
        access.open = &OpenRemote;
        access.download = &DownloadRemote;
        CScoreFile::SetRemoteAccess(access);
    });
}
