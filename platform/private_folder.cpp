#include "platform/private_folder.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/path_helpers.h"

bool IsPrivateFolder(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

std::string PrivateTempFolder()
{
    const std::string folder = JoinPath(SystemTempFolder(), "Quillmark-" + std::to_string(::geteuid()));
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return {};
    if (!IsPrivateFolder(folder) || ::access(folder.c_str(), R_OK | W_OK | X_OK) != 0) {
        errno = EACCES;
        return {};
    }
    return folder;
}
