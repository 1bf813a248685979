// One score file as the program knows it: where it lies (a local file or a
// file on the club's website), its content while loaded, the five
// descriptors read from it, its SHA-256 digest, size and times, the page and
// PDF generated from it, the hand-record file attached to it and, once
// posted, where the results went. The same record is the element of the
// Upload History and of the index entries (CColScoreFile), of a posting
// run's candidates and of the dialogs (CSFPtrArray).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/post_result.h"
#include "posting/sha256.h"

class CArchive;
class IWebTransport;
struct CreateWebFilesJob;

// The record's option and state bits (one 32-bit word; unnamed bits stay 0).
enum ScoreFileFlags : uint32_t {
    SFF_LOCAL = 0x01,                 // a local file (clear: on the website)
    SFF_LOADED = 0x02,                // content loaded (run-time state)
    SFF_POST = 0x04,                  // selected for posting
    SFF_BINARY = 0x08,                // an ACBLscore game file, hashed whole
    SFF_COMPUTER_HR_UPLOADED = 0x10,  // hand-record file uploaded with the results
    SFF_PDF_HR_UPLOADED = 0x20,       // PDF hand records uploaded with the results
    SFF_ADDED_TO_HISTORY = 0x40,      // added through History "Add..." without posting
    SFF_HIDDEN = 0x80,                // left out of the index pages
};

// Descriptor indexes, in the order of the keywords.
enum ScoreFileDescriptor : int {
    SFD_EVENT = 0, SFD_SESSION = 1, SFD_SECTION = 2, SFD_DATE = 3, SFD_MP_LIMITS = 4,
    SFD_COUNT = 5,
};

// Score files larger than this are refused without being read: no club's
// scoring program writes anything near it.
constexpr uint64_t kMaxScoreFileSize = 64ull << 20;

// One block of memory for the contents of the many score files a scan
// reads, in large pages where the system offers them, rather than fresh
// heap pages faulted in one by one, file by file. Records that took their content from it keep
// it alive; it is unmapped when the last of them lets go.
class CScoreFileArena {
public:
    explicit CScoreFileArena(size_t bytes);
    ~CScoreFileArena();
    CScoreFileArena(const CScoreFileArena&) = delete;
    CScoreFileArena& operator=(const CScoreFileArena&) = delete;
    // bytes from the block (16-byte aligned), or null when it is used up.
    char* Take(size_t bytes);

private:
    char* m_mapping = nullptr;
    size_t m_mappingSize = 0;
    char* m_base = nullptr;  // m_mapping rounded up to a 2 MiB boundary
    size_t m_size = 0;
    size_t m_used = 0;
};

// How a score file is read: as text (CR LF pairs read as LF) or as the
// bytes it holds (the BridgeWebs game files).
enum class ScoreFileFormat { Text, Binary };
// Whether a file that cannot be opened is reported to the user.
enum class OpenReport { Report, Quiet };

// The fields a score-file record keeps (in the Upload History, the index
// entries and every copy): what a copy takes, all of it.
struct CScoreFileFields {
    std::string m_strPath;
    std::string m_strHandRecordPath;
    uint64_t m_nSize = 0;
    int64_t m_tModified = 0;
    std::string m_strWebName;
    int32_t m_nInsert = 0;
    int64_t m_tPosted = 0;
    int64_t m_tSessionDate = 0;
    CHash256 m_hash;
    std::string m_strDesc[SFD_COUNT];
    uint32_t m_dwFlags = SFF_LOCAL | SFF_POST;
};

class CScoreFile : private CScoreFileFields {
public:
    static const char* const kKeywords[SFD_COUNT];          // "EVENT>", ...
    static const char* const kWeekdayNames[7];               // Sunday first
    static const char* const kMonthNames[12];                // "January", ...
    static const char* const kShortSessionNames[4];          // "Morn", ...
    static const char* const kLongSessionNames[4];           // "Morning", ...
    static const char kSessionLetters[5];                    // "mael"

    CScoreFile();
    ~CScoreFile();
    // A copy takes the stored fields and the flags without the content-loaded
    // bit; never the content, the open file, the generated page and PDF paths
    // or the remote worker.
    CScoreFile(const CScoreFile& other);
    CScoreFile& operator=(const CScoreFile& other);
    void Copy(const CScoreFile& other);

    // Session date (earlier first), then session-time index; <0, 0, >0.
    int Compare(const CScoreFile& other) const;
    // Empty descriptors (and a missing session date) taken from other.
    void FillMissingFrom(const CScoreFile& other);

