#include "app/app_folders.h"

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/error_report.h"
#include "app/private_temp.h"
#include "platform/path_helpers.h"
#include "app/quillmark_app.h"
#include "platform/text_helpers.h"
#include "platform/exceptions.h"

bool AppendAndCreateFolder(std::string& path, const std::string& name, bool create)
{
    path = JoinPath(path, name);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (!S_ISDIR(st.st_mode))
            errno = ENOTDIR;
        return S_ISDIR(st.st_mode);
    }
    if (create)
        ::mkdir(path.c_str(), 0700);
    return FolderExists(path);
}

void DeleteFolderTree(const std::string& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return;
    if (!S_ISDIR(st.st_mode)) {
        ::unlink(path.c_str());
        return;
    }
    if (DIR* dir = ::opendir(path.c_str())) {
        while (dirent* e = ::readdir(dir)) {
            const std::string name = e->d_name;
            if (name == "." || name == "..")
                continue;
            DeleteFolderTree(JoinPath(path, name));
        }
        ::closedir(dir);
    }
    ::rmdir(path.c_str());
}

bool CreateFolderPath(const std::string& path)
{
    if (path.empty())
        return false;
    if (FolderExists(path))
        return true;
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/') {
            const std::string prefix = path.substr(0, i);
            if (!FolderExists(prefix) && ::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST)
                return false;
        }
    }
    return FolderExists(path);
}

std::string UserBaseFolder(const char* xdgName, const char* homeSubfolder)
{
    const char* xdg = std::getenv(xdgName);
    if (xdg && *xdg == '/')
        return xdg;
    const char* home = std::getenv("HOME");
    if (home && *home)
        return JoinPath(home, homeSubfolder);
    // Without a home, this user's private folder under the temporary
    // folder; never a folder there that someone else made or can change.
    return PrivateTempFolder();
}

bool IsUsersOwnFolder(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & S_IWOTH) == 0;
}

bool CQuillmarkApp::GetAppDataFolder(std::string& path, bool create)
{
    const char* over = std::getenv("QUILLMARK_DATA_DIR");
    std::string folder;
    if (over && *over) {
        folder = over;
    } else {
        const std::string base = UserBaseFolder("XDG_DATA_HOME", ".local/share");
        if (base.empty()) {
            path.clear();
            errno = EACCES;
            return false;
        }
        folder = JoinPath(JoinPath(base, "Ostervale"), "Quillmark");
    }
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    path = folder;
    if (!(create ? CreateFolderPath(folder) : FolderExists(folder)))
        return false;
    // The Upload History, the log and the password live here: a folder
    // someone else owns or may write is not used.
    if (!IsUsersOwnFolder(folder)) {
        errno = EACCES;
        return false;
    }
    return true;
}

bool CQuillmarkApp::GetAppDataPath(std::string& path, bool create)
{
    std::string folder;
    const bool ok = GetAppDataFolder(folder, create);
    path = JoinPath(folder, "ProgramData.bin");
    return ok;
}

std::string CQuillmarkApp::GetDataPath(bool create)
{
    std::string folder;
    if (!GetAppDataFolder(folder, create)) {
        if (create)
            Prompter().MessageBox("Cannot find common application data folder.", MB_OK | MB_ICONERROR);
        return {};
    }
    return JoinPath(folder, "Setup.bin");
}

std::string CQuillmarkApp::GetStagingFolder()
{
    int error = 0;
    std::string folder;
    bool chosen = false;
    // A name that is not a plain folder name (a damaged setup file) is
    // replaced by a new one rather than followed elsewhere.
    if (!IsPlainFileName(m_Setup.m_strStagingFolder))
        m_Setup.m_strStagingFolder.clear();
    errno = 0;
    if (!GetAppDataFolder(folder, true)) {
        error = errno ? errno : ENOENT;
    } else if (m_Setup.m_strStagingFolder.empty()) {
        for (int n = 1; n <= 255 && !chosen; ++n) {
            const std::string name = StrFormat("Staging%d", n);
            struct stat st {};
            if (::lstat(JoinPath(folder, name).c_str(), &st) == 0)
                continue;
            if (errno != ENOENT) {
                error = errno;
                break;
            }
            m_Setup.m_strStagingFolder = name;
            chosen = true;
        }
        if (!chosen && error == 0)
            error = EEXIST;
    }
    if (error == 0) {
        std::string path = folder;
        if (AppendAndCreateFolder(path, m_Setup.m_strStagingFolder, true)) {
            if (chosen)
                SaveData(true);
            return path;
        }
        error = errno ? errno : ENOTDIR;
    }
    Prompter().MessageBox(StrFormat("Cannot access staging directory (error code 0x%08X).",
                                    static_cast<unsigned>(error)),
                          MB_OK | MB_ICONERROR);
    throw CUserException();
}
