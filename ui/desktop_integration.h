// How the program makes itself known to the desktop.
#pragma once

#include <string>

// The embedded browser needs no per-program switches here: WebKitGTK keeps
// its security settings itself and there is no emulation mode to choose,
// so this does nothing. It stays as the first step of start-up so the order
// of the steps reads as it always has.
void SetBrowserFeatureControls(const std::string& programName);

// The setup data file type: a desktop entry that opens ".qsu" files with
// this program and the shared-mime-info entry "Quillmark Setup Data".
struct DocumentTypeFiles {
    std::string desktopFile;  // <data>/applications/quillmark.desktop
    std::string mimeFile;     // <data>/mime/packages/quillmark.xml
    std::string desktopText;
    std::string mimeText;
};
// The files for a program at programPath, under the user's data folder
// ($XDG_DATA_HOME, default ~/.local/share).
DocumentTypeFiles MakeDocumentTypeFiles(const std::string& programPath);
// Writes the entries when they are missing or differ from what this
// program would write (renewed at every start, like the old shell
// registration). Returns the number of files written; failures are quiet.
int RegisterDocumentType(const std::string& programPath);
// This program's own path (/proc/self/exe).
std::string GetProgramPath();
