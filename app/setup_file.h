// The setup data file ("Quillmark Setup Data (*.qsu)"), the application's
// one document: a 32-bit schema number, then every setting of the setup
// record and the index entries. Older schemas (0 to 11) are read and, when
// the user agrees, converted after a backup copy; newer ones are refused.
//
// CQuillmarkDoc is the core half of the document: its file name, its
// modified flag, reading, writing and the Save / Save As logic. The window
// application wraps it in its document/view classes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

class CArchive;
class CQuillmarkApp;

// The schema written by this program.
constexpr uint32_t kSetupSchema = 12;
// Setup files larger than this are refused without being read.
constexpr uint64_t kMaxSetupFileSize = 512ull << 20;

// What a damaged setup file named on the command line is reported with: its
// name, that it is not a setup file or is damaged, and what to do.
std::string DamagedSetupFileText(const std::string& path);

class CQuillmarkDoc {
public:
    // Registers itself as the application's open setup document.
    explicit CQuillmarkDoc(CQuillmarkApp& app);
    ~CQuillmarkDoc();
    CQuillmarkDoc(const CQuillmarkDoc&) = delete;
    CQuillmarkDoc& operator=(const CQuillmarkDoc&) = delete;

    const std::string& GetPathName() const { return m_path; }
    void SetPathName(const std::string& path);
    // Called whenever the file name changes (opened, saved under a new
    // name, a new setup), so that what shows the name follows at once.
    std::function<void()> onPathChanged;
    // The file name, or "Untitled".
    std::string GetTitle() const;
    bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool modified = true) { m_bModified = modified; }

    // Resets the setup record to the defaults (and empties the index entries).
    void DeleteContents();
    // A new untitled setup with the defaults; the status line is cleared.
    bool OnNewDocument();
    // Reads a setup data file. On failure the failure has been reported and
    // the setup in use, with its file name, is as it was. namedAtStart: a
    // file that is not a setup file or is damaged is reported by
    // DamagedSetupFileText, as start-up then ends.
    bool OnOpenDocument(const std::string& path, bool namedAtStart = false);
    // Writes the setup to path through a mirror file: a failed save leaves
    // any earlier file whole. Reports failures.
    bool OnSaveDocument(const std::string& path);
    // Storing: the schema, then the setup. Loading: checks the schema (a
    // newer one throws CArchiveException badSchema), then reads.
    void Serialize(CArchive& ar);

    // Save (name given) or Save As (name empty: the Save As dialog). With
    // replace, the document takes the new name.
    bool DoSave(const std::string& name, bool replace = true);
    // Save: to the document's file, or Save As when it has none or the file
    // is read-only.
    bool DoFileSave();
    // Before the setup is closed or replaced: asks "Save changes to %1?"
    // when it is modified. false when the user cancelled or the save failed.
    bool SaveModified();

private:
    CQuillmarkApp& m_app;
    std::string m_path;
    bool m_bModified = false;
};