    // ---- opening and loading ---------------------------------------------
    // A local file (web null) or a file on the website, read through web
    // (a website file cannot be opened while web cannot open files; it
    // fails silently then). Local files are opened read-only; their size
    // and modified time are taken. Failures are reported (operation
    // "CScoreFile::Open: CStdioFile::Open") unless quiet (OpenReport::Quiet). A local file
    // larger than kMaxScoreFileSize is refused.
    bool Open(const std::string& path, IWebTransport* web, ScoreFileFormat format, OpenReport report);
    // Loads the content once; whether it is loaded (now or before). A local
    // file opened as text has its CR LF pairs read as LF.
    bool EnsureLoaded();
    // The loaded content (NUL-terminated); "" when it cannot be loaded.
    const char* GetText();
    // Closes the open file; with empty also drops the content.
    void Close(bool empty);
    // Sets the content directly (downloads, tests); marks it loaded and sets
    // the size to its length.
    void SetContent(std::string_view content);
    std::string_view GetContent() const { return m_content; }
    // The next load takes its buffer from arena while it has room.
    void UseArena(std::shared_ptr<CScoreFileArena> arena) { m_content.SetArena(std::move(arena)); }
    // Reads a whole other file into a buffer owned by the record (kept until
    // the record is destroyed). kFileLoaded, kNoFileToLoad (empty path), else
    // a negative HRESULT-style code (0x8007xxxx with the system error).
    static constexpr int32_t kFileLoaded = 0;
    static constexpr int32_t kNoFileToLoad = 2;
    int32_t LoadFile(const std::string& path, const uint8_t*& buffer, uint64_t& size);

    void Serialize(CArchive& ar);

    // Appends the body of the generated page (between its "<body" and
    // "</body" lines) or, without a page, the raw text inside <pre> to
    // output. Throws CFileException when the page cannot be read,
    // CArchiveException naming the page when it has no "<body" line, and
    // CInvalidArgException when there is no page and no loaded content.
    void WriteBody(std::string& output);

    // ---- parsing and identification ----------------------------------------
    // Reads the descriptors and (with hash) the digest from the content.
    // False when the content could not be loaded or reading failed.
    // The descriptors are text: the character references of an HTML page
    // (html set: a page read back from the website) or of a line that
    // writes its keywords as "EVENT&gt;" are turned back into characters,
    // once. The digest is taken from the bytes as they are.
    bool Parse(bool hash, bool html = false);
    // An old-style "<event> <Weekday Time> Session <date>" line: sets EVENT,
    // SESSION and DATE and returns true.
    static bool ParseEventSessionLine(const std::string& line, std::string desc[SFD_COUNT]);
    // Session date from DATE; whether it gave one (else it is unchanged).
    bool ParseDate();
    // The date and session-time index a file name begins with
    // ("230905a.txt", "20230905.aca"); 0 and -1 when none.
    void GetDateFromFileName(int64_t* date, int* timeIndex) const;
    // Session date, else the file-name date, else the modified time.
    int64_t GetDate() const;
    // 0 morning, 1 afternoon, 2 evening, 3 late, -1 unknown.
    int GetSessionTimeIndex() const;
    // The section letters of SECTION (may be empty).
    std::string GetSection() const;
    // "Tuesday Afternoon" / "Tuesday Aft"; the weekday alone when the time
    // is unknown.
    std::string GetSessionText(bool longNames) const;
    // "230905A": the short code naming hand-record and wireless files.
    std::string GetFileCode() const;
    // Whether the identification is complete (and the key formed). With
    // ask, an incomplete record is completed through the Identify Score
    // File dialog.
    enum class KeyResult { Incomplete, Complete, Cancelled };  // Incomplete also after Skip
    KeyResult GetKey(bool ask, std::string* key);
    // Limits and section from a results page's name ("20230905anlmb.htm").
    void FillFromFileName();

    // ---- posting questions (posting/posting_question.cpp) -----------------
    // Asks whether to post this file: the question given, or, when it is
    // empty, the question for a file more than four hours old; "Yes to
    // All" answers the rest of the run.
    PostAnswer ConfirmPost(std::string question);

    // ---- results page and PDF (posting/score_file_build.cpp) ---------------
    // Has the layout program make the results page (and, with PDF hand
    // records linked, the PDF) on a worker thread while the UI thread waits,
    // then reports a failure naming the step, or asks about the scoring
    // errors the layout program found. Success made; Failed failed or
    // skipped; Cancelled the user cancelled the run.
    PostResult BuildWebFiles();
    // The worker: 0 or a failure code (never a code that reads as success
    // after a failure); what went wrong is left in the job.
    static int32_t CreateWebFilesThreadProc(CreateWebFilesJob* job);
    // The automation sequence; sets the generated HTML and PDF paths (both
    // empty after a failure). 0 or a failure code.
    int32_t CreateWebFiles(CreateWebFilesJob* job);

    // ---- hand records and companion names ---------------------------------
    bool SelectHandRecords(bool automatic);
    std::string GetBwsPath() const;
    std::string GetHandRecordWebName() const;
    std::string GetWebNameWithExtension(const std::string& extension) const;

