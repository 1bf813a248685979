#include "posting/score_file.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/date_helpers.h"
#include "app/error_report.h"
#include "app/path_helpers.h"
#include "app/quillmark_app.h"
#include "app/text_helpers.h"
#include "platform/archive.h"
#include "platform/exceptions.h"

namespace {

CScoreFileRemoteAccess g_remote;

int64_t CurrentTime()
{
    CQuillmarkApp* app = GetAppPtr();
    return app ? app->Now() : static_cast<int64_t>(std::time(nullptr));
}

// A system error as a failure code of the HRESULT form the callers of
// LoadFile pass on: 0 becomes E_FAIL, a negative code stays as it is.
int32_t FailureCodeOf(int err)
{
    if (err == 0)
        return static_cast<int32_t>(0x80004005u);
    if (err < 0)
        return err;
    return static_cast<int32_t>((static_cast<uint32_t>(err) & 0xFFFF) | 0x80070000u);
}

// Reads the whole of fd into out (appending nothing beyond limit + 1 bytes).
// Returns 0, or the errno of a failed read; EFBIG when the file holds more
// than limit bytes.
int ReadAll(int fd, std::string& out, uint64_t expected, uint64_t limit)
{
    out.clear();
    size_t want = static_cast<size_t>(expected < limit ? expected : limit) + 1;
    out.resize(want);
    size_t have = 0;
    for (;;) {
        if (have == out.size()) {
            if (have > limit)
                break;
            out.resize(have + (have < 65536 ? 65536 : have));
        }
        const ssize_t got = ::read(fd, &out[have], out.size() - have);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            out.clear();
            return err;
        }
        if (got == 0)
            break;
        have += static_cast<size_t>(got);
    }
    out.resize(have);
    if (have > limit) {
        out.clear();
        return EFBIG;
    }
    return 0;
}

// Text mode: CR LF pairs become LF, as a text-mode read on the scoring
// program's own platform delivers them.
void TranslateLineEnds(std::string& s)
{
    char* data = &s[0];
    const size_t n = s.size();
    const char* cr = static_cast<const char*>(std::memchr(data, '\r', n));
    if (!cr)
        return;
    size_t out = static_cast<size_t>(cr - data);
    for (size_t in = out; in < n; ++in) {
        if (data[in] == '\r' && in + 1 < n && data[in + 1] == '\n')
            continue;
        data[out++] = data[in];
    }
    s.resize(out);
}

}  // namespace

const char* const kHandRecordExtensions[5] = {"pbn", "dup", "dlm", "bri", "lin"};

void CScoreFile::SetRemoteAccess(const CScoreFileRemoteAccess& access)
{
    g_remote = access;
}

CScoreFile::CScoreFile() = default;

CScoreFile::~CScoreFile()
{
    Close(false);
    while (!m_OwnedBuffers.empty())
        m_OwnedBuffers.pop_back();  // last first
}

CScoreFile::CScoreFile(const CScoreFile& other)
{
    Copy(other);
}

CScoreFile& CScoreFile::operator=(const CScoreFile& other)
{
    Copy(other);
    return *this;
}

void CScoreFile::Copy(const CScoreFile& other)
{
    if (this == &other)
        return;
    m_strPath = other.m_strPath;
    m_strHandRecordPath = other.m_strHandRecordPath;
    m_nSize = other.m_nSize;
    m_tModified = other.m_tModified;
    m_strWebName = other.m_strWebName;
    m_nInsert = other.m_nInsert;
    m_tPosted = other.m_tPosted;
    m_tSessionDate = other.m_tSessionDate;
    m_hash = other.m_hash;
    for (int i = 0; i < SFD_COUNT; ++i)
        m_strDesc[i] = other.m_strDesc[i];
    // The copy has no content of its own: its loaded bit is clear.
    m_dwFlags = other.m_dwFlags & ~static_cast<uint32_t>(SFF_LOADED);
}

int CScoreFile::Compare(const CScoreFile& other) const
{
    if (m_tSessionDate != other.m_tSessionDate)
        return m_tSessionDate < other.m_tSessionDate ? -1 : 1;
    return GetSessionTimeIndex() - other.GetSessionTimeIndex();
}

void CScoreFile::FillMissingFrom(const CScoreFile& other)
{
    for (int i = 0; i < SFD_COUNT; ++i)
        if (m_strDesc[i].empty())
            m_strDesc[i] = other.m_strDesc[i];
    if (m_tSessionDate == 0)
        m_tSessionDate = other.m_tSessionDate;
}

