// Reading remote folder listings: the long format of "ls -l" (Unix servers,
// sftp) and the format of DOS and IIS FTP servers.
#pragma once

#include <optional>
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

// One entry of sftp's own long format ("ls -lan").
struct CSftpListEntry {
    std::string name;
    std::string mode;  // "drwxr-xr-x": the kind ('-', 'd', 'l', ...) then the permissions
    bool Folder() const { return mode[0] == 'd'; }
    bool PlainFile() const { return mode[0] == '-'; }
    // Others may read it (and enter it, for a folder).
    bool OthersMayRead() const { return mode[7] == 'r' && (!Folder() || mode[9] == 'x' || mode[9] == 't'); }
};

// Every entry of one "ls -lan" answer of sftp, "." and ".." included: the
// lines sftp formats itself (mode, links, owner, group, size, date, name),
// each name after prefix, what sftp puts before each name when it lists a
// folder given by name (that name and "/"). Nothing when a line is not of
// that form or its name cannot be told for certain: sftp writes a name's
// line break as it is and other bytes it cannot print as "\ooo", so a name
// with a backslash or a control character, a line out of sftp's sorted
// order, a name with a "/" or a line without the prefix (a file listed
// under its own name, a line a name made up) makes the whole answer
// unreadable.
std::optional<std::vector<CSftpListEntry>> ReadSftpListing(const std::string& text, const std::string& prefix);
