#include "app/quillmark_app.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/error_report.h"
#include "app/path_helpers.h"
#include "app/text_helpers.h"
#include "platform/exceptions.h"

namespace {

unsigned StartCounter()
{
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<unsigned>(std::chrono::duration_cast<std::chrono::milliseconds>(ticks).count()) & 0xFFFF;
}

void DeleteTree(const std::string& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return;
    if (S_ISDIR(st.st_mode)) {
        if (DIR* dir = ::opendir(path.c_str())) {
            while (dirent* e = ::readdir(dir)) {
                const std::string name = e->d_name;
                if (name == "." || name == "..")
                    continue;
                DeleteTree(JoinPath(path, name));
            }
            ::closedir(dir);
        }
        ::rmdir(path.c_str());
    } else {
        ::unlink(path.c_str());
    }
}

}  // namespace

std::string CQuillmarkApp::GetTempFolder()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = (tmp && *tmp) ? tmp : "/tmp";
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

bool CQuillmarkApp::GetTempFile(const std::string& folder, const std::string& prefix,
                                const std::string& extension, std::string& path)
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
    const unsigned start = StartCounter();
    unsigned counter = start;
    do {
        const std::string candidate = JoinPath(dir, prefix + StrFormat("%04X", counter) + ext);
        const int fd = ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            path = candidate;
            AddTempPath(candidate);
            return true;
        }
        counter = (counter + 1) & 0xFFFF;
    } while (counter != start);
    path.clear();
    return false;
}

std::string CQuillmarkApp::GetTempDirectory(const std::string& prefix)
{
    const std::string dir = GetTempFolder();
    if (!FolderExists(dir)) {
        ReportError(ENOENT, "CQuillmarkApp::GetTempDirectory: GetTempPath");
        throw CUserException();
    }
    const unsigned start = StartCounter();
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
    const std::string text = "Unable to create a temporary directory";
    if (m_pLog) {
        m_pLog->WriteLastStatus();
        m_pLog->WriteBlock(text, "Message Box");
    }
    Prompter().MessageBox(text, MB_OK | MB_ICONERROR);
    throw CUserException();
}

void CQuillmarkApp::AddTempPath(const std::string& path)
{
    std::lock_guard<std::mutex> lock(m_tempMutex);
    m_TempPaths.push_back(path);
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
        DeleteTree(p);
}
