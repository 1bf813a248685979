// Everything the core asks of the user goes through this interface: message
// boxes, the Yes-to-All question box and the dialogs. The window application
// implements it with real dialogs (shown on the UI thread); tests answer
// with scripted buttons. Every method has a default answer so that an
// implementation only overrides what it shows.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CColScoreFile;
class CScoreFile;

// Button results.
enum : int {
    IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5,
    IDYES = 6, IDNO = 7, IDYESTOALL = 1088,
};

// Message box styles (buttons | icon | default button).
enum : unsigned {
    MB_OK = 0x0, MB_OKCANCEL = 0x1, MB_ABORTRETRYIGNORE = 0x2, MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4, MB_RETRYCANCEL = 0x5,
    MB_ICONERROR = 0x10, MB_ICONQUESTION = 0x20, MB_ICONEXCLAMATION = 0x30,
    MB_ICONINFORMATION = 0x40,
    MB_DEFBUTTON1 = 0x000, MB_DEFBUTTON2 = 0x100, MB_DEFBUTTON3 = 0x200,
};

// What the Identify Score File dialog is shown and what it answers.
struct IdentifyRequest {
    std::string path;
    bool local = true;
    std::string content;     // the score file's text
    std::string event;
    int64_t sessionDate = 0; // local midnight, 0 when unknown
    int sessionTimeIndex = -1;
    std::string mpLimits;
    std::string section;
};
struct IdentifyAnswer {
    std::string event;
    int64_t sessionDate = 0;
    int sessionTimeIndex = -1;
    std::string mpLimits;
    std::string section;
};
enum class IdentifyResult { Ok, Skip, Cancel };

// The Setup sheet's pages as plain values: the Setup command fills them from
// the setup record, the sheet edits them, and after OK the command compares
// them with the record item by item.
struct SetupComputerValues {
    std::string scoreFileDirectory;
    int64_t postFilesModifiedAfter = 0;  // the current time when not set
    std::string htmlLayout;
    std::string pdfLayout;
    bool autoFillHandRecord = false;
    bool alertHandRecordNotFilled = false;
    bool useCheckScoreData = false;
    bool alertCheckScoreData = false;
};
struct SetupWebsiteValues {
    std::string websiteUrl;
    std::string indexTemplate;
    int64_t oldestToIndex = 0;
    std::string indexFile;
    int32_t daysToIndex = 0;  // 0: all
    std::string scoreFileDirectory;
    std::string scoreFileTemplate;
    bool multiPageIndex = false;
    bool linkPdfHandRecords = false;
    bool linkHandRecords = false;
    bool rebuildIndexFromWebsite = false;
};
struct SetupFtpValues {
    std::string server;
    std::string user;
    // Twelve asterisks when a password is stored, else empty; any other
    // text on OK is a new password (wiped by the Setup command).
    std::string password;
    std::string directory;
    int32_t protocol = 0;  // 0 FTP, 1 FTPS, 2 SFTP
    std::string port[3];
    std::string parameters[3];
    bool passive = true;
    bool alertNoBws = false;
    bool uploadToSubdirectories = false;
    // Whether the OpenSSH sftp program was found (SFTP can be chosen).
    bool sftpAvailable = true;
};
struct SetupSheetValues {
    SetupComputerValues computer;
    SetupWebsiteValues website;
    SetupFtpValues ftp;
};

// A file dialog request (Save As, Open).
struct FileDialogRequest {
    std::string title;
    std::string initialFolder;
    std::string initialName;
    std::string defaultExtension;
    std::string filter;      // "Name (*.x)|*.x|...||"
    int filterIndex = 1;     // 1-based
};

// ---- the posting run's dialogs ------------------------------------------
// Confirm Posting: one row per candidate score file, in the order shown.
struct ConfirmPostingRow {
    std::string path;            // the score file's full path
    std::string handRecordPath;  // the attached hand-record file ("" none)
    bool checked = false;        // marked for posting
    // The column texts: Event, Session, Sec, Date ("%m/%d/%y"), Limits.
    std::string event;
    std::string session;
    std::string section;
    std::string date;
    std::string limits;
};
struct ConfirmPostingRequest {
    // Add mode (History "Add..."): caption "Add Score Files", no hand-record
    // handling; every row starts unchecked.
    bool addMode = false;
    // Ask before OK when a checked row has no hand-record file.
    bool alertHandRecordsNotFilled = false;
    std::vector<ConfirmPostingRow> rows;
    // Runs the hand-record chooser for a row (automatic: search the
    // hand-record folders; else the Select Hand Records file dialog, which
    // starts from path, the row's current choice); true with path set to the
    // file chosen. The record itself is not changed. Null in add mode.
    std::function<bool(size_t row, bool automatic, std::string& path)> selectHandRecords;
    // The text of a row's score file for View Score File (UTF-8).
    std::function<std::string(size_t row)> scoreFileText;
};
struct ConfirmPostingAnswer {
    // One entry per row, read back after OK: the check state and the
    // hand-record path. After Cancel nothing is read back.
    std::vector<bool> checked;
    std::vector<std::string> handRecordPaths;
};

