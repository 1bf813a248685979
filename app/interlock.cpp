#include "app/interlock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/text_helpers.h"

CInterlock::~CInterlock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

CInterlock::Result CInterlock::Acquire(const std::string& path, int& error)
{
    if (m_fd >= 0)
        return Acquired;
    // Not truncated on open: the content belongs to whoever holds the lock.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = errno;
        return Failed;
    }
    // flock locks belong to the open file, so a second open in this same
    // process is refused as well, and children (close-on-exec) never
    // inherit the lock.
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR)
            continue;
        error = errno;
        ::close(fd);
        return error == EWOULDBLOCK ? HeldElsewhere : Failed;
    }
    const std::string text = StrFormat("pid=%u\r\n", static_cast<unsigned>(::getpid()));
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, text.data(), text.size(), 0) != static_cast<ssize_t>(text.size())) {
        // The lock is what matters; a file that cannot take the id still
        // keeps a second copy out.
    }
    m_fd = fd;
    return Acquired;
}

void CInterlock::Truncate()
{
    if (m_fd >= 0 && ::ftruncate(m_fd, 0) != 0) {
        // Nothing to report at exit.
    }
}
