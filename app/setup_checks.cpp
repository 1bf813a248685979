#include "app/setup_checks.h"

#include <cctype>

#include "app/setup_data.h"
#include "platform/date_helpers.h"
#include "platform/path_helpers.h"
#include "platform/text_helpers.h"
#include "transfer/transfer_parameters.h"

namespace {

constexpr int32_t kMaxDaysToIndex = 999999;

bool IsHostLabelChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_';
}

// A host name (labels of letters, digits, '-' and '_' between dots) or an
// IPv4 address; an IPv6 address in brackets when bracketed is set.
bool IsHostName(const std::string& host, bool bracketed)
{
    if (host.empty() || host.size() > 253)
        return false;
    if (host.front() == '[') {
        if (!bracketed || host.size() < 4 || host.back() != ']')
            return false;
        const std::string inner = host.substr(1, host.size() - 2);
        return inner.find_first_not_of("0123456789abcdefABCDEF:.") == std::string::npos &&
               inner.find(':') != std::string::npos;
    }
    size_t start = 0;
    while (true) {
        const size_t dot = host.find('.', start);
        const std::string label = host.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
        if (label.empty() || label.size() > 63 || label.front() == '-')
            return false;
        for (char c : label) {
            if (!IsHostLabelChar(c))
                return false;
        }
        if (dot == std::string::npos)
            return true;
        start = dot + 1;
    }
}

std::string FormatOrNumber(int64_t time, const char* pattern)
{
    try {
        return FormatDate(time, pattern);
    } catch (...) {
        return std::to_string(time);
    }
}

bool HasBackslash(const std::string& s)
{
    return s.find('\\') != std::string::npos;
}

SetupProblem Problem(int page, SetupField field, std::string message, int protocol = -1)
{
    SetupProblem p;
    p.page = page;
    p.field = field;
    p.protocol = protocol;
    p.message = std::move(message);
    return p;
}

std::string CheckLayoutFile(const std::string& path, const char* name)
{
    if (path.empty() || IsReadableFile(path))
        return {};
    return StrFormat("The %s file cannot be found:\r\n%s", name, path.c_str());
}

}  // namespace

std::string CheckServerName(const std::string& server)
{
    if (Trim(server).empty())
        return "Enter the server's host name, for example ftp.example.org.";
    if (server.find("://") != std::string::npos || server.find('/') != std::string::npos ||
        !IsHostName(server, false)) {
        // A bare IPv6 address is fine too.
        const bool ipv6 = server.find(':') != std::string::npos &&
                          server.find_first_not_of("0123456789abcdefABCDEF:.") == std::string::npos;
        if (!ipv6)
            return StrFormat("The server name is not valid: %s\r\n\r\nEnter the host name alone, such as "
                             "ftp.example.org or 192.0.2.10, without ftp:// and without a folder.",
                             server.c_str());
    }
    return {};
}

std::string CheckWebsiteUrl(const std::string& url)
{
    if (Trim(url).empty())
        return "Enter the Website URL, for example http://www.example.org";
    const std::string bad = StrFormat("The Website URL is not valid: %s\r\n\r\nIt must start with http:// or "
                                      "https:// followed by the website's host name, for example "
                                      "http://www.example.org",
                                      url.c_str());
    const std::string lower = ToLowerAscii(url);
    size_t start = 0;
    if (lower.compare(0, 7, "http://") == 0)
        start = 7;
    else if (lower.compare(0, 8, "https://") == 0)
        start = 8;
    else
        return bad;
    for (unsigned char c : url) {
        if (c <= ' ' || c == '\\' || c == 0x7F)
            return bad;
    }
    const size_t slash = url.find('/', start);
    std::string authority = url.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    if (authority.find('@') != std::string::npos)
        return bad;
    // An optional port after the host.
    const size_t colon = authority.rfind(':');
    if (colon != std::string::npos && authority.find(']', colon) == std::string::npos) {
        const std::string port = authority.substr(colon + 1);
        if (!CheckPort(port, "").empty())
            return bad;
        authority.erase(colon);
    }
    if (!IsHostName(authority, true))
        return bad;
    return {};
}

std::string CheckIndexFilename(const std::string& name)
{
    if (IsPlainFileName(name))
        return {};
    // Control characters are shown as '?', so that the message shows all.
    std::string shown = name;
    for (char& c : shown) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    }
    return StrFormat("The Index Filename is not a plain file name: \"%s\"\r\n\r\nEnter a file name such as "
                     "index.htm on the Website page of Setup, without a folder: no / or \\, not . or ..",
                     shown.c_str());
}

std::string CheckPort(const std::string& port, const char* protocolName)
{
    const std::string message = StrFormat("Enter a port number between 1 and 65535%s%s.",
                                          *protocolName ? " for " : "", protocolName);
    if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos)
        return message;
    const long value = std::stol(port);
    if (value < 1 || value > 65535)
        return message;
    return {};
}

