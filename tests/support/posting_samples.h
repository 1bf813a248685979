// A club's score folder for posting tests: one afternoon game a day (1 to
// 28 September 2023, section B), its PBN hand records, and the layout files
// the stand-in layout component reads.
#pragma once

#include <cstdint>
#include <string>

#include "app/setup_data.h"

namespace samples {

std::string GameText(int day);
std::string GameFileName(int day);       // "230905a.txt"
std::string HandRecordFileName(int day);  // "230905A.pbn"
std::string HandRecordText();            // boards 1 and 2
std::string PageName(int day, const std::string& extension);  // "20230905anb" + extension

// Writes the game (and its PBN file) into folder with the given modified time.
void WriteGame(const std::string& folder, int day, int64_t modified, bool handRecords = true);
// Writes the two layout files into folder and points the setup at them.
void UseLayouts(CSetupData& setup, const std::string& folder);
// The website the posting tests use: the website URL, "results" for the
// score files with "results_template.html", "index_template.htm" and
// "index.htm" for the index, and the FTP server with user "club".
void UseWebsite(CSetupData& setup, const std::string& websiteUrl, const std::string& ftpServer);

}  // namespace samples
