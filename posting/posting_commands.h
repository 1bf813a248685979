// Helpers of the posting-side commands (posting/posting_commands.cpp).
#pragma once

#include <cstdint>
#include <string>

class CFTPSettings;

// "<protocol>://<user>@<server>[:<port>][/<FTP Directory>]/TestFile.txt":
// the protocol in lower case; the port when the current protocol's port
// text is not empty, where "21" counts as empty for FTP and FTPS.
std::string TestFileAddress(const CFTPSettings& settings);

// The test file's text (UTF-8): the creation time in local time, then the
// address it is uploaded to.
std::string TestFileText(int64_t now, const std::string& address);

// The question of Erase Upload History.
extern const char* const kEraseHistoryQuestion;
