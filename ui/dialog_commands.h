// The dialogs of this folder as the prompter shows them for the core: each
// builds its dialog, fills it from the core's plain values, shows it
// modally and reads the values back after OK.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/prompter.h"

class CScoreFile;
class wxWindow;

// The Setup sheet; Shift held at this moment lets the Post Files Modified
// After time be changed. true after OK with the edited values.
bool ShowSetupSheet(wxWindow* parent, SetupSheetValues& values);
// The Index dialog: true after OK with toggles sized to the entries.
bool ShowIndexDialog(wxWindow* parent, const std::vector<CScoreFile*>& entries, std::vector<bool>& toggles);
// Folders to Search for Hand Records: true after OK with the folders left
// and how many were removed.
bool ShowHandRecordFolders(wxWindow* parent, const std::vector<std::string>& folders,
                           std::vector<std::string>& remaining, int& removed);
// The wireless-database dialog: IDOK (try again with path) or IDCANCEL;
// doNotShowAgain is the box as it was at closing.
int ShowWirelessDialog(wxWindow* parent, uint32_t error, const std::string& message, std::string& path,
                       bool& doNotShowAgain);
