#include "app/quillmark_app.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/app_folders.h"
#include "app/error_report.h"
#include "app/private_temp.h"
#include "platform/path_helpers.h"
#include "platform/text_helpers.h"
#include "platform/exceptions.h"

std::string CQuillmarkApp::GetTempFolder()
{
    return SystemTempFolder();
}

bool CQuillmarkApp::GetTempFile(const std::string& folder, const std::string& prefix,
                                const std::string& extension, std::string& path, int* fdOut)
{
    const std::string dir = folder.empty() ? GetTempFolder() : folder;
    if (!FolderExists(dir)) {
        ReportError(ENOENT, "CQuillmarkApp::GetTempFile: GetTempPath");
        path.clear();
        return false;
    }
    std::string ext = extension;
    if (!ext.empty() && ext[0] != '.')
        ext = "." + ext;
    std::string candidate;
    // The extension may come from outside (a template's URL): the name must
    // stay a plain name inside the folder.
    if (!JoinInside(dir, prefix + "XXXXXX" + ext, candidate)) {
        errno = EINVAL;
        path.clear();
        return false;
    }
    // Six random letters and digits, made with O_EXCL and mode 0600 and
    // tried again on a clash: names made in advance by someone else cannot
    // use them all up, nor be guessed.
    const int fd = ::mkostemps(&candidate[0], static_cast<int>(ext.size()), O_CLOEXEC);
    if (fd < 0) {
        path.clear();
        return false;
    }
    ::fchmod(fd, 0600);
    if (fdOut)
        *fdOut = fd;
    else
        ::close(fd);
    path = candidate;
    AddTempPath(candidate);
    return true;
}

std::string CQuillmarkApp::GetTempDirectory(const std::string& prefix)
{
    const std::string dir = GetTempFolder();
    if (!FolderExists(dir)) {
        ReportError(ENOENT, "CQuillmarkApp::GetTempDirectory: GetTempPath");
        throw CUserException();
    }
    // As for files: random, made with mode 0700, retried on a clash.
    std::string candidate = JoinPath(dir, prefix + "XXXXXX");
    if (::mkdtemp(&candidate[0])) {
        AddTempPath(candidate);
        return candidate;
    }
    if (errno != EEXIST) {
        ReportError(static_cast<uint32_t>(errno), "CQuillmarkApp::GetTempDirectory: CreateDirectory");
        throw CUserException();
    }
    ShowErrorMessage("Unable to create a temporary directory");
    throw CUserException();
}

void CQuillmarkApp::AddTempPath(const std::string& path)
{
    std::lock_guard<std::mutex> lock(m_tempMutex);
    m_TempPaths.push_back(path);
    // Should this process be killed, the next start deletes it.
    RecordRunTempPath(path);
}

std::vector<std::string> CQuillmarkApp::GetTempPaths() const
{
    std::lock_guard<std::mutex> lock(m_tempMutex);
    return m_TempPaths;
}

void CQuillmarkApp::DeleteTempPaths()
{
    std::vector<std::string> paths;
    {
        std::lock_guard<std::mutex> lock(m_tempMutex);
        paths.swap(m_TempPaths);
    }
    for (const auto& p : paths)
        DeleteFolderTree(p);
    ForgetRunTempPaths();
}
