// Edits of a working copy of the Upload History: what the History dialog's
// Add... and Remove buttons do. The dialog calls these so that every window
// adds and removes entries, flags and logs them the same way; the History
// command commits the copy afterwards.
#pragma once

#include <cstdint>
#include <vector>

class CColScoreFile;
class CQuillmarkApp;
class CSFPtrArray;
class CScoreFile;

// Scans the Score File Directory for score files whose digest is not in
// history, sorted newest first. false when the scan did not run to its end
// (the folder is not set up or cannot be read: see
// CQuillmarkApp::GetScanProblem); an empty found then means nothing is new.
bool FindFilesToAddToHistory(CQuillmarkApp& app, CColScoreFile& history, CSFPtrArray& found);

// Appends a copy of each chosen file, in order, with the added-through-
// History flag set and the line "View History: Add=[<path>]" logged.
// Returns how many were added.
int AddFilesToHistory(CQuillmarkApp& app, CColScoreFile& history, const std::vector<const CScoreFile*>& chosen);

// The whole of the History dialog's Add...: the scan, the message
// "There are no new score files in %s" when it finds nothing (or why the
// folder cannot be read, when it cannot), the Confirm
// Posting dialog in add mode over the files found (all unchecked), and the
// checked ones added. Returns how many were added.
int AddNewScoreFilesToHistory(CQuillmarkApp& app, CColScoreFile& history);

// Removes the entries at the given indices (any order; repeated or
// out-of-range indices are passed over). Returns how many were removed.
int RemoveFromHistory(CColScoreFile& history, std::vector<int64_t> indices);
