// Everything the core asks of the user goes through this interface: message
// boxes, the Yes-to-All question box and the dialogs. The window application
// implements it with real dialogs (shown on the UI thread); tests answer
// with scripted buttons. Every method has a default answer so that an
// implementation only overrides what it shows.
#pragma once

#include <cstdint>
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

// A file dialog request (Save As, Open).
struct FileDialogRequest {
    std::string title;
    std::string initialFolder;
    std::string initialName;
    std::string defaultExtension;
    std::string filter;      // "Name (*.x)|*.x|...||"
    int filterIndex = 1;     // 1-based
};

// What the History dialog is shown and what it answers. The dialog edits
// the working copy in place (the History command makes it from the Upload
// History); modified counts the edits: one per Add that added at least one
// file and one per Remove. The command commits the copy only after OK with
// modified above 0. Add and Remove go through the helpers of
// posting/history_edit.h so that they log and flag like the command does.
struct HistoryRequest {
    CColScoreFile* history = nullptr;   // the working copy, not owned
    std::string scoreFileDirectory;     // named by "There are no new score files in %s"
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
    // Save As / Open file dialogs: false when cancelled. On OK, path holds
    // the chosen file and filterIndex the chosen filter.
    virtual bool SaveFileDialog(const FileDialogRequest& request, std::string& path) { return false; }
    virtual bool OpenFileDialog(const FileDialogRequest& request, std::string& path, int& filterIndex)
    {
        return false;
    }
    // History dialog over request.history; returns IDOK or IDCANCEL.
    virtual int ViewHistory(const HistoryRequest& request, HistoryAnswer& answer) { return IDCANCEL; }
    // Folders to Search for Hand Records dialog; false when cancelled.
    virtual bool HandRecordFolders(const HandRecordFoldersRequest& request, HandRecordFoldersAnswer& answer)
    {
        return false;
    }
    // The program's help (F1 and the Help buttons).
    virtual void ShowHelp() {}
    // A text shown in the modal text viewer (the transfer transcript).
    // profileSection names where the viewer keeps its placement; withCancel
    // adds the Cancel button.
    virtual void ShowText(const std::string& caption, const std::string& text,
                          const std::string& profileSection, bool withCancel) {}
};