std::string CheckDaysToIndexText(const std::string& text, int32_t& days)
{
    const std::string t = Trim(text);
    size_t i = (!t.empty() && (t[0] == '-' || t[0] == '+')) ? 1 : 0;
    if (i == t.size() || t.find_first_not_of("0123456789", i) != std::string::npos)
        return "Enter an integer.";
    const std::string range = StrFormat("Enter an integer between 0 and %d.", kMaxDaysToIndex);
    if (t.size() - i > 9)
        return range;
    const long value = std::stol(t);
    if (value < 0 || value > kMaxDaysToIndex)
        return range;
    days = static_cast<int32_t>(value);
    return {};
}

SetupProblem CheckComputerValues(const SetupComputerValues& before, const SetupComputerValues& after, int64_t now)
{
    if (after.scoreFileDirectory != before.scoreFileDirectory) {
        if (Trim(after.scoreFileDirectory).empty())
            return Problem(0, SetupField::ScoreFileDirectory,
                           "Enter the Score File Directory: the folder in which ACBLscore writes its score files.");
        if (!FolderExists(after.scoreFileDirectory))
            return Problem(0, SetupField::ScoreFileDirectory,
                           StrFormat("The Score File Directory does not exist:\r\n%s",
                                     after.scoreFileDirectory.c_str()));
    }
    if (after.postFilesModifiedAfter != before.postFilesModifiedAfter && after.postFilesModifiedAfter > now)
        return Problem(0, SetupField::PostFilesModifiedAfter,
                       StrFormat("Post Files Modified After cannot be later than the current time (%s).",
                                 FormatOrNumber(now, "%m/%d/%Y %H:%M:%S").c_str()));
    if (after.htmlLayout != before.htmlLayout) {
        std::string m = CheckLayoutFile(after.htmlLayout, "HTML Layout");
        if (!m.empty())
            return Problem(0, SetupField::HtmlLayout, m);
    }
    if (after.pdfLayout != before.pdfLayout) {
        std::string m = CheckLayoutFile(after.pdfLayout, "PDF Layout");
        if (!m.empty())
            return Problem(0, SetupField::PdfLayout, m);
    }
    return {};
}

SetupProblem CheckWebsiteValues(const SetupWebsiteValues& before, const SetupWebsiteValues& after)
{
    if (after.websiteUrl != before.websiteUrl) {
        std::string m = CheckWebsiteUrl(after.websiteUrl);
        if (!m.empty())
            return Problem(1, SetupField::WebsiteUrl, m);
    }
    // An empty Index Filename means no index: the index commands ask for it.
    if (after.indexFile != before.indexFile && !after.indexFile.empty()) {
        std::string m = CheckIndexFilename(after.indexFile);
        if (!m.empty())
            return Problem(1, SetupField::IndexFile, m);
    }
    if (after.daysToIndex != before.daysToIndex && (after.daysToIndex < 0 || after.daysToIndex > kMaxDaysToIndex))
        return Problem(1, SetupField::DaysToIndex, StrFormat("Enter an integer between 0 and %d.", kMaxDaysToIndex));
    if (after.scoreFileDirectory != before.scoreFileDirectory && HasBackslash(after.scoreFileDirectory))
        return Problem(1, SetupField::WebsiteScoreFileDirectory,
                       "Use / (not \\) between the folder names of the Score File Directory on the website.");
    return {};
}

SetupProblem CheckFtpValues(const SetupFtpValues& before, const SetupFtpValues& after)
{
    if (after.server != before.server) {
        std::string m = CheckServerName(after.server);
        if (!m.empty())
            return Problem(2, SetupField::Server, m);
    }
    if (after.directory != before.directory && HasBackslash(after.directory))
        return Problem(2, SetupField::Directory, "Use / (not \\) between the folder names of the Directory.");
    // The chosen protocol's port first: that is the one on show.
    const int order[4] = {after.protocol, 0, 1, 2};
    for (int k = 0; k < 4; ++k) {
        const int p = order[k];
        if (p < 0 || p > 2 || (k > 0 && p == after.protocol) || after.port[p] == before.port[p])
            continue;
        std::string m = CheckPort(after.port[p], GetProtocolName(p));
        if (!m.empty())
            return Problem(2, SetupField::Port, m, p);
    }
    // Parameters that would let a program run or a file be read or written
    // are refused, the protocol on show first.
    for (int k = 0; k < 4; ++k) {
        const int p = order[k];
        if (p < 0 || p > 2 || (k > 0 && p == after.protocol) || after.parameters[p] == before.parameters[p])
            continue;
        const std::string refused = FindRefusedParameter(p, after.parameters[p]);
        if (!refused.empty())
            return Problem(2, SetupField::Parameters, RefusedParameterMessage(p, refused, true), p);
    }
    return {};
}

SetupProblem CheckSetupValues(const SetupSheetValues& before, const SetupSheetValues& after, int64_t now)
{
    if (SetupProblem p = CheckComputerValues(before.computer, after.computer, now))
        return p;
    if (SetupProblem p = CheckWebsiteValues(before.website, after.website))
        return p;
    return CheckFtpValues(before.ftp, after.ftp);
}