    // ---- plain accessors ---------------------------------------------------
    std::string GetFileName() const;
    const std::string& GetPath() const { return m_strPath; }
    void SetPath(const std::string& path) { m_strPath = path; }
    const std::string& GetHtmlPath() const { return m_strHtmlPath; }
    void SetHtmlPath(const std::string& path) { m_strHtmlPath = path; }
    const std::string& GetPdfPath() const { return m_strPdfPath; }
    void SetPdfPath(const std::string& path) { m_strPdfPath = path; }
    const std::string& GetHandRecordPath() const { return m_strHandRecordPath; }
    void SetHandRecordPath(const std::string& path) { m_strHandRecordPath = path; }
    const std::string& GetWebName() const { return m_strWebName; }
    const std::string& GetWebName(std::string& name, int32_t* insert) const;
    int32_t GetInsertNumber() const { return m_nInsert; }
    void SetPosted(const std::string& name, int32_t insert);
    std::string GetModifiedText() const;
    std::string GetPostedText() const;
    int64_t GetSessionDate() const { return m_tSessionDate; }
    void SetSessionDate(int64_t date) { m_tSessionDate = date; }
    int64_t GetModifiedTime() const { return m_tModified; }
    void SetModifiedTime(int64_t t) { m_tModified = t; }
    int64_t GetPostedTime() const { return m_tPosted; }
    void SetPostedTime(int64_t t) { m_tPosted = t; }
    uint64_t GetSize() const { return m_nSize; }
    void SetSize(uint64_t size) { m_nSize = size; }
    const std::string& GetDescriptor(int index) const { return m_strDesc[index]; }
    void SetDescriptor(int index, const std::string& value) { m_strDesc[index] = value; }
    const CHash256& GetDigest() const { return m_hash; }
    void SetDigest(const CHash256& digest) { m_hash = digest; }
    bool HashEquals(const CScoreFile& other) const { return m_hash == other.m_hash; }
    uint32_t GetFlags() const { return m_dwFlags; }
    void SetFlags(uint32_t flags) { m_dwFlags = flags; }

    bool IsLocal() const { return (m_dwFlags & SFF_LOCAL) != 0; }
    bool IsBinary() const { return (m_dwFlags & SFF_BINARY) != 0; }
    bool IsPost() const { return (m_dwFlags & SFF_POST) != 0; }
    void SetPost(bool on) { SetFlag(SFF_POST, on); }
    bool IsComputerHandRecordUploaded() const { return (m_dwFlags & SFF_COMPUTER_HR_UPLOADED) != 0; }
    void SetComputerHandRecordUploaded(bool on) { SetFlag(SFF_COMPUTER_HR_UPLOADED, on); }
    bool IsPdfHandRecordUploaded() const { return (m_dwFlags & SFF_PDF_HR_UPLOADED) != 0; }
    void SetPdfHandRecordUploaded(bool on) { SetFlag(SFF_PDF_HR_UPLOADED, on); }
    bool IsAddedToHistory() const { return (m_dwFlags & SFF_ADDED_TO_HISTORY) != 0; }
    void SetAddedToHistory(bool on) { SetFlag(SFF_ADDED_TO_HISTORY, on); }
    bool IsHidden() const { return (m_dwFlags & SFF_HIDDEN) != 0; }
    void SetHidden(bool on) { SetFlag(SFF_HIDDEN, on); }

private:
    void SetFlag(uint32_t bit, bool on)
    {
        m_dwFlags &= ~bit;
        if (on)
            m_dwFlags |= bit;
    }
    bool ReadOpenFile();
    void ParseText(CSha256* sha, bool html);

    // The loaded bytes followed by one NUL byte, allocated without being
    // cleared first (a scan loads thousands of files).
    class CContentBuffer {
    public:
        const char* data() const { return m_data ? m_data : ""; }
        const char* c_str() const { return data(); }
        size_t size() const { return m_size; }
        bool empty() const { return m_size == 0; }
        char operator[](size_t i) const { return m_data[i]; }
        operator std::string_view() const { return {data(), m_size}; }
        // Room for capacity bytes and the NUL; the content is lost.
        char* Allocate(size_t capacity);
        char* Grow(size_t capacity);  // keeps the bytes
        char* Data() { return m_data; }
        void SetSize(size_t size);    // writes the NUL
        void Assign(std::string_view bytes);
        void Clear();
        void SetArena(std::shared_ptr<CScoreFileArena> arena) { m_nextArena = std::move(arena); }

    private:
        std::unique_ptr<char[]> m_heap;
        std::shared_ptr<CScoreFileArena> m_arena;      // holds m_data when set
        std::shared_ptr<CScoreFileArena> m_nextArena;  // for the next Allocate
        char* m_data = nullptr;
        size_t m_size = 0;
        size_t m_capacity = 0;
    };
    CContentBuffer m_content;
    std::string m_strHtmlPath;
    std::string m_strPdfPath;
    int m_fd = -1;             // the open local file
    bool m_remoteOpen = false; // a website file has been opened
    std::vector<std::unique_ptr<std::vector<uint8_t>>> m_OwnedBuffers;
    IWebTransport* m_pTransport = nullptr;
};

// The hand-record file types in search order (without the dot); the last
// ("lin") is left out for a BridgeWebs setup.
extern const char* const kHandRecordExtensions[5];
// The file dialog's filter string for hand records.
std::string GetHandRecordFilter(bool bridgeWebs);
