// "ProgramData.bin": the Upload History of this computer, and the one save
// operation of the program (the setup document first, then this file).
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

#include "app/error_report.h"
#include "app/mirror_file.h"
#include "platform/path_helpers.h"
#include "app/quillmark_app.h"
#include "app/setup_file.h"
#include "platform/text_helpers.h"
#include "platform/archive.h"
#include "platform/error_text.h"
#include "platform/exceptions.h"
#include "platform/fd_io.h"
#include "posting/sha256.h"

namespace {

// The version this program writes; files of a later version are not read
// and never written over. A "version" beyond any a later program would use
// is damage, not a newer file.
constexpr uint32_t kProgramDataVersion = 1;
constexpr uint32_t kHighestPlausibleVersion = 0xFFFF;
// Far beyond any real history: 100,000 records take about 37 MB. A larger
// file is refused rather than read into memory whole.
constexpr uint64_t kMaxProgramDataMB = 256;
constexpr uint64_t kMaxProgramDataSize = kMaxProgramDataMB << 20;

// The version at the front of an existing file; false when there is no
// file or it is shorter than the version.
bool PeekVersion(const std::string& path, uint32_t& version)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    uint8_t b[4];
    const bool ok = ::pread(fd, b, 4, 0) == 4;
    ::close(fd);
    if (ok)
        version = static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
                  (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
    return ok;
}

// Moves a file that cannot be used out of the way under the first free
// "<name>-Damaged<n><ext>"; the new name, or "" with errno set.
std::string SetAside(const std::string& path)
{
    const std::string stem = RemoveExtension(path);
    const std::string ext = GetExtension(path);
    for (int n = 1; n < 1000; ++n) {
        const std::string aside = stem + StrFormat("-Damaged%d", n) + ext;
        // link refuses an existing name, so nothing is ever replaced.
        if (::link(path.c_str(), aside.c_str()) == 0) {
            ::unlink(path.c_str());
            return aside;
        }
        if (errno == EEXIST)
            continue;
        if (errno == EPERM || errno == EOPNOTSUPP || errno == EXDEV) {
            if (FileExists(aside))
                continue;
            if (::rename(path.c_str(), aside.c_str()) == 0)
                return aside;
        }
        return {};
    }
    errno = EEXIST;
    return {};
}

// Removes what a save cut short left behind: the mirror files of the
// program data file (".ProgramData.bin.XXXXXX"). Only one copy of the
// program runs, so at start-up no save is under way.
void RemoveStaleMirrors(const std::string& path)
{
    const std::string folder = GetFolderOnly(path);
    const std::string prefix = "." + GetFileNameOnly(path) + ".";
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    while (dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0)
            ::unlink(JoinPath(folder, name).c_str());
    }
    ::closedir(dir);
}

// The posting journal beside the program data file. Each entry: the magic
// number, the payload's length, the payload (a record count and the
// records, as the program data file writes them) and the payload's
// SHA-256, so that an entry cut short by a crash is known and left out.
constexpr uint32_t kJournalMagic = 0x314A4D51;  // "QMJ1"
constexpr size_t kJournalDigestSize = 32;

std::string JournalPath(const std::string& dataPath)
{
    return dataPath + ".journal";
}

void PutU32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

uint32_t GetU32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

