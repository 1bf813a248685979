// A club's score folder for posting tests: score files of one afternoon
// game each (1 to 28 September 2023), their PBN hand records, and the
// layout files the stand-in layout component reads.
#pragma once

#include <cstdint>
#include <string>

#include "app/setup_data.h"

namespace samples {

// The text of the game on day (1..28) of September 2023, section B.
std::string GameText(int day);
// Its file name ("230905a.txt") and hand-record file name ("230905A.pbn").
std::string GameFileName(int day);
std::string HandRecordFileName(int day);
// Boards 1 and 2 as PBN.
std::string HandRecordText();
// The page name a posting gives the game ("20230905anb" + extension).
std::string PageName(int day, const std::string& extension);

// Writes the game (and, with handRecords, its PBN file) into folder with
// the given modified time.
void WriteGame(const std::string& folder, int day, int64_t modified, bool handRecords = true);
// Writes the two layout files into folder and points the setup at them.
void UseLayouts(CSetupData& setup, const std::string& folder);

}  // namespace samples
