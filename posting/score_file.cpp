#include "posting/score_file.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/date_helpers.h"
#include "app/error_report.h"
#include "platform/html_text.h"
#include "platform/path_helpers.h"
#include "app/quillmark_app.h"
#include "platform/line_splitter.h"
#include "platform/text_helpers.h"
#include "platform/archive.h"
#include "platform/exceptions.h"
#include "posting/web_transport.h"

namespace {

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

// Reads the whole of fd into out; expected is the size the file had when
// it was opened. Returns 0, or the errno of a failed read; EFBIG when the
// file holds more than limit bytes.
template <class Buffer>
int ReadAll(int fd, Buffer& out, uint64_t expected, uint64_t limit, bool regular)
{
    // Room for one byte more than expected, so that a file read in one go is
    // seen to end without a second read.
    size_t capacity = static_cast<size_t>((expected < limit ? expected : limit) + 1);
    char* data = out.Allocate(capacity);
    size_t have = 0;
    for (;;) {
        if (have == capacity) {
            if (have > limit) {
                out.Clear();
                return EFBIG;
            }
            capacity = capacity < 65536 ? 65536 : capacity * 2;
            data = out.Grow(capacity);
        }
        const size_t want = capacity - have;
        const ssize_t got = ::read(fd, data + have, want);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            out.Clear();
            return err;
        }
        if (got == 0)
            break;
        have += static_cast<size_t>(got);
        // A short read of a regular file means its end has been reached.
        if (regular && static_cast<size_t>(got) < want)
            break;
    }
    if (have > limit) {
        out.Clear();
        return EFBIG;
    }
    out.SetSize(have);
    return 0;
}

// A plain string as the target of ReadAll.
class CStringTarget {
public:
    explicit CStringTarget(std::string& s) : m_s(s) {}
    char* Allocate(size_t capacity)
    {
        m_s.assign(capacity, '\0');
        return &m_s[0];
    }
    char* Grow(size_t capacity)
    {
        m_s.resize(capacity);
        return &m_s[0];
    }
    void SetSize(size_t size) { m_s.resize(size); }
    void Clear() { m_s.clear(); }

private:
    std::string& m_s;
};

// Text mode: CR LF pairs become LF, as a text-mode read on the scoring
// program's own platform delivers them.
template <class Buffer>
void TranslateLineEnds(Buffer& s)
{
    char* data = s.Data();
    const size_t n = s.size();
    if (n == 0)
        return;
    const char* cr = static_cast<const char*>(std::memchr(data, '\r', n));
    if (!cr)
        return;
    // Move the runs between CR LF pairs down, one block at a time.
    size_t out = static_cast<size_t>(cr - data);
    size_t in = out;
    while (in < n) {
        if (data[in] == '\r' && in + 1 < n && data[in + 1] == '\n') {
            ++in;  // drop the CR; the LF starts the next run
            continue;
        }
        const void* next = std::memchr(data + in + 1, '\r', n - in - 1);
        const size_t end = next ? static_cast<size_t>(static_cast<const char*>(next) - data) : n;
        std::memmove(data + out, data + in, end - in);
        out += end - in;
        in = end;
    }
    s.SetSize(out);
}

constexpr size_t kHugePage = 2u << 20;

}  // namespace

CScoreFileArena::CScoreFileArena(size_t bytes)
{
    if (bytes == 0)
        return;
    // Whole, aligned 2 MiB pages where the system offers them: a handful of
    // page faults instead of one per 4 KiB, which is most of the cost of
    // holding thousands of freshly read files.
    const size_t size = (bytes + kHugePage - 1) & ~(kHugePage - 1);
    void* p = ::mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        return;  // every Take fails; the records use the heap
    m_mapping = static_cast<char*>(p);
    m_mappingSize = size + kHugePage;
    const uintptr_t aligned = (reinterpret_cast<uintptr_t>(p) + kHugePage - 1) & ~(uintptr_t(kHugePage) - 1);
    m_base = reinterpret_cast<char*>(aligned);
    m_size = size;
#ifdef MADV_HUGEPAGE
    ::madvise(m_base, m_size, MADV_HUGEPAGE);
#endif
}