// The wireless-database dialog: a score file's wireless scoring database
// could not be read.
struct WirelessDatabaseRequest {
    std::string message;  // "Unable to open wireless scoring system database: " + system text
    uint32_t error = 0;   // the read's error (0x80070002: file not found)
    std::string path;     // the database path
};
// ---- end of the posting run's dialogs --------------------------------------

// What the History dialog is shown and what it answers. The dialog edits
// the working copy in place (the History command makes it from the Upload
// History); modified counts the edits: one per Add that added at least one
// file and one per Remove. The command commits the copy only after OK with
// modified above 0. Add and Remove go through the helpers of
// posting/history_edit.h so that they log and flag like the command does.
struct HistoryRequest {
    CColScoreFile* history = nullptr;   // the working copy, not owned
};
struct HistoryAnswer {
    int modified = 0;
};

// The Folders to Search for Hand Records dialog: the folders in search
// order; on OK, the folders left after the removals (in list order) and
// how many were removed. The command rewrites the search path and saves
// only when removed is above 0.
struct HandRecordFoldersRequest {
    std::vector<std::string> folders;
};
struct HandRecordFoldersAnswer {
    std::vector<std::string> folders;
    int removed = 0;
};

class IPrompter {
public:
    virtual ~IPrompter() = default;

    // A message box; returns the button pressed (IDOK, IDCANCEL, ...).
    virtual int MessageBox(const std::string& text, unsigned style) { return IDCANCEL; }
    // The question box with Yes, Yes to All, No, Cancel and Help; returns
    // IDYES, IDYESTOALL, IDNO or IDCANCEL.
    virtual int YesToAllBox(const std::string& text) { return IDCANCEL; }
    // Identify Score File dialog.
    virtual IdentifyResult IdentifyScoreFile(const IdentifyRequest& request, IdentifyAnswer& answer)
    {
        return IdentifyResult::Cancel;
    }
    // Index dialog: one row per entry, checked while the entry is hidden.
    // On OK, toggles (sized to the entries) tells which rows the user
    // flipped; false when the dialog was cancelled.
    virtual bool EditIndex(const std::vector<CScoreFile*>& entries, std::vector<bool>& toggles) { return false; }
    // The Setup sheet (Computer, Website, FTP): true on OK with the edited
    // values, false when cancelled.
    virtual bool EditSetup(SetupSheetValues& values) { return false; }
    // Save As / Open file dialogs: false when cancelled. On OK, path holds
    // the chosen file and filterIndex the chosen filter.
    virtual bool SaveFileDialog(const FileDialogRequest& request, std::string& path) { return false; }
    virtual bool OpenFileDialog(const FileDialogRequest& request, std::string& path, int& filterIndex)
    {
        return false;
    }
    // ---- the posting run's dialogs ---------------------------------------
    // Confirm Posting. true after OK, with answer holding one entry per row;
    // false after Cancel.
    virtual bool ConfirmPosting(const ConfirmPostingRequest& request, ConfirmPostingAnswer& answer)
    {
        return false;
    }
    // The wireless-database dialog: IDOK ("Try Again") with path holding the
    // path to read (changed by Browse or typing); IDCANCEL ("Omit Data").
    virtual int WirelessDatabase(const WirelessDatabaseRequest& request, std::string& path) { return IDCANCEL; }
    // A file-open dialog with multiple selection ("&Post..."): false when
    // cancelled, else paths holds every file chosen.
    virtual bool OpenFilesDialog(const FileDialogRequest& request, std::vector<std::string>& paths)
    {
        return false;
    }
    // ---- end of the posting run's dialogs -------------------------------


    // History dialog over request.history; returns IDOK or IDCANCEL.
    virtual int ViewHistory(const HistoryRequest& request, HistoryAnswer& answer) { return IDCANCEL; }
    // Folders to Search for Hand Records dialog; false when cancelled.
    virtual bool HandRecordFolders(const HandRecordFoldersRequest& request, HandRecordFoldersAnswer& answer)
    {
        return false;
    }
    // The program's help (F1 and the Help buttons), opened at the part named
    // by topic (an anchor of the help page; empty: the top).
    virtual void ShowHelp(const std::string& topic = {}) {}
    // A text shown in the modal text viewer (the transfer transcript).
    // profileSection names where the viewer keeps its placement; withCancel
    // adds the Cancel button.
    virtual void ShowText(const std::string& caption, const std::string& text,
                          const std::string& profileSection, bool withCancel) {}
};
