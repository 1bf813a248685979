// Edits of a working copy of the Upload History: what the History dialog's
// Add... and Remove buttons do. The dialog calls these so that every window
// adds and removes entries, flags and logs them the same way; the History
// command commits the copy afterwards.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CColScoreFile;
class CQuillmarkApp;
class CSFPtrArray;
class CScoreFile;

// Appends a copy of each chosen file, in order, with the added-through-
// History flag set and the line "View History: Add=[<path>]" logged.
// Returns how many were added.
int AddFilesToHistory(CQuillmarkApp& app, CColScoreFile& history, const std::vector<const CScoreFile*>& chosen);

// Where the History dialog's Add... speaks: its messages (by default the
// application's prompter) and what shows while the folder is scanned (a
// busy pointer; nothing by default).
struct HistoryAddView {
    std::function<int(const std::string& text, unsigned style)> message;
    std::function<void(bool scanning)> scanning;
};

// The whole of the History dialog's Add...: the scan of the Score File
// Directory, the message "There are no new score files in %s" when it finds
// nothing (or why the folder cannot be read, when it cannot), the Confirm
// Posting dialog in add mode over the files found (all unchecked), and the
// checked ones added. Returns how many were added.
int AddNewScoreFilesToHistory(CQuillmarkApp& app, CColScoreFile& history, const HistoryAddView& view = {});

// Removes the entries at the given indices (any order; repeated or
// out-of-range indices are passed over). Returns how many were removed.
int RemoveFromHistory(CColScoreFile& history, std::vector<int64_t> indices);
