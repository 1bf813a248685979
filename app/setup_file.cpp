#include "app/setup_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "app/data_protector.h"
#include "app/error_report.h"
#include "app/mirror_file.h"
#include "platform/path_helpers.h"
#include "app/quillmark_app.h"
#include "app/setup_fields.h"
#include "platform/text_helpers.h"
#include "platform/archive.h"
#include "platform/exceptions.h"
#include "platform/fd_io.h"

namespace {

// The program's version as the setup-file log line shows it: major.minor,
// then the build when the build or the revision is set, then the revision.
std::string ProgramVersionText()
{
    unsigned field[4] = {0, 0, 0, 0};
    std::sscanf(QM_VERSION_STRING, "%u.%u.%u.%u", &field[0], &field[1], &field[2], &field[3]);
    return FormatVersion((static_cast<unsigned long>(field[2]) << 16) | field[3],
                         (static_cast<unsigned long>(field[0]) << 16) | field[1]);
}

// The legacy record of schemas 0 to 4: read only to be skipped.
void SkipDatum(CArchive& ar, uint32_t schema)
{
    for (int i = 0; i < 5; ++i)
        ar.ReadString();
    if (schema != 0)
        ar.ReadString();
    ar.ReadString();
    ar.ReadU32();
    ar.ReadU32();
    if (schema >= 3)
        ar.ReadString();
}

void SkipDatumArray(CArchive& ar, uint32_t schema)
{
    // Every record holds at least six one-byte strings and two numbers.
    const uint64_t count = ar.ReadCount(14);
    for (uint64_t i = 0; i < count; ++i)
        SkipDatum(ar, schema);
}

void ReadPasswordBytes(CArchive& ar, std::vector<uint8_t>& bytes)
{
    const uint32_t n = ar.ReadU32();
    WipeVector(bytes);
    if (n > ar.Remaining())
        ar.ThrowEndOfFile();
    bytes.resize(n);
    if (n)
        ar.Read(bytes.data(), n);
}

// Everything one setup stream holds, read aside before any of it is applied.
struct CLoadedSetup {
    CSetupData setup;
    CColScoreFile indexEntries;
    bool hasIndexEntries = false;
    CColScoreFile legacyFiles;
};

// The name of the copy kept before a conversion: "<name>-Backup<schema>.qsu",
// or, when that exists already, the first free "<name>-Backup<schema>-<n>.qsu".
std::string FreeBackupName(const std::string& path, uint32_t schema)
{
    const std::string stem = RemoveExtension(path) + StrFormat("-Backup%u", schema);
    std::string name = stem + ".qsu";
    struct stat st {};
    for (int n = 2; n < 10000 && ::lstat(name.c_str(), &st) == 0; ++n)
        name = stem + StrFormat("-%d.qsu", n);
    return name;
}

// Writes a new file that must not exist yet; a failed write leaves nothing.
bool WriteNewFile(const std::string& path, const std::vector<uint8_t>& bytes, int& error)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = errno;
        return false;
    }
    bool ok = WriteAll(fd, bytes.data(), bytes.size(), &error) && ::fsync(fd) == 0;
    if (!ok && error == 0)
        error = errno ? errno : EIO;
    if (::close(fd) != 0 && ok) {
        error = errno;
        ok = false;
    }
    if (!ok)
        ::unlink(path.c_str());
    return ok;
}

void WriteSetupField(CArchive& ar, const SetupFieldRow& row, const CSetupData& s)
{
    switch (row.field) {
    case SetupField::HandRecordFolders: ar.WriteString(s.m_HandRecordFolders.GetString()); return;
    case SetupField::HandRecordFilterIndex: ar.WriteU32(s.m_nHandRecordFilterIndex); return;
    case SetupField::OptionFlags: ar.WriteU32(s.GetFlags()); return;
    case SetupField::PasswordProtected: ar.WriteI32(s.m_bPasswordProtected); return;
    case SetupField::ProtectedPassword:
        ar.WriteU32(static_cast<uint32_t>(s.m_ProtectedPassword.size()));
        if (!s.m_ProtectedPassword.empty())
            ar.Write(s.m_ProtectedPassword.data(), s.m_ProtectedPassword.size());
        return;
    default: break;
    }
    std::visit(CEachKind{
                   [&](const SetupText& v) { ar.WriteString(v.record(s)); },
                   [&](const SetupTime& v) { ar.WriteTime(v.record(s)); },
                   [&](const SetupNumber& v) { ar.WriteI32(v.record(s)); },
                   [](const SetupFlag&) {},     // in the option word
                   [](const SetupSpecial&) {},  // above
               },
               row.value);
}

