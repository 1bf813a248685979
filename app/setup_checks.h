// The checks of what the user enters in Setup. The Setup sheet runs them on
// OK (showing the message and putting the focus on the field) and the Setup
// command runs them again before it stores anything, so a value that fails
// never reaches the setup record.
//
// A value is judged when it differs from what the sheet was opened with: a
// setting that was never entered (an empty server of a new setup) or a folder
// that has gone away since does not block changes elsewhere.
#pragma once

#include <cstdint>
#include <string>

#include "app/prompter.h"
#include "app/setup_fields.h"

struct SetupProblem {
    int page = -1;  // 0 Computer, 1 Website, 2 FTP; -1 none
    SetupField field = SetupField::None;
    int protocol = -1;  // the protocol for SetupField::Port and SetupField::Parameters
    std::string message;
    explicit operator bool() const { return page >= 0; }
};

// One problem of a page (the first in the page's field order), or none.
// now is the current time (seconds since 1970).
SetupProblem CheckComputerValues(const SetupComputerValues& before, const SetupComputerValues& after, int64_t now);
SetupProblem CheckWebsiteValues(const SetupWebsiteValues& before, const SetupWebsiteValues& after);
SetupProblem CheckFtpValues(const SetupFtpValues& before, const SetupFtpValues& after);
// The pages in order.
SetupProblem CheckSetupValues(const SetupSheetValues& before, const SetupSheetValues& after, int64_t now);

// The single checks (empty text: fine).
std::string CheckServerName(const std::string& server);
std::string CheckWebsiteUrl(const std::string& url);
// The Index Filename: the index pages are written under this name (and
// names made from it) into the staging folder and uploaded under it, so it
// must be a plain file name such as index.htm. An empty name is refused too;
// callers for which it means "not set up" check for that first.
std::string CheckIndexFilename(const std::string& name);
// A port of the named protocol: decimal digits only, 1 to 65535.
std::string CheckPort(const std::string& port, const char* protocolName);
// Days To Index as typed: "Enter an integer." or the range message.
std::string CheckDaysToIndexText(const std::string& text, int32_t& days);
