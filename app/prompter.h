// Everything the core asks of the user goes through this interface: message
// boxes, the Yes-to-All question box and the dialogs. The window application
// implements it with real dialogs (shown on the UI thread); tests answer
// with scripted buttons. Every method has a default answer so that an
// implementation only overrides what it shows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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
    // A text shown in the modal text viewer (the transfer transcript).
    // profileSection names where the viewer keeps its placement; withCancel
    // adds the Cancel button.
    virtual void ShowText(const std::string& caption, const std::string& text,
                          const std::string& profileSection, bool withCancel) {}
};
