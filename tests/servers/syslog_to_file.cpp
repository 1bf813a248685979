// Loaded with LD_PRELOAD into a server that logs only through syslog
// (Pure-FTPd): every message goes, one line each, to the file named by
// QM_SYSLOG_FILE instead. The file is opened once, before the server
// chroots or drops its privileges, and its descriptor kept by the forked
// session processes.
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <syslog.h>
#include <unistd.h>

namespace {

int g_fd = -1;
char g_ident[64] = "";

// A descriptor number servers do not close while setting up.
constexpr int kLogFd = 987;

void OpenLog()
{
    if (g_fd >= 0 && ::fcntl(g_fd, F_GETFD) != -1)
        return;
    const char* path = std::getenv("QM_SYSLOG_FILE");
    if (!path || !*path)
        return;
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    g_fd = ::fcntl(fd, F_DUPFD_CLOEXEC, kLogFd);
    ::close(fd);
}

void Write(int priority, const char* format, va_list args)
{
    const int saved = errno;
    OpenLog();
    if (g_fd < 0) {
        errno = saved;
        return;
    }
    char line[8192];
    int n = std::snprintf(line, sizeof line, "%s[%d] <%d>: ", g_ident, static_cast<int>(::getpid()),
                          LOG_PRI(priority));
    errno = saved;  // for %m
    if (n > 0 && n < static_cast<int>(sizeof line))
        n += std::vsnprintf(line + n, sizeof line - static_cast<size_t>(n), format, args);
    if (n >= static_cast<int>(sizeof line) - 1)
        n = static_cast<int>(sizeof line) - 2;
    if (n > 0) {
        if (line[n - 1] != '\n')
            line[n++] = '\n';
        (void)!::write(g_fd, line, static_cast<size_t>(n));
    }
    errno = saved;
}

}  // namespace

extern "C" {

__attribute__((constructor)) static void QmSyslogInit()
{
    OpenLog();
}

void openlog(const char* ident, int, int)
{
    std::snprintf(g_ident, sizeof g_ident, "%s", ident ? ident : "");
    OpenLog();
}

void closelog() {}

void vsyslog(int priority, const char* format, va_list args)
{
    Write(priority, format, args);
}

void syslog(int priority, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    Write(priority, format, args);
    va_end(args);
}

void __vsyslog_chk(int priority, int, const char* format, va_list args)
{
    Write(priority, format, args);
}

void __syslog_chk(int priority, int, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    Write(priority, format, args);
    va_end(args);
}

}