// ---- opening and loading ----------------------------------------------------

int CScoreFile::Open(const std::string& path, CFTPWorker* worker, bool quiet, bool binary)
{
    SetFlag(SFF_BINARY, binary);
    Close(false);
    if (worker) {
        m_pWorker = worker;
        SetFlag(SFF_LOCAL, false);
        if (!g_remote.download)
            return 0;
        if (g_remote.open && !g_remote.open(*worker, path, binary, quiet))
            return 0;
        m_remoteOpen = true;
        m_strPath = path;
        return 1;
    }

    SetFlag(SFF_LOCAL, true);
    m_pWorker = nullptr;
    int err = 0;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    struct stat st {};
    if (fd < 0) {
        err = errno;
    } else if (::fstat(fd, &st) != 0) {
        err = errno;
    } else if (S_ISDIR(st.st_mode)) {
        err = EISDIR;
    } else if (static_cast<uint64_t>(st.st_size) > kMaxScoreFileSize) {
        err = EFBIG;
    }
    if (err != 0) {
        if (fd >= 0)
            ::close(fd);
        if (!quiet) {
            if (CQuillmarkApp* app = GetAppPtr(); app && app->GetLog() && err == EFBIG)
                app->GetLog()->Printf("Refused score file larger than %llu MiB: %s\n",
                                      static_cast<unsigned long long>(kMaxScoreFileSize >> 20),
                                      path.c_str());
            ReportException(CFileException(err, path), "CScoreFile::Open: CStdioFile::Open");
        }
        return 0;
    }
    m_fd = fd;
    m_tModified = static_cast<int64_t>(st.st_mtim.tv_sec);
    m_nSize = static_cast<uint64_t>(st.st_size);
    m_strPath = path;
    return 1;
}

bool CScoreFile::ReadOpenFile()
{
    struct stat st {};
    const uint64_t expected = (::fstat(m_fd, &st) == 0) ? static_cast<uint64_t>(st.st_size) : 0;
    const int err = ReadAll(m_fd, m_content, expected, kMaxScoreFileSize);
    if (err != 0) {
        // The file changed under us or the disk failed: say which file.
        ReportException(CFileException(err, m_strPath), "CScoreFile::EnsureLoaded: CStdioFile::Read");
        return false;
    }
    if (!IsBinary())
        TranslateLineEnds(m_content);
    return true;
}

int CScoreFile::EnsureLoaded()
{
    if (m_dwFlags & SFF_LOADED)
        return 1;
    if (m_pWorker) {
        if (!m_remoteOpen || !g_remote.download)
            return 0;
        std::string content;
        if (!g_remote.download(*m_pWorker, m_strPath, IsBinary() != 0, content))
            return 0;
        SetContent(std::move(content));
        return 1;
    }
    if (m_fd < 0)
        return 0;
    if (!ReadOpenFile())
        return 0;
    m_nSize = m_content.size();
    m_dwFlags |= SFF_LOADED;
    return 1;
}

const char* CScoreFile::GetText()
{
    EnsureLoaded();
    return m_content.c_str();
}

void CScoreFile::SetContent(std::string content)
{
    m_content = std::move(content);
    m_nSize = m_content.size();
    m_dwFlags |= SFF_LOADED;
}

void CScoreFile::Close(bool empty)
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    m_remoteOpen = false;
    if (empty) {
        std::string().swap(m_content);
        m_dwFlags &= ~static_cast<uint32_t>(SFF_LOADED);
    }
}

int32_t CScoreFile::LoadFile(const std::string& path, const uint8_t*& buffer, uint64_t& size)
{
    buffer = nullptr;
    size = 0;
    if (path.empty())
        return 2;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return FailureCodeOf(errno);
    struct stat st {};
    int err = 0;
    if (::fstat(fd, &st) != 0)
        err = errno;
    else if (S_ISDIR(st.st_mode))
        err = EISDIR;
    std::string bytes;
    if (err == 0)
        err = ReadAll(fd, bytes, static_cast<uint64_t>(st.st_size), kMaxScoreFileSize);
    ::close(fd);
    if (err != 0)
        return FailureCodeOf(err);
    auto owned = std::make_unique<std::vector<uint8_t>>(bytes.begin(), bytes.end());
    buffer = owned->data();
    size = owned->size();
    m_OwnedBuffers.push_back(std::move(owned));
    return 0;
}

// ---- storing ------------------------------------------------------------------

