#include "app/mirror_file.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/path_helpers.h"
#include "platform/fd_io.h"

namespace {

void SyncFolder(const std::string& path)
{
    const std::string folder = GetFolderOnly(path);
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// The file a save replaces: a symbolic link is followed to its final target
// (which need not exist yet), so that the link stays and its target is the
// file updated. false with ELOOP for links that go round.
bool FinalTarget(const std::string& path, std::string& target)
{
    target = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return true;
        std::string next(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
        const ssize_t n = ::readlink(target.c_str(), &next[0], next.size());
        if (n <= 0 || static_cast<size_t>(n) >= next.size())
            return true;  // changed meanwhile: the rename decides
        next.resize(static_cast<size_t>(n));
        if (next[0] != '/') {
            const std::string folder = GetFolderOnly(target);
            next = folder.empty() ? next : JoinPath(folder, next);
        }
        target = next;
    }
    errno = ELOOP;
    return false;
}

}  // namespace

bool CMirrorFile::Open(const std::string& linkOrPath, int& error)
{
    Abort();
    std::string path;
    if (!FinalTarget(linkOrPath, path)) {
        error = errno;
        return false;
    }
    const std::string folder = GetFolderOnly(path);
    std::string temp = JoinPath(folder.empty() ? "." : folder, "." + GetFileNameOnly(path) + ".XXXXXX");
    const int fd = ::mkostemp(&temp[0], O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return false;
    }
    // Keep the permissions of the file being replaced; a new file is made
    // readable by everyone and writable by its owner.
    struct stat st {};
    const mode_t mode = ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
    ::fchmod(fd, mode);
    m_path = path;
    m_temp = temp;
    m_fd = fd;
    return true;
}

bool CMirrorFile::Write(const void* data, size_t size, int& error)
{
    if (m_fd < 0) {
        error = EBADF;
        return false;
    }
    return WriteAll(m_fd, data, size, &error);
}

bool CMirrorFile::Commit(int& error)
{
    if (m_fd < 0) {
        error = EBADF;
        return false;
    }
    if (::fsync(m_fd) != 0) {
        error = errno;
        Abort();
        return false;
    }
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        error = errno;
        Abort();
        return false;
    }
    if (::rename(m_temp.c_str(), m_path.c_str()) != 0) {
        error = errno;
        Abort();
        return false;
    }
    m_temp.clear();
    SyncFolder(m_path);
    return true;
}

void CMirrorFile::Abort()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temp.empty()) {
        ::unlink(m_temp.c_str());
        m_temp.clear();
    }
}

bool SaveFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes, int& error)
{
    CMirrorFile file;
    return file.Open(path, error) && file.Write(bytes.data(), bytes.size(), error) && file.Commit(error);
}

bool IsReadOnlyFile(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return true;
    return ::access(path.c_str(), W_OK) != 0;
}
