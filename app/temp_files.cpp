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

unsigned CQuillmarkApp::TempCounterStart()
{
    if (m_tempCounterSource)
        return m_tempCounterSource() & 0xFFFF;
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<unsigned>(std::chrono::duration_cast<std::chrono::milliseconds>(ticks).count()) & 0xFFFF;
}

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
    int fd = -1;
    std::string candidate;
    // The extension may come from outside (a template's URL): the name must
    // stay a plain name inside the folder.
    if (!JoinInside(dir, prefix + "XXXXXX" + ext, candidate)) {
        errno = EINVAL;
        path.clear();
        return false;
    }
    if (!m_tempCounterSource) {
        // Six random letters and digits, made with O_EXCL and tried again
        // on a clash: names made in advance by someone else cannot use them
        // all up, nor be guessed.
        fd = ::mkostemps(&candidate[0], static_cast<int>(ext.size()), O_CLOEXEC);
    } else {
        // Tests ask for the names in a known order.
        const unsigned start = TempCounterStart();
        unsigned counter = start;
        do {
            candidate = JoinPath(dir, prefix + StrFormat("%04X", counter) + ext);
            fd = ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            counter = (counter + 1) & 0xFFFF;
        } while (fd < 0 && counter != start);
    }
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
    if (!m_tempCounterSource) {
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
    } else {
        const unsigned start = TempCounterStart();
        unsigned counter = start;
        do {
            const std::string candidate = JoinPath(dir, prefix + StrFormat("%04X", counter));
            if (::mkdir(candidate.c_str(), 0700) == 0) {
                AddTempPath(candidate);
                return candidate;
            }
            if (errno != EEXIST) {
                ReportError(static_cast<uint32_t>(errno), "CQuillmarkApp::GetTempDirectory: CreateDirectory");
                throw CUserException();
            }
            counter = (counter + 1) & 0xFFFF;
        } while (counter != start);
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

bool CQuillmarkApp::GetPrivateTempFile(const std::string& prefix, const std::string& extension,
                                       std::string& path)
{
    path.clear();
    const std::string dir = GetTempFolder();
    std::string ext = extension;
    if (!ext.empty() && ext[0] != '.')
        ext = "." + ext;
    std::string name;
    if (!JoinInside(dir, prefix + "XXXXXX" + ext, name)) {
        errno = EINVAL;
        return false;
    }
    // mkstemps makes the file with mode 0600 and O_EXCL.
    const int fd = ::mkostemps(&name[0], static_cast<int>(ext.size()), O_CLOEXEC);
    if (fd < 0)
        return false;
    ::fchmod(fd, 0600);
    ::close(fd);
    AddTempPath(name);
    path = name;
    return true;
}