// Calls take(payload, length) for each whole entry of the journal, in
// order, and returns the end of the last whole one. An entry cut short or
// damaged is passed over and the walk goes on at the next entry after it:
// journals of earlier versions went on behind an entry a crash had cut.
// take returns false for a payload it cannot use, which counts as damage.
size_t WalkJournal(const std::vector<uint8_t>& bytes, const std::function<bool(const uint8_t*, size_t)>& take,
                   size_t* passedOver = nullptr)
{
    static const uint8_t kMagicBytes[4] = {0x51, 0x4D, 0x4A, 0x31};
    size_t at = 0, end = 0, skipped = 0;
    while (bytes.size() - at >= 8) {
        const uint32_t length = GetU32(&bytes[at + 4]);
        bool whole = GetU32(&bytes[at]) == kJournalMagic && bytes.size() - at - 8 >= uint64_t{length} + kJournalDigestSize;
        if (whole) {
            const uint8_t* payload = &bytes[at + 8];
            const CHash256 digest = Sha256Of(payload, length);
            whole = std::memcmp(digest.Data(), payload + length, kJournalDigestSize) == 0 && take(payload, length);
        }
        if (whole) {
            at += 8 + length + kJournalDigestSize;
            end = at;
            continue;
        }
        const auto next = std::search(bytes.begin() + static_cast<std::ptrdiff_t>(at) + 1, bytes.end(),
                                      std::begin(kMagicBytes), std::end(kMagicBytes));
        const size_t nextAt = static_cast<size_t>(next - bytes.begin());
        skipped += nextAt - at;
        at = nextAt;
    }
    if (passedOver)
        *passedOver = skipped + (bytes.size() - at);
    return end;
}