void ReadSetupField(CArchive& ar, const SetupFieldRow& row, CSetupData& s)
{
    switch (row.field) {
    case SetupField::HandRecordFolders: s.m_HandRecordFolders.SetString(ar.ReadString()); return;
    case SetupField::HandRecordFilterIndex: s.m_nHandRecordFilterIndex = ar.ReadU32(); return;
    case SetupField::OptionFlags:
        s.SetFlags(ar.ReadU32());
        // Files with the option word carry the score-file flags as well.
        ar.SetRecordVersion(1);
        return;
    case SetupField::PasswordProtected: s.m_bPasswordProtected = ar.ReadI32(); return;
    case SetupField::ProtectedPassword: ReadPasswordBytes(ar, s.m_ProtectedPassword); return;
    default: break;
    }
    std::visit(CEachKind{
                   [&](const SetupText& v) { v.record(s) = ar.ReadString(); },
                   [&](const SetupTime& v) { v.record(s) = ar.ReadTime(); },
                   [&](const SetupNumber& v) { v.record(s) = ar.ReadI32(); },
                   [](const SetupFlag&) {},
                   [](const SetupSpecial&) {},
               },
               row.value);
}

}  // namespace

// ---- the stream ---------------------------------------------------------------

void CQuillmarkApp::SerializeSetup(CArchive& ar, uint32_t schema, uint32_t currentSchema)
{
    m_nCurrentSetupSchema = schema;
    if (ar.IsStoring()) {
        for (const SetupStreamField& f : SetupStreamOrder())
            WriteSetupField(ar, SetupFieldOf(f.field, f.protocol), m_Setup);
        ar.WriteCount(0);  // the legacy score-file array, always empty now
        ar.SetRecordVersion(1);
        m_IndexEntries.Serialize(ar);
        return;
    }

    const std::string path = ar.GetFileName();
    if (m_pLog)
        m_pLog->Printf("%s: Loading setup file %s Schema=%u\n",
                       ("Quillmark Version " + ProgramVersionText()).c_str(), path.c_str(), schema);
    m_bSaveAfterOpen = false;
    m_dwRecordsCarryFlags = 0;
    ar.SetRecordVersion(0);

    if (schema < currentSchema) {
        // An earlier backup is never written over.
        const std::string backup = FreeBackupName(path, schema);
        const int answer = MessageBoxLogged(
            StrFormat("Convert %s to the current format?\r\n\r\nA copy before conversion will be saved as %s",
                      path.c_str(), backup.c_str()),
            MB_OKCANCEL | MB_ICONEXCLAMATION | MB_DEFBUTTON2);
        if (answer != IDOK)
            throw CArchiveException(CArchiveException::badSchema, path);
        std::vector<uint8_t> original;
        try {
            original = ReadFileBytes(path, kMaxSetupFileSize);
        } catch (const CFileException& e) {
            throw CFileException(e.m_lOsError, backup);
        }
        int error = 0;
        if (!WriteNewFile(backup, original, error))
            throw CFileException(error, backup);
        m_bSaveAfterOpen = true;
    }

    // A legacy import (current schema 0) reads over the setup in use; a
    // document load starts from the reset, which keeps the last Publish
    // Index time and the staging folder name.
    const bool reset = currentSchema != 0;
    auto loaded = std::make_unique<CLoadedSetup>();
    CSetupData& s = loaded->setup;
    s.CopyStoredFields(m_Setup);
    if (reset)
        SetDefaults(s);

    if (schema >= 5) {
        for (const SetupStreamField& f : SetupStreamOrder()) {
            const SetupFieldRow& row = SetupFieldOf(f.field, f.protocol);
            if (schema >= row.schema)
                ReadSetupField(ar, row, s);
            // Schema 11 held two more FTP texts, no longer used.
            if (schema == 11 && f.field == SetupField::Directory) {
                ar.ReadString();
                ar.ReadString();
            }
        }
        loaded->legacyFiles.Serialize(ar);
        loaded->indexEntries.Serialize(ar);
        loaded->hasIndexEntries = true;
        if (s.m_tOldestToIndex < m_tLowestDate)
            s.m_tOldestToIndex = m_tLowestDate;
    } else {
        SkipDatumArray(ar, schema);
        SkipDatumArray(ar, schema);
        s.m_Ftp.m_strServer = ar.ReadString();
        s.m_Ftp.m_strUser = ar.ReadString();
        ar.ReadString();
        if (schema == 4)
            ar.ReadString();
        if (schema >= 1)
            s.m_bPasswordProtected = ar.ReadI32();
        ReadPasswordBytes(ar, s.m_ProtectedPassword);
        if (schema == 0) {
            // "Setup.bin" carries no form flag: a blob of the data
            // protector says so itself; anything else is the older form.
            s.m_bPasswordProtected = CSodiumDataProtector::LooksProtected(s.m_ProtectedPassword) ? 1 : 0;
        }
        if (schema >= 2)
            loaded->legacyFiles.Serialize(ar);
        if (schema == 4) {
            ar.ReadString();
            ar.ReadString();
            s.m_nDaysToIndex = ar.ReadI32();
            ar.ReadU32();
            loaded->indexEntries.Serialize(ar);
            loaded->hasIndexEntries = true;
        }
    }

    // The whole stream has been read: apply it.
    m_dwRecordsCarryFlags = static_cast<uint32_t>(ar.GetRecordVersion());
    m_Setup.CopyStoredFields(s);
    if (loaded->hasIndexEntries)
        m_IndexEntries = loaded->indexEntries;
    else if (reset)
        m_IndexEntries.RemoveAll();
    for (int64_t i = 0; i < loaded->legacyFiles.GetCount(); ++i) {
        const CScoreFile& record = loaded->legacyFiles[i];
        if (!m_History.Lookup(record))
            m_History.Add(record);
    }
}

