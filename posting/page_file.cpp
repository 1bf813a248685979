#include "posting/page_file.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include "platform/exceptions.h"

CPageFile::~CPageFile()
{
    Abort();
}

bool CPageFile::Open(const std::string& path)
{
    Abort();
    // A link in place of the page is not followed: the page is written
    // where its name says, or not at all.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0)
        return false;
    m_file = ::fdopen(fd, "wb");
    if (!m_file) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return false;
    }
    m_path = path;
    m_lastWasCr = false;
    return true;
}

void CPageFile::Fail()
{
    const int error = errno ? errno : EIO;
    throw CFileException(error, m_path);
}

void CPageFile::Put(const char* data, size_t size)
{
    if (size && std::fwrite(data, 1, size, m_file) != size)
        Fail();
}

void CPageFile::Write(const void* data, size_t size)
{
    if (!m_file) {
        errno = EBADF;
        Fail();
    }
    const char* begin = static_cast<const char*>(data);
    const char* end = begin + size;
    const char* run = begin;
    for (const char* p = begin; p < end; ++p) {
        if (*p != '\n')
            continue;
        const bool crBefore = p > begin ? p[-1] == '\r' : m_lastWasCr;
        if (!crBefore) {
            Put(run, static_cast<size_t>(p - run));
            Put("\r", 1);
            run = p;
        }
    }
    Put(run, static_cast<size_t>(end - run));
    if (size)
        m_lastWasCr = end[-1] == '\r';
}

void CPageFile::WriteString(std::string_view text)
{
    Write(text.data(), text.size());
}

void CPageFile::Close()
{
    if (!m_file)
        return;
    std::FILE* f = m_file;
    m_file = nullptr;
    const bool failed = std::fflush(f) != 0 || std::ferror(f);
    const int error = errno;
    const bool closeFailed = std::fclose(f) != 0;
    if (failed || closeFailed) {
        errno = error;
        Fail();
    }
}

void CPageFile::Abort()
{
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
}
