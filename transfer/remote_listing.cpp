#include "transfer/remote_listing.h"

#include <cctype>

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
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        CRemoteEntry entry;
        if (ParseListingLine(text.substr(start, end - start), entry)) {
            if (!stripPrefix.empty() && entry.name.size() > stripPrefix.size() &&
                entry.name.compare(0, stripPrefix.size(), stripPrefix) == 0)
                entry.name.erase(0, stripPrefix.size());
            entries.push_back(std::move(entry));
        }
        start = end + 1;
    }
    return entries;
}