CScoreFileArena::~CScoreFileArena()
{
    if (m_mapping)
        ::munmap(m_mapping, m_mappingSize);
}

char* CScoreFileArena::Take(size_t bytes)
{
    const size_t rounded = (bytes + 15) & ~static_cast<size_t>(15);
    if (!m_base || rounded < bytes || rounded > m_size - m_used)
        return nullptr;
    char* p = m_base + m_used;
    m_used += rounded;
    return p;
}

char* CScoreFile::CContentBuffer::Allocate(size_t capacity)
{
    if (!m_data || m_capacity < capacity) {
        char* taken = m_nextArena ? m_nextArena->Take(capacity + 1) : nullptr;
        if (taken) {
            m_heap.reset();
            m_arena = m_nextArena;
            m_data = taken;
        } else {
            m_heap.reset(new char[capacity + 1]);
            m_arena.reset();
            m_data = m_heap.get();
        }
        m_capacity = capacity;
    }
    m_nextArena.reset();
    m_size = 0;
    m_data[0] = '\0';
    return m_data;
}

char* CScoreFile::CContentBuffer::Grow(size_t capacity)
{
    if (m_capacity < capacity) {
        std::unique_ptr<char[]> bigger(new char[capacity + 1]);
        if (m_data)
            std::memcpy(bigger.get(), m_data, m_capacity);
        m_heap = std::move(bigger);
        m_arena.reset();
        m_data = m_heap.get();
        m_capacity = capacity;
    }
    return m_data;
}

void CScoreFile::CContentBuffer::Clear()
{
    m_heap.reset();
    m_arena.reset();
    m_data = nullptr;
    m_size = m_capacity = 0;
}

void CScoreFile::CContentBuffer::SetSize(size_t size)
{
    m_size = size;
    if (m_data)
        m_data[size] = '\0';
}

void CScoreFile::CContentBuffer::Assign(std::string_view bytes)
{
    char* data = Allocate(bytes.size());
    if (!bytes.empty())
        std::memcpy(data, bytes.data(), bytes.size());
    SetSize(bytes.size());
}

const char* const kHandRecordExtensions[5] = {"pbn", "dup", "dlm", "bri", "lin"};

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
    static_cast<CScoreFileFields&>(*this) = other;
    // The copy has no content of its own: its loaded bit is clear.
    m_dwFlags &= ~static_cast<uint32_t>(SFF_LOADED);
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

bool CScoreFile::Open(const std::string& path, IWebTransport* web, ScoreFileFormat format, OpenReport report)
{
    SetFlag(SFF_BINARY, format == ScoreFileFormat::Binary);
    Close(false);
    if (web) {
        m_pTransport = web;
        SetFlag(SFF_LOCAL, false);
        if (!web->CanOpenFiles())
            return false;
        m_remoteOpen = true;
        m_strPath = path;
        return true;
    }

    SetFlag(SFF_LOCAL, true);
    m_pTransport = nullptr;
    int err = 0;
    // Not blocking: a FIFO named like a score file must not hang the program.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    struct stat st {};
    if (fd < 0) {
        err = errno;
    } else if (::fstat(fd, &st) != 0) {
        err = errno;
    } else if (S_ISDIR(st.st_mode)) {
        err = EISDIR;
    } else if (!S_ISREG(st.st_mode)) {
        err = EINVAL;
    } else if (static_cast<uint64_t>(st.st_size) > kMaxScoreFileSize) {
        err = EFBIG;
    }
    if (err != 0) {
        if (fd >= 0)
            ::close(fd);
        if (report == OpenReport::Report) {
            if (CQuillmarkApp* app = GetAppPtr(); app && app->GetLog() && err == EFBIG)
                app->GetLog()->Printf("Refused score file larger than %llu MiB: %s\n",
                                      static_cast<unsigned long long>(kMaxScoreFileSize >> 20),
                                      path.c_str());
            ReportException(CFileException(err, path), "CScoreFile::Open: CStdioFile::Open");
        }
        return false;
    }
    m_fd = fd;
    m_tModified = static_cast<int64_t>(st.st_mtim.tv_sec);
    m_nSize = static_cast<uint64_t>(st.st_size);
    m_strPath = path;
    return true;
}