CQuillmarkDoc* CQuillmarkApp::OpenDocumentFile(const std::string& path, bool namedAtStart)
{
    CQuillmarkDoc* doc = m_pDocument;
    if (!doc)
        return nullptr;
    if (!doc->OnOpenDocument(path, namedAtStart)) {
        SetStatusText("", 2);
        return nullptr;
    }
    doc->SetPathName(path);
    doc->SetModifiedFlag(false);
    if (m_bSaveAfterOpen) {
        m_bSaveAfterOpen = false;
        SaveData(true);
    }
    SetStatusText("", 2);
    return doc;
}

// ---- the document ----------------------------------------------------------------

CQuillmarkDoc::CQuillmarkDoc(CQuillmarkApp& app) : m_app(app)
{
    m_app.SetDocument(this);
}

CQuillmarkDoc::~CQuillmarkDoc()
{
    if (m_app.GetDocument() == this)
        m_app.SetDocument(nullptr);
}

void CQuillmarkDoc::SetPathName(const std::string& path)
{
    if (path == m_path)
        return;
    m_path = path;
    if (onPathChanged)
        onPathChanged();
}

std::string CQuillmarkDoc::GetTitle() const
{
    return m_path.empty() ? std::string("Untitled") : GetFileNameOnly(m_path);
}

void CQuillmarkDoc::DeleteContents()
{
    m_app.SetDefaults();
}

bool CQuillmarkDoc::OnNewDocument()
{
    DeleteContents();
    SetPathName({});
    m_bModified = false;
    m_app.SetStatusText("", 2);
    return true;
}

void CQuillmarkDoc::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        ar.WriteU32(kSetupSchema);
        m_app.SerializeSetup(ar, kSetupSchema, kSetupSchema);
        return;
    }
    const uint32_t schema = ar.ReadU32();
    if (schema > kSetupSchema)
        throw CArchiveException(CArchiveException::badSchema, ar.GetFileName());
    m_app.SerializeSetup(ar, schema, kSetupSchema);
}

std::string DamagedSetupFileText(const std::string& path)
{
    return path +
           "\r\n\r\nis not a Quillmark setup file, or it is damaged, so Quillmark cannot start with it."
           "\r\n\r\nStart Quillmark without it, then open another setup file (Setup > Setup File > "
           "Open...) or make a new one (Setup > Setup File > New).";
}

