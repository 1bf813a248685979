#include "transfer/remote_listing.h"

#include <cctype>
#include <cstring>

#include "platform/line_splitter.h"

#include "platform/text_helpers.h"

namespace {

bool IsDigits(const std::string& s, size_t from, size_t count)
{
    if (from + count > s.size())
        return false;
    for (size_t i = from; i < from + count; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(s[i])))
            return false;
    }
    return true;
}

// "MM-DD-YY" or "MM-DD-YYYY".
bool IsDosDate(const std::string& s)
{
    return (s.size() == 8 || s.size() == 10) && IsDigits(s, 0, 2) && s[2] == '-' && IsDigits(s, 3, 2) &&
           s[5] == '-' && IsDigits(s, 6, s.size() - 6);
}

// "HH:MM" with an optional "AM"/"PM".
bool IsDosTime(const std::string& s)
{
    const size_t colon = s.find(':');
    if (colon == std::string::npos || colon < 1 || colon > 2 || !IsDigits(s, 0, colon) ||
        !IsDigits(s, colon + 1, 2))
        return false;
    const std::string rest = s.substr(colon + 3);
    return rest.empty() || rest == "AM" || rest == "PM" || rest == "am" || rest == "pm";
}

// The next blank-separated field as a string; false at the line's end.
bool NextField(const std::string& line, size_t& pos, std::string& field)
{
    size_t start = 0, end = 0;
    if (!::NextField(line, pos, start, end))
        return false;
    field = line.substr(start, end - start);
    return true;
}

bool ParseDosLine(const std::string& line, CRemoteEntry& entry)
{
    size_t pos = 0;
    std::string date, time, kind;
    if (!NextField(line, pos, date) || !IsDosDate(date) || !NextField(line, pos, time) || !IsDosTime(time) ||
        !NextField(line, pos, kind))
        return false;
    const bool dir = kind == "<DIR>";
    if (!dir && !IsDigits(kind, 0, kind.size()))
        return false;
    while (pos < line.size() && line[pos] == ' ')
        ++pos;
    if (pos >= line.size())
        return false;
    entry.name = line.substr(pos);
    entry.directory = dir;
    return true;
}

bool ParseUnixLine(const std::string& line, CRemoteEntry& entry)
{
    size_t pos = 0;
    std::string field, permissions;
    for (int i = 0; i < 8; ++i) {
        if (!NextField(line, pos, field))
            return false;
        if (i == 0)
            permissions = field;
    }
    // The ninth field runs to the end of the line. One blank stands before
    // it: a name that begins with blanks keeps them.
    if (pos < line.size() && line[pos] == ' ')
        ++pos;
    if (line.find_first_not_of(' ', pos) == std::string::npos)
        return false;
    entry.name = line.substr(pos);
    entry.directory = !permissions.empty() && permissions[0] == 'd';
    return true;
}

bool AllOf(const std::string& s, size_t from, size_t to, bool digits)
{
    if (from >= to || to > s.size())
        return false;
    for (size_t i = from; i < to; ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (digits ? !std::isdigit(c) : !std::isalpha(c))
            return false;
    }
    return true;
}

// The name of one line of sftp's own long format, "drwxr-xr-x    ? 1000
// 1000  4096 Dec 10 08:50 name" (a year in place of the time for older
// dates), with the blanks the name holds; false for any other line.
bool NameOfSftpLine(const std::string& line, std::string& name)
{
    static const char kKinds[] = "-dlpscbD?";
    if (line.size() < 11 || !std::strchr(kKinds, line[0]) || line[10] != ' ')
        return false;
    for (size_t i = 1; i < 10; ++i) {
        if (!std::strchr("rwxsStT-", line[i]))
            return false;
    }
    size_t pos = 10, start = 0, end = 0;
    // Links ("?" where the server does not tell), owner, group, size.
    for (int field = 0; field < 4; ++field) {
        if (!::NextField(line, pos, start, end))
            return false;
    }
    if (!AllOf(line, start, end, true))
        return false;
    // "Dec 10 08:50" or "Dec 10  2024".
    if (!::NextField(line, pos, start, end) || end - start != 3 || !AllOf(line, start, end, false) ||
        !::NextField(line, pos, start, end) || end - start > 2 || !AllOf(line, start, end, true) ||
        !::NextField(line, pos, start, end))
        return false;
    const bool time = end - start == 5 && line[start + 2] == ':' && AllOf(line, start, start + 2, true) &&
                      AllOf(line, start + 3, end, true);
    const bool year = end - start == 4 && AllOf(line, start, end, true);
    // One blank, then the name to the line's end.
    if ((!time && !year) || end + 1 >= line.size() || line[end] != ' ')
        return false;
    name = line.substr(end + 1);
    return true;
}

}  // namespace

bool ParseListingLine(const std::string& rawLine, CRemoteEntry& entry)
{
    std::string line;
    line.reserve(rawLine.size());
    for (char c : rawLine) {
        if (c != '\r')
            line += c;
    }
    if (line.compare(0, 5, "sftp>") == 0)
        return false;
    return ParseDosLine(line, entry) || ParseUnixLine(line, entry);
}

std::vector<CRemoteEntry> ParseListing(const std::string& text, const std::string& stripPrefix)
{
    std::vector<CRemoteEntry> entries;
    CLineSplitter lines(text, LineEnds::CrLf);
    for (std::string_view line; lines.Next(line);) {
        CRemoteEntry entry;
        if (ParseListingLine(std::string(line), entry)) {
            if (!stripPrefix.empty() && entry.name.size() > stripPrefix.size() &&
                entry.name.compare(0, stripPrefix.size(), stripPrefix) == 0)
                entry.name.erase(0, stripPrefix.size());
            entries.push_back(std::move(entry));
        }
    }
    return entries;
}

std::optional<std::vector<CSftpListEntry>> ReadSftpListing(const std::string& text, const std::string& prefix)
{
    std::vector<CSftpListEntry> entries;
    std::string previous;
    // A CR is a byte of a name here, as sftp wrote it.
    CLineSplitter lines(text, LineEnds::Lf);
    for (std::string_view view; lines.Next(view);) {
        const std::string line(view);
        std::string name;
        if (!NameOfSftpLine(line, name) || name.compare(0, prefix.size(), prefix) != 0 || name.size() == prefix.size())
            return std::nullopt;
        for (const char c : name) {
            if (c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
                return std::nullopt;
        }
        // sftp sorts what it lists by name: a line out of that order was
        // made by a name holding a line break.
        if (!previous.empty() && name <= previous)
            return std::nullopt;
        previous = name;
        name.erase(0, prefix.size());
        // A folder's own entries have no separator in their names.
        if (name.find('/') != std::string::npos)
            return std::nullopt;
        entries.push_back({std::move(name), line.substr(0, 10)});
    }
    return entries;
}