bool CScoreFile::ReadOpenFile()
{
    // m_nSize is the size the file had when it was opened.
    const int err = ReadAll(m_fd, m_content, m_nSize, kMaxScoreFileSize, true);
    if (err != 0) {
        // The file changed under us or the disk failed: say which file.
        ReportException(CFileException(err, m_strPath), "CScoreFile::EnsureLoaded: CStdioFile::Read");
        return false;
    }
    if (!IsBinary())
        TranslateLineEnds(m_content);
    return true;
}

bool CScoreFile::EnsureLoaded()
{
    if (m_dwFlags & SFF_LOADED)
        return true;
    if (m_pTransport) {
        if (!m_remoteOpen)
            return false;
        std::string content;
        if (!m_pTransport->DownloadFile(content, m_strPath))
            return false;
        SetContent(content);
        return true;
    }
    if (m_fd < 0)
        return false;
    if (!ReadOpenFile())
        return false;
    m_nSize = m_content.size();
    m_dwFlags |= SFF_LOADED;
    return true;
}

const char* CScoreFile::GetText()
{
    EnsureLoaded();
    return m_content.c_str();
}

void CScoreFile::SetContent(std::string_view content)
{
    m_content.Assign(content);
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
        m_content.Clear();
        m_dwFlags &= ~static_cast<uint32_t>(SFF_LOADED);
    }
}

int32_t CScoreFile::LoadFile(const std::string& path, const uint8_t*& buffer, uint64_t& size)
{
    buffer = nullptr;
    size = 0;
    if (path.empty())
        return kNoFileToLoad;
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
    CStringTarget target(bytes);
    if (err == 0)
        err = ReadAll(fd, target, static_cast<uint64_t>(st.st_size), kMaxScoreFileSize, S_ISREG(st.st_mode));
    ::close(fd);
    if (err != 0)
        return FailureCodeOf(err);
    auto owned = std::make_unique<std::vector<uint8_t>>(bytes.begin(), bytes.end());
    buffer = owned->data();
    size = owned->size();
    m_OwnedBuffers.push_back(std::move(owned));
    return kFileLoaded;
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
        // The text shows as it reads: a score file already written as HTML
        // text ("&gt;") is decoded first, so it is not escaped twice.
        output += HtmlEscape(HtmlDecode(std::string_view(m_content.data(), n)), HtmlStyle::Utf8);
        if (n > 0 && m_content[n - 1] != '\n')
            output += '\n';
        output += "</pre>\n";
        return;
    }

    std::string page;
    CStringTarget target(page);
    const int fd = ::open(m_strHtmlPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw CFileException(errno, m_strHtmlPath);
    const int err = ReadAll(fd, target, 0, kMaxScoreFileSize, false);
    ::close(fd);
    if (err != 0)
        throw CFileException(err, m_strHtmlPath);
    // The page is UTF-8 text: a byte-order mark is not part of it, and its
    // lines reach the template with LF line ends.
    CLineSplitter lines(page, LineEnds::CrLf);
    if (page.compare(0, 3, "\xEF\xBB\xBF") == 0)
        lines.SeekTo(3);
    bool inBody = false;
    bool sawBody = false;
    TextLine next;
    while (lines.Next(next)) {
        const std::string_view line = next.text;
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
        if (next.ended)
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