bool CQuillmarkDoc::OnOpenDocument(const std::string& path, bool namedAtStart)
{
    uint32_t schema = 0;
    try {
        std::vector<uint8_t> bytes = ReadFileBytes(path, kMaxSetupFileSize);
        for (size_t i = 0; i < 4 && i < bytes.size(); ++i)
            schema |= static_cast<uint32_t>(bytes[i]) << (8 * i);
        CArchive ar(std::move(bytes), path);
        Serialize(ar);
    } catch (const CUserException&) {
        return false;
    } catch (const CArchiveException& e) {
        // An older file whose conversion the user declined is no damage.
        const bool declined = e.m_cause == CArchiveException::badSchema && schema < kSetupSchema;
        ReportException(e, "CQuillmarkDoc::OnOpenDocument: Serialize",
                        namedAtStart && !declined ? DamagedSetupFileText(path) : std::string());
        return false;
    } catch (const CException& e) {
        ReportException(e, "CQuillmarkDoc::OnOpenDocument: Serialize");
        return false;
    } catch (const std::bad_alloc&) {
        ReportException(CMemoryException(), "CQuillmarkDoc::OnOpenDocument: Serialize");
        return false;
    }
    m_bModified = false;
    return true;
}

bool CQuillmarkDoc::OnSaveDocument(const std::string& path)
{
    CArchive ar(path);
    try {
        Serialize(ar);
    } catch (const CException& e) {
        ReportException(e, "CQuillmarkDoc::OnSaveDocument: Serialize");
        return false;
    }
    int error = 0;
    if (!SaveFileAtomically(path, ar.GetBytes(), error)) {
        ReportException(CFileException(error, path), "CQuillmarkDoc::OnSaveDocument: CMirrorFile");
        return false;
    }
    m_bModified = false;
    return true;
}

bool CQuillmarkDoc::DoSave(const std::string& name, bool replace)
{
    std::string path = name;
    const bool dialog = path.empty();
    if (dialog) {
        std::string start = m_path;
        if (start.empty() && replace) {
            start = GetTitle();
            const size_t cut = start.find_first_of(":/\\");
            if (cut != std::string::npos)
                start.erase(cut);
            start += ".qsu";
        }
        FileDialogRequest request;
        request.title = "Save As";
        request.defaultExtension = "qsu";
        request.filter = "Quillmark Setup Data (*.qsu)|*.qsu||";
        request.initialName = GetFileNameOnly(start);
        std::string folder = m_app.Profile().GetString("Directory", "Setup");
        if (folder.empty()) {
            // The user's documents folder stands in for the public one.
            const char* home = std::getenv("HOME");
            if (home && *home) {
                folder = JoinPath(home, "Documents");
                if (!FolderExists(folder))
                    folder = home;
            }
        }
        // A folder that cannot be reached is left to the dialog's choice.
        if (!folder.empty() && !FolderExists(folder))
            folder.clear();
        request.initialFolder = folder;
        if (!m_app.Prompter().SaveFileDialog(request, path) || path.empty())
            return false;
        if (GetExtension(GetFileNameOnly(path)).empty())
            path += ".qsu";
        m_app.Profile().WriteString("Directory", "Setup", GetFolderOnly(path));
    }
    if (!OnSaveDocument(path))
        return false;
    if (dialog && m_app.GetLog())
        m_app.GetLog()->Printf("Saved setup [%s]\n", path.c_str());
    if (replace)
        SetPathName(path);
    return true;
}

bool CQuillmarkDoc::DoFileSave()
{
    if (m_path.empty() || IsReadOnlyFile(m_path))
        return DoSave(std::string(), true);
    return DoSave(m_path, true);
}

bool CQuillmarkDoc::SaveModified()
{
    if (!m_bModified)
        return true;
    const int answer = m_app.MessageBoxLogged(StrFormat("Save changes to %s?", GetTitle().c_str()),
                                              MB_YESNOCANCEL | MB_ICONEXCLAMATION);
    if (answer == IDCANCEL)
        return false;
    if (answer == IDNO)
        return true;
    return DoFileSave();
}
