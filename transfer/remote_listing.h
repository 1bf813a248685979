// Reading remote folder listings: the long format of "ls -l" (Unix servers,
// sftp) and the format of DOS and IIS FTP servers.
#pragma once

#include <string>
#include <vector>

struct CRemoteEntry {
    std::string name;
    bool directory = false;
};

// One listing line. Unix style: nine blank-separated fields, the first
// being the permission text ("d..." for a folder), the ninth the name up to
// the line's end (blanks and a link's " -> target" included). DOS/IIS
// style: date, time, "<DIR>" or a size, then the name. Lines of neither
// form (a "total" line, sftp's echoed "sftp>" commands) give false.
bool ParseListingLine(const std::string& line, CRemoteEntry& entry);

// Every entry of a listing (lines separated by LF, CR ignored). A name that
// begins with stripPrefix (non-empty, the listed folder followed by "/", as
// sftp prints the entries of a folder given to "ls") loses it.
std::vector<CRemoteEntry> ParseListing(const std::string& text, const std::string& stripPrefix = {});