void CScoreFile::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        ar.WriteString(m_strPath);
        ar.WriteU32(m_dwFlags);
        ar.WriteString(m_strHandRecordPath);
        ar.WriteU32(static_cast<uint32_t>(m_nSize));
        ar.WriteU32(static_cast<uint32_t>(m_nSize >> 32));
        ar.WriteTime(m_tModified);
        ar.WriteString(m_strWebName);
        ar.WriteI32(m_nInsert);
        ar.WriteTime(m_tPosted);
        m_hash.Serialize(ar);
        for (int i = 0; i < SFD_COUNT; ++i)
            ar.WriteString(m_strDesc[i]);
        return;
    }
    m_strPath = ar.ReadString();
    if (ar.GetRecordVersion() != 0) {
        m_dwFlags = ar.ReadU32();
        m_strHandRecordPath = ar.ReadString();
    }
    const uint64_t low = ar.ReadU32();
    const uint64_t high = ar.ReadU32();
    m_nSize = low | (high << 32);
    m_tModified = ar.ReadTime();
    m_strWebName = ar.ReadString();
    m_nInsert = ar.ReadI32();
    m_tPosted = ar.ReadTime();
    m_hash.Serialize(ar);
    for (int i = 0; i < SFD_COUNT; ++i)
        m_strDesc[i] = ar.ReadString();
    ParseDate();
    m_dwFlags &= ~static_cast<uint32_t>(SFF_LOADED);
}

// ---- page body ------------------------------------------------------------------

void CScoreFile::WriteBody(std::string& output)
{
    if (m_strHtmlPath.empty()) {
        if (!(m_dwFlags & SFF_LOADED))
            throw CInvalidArgException("the score file's content is not loaded");
        output += "<pre>\n";
        const size_t n = std::strlen(m_content.c_str());  // up to the first NUL
        output.append(m_content.data(), n);
        if (n > 0 && m_content[n - 1] != '\n')
            output += '\n';
        output += "</pre>\n";
        return;
    }

    std::string page;
    const int fd = ::open(m_strHtmlPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw CFileException(errno, m_strHtmlPath);
    const int err = ReadAll(fd, page, 0, kMaxScoreFileSize);
    ::close(fd);
    if (err != 0)
        throw CFileException(err, m_strHtmlPath);
    // The page is UTF-8 text: a byte-order mark is not part of it, and its
    // lines reach the template with LF line ends.
    size_t pos = (page.compare(0, 3, "\xEF\xBB\xBF") == 0) ? 3 : 0;
    bool inBody = false;
    bool sawBody = false;
    std::string line;
    while (pos < page.size()) {
        size_t nl = page.find('\n', pos);
        const bool hasEnd = nl != std::string::npos;
        if (!hasEnd)
            nl = page.size();
        size_t len = nl - pos;
        if (len > 0 && page[pos + len - 1] == '\r')
            --len;
        line.assign(page, pos, len);
        pos = hasEnd ? nl + 1 : nl;
        // Tags may be indented.
        std::string_view lead = line;
        while (!lead.empty() && (lead.front() == ' ' || lead.front() == '\t'))
            lead.remove_prefix(1);
        if (!inBody) {
            if (StartsWithNoCase(lead, "<body")) {
                inBody = true;
                sawBody = true;
            }
            continue;
        }
        if (StartsWithNoCase(lead, "</body"))
            break;
        output += line;
        if (hasEnd)
            output += '\n';
    }
    if (!sawBody) {
        // A page without a body would post an empty results page as if all
        // were well: refuse it, naming the page.
        throw CArchiveException(CArchiveException::genericException, m_strHtmlPath);
    }
}

// ---- plain accessors --------------------------------------------------------------

std::string CScoreFile::GetFileName() const
{
    return GetFileNameOnly(m_strPath);
}

const std::string& CScoreFile::GetWebName(std::string& name, int32_t* insert) const
{
    name = m_strWebName;
    if (insert)
        *insert = m_nInsert;
    return m_strWebName;
}

void CScoreFile::SetPosted(const std::string& name, int32_t insert)
{
    m_strWebName = name;
    m_tPosted = CurrentTime();
    m_nInsert = insert;
}

std::string CScoreFile::GetModifiedText() const
{
    return FormatShortDateTime(m_tModified);
}

std::string CScoreFile::GetPostedText() const
{
    return m_tPosted == 0 ? std::string() : FormatShortDateTime(m_tPosted);
}
