#include "transfer/ftp_replies.h"

#include "platform/line_splitter.h"

#include <cctype>

#include "platform/text_helpers.h"
#include "transfer/login_failure.h"
#include "transfer/remote_listing.h"

namespace {

// The reply code a line begins with and whether the reply goes on after it
// ("421-..."); code 0 for a line that continues a reply in other ways.
int CodeOf(const std::string& line, bool& more)
{
    more = false;
    if (line.size() < 3 || !std::isdigit(static_cast<unsigned char>(line[0])) ||
        !std::isdigit(static_cast<unsigned char>(line[1])) || !std::isdigit(static_cast<unsigned char>(line[2])))
        return 0;
    if (line.size() > 3 && line[3] != ' ' && line[3] != '-')
        return 0;
    more = line.size() > 3 && line[3] == '-';
    return (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
}

bool ContainsWord(const std::string& lowerText, const char* word)
{
    return lowerText.find(word) != std::string::npos;
}

}  // namespace

bool CFtpReplyReader::AddLine(const std::string& raw)
{
    const std::string line = TrimRight(raw);
    bool more = false;
    const int code = CodeOf(line, more);
    if (m_pendingCode == 0) {
        if (code == 0)
            return false;  // not a reply line
        m_pendingCode = code;
        m_pending.clear();
    }
    if (!m_pending.empty())
        m_pending += ' ';
    m_pending += line;
    // A multi-line reply ends with its code followed by a blank.
    if (code == m_pendingCode && !more) {
        m_last = m_pending;
        m_lastCode = m_pendingCode;
        m_pending.clear();
        m_pendingCode = 0;
        return true;
    }
    return false;
}

void CFtpReplyReader::Clear()
{
    *this = CFtpReplyReader();
}

bool ListingCutShort(const std::string& reply, std::string& message)
{
    const std::string lower = ToLowerAscii(reply);
    if (!ContainsWord(lower, "truncated"))
        return false;
    // "Output truncated to 10000 matches": the server's limit.
    std::string limit;
    const size_t to = lower.find("truncated to ");
    if (to != std::string::npos) {
        for (size_t i = to + 13; i < reply.size() && std::isdigit(static_cast<unsigned char>(reply[i])); ++i)
            limit += reply[i];
    }
    // The line that says so ("226 Output truncated to 10000 matches"), not
    // the lines before it.
    std::string said = reply;
    const size_t last = reply.rfind(reply.substr(0, 3) + " ");
    if (last != std::string::npos)
        said = reply.substr(last);
    message = (limit.empty() ? std::string("The server cut this listing short")
                             : "The server lists at most " + limit + " entries of a folder and cut this listing short") +
              " (\"" + ShownReason(said) +
              "\"); Quillmark takes nothing of part of a folder. Keep folders smaller: \"Upload to subdirectories "
              "(recommended)\" on the FTP page of Setup puts the pages of each month in a folder of their own.";
    return true;
}

bool ListingNamesOtherFolders(const std::string& listing)
{
    CLineSplitter lines(listing, LineEnds::Lf);
    std::string_view text;
    while (lines.Next(text)) {
        const std::string line = TrimRight(std::string(text));
        CRemoteEntry entry;
        // "2024/:" or "Summer 2024:", as an "ls" of several folders heads
        // each of them; a listing line of an entry named "x:" reads as an
        // entry.
        if (line.size() > 1 && line.back() == ':' && !ParseListingLine(line, entry))
            return true;
    }
    return false;
}

bool SaysTlsRequired(int code, const std::string& reply)
{
    if (code != 421 && code != 530 && code != 550 && code != 534 && code != 503)
        return false;
    const std::string lower = ToLowerAscii(reply);
    return ContainsWord(lower, "tls") || ContainsWord(lower, "ssl") || ContainsWord(lower, "cleartext") ||
           ContainsWord(lower, "secure connection") || ContainsWord(lower, "encrypt");
}

std::string CCurlVerboseText::LastReplyTo(const std::string& word) const
{
    for (auto it = exchanges.rbegin(); it != exchanges.rend(); ++it) {
        const std::string& c = it->command;
        if (c.compare(0, word.size(), word) == 0 && (c.size() == word.size() || c[word.size()] == ' '))
            return it->replies.empty() ? std::string() : it->replies.back();
    }
    return {};
}

std::string CCurlVerboseText::LastRefusal() const
{
    for (auto it = exchanges.rbegin(); it != exchanges.rend(); ++it) {
        for (auto r = it->replies.rbegin(); r != it->replies.rend(); ++r) {
            if (!r->empty() && ((*r)[0] == '4' || (*r)[0] == '5'))
                return *r;
        }
    }
    return {};
}

CCurlVerboseText ReadCurlVerbose(const std::string& errors)
{
    CCurlVerboseText out;
    out.exchanges.push_back({std::string(), {}});
    CFtpReplyReader reader;
    CLineSplitter lines(errors, LineEnds::CrLf);
    std::string_view text;
    while (lines.Next(text)) {
        const std::string line(text);
        if (line.compare(0, 2, "< ") == 0) {
            if (reader.AddLine(line.substr(2)))
                out.exchanges.back().replies.push_back(reader.LastReply());
        } else if (line.compare(0, 2, "> ") == 0) {
            out.exchanges.push_back({line.substr(2), {}});
        } else if (line.compare(0, 2, "* ") == 0 || line.compare(0, 2, "{ ") == 0 || line.compare(0, 2, "} ") == 0 ||
                   line == "*" || line.empty()) {
            continue;  // curl's account of the connection
        } else {
            out.ownLines += line + "\r\n";
        }
    }
    return out;
}
