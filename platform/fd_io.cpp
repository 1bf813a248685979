#include "platform/fd_io.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool WriteAll(int fd, const void* data, size_t size, int* error, size_t* done)
{
    const auto* p = static_cast<const char*>(data);
    size_t written = 0;
    int err = 0;
    while (written < size) {
        const ssize_t n = ::write(fd, p + written, size - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            err = n < 0 ? errno : ENOSPC;
            break;
        }
        written += static_cast<size_t>(n);
    }
    if (done)
        *done = written;
    if (error)
        *error = err;
    return written == size;
}

bool ReadAll(int fd, void* data, size_t size, int* error)
{
    auto* p = static_cast<char*>(data);
    size_t got = 0;
    int err = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, p + got, size - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            err = n < 0 ? errno : 0;
            break;
        }
        got += static_cast<size_t>(n);
    }
    if (error)
        *error = err;
    return got == size;
}

void WipeAndDeleteFile(const std::string& path, bool onlyOwn)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && (!onlyOwn || st.st_uid == ::geteuid())) {
            static const char zeros[4096] = {};
            for (off_t left = st.st_size; left > 0;) {
                const size_t n = left < static_cast<off_t>(sizeof zeros) ? static_cast<size_t>(left) : sizeof zeros;
                const ssize_t w = ::write(fd, zeros, n);
                if (w <= 0)
                    break;
                left -= w;
            }
            ::fsync(fd);
            if (::ftruncate(fd, 0) != 0) {
                // The file is deleted below all the same.
            }
        }
        ::close(fd);
    }
    ::unlink(path.c_str());
}
