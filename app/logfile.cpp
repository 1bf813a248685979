#include "app/logfile.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/date_helpers.h"
#include "platform/path_helpers.h"
#include "app/mirror_file.h"
#include "app/quillmark_app.h"
#include "platform/line_splitter.h"
#include "platform/text_helpers.h"
#include "platform/exceptions.h"
#include "platform/fd_io.h"

namespace {

// Whether the open file is still the one at path: a trim (also by another
// process) renames a new file into place, and an entry written to the old
// one after that would be lost with it.
bool IsFileAtPath(int fd, const std::string& path)
{
    struct stat open {}, named {};
    return ::fstat(fd, &open) == 0 && open.st_nlink > 0 && ::stat(path.c_str(), &named) == 0 &&
           open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

void LockExclusive(int fd)
{
    while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
    }
}

// The lock that every writer of the log (in any process) and the trim take
// on the log's folder. The folder stays when a trim renames a new file over
// the log, so whoever holds this lock opens the file that is at the path and
// keeps it there until done: no entry goes into a file that is being
// replaced, and a writer never has to chase a replaced file. A lock on the
// log file itself cannot do that, since each trim puts a new, unlocked file
// at the path. Without access to the folder the lock is not held, and the
// lock on the file with its identity check still applies.
class CFolderLock {
public:
    // wait: block until the lock is free; otherwise try for a short while.
    CFolderLock(const std::string& file, bool wait)
    {
        const std::string folder = GetFolderOnly(file);
        m_fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (m_fd < 0)
            return;
        if (wait) {
            int rc;
            while ((rc = ::flock(m_fd, LOCK_EX)) != 0 && errno == EINTR) {
            }
            m_held = rc == 0;
            return;
        }
        for (int tries = 0; tries < 200 && !m_held; ++tries) {
            m_held = ::flock(m_fd, LOCK_EX | LOCK_NB) == 0;
            if (!m_held)
                ::usleep(1000);
        }
    }
    ~CFolderLock()
    {
        if (m_fd < 0)
            return;
        if (m_held)
            ::flock(m_fd, LOCK_UN);
        ::close(m_fd);
    }
    CFolderLock(const CFolderLock&) = delete;
    CFolderLock& operator=(const CFolderLock&) = delete;
    // False when the folder could not be opened, or (not waiting) another
    // process kept the lock.
    bool Busy() const { return m_fd >= 0 && !m_held; }

private:
    int m_fd = -1;
    bool m_held = false;
};

std::string TimeStamp()
{
    int64_t now = static_cast<int64_t>(::time(nullptr));
    if (CQuillmarkApp* app = GetAppPtr())
        now = app->Now();
    try {
        return "[" + FormatShortDateTime(now) + "]";
    } catch (const CException&) {
        return "[]";
    }
}

}  // namespace

CLogfile::CLogfile(std::string path) : m_path(std::move(path)) {}

void CLogfile::SetViewer(std::function<void(const std::string&)> viewer)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_viewer = std::move(viewer);
}

int CLogfile::Write(const std::string& text)
{
    std::string entry;
    try {
        entry = ReplaceAll(TimeStamp() + text, "\r", "");
        if (entry.back() != '\n')
            entry += '\n';
    } catch (...) {
        return 0;
    }
    // One entry at a time, from every thread: the viewer and the file see
    // the same order and no entry is cut into another.
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_viewer) {
        try {
            m_viewer(entry);
        } catch (...) {
        }
    }
    if (m_path.empty())
        return 0;
    const CFolderLock folderLock(m_path, true);
    int fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return 0;
    // Another process writing the same log waits for this entry. When the
    // file was replaced while this one waited for the lock, the entry goes
    // to the file now at the path.
    LockExclusive(fd);
    for (int tries = 0; tries < 100 && !IsFileAtPath(fd, m_path); ++tries) {
        const int again = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (again < 0)
            break;
        ::close(fd);  // drops the lock of the old file
        fd = again;
        LockExclusive(fd);
    }
    size_t done = 0;
    bool ok = WriteAll(fd, entry.data(), entry.size(), nullptr, &done);
    if (!ok && done > 0) {
        // Take back a partial entry so that the next one starts on its own
        // line.
        struct stat st {};
        if (::fstat(fd, &st) == 0 && st.st_size >= static_cast<off_t>(done))
            (void)::ftruncate(fd, st.st_size - static_cast<off_t>(done));
    }
    ::flock(fd, LOCK_UN);
    if (::close(fd) != 0)
        ok = false;
    return ok ? 1 : 0;
}

int CLogfile::Printf(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = StrFormatV(format, args);
    va_end(args);
    return Write(text);
}

int CLogfile::WriteLastStatus()
{
    CQuillmarkApp* app = GetAppPtr();
    if (!app || !app->MainFrame())
        return 1;
    return Printf("LastStatus=[%s]\n", ::Trim(app->MainFrame()->GetLastStatus()).c_str());
}

int CLogfile::WriteException(const CException& e)
{
    WriteLastStatus();
    std::string message = ::Trim(e.GetErrorMessage());
    if (message.empty())
        message = "(Error message was not found for this exception)";
    std::string entry = StrFormat("Exception(%s", e.GetClassName());
    if (e.HasCode()) {
        const int64_t code = e.GetCode();
        if (code >= 1 && code <= 65535)
            entry += StrFormat(",%d", static_cast<int>(code));
        else if (code != 0)
            entry += StrFormat(",0x%08X", static_cast<unsigned>(code));
    }
    entry += ")=[" + message + "]\n";
    return Write(entry);
}

int CLogfile::WriteBlock(const std::string& body, const std::string& name)
{
    std::string text = name + "=\n|" + body;
    text = ReplaceAll(text, "\r\n", "\n|");
    text += "\n";
    return Write(text);
}

void CLogfile::Trim(size_t maxBytes)
{
    if (m_path.empty() || maxBytes == 0)
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    // Held from before the read until the new file is in place.
    const CFolderLock folderLock(m_path, false);
    if (folderLock.Busy())
        return;
    const int fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    // Writers of other processes wait while the log is replaced. A file
    // that another process replaced meanwhile was trimmed just now.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || !IsFileAtPath(fd, m_path)) {
        ::close(fd);
        return;
    }
    struct stat st {};
    std::string content;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
              static_cast<uint64_t>(st.st_size) >= maxBytes &&
              static_cast<uint64_t>(st.st_size) < (uint64_t{1} << 32);
    if (ok) {
        content.resize(static_cast<size_t>(st.st_size));
        ok = ReadAll(fd, &content[0], content.size());
    }
    if (ok) {
        // Whole lines go from the front until what is left is under the limit.
        size_t cursor = 0;
        CLineSplitter lines(content, LineEnds::Lf);
        TextLine line;
        while (content.size() - cursor >= maxBytes && lines.Next(line) && line.ended)
            cursor = lines.Position();
        int error = 0;
        SaveFileAtomically(m_path, std::vector<uint8_t>(content.begin() + static_cast<std::ptrdiff_t>(cursor), content.end()), error);
    }
    ::flock(fd, LOCK_UN);
    ::close(fd);
}
