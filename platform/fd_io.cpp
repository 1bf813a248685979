#include "platform/fd_io.h"

#include <cerrno>
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