// Appends an entry to the journal and flushes it (and, for a new journal,
// its folder). A tail that is not a whole entry (a write cut short by a
// crash or a full disk) is cut off first, so that the new entry follows the
// last whole one. 0, or the errno of the failure.
int AppendToJournal(const std::string& journal, const std::vector<uint8_t>& entry)
{
    const int fd = ::open(journal.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return errno;
    int error = 0;
    struct stat st {};
    std::vector<uint8_t> bytes;
    if (::fstat(fd, &st) != 0)
        error = errno;
    else if (static_cast<uint64_t>(st.st_size) > kMaxProgramDataSize)
        error = EFBIG;
    else {
        bytes.resize(static_cast<size_t>(st.st_size));
        if (!ReadAll(fd, bytes.data(), bytes.size(), &error) && error == 0)
            error = EIO;
    }
    const bool created = error == 0 && bytes.empty();
    if (error == 0) {
        const size_t end = WalkJournal(bytes, [](const uint8_t*, size_t) { return true; });
        if ((end < bytes.size() && ::ftruncate(fd, static_cast<off_t>(end)) != 0) ||
            ::lseek(fd, static_cast<off_t>(end), SEEK_SET) < 0 || !WriteAll(fd, entry.data(), entry.size(), &error) ||
            ::fsync(fd) != 0) {
            error = error ? error : errno ? errno : EIO;
            // Take back what went in, so that the journal ends on a whole entry.
            (void)::ftruncate(fd, static_cast<off_t>(end));
        }
    }
    ::close(fd);
    if (error == 0 && created) {
        const int dir = ::open(GetFolderOnly(journal).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
    }
    return error;
}

// Whether the posting journal is small beside the program data file, so
// that a save may leave the records in it: it is taken into the file once it
// reaches an eighth of the file's size, which keeps the cost of those full
// saves, spread over the postings, the same for any size of history.
bool JournalIsSmall(const std::string& dataPath)
{
    struct stat data {}, journal {};
    if (::stat(dataPath.c_str(), &data) != 0)
        return false;
    if (::stat(JournalPath(dataPath).c_str(), &journal) != 0)
        return errno == ENOENT;
    return journal.st_size < data.st_size / 8;
}

}  // namespace

void CQuillmarkApp::RecordPosted(const CScoreFile& record)
{
    const uint64_t before = m_History.GetGeneration();
    const bool inStep = before == m_historyOnDisk || before == m_historyAwaitingJournal;
    if (CScoreFile* added = m_History.Lookup(record); added && added->IsAddedToHistory())
        m_History.Remove(added);
    m_History.AddOrReplace(record);
    m_historyAwaitingJournal = inStep ? m_History.GetGeneration() : kNotOnDisk;
}

bool CQuillmarkApp::SavePostedRecords(const std::vector<CScoreFile*>& records)
{
    std::string path;
    uint32_t onDisk = 0;
    // Without a program data file of this version to add to, the whole
    // file is written (and whatever stands in the way reported).
    // So is it after a save that failed: the journal would miss what that
    // save should have written.
    if (m_bFullSaveNeeded || !m_strProgramDataRefusal.empty() || !GetAppDataPath(path, true) ||
        !PeekVersion(path, onDisk) || onDisk != kProgramDataVersion)
        return SaveData(true);
    if (m_pDocument) {
        m_pDocument->SetModifiedFlag(true);
        if (!m_pDocument->DoFileSave())
            return false;
    }
    std::vector<uint8_t> entry;
    try {
        CArchive ar(path);
        ar.SetRecordVersion(1);
        ar.WriteU32(static_cast<uint32_t>(records.size()));
        for (const CScoreFile* record : records) {
            CScoreFile copy(*record);
            copy.Serialize(ar);
        }
        const std::vector<uint8_t>& payload = ar.GetBytes();
        PutU32(entry, kJournalMagic);
        PutU32(entry, static_cast<uint32_t>(payload.size()));
        entry.insert(entry.end(), payload.begin(), payload.end());
        const CHash256 digest = Sha256Of(payload.data(), payload.size());
        const uint8_t* d = digest.Data();
        entry.insert(entry.end(), d, d + kJournalDigestSize);
    } catch (const CException& e) {
        ReportException(e, "CQuillmarkApp::SavePostedRecords: CArchive::Serialize");
        return false;
    }
    const std::string journal = JournalPath(path);
    if (const int error = AppendToJournal(journal, entry)) {
        if (m_pLog)
            m_pLog->Printf("Posting journal %s not written: %s\n", journal.c_str(), SystemErrorText(error).c_str());
        return SaveData(true);
    }
    if (m_historyAwaitingJournal == m_History.GetGeneration())
        m_historyOnDisk = m_historyAwaitingJournal;
    return true;
}

bool CQuillmarkApp::SaveData(bool withProgramData)
{
    if (m_pDocument) {
        m_pDocument->SetModifiedFlag(true);
        if (!m_pDocument->DoFileSave())
            return false;
    }
    if (!withProgramData)
        return true;

    std::string path;
    if (!GetAppDataPath(path, true)) {
        ReportError(static_cast<uint32_t>(errno ? errno : ENOENT), "CQuillmarkApp::SaveData: GetAppDataPath");
        return false;
    }
    uint32_t onDisk = 0;
    if (m_strProgramDataRefusal.empty() && PeekVersion(path, onDisk) && onDisk > kProgramDataVersion &&
        onDisk <= kHighestPlausibleVersion) {
        m_strProgramDataRefusal = StrFormat(
            "The Upload History was not saved: %s was written by a newer version of Quillmark "
            "(file version %u) and is not written over.",
            path.c_str(), onDisk);
    }
    if (!m_strProgramDataRefusal.empty()) {
        ShowErrorMessage(m_strProgramDataRefusal);
        return false;
    }
    if (!m_bFullSaveNeeded && onDisk == kProgramDataVersion && m_historyOnDisk == m_History.GetGeneration() &&
        JournalIsSmall(path))
        return true;  // the file and the journal hold the Upload History already
    // Until a full save succeeds, every later one is full too.
    m_bFullSaveNeeded = true;

    CMirrorFile file;
    int error = 0;
    if (!file.Open(path, error)) {
        const CFileException e(error, path);
        LogOperation("CQuillmarkApp::SaveData: CMirrorFile::Open");
        if (m_pLog)
            m_pLog->WriteException(e);
        Prompter().MessageBox(e.GetErrorMessage(), MB_OK | MB_ICONERROR);
        return false;
    }
    try {
        CommitWholeHistory(path, file);
    } catch (const CException& e) {
        file.Abort();
        ReportException(e, "CQuillmarkApp::SaveData: CArchive::Serialize");
        return false;
    }
    return true;
}

void CQuillmarkApp::CommitWholeHistory(const std::string& path, CMirrorFile& file)
{
    int error = 0;
    CArchive ar(path);
    ar.WriteU32(kProgramDataVersion);
    ar.SetRecordVersion(1);
    m_History.Serialize(ar);
    if (!file.Write(ar.GetBytes().data(), ar.GetBytes().size(), error) || !file.Commit(error))
        throw CFileException(error, path);
    // The file now holds everything the journal added: the journal was
    // entered in the Upload History at start-up, and every later entry
    // was recorded there before it was appended.
    if (!m_bJournalUnread)
        ::unlink(JournalPath(path).c_str());
    m_bFullSaveNeeded = false;
    m_historyOnDisk = m_History.GetGeneration();
}

void CQuillmarkApp::FoldPostingJournal()
{
    // Only when the file and the journal hold exactly the Upload History
    // in memory: then writing it whole loses nothing and adds nothing.
    std::string path;
    uint32_t onDisk = 0;
    if (m_bJournalUnread || !m_strProgramDataRefusal.empty() || m_historyOnDisk != m_History.GetGeneration() ||
        !GetAppDataPath(path, false) || !FileExists(JournalPath(path)) || !PeekVersion(path, onDisk) ||
        onDisk != kProgramDataVersion)
        return;
    CMirrorFile file;
    int error = 0;
    try {
        if (!file.Open(path, error))
            throw CFileException(error, path);
        CommitWholeHistory(path, file);
    } catch (const CException& e) {
        file.Abort();
        if (m_pLog)
            m_pLog->Printf("Posting journal %s kept: %s\n", JournalPath(path).c_str(), e.GetErrorMessage().c_str());
    }
}

void CQuillmarkApp::LoadAppData()
{
    m_bJournalUnread = false;
    m_historyOnDisk = m_historyAwaitingJournal = kNotOnDisk;
    const bool read = ReadProgramDataFile();
    // Whatever became of the program data file, the records posted since its
    // last full save are taken in: the next full save holds them, and only
    // then is the journal deleted.
    std::string path;
    if (!GetAppDataPath(path, false))
        return;
    if (read)
        m_historyOnDisk = m_History.GetGeneration();
    ReplayPostingJournal(path);
    // A file of this version read whole, with its journal, is what memory
    // holds; anything else is written in full at the next save.
    const uint64_t now = m_History.GetGeneration();
    const bool held = read && !m_bJournalUnread && (m_historyOnDisk == now || m_historyAwaitingJournal == now);
    m_historyOnDisk = held ? now : kNotOnDisk;
    m_historyAwaitingJournal = kNotOnDisk;
}

bool CQuillmarkApp::ReadProgramDataFile()
{
    m_History.RemoveAll();
    m_strProgramDataRefusal.clear();
    std::string path;
    if (!GetAppDataPath(path, false)) {
        if (m_pLog)
            m_pLog->Write("No app data file found\n");
        return false;
    }
    RemoveStaleMirrors(path);
    std::vector<uint8_t> bytes;
    std::string problem;
    // Why the file could not be read at all; such a file is not damaged and
    // stays where it is.
    std::string unreadable;
    try {
        bytes = ReadFileBytes(path, kMaxProgramDataSize);
    } catch (const CFileException& e) {
        if (e.m_lOsError == ENOENT) {
            // A first start (the first save makes the file): nothing went
            // wrong, so the log says so plainly.
            if (m_pLog)
                m_pLog->Printf("No app data file found: %s\n", path.c_str());
            return false;
        }
        LogOperation("CQuillmarkApp::LoadAppData: CFile::Open");
        if (m_pLog)
            m_pLog->WriteException(e);
        unreadable = e.GetErrorMessage();
    } catch (const CArchiveException&) {
        // The only archive failure of the read: the file is too large.
        unreadable = StrFormat("The file is larger than %llu MB, more than any Upload History takes.",
                               static_cast<unsigned long long>(kMaxProgramDataMB));
        if (m_pLog)
            m_pLog->Printf("Program data file %s is larger than %llu MB\n", path.c_str(),
                           static_cast<unsigned long long>(kMaxProgramDataMB));
    } catch (const std::bad_alloc&) {
        unreadable = CMemoryException().GetErrorMessage();
    } catch (const CException& e) {
        LogOperation("CQuillmarkApp::LoadAppData: CFile::Open");
        if (m_pLog)
            m_pLog->WriteException(e);
        unreadable = e.GetErrorMessage();
    }
    if (!unreadable.empty()) {
        KeepUnreadable(path, unreadable);
        return false;
    }

    try {
        CArchive ar(std::move(bytes), path);
        const uint32_t version = ar.ReadU32();
        if (version > kHighestPlausibleVersion)
            ar.ThrowBadFormat();
        if (version > kProgramDataVersion) {
            // A later program's file: its records may mean something
            // else, so they are not read and the file is kept as it is.
            m_strProgramDataRefusal = StrFormat(
                "The Upload History was not saved: %s was written by a newer version of Quillmark "
                "(file version %u) and is not written over.",
                path.c_str(), version);
            if (m_pLog)
                m_pLog->Printf("Program data file %s has version %u; not loaded\n", path.c_str(), version);
            ShowErrorMessage(StrFormat(
                "%s was written by a newer version of Quillmark (file version %u).\r\n\r\n"
                "The Upload History is not loaded, and it will not be saved over that file.",
                path.c_str(), version));
            return false;
        }
        m_dwRecordsCarryFlags = version;
        ar.SetRecordVersion(static_cast<int>(version));
        m_History.Serialize(ar);
        return version == kProgramDataVersion;
    } catch (const CException& e) {
        LogOperation("CQuillmarkApp::LoadAppData: CArchive::Serialize");
        if (m_pLog)
            m_pLog->WriteException(e);
        problem = e.GetErrorMessage();
    } catch (const std::bad_alloc&) {
        // Short of memory, not a damaged file: it stays where it is.
        KeepUnreadable(path, CMemoryException().GetErrorMessage());
        return false;
    }

    // Damaged: no partial history, and the file is kept where the next
    // save cannot overwrite it.
    m_History.RemoveAll();
    const std::string aside = SetAside(path);
    if (!aside.empty()) {
        if (m_pLog)
            m_pLog->Printf("Damaged program data file kept as %s\n", aside.c_str());
        ShowErrorMessage(StrFormat(
            "The Upload History in %s cannot be read:\r\n%s\r\n\r\n"
            "The file has been kept as %s. Quillmark starts with an empty Upload History.",
            path.c_str(), problem.c_str(), aside.c_str()));
        return false;
    }
    const std::string why = SystemErrorText(errno);
    m_strProgramDataRefusal = StrFormat(
        "The Upload History was not saved: %s cannot be read and is kept as it is until it is "
        "moved or repaired.",
        path.c_str());
    if (m_pLog)
        m_pLog->Printf("Damaged program data file %s could not be set aside: %s\n", path.c_str(), why.c_str());
    ShowErrorMessage(StrFormat(
        "The Upload History in %s cannot be read:\r\n%s\r\n\r\n"
        "The file could not be set aside (%s), so the Upload History will not be saved until it is "
        "moved or repaired.",
        path.c_str(), problem.c_str(), why.c_str()));
    return false;
}

void CQuillmarkApp::KeepUnreadable(const std::string& path, const std::string& why)
{
    // Nothing is known about the file's content, so it is neither set aside
    // nor saved over while this copy of the program runs.
    m_History.RemoveAll();
    m_strProgramDataRefusal = StrFormat(
        "The Upload History was not saved: %s could not be read when Quillmark started and is not "
        "written over.",
        path.c_str());
    if (m_pLog)
        m_pLog->Printf("Program data file %s cannot be read (%s); left as it is\n", path.c_str(), why.c_str());
    ShowErrorMessage(StrFormat(
        "The Upload History in %s cannot be read:\r\n%s\r\n\r\n"
        "The file is left as it is, and the Upload History will not be saved over it until Quillmark "
        "is started again and can read it.",
        path.c_str(), why.c_str()));
}

bool CQuillmarkApp::LoadData()
{
    const std::string path = GetDataPath(false);
    if (path.empty())
        return false;
    try {
        CArchive ar(ReadFileBytes(path, kMaxSetupFileSize), path);
        SerializeSetup(ar, 0, 0);
        return true;
    } catch (const CFileException& e) {
        if (e.m_lOsError != ENOENT && e.m_lOsError != ENOTDIR)
            ReportException(e, "CQuillmarkApp::LoadData: CFile::Open");
    } catch (const CException& e) {
        ReportException(e, "CQuillmarkApp::LoadData: SerializeSetup");
    } catch (const std::bad_alloc&) {
        ReportException(CMemoryException(), "CQuillmarkApp::LoadData: SerializeSetup");
    }
    return false;
}

void CQuillmarkApp::OfferLegacyImport()
{
    const std::string path = GetDataPath(false);
    if (path.empty() || !FileExists(path))
        return;
    if (MessageBoxLogged("Import setup data from previous version?", MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    if (m_pLog)
        m_pLog->Printf("Importing %s\n", path.c_str());
    // Only a setup that was really read is saved.
    if (LoadData())
        SaveData(true);
}

void CQuillmarkApp::ReplayPostingJournal(const std::string& dataPath)
{
    const std::string journal = JournalPath(dataPath);
    std::vector<uint8_t> bytes;
    std::string why;
    try {
        bytes = ReadFileBytes(journal, kMaxProgramDataSize);
    } catch (const CFileException& e) {
        if (e.m_lOsError == ENOENT)
            return;  // no journal: the last run saved in full
        why = e.GetErrorMessage();
    } catch (const CException& e) {
        why = e.GetErrorMessage();
    } catch (const std::bad_alloc&) {
        why = CMemoryException().GetErrorMessage();
    }
    struct stat st {};
    if (!why.empty() && ::lstat(journal.c_str(), &st) != 0 && errno == ENOENT)
        return;
    if (!why.empty()) {
        // Its records are not in the Upload History, so no save deletes it;
        // a later start that can read it takes them in.
        m_bJournalUnread = true;
        if (m_pLog)
            m_pLog->Printf("Posting journal %s cannot be read (%s); kept\n", journal.c_str(), why.c_str());
        ShowErrorMessage(StrFormat(
            "The records of recent postings in %s cannot be read:\r\n%s\r\n\r\n"
            "The file is kept, and Quillmark takes them in when it is started again and can read it.",
            journal.c_str(), why.c_str()));
        return;
    }
    int restored = 0;
    size_t passedOver = 0;
    WalkJournal(
        bytes,
        [&](const uint8_t* payload, size_t length) {
            try {
                CArchive ar(std::vector<uint8_t>(payload, payload + length), journal);
                ar.SetRecordVersion(1);
                std::vector<CScoreFile> records(ar.ReadU32());
                for (CScoreFile& record : records)
                    record.Serialize(ar);
                for (const CScoreFile& record : records)
                    RecordPosted(record);
                restored += static_cast<int>(records.size());
                return true;
            } catch (const CException&) {
                return false;
            } catch (const std::bad_alloc&) {
                return false;
            }
        },
        &passedOver);
    if (m_pLog) {
        m_pLog->Printf("Posting journal %s: %d record(s) restored\n", journal.c_str(), restored);
        if (passedOver)
            m_pLog->Printf("Posting journal %s: %zu damaged byte(s) passed over\n", journal.c_str(), passedOver);
    }
}
