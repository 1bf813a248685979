// Reading the descriptors and the digest from a score file's content.
//
// Text encoding. The scoring program writes its text in the Windows "ANSI"
// code page (Windows-1252); files that went through other tools may be UTF-8,
// with or without a byte-order mark. The content is read as follows:
//   - a UTF-8 byte-order mark marks UTF-8; the mark itself belongs to no
//     line (neither to the first line's descriptors nor to the digest);
//   - otherwise content that is valid UTF-8 (plain ASCII included) is UTF-8;
//   - anything else is Windows-1252, byte by byte.
// Descriptors are kept as UTF-8 and read with the encoding above, so a
// Windows-1252 file and the same text in UTF-8 give the same descriptors.
//
// The digest is the one the Upload History has always held, so that a
// history carried over from earlier versions still recognises its files:
// every line, without its line end, read as UTF-8 and converted to
// Windows-1252, where characters the code page lacks become '?'. So a
// byte-order mark hashes as '?' in front of the first line, and each byte of
// a Windows-1252 file that is not valid UTF-8 hashes as '?'.
#include "posting/score_file.h"

#include <cstring>
#include <new>

#include "app/error_report.h"
#include "platform/html_text.h"
#include "platform/text_helpers.h"
#include "platform/exceptions.h"
#include "platform/text_encoding.h"

namespace {

enum class ParseState { keywordSearch, sectionLine, finished };

bool IsValidUtf8(const char* data, size_t n, bool& ascii)
{
    ascii = true;
    size_t i = 0;
    while (i < n) {
        // Eight ASCII bytes at a time.
        while (i + 8 <= n) {
            uint64_t word;
            std::memcpy(&word, data + i, 8);
            if (word & 0x8080808080808080ull)
                break;
            i += 8;
        }
        if (i >= n)
            break;
        if (static_cast<unsigned char>(data[i]) < 0x80) {
            ++i;
            continue;
        }
        ascii = false;
        const size_t before = i;
        const char32_t cp = DecodeUtf8(std::string_view(data, n), i);
        if (cp == 0xFFFD && !(i - before == 3 && static_cast<unsigned char>(data[before]) == 0xEF &&
                              static_cast<unsigned char>(data[before + 1]) == 0xBF &&
                              static_cast<unsigned char>(data[before + 2]) == 0xBD))
            return false;
    }
    return true;
}

// The line's text as UTF-8.
std::string DecodeLine(std::string_view bytes, bool utf8)
{
    return utf8 ? SanitizeUtf8(bytes) : Cp1252ToUtf8(bytes);
}

// Adds a UTF-8 line to the digest in Windows-1252.
void HashUtf8Line(CSha256& sha, std::string_view bytes, std::string& scratch)
{
    scratch = Utf8ToCp1252(bytes);
    sha.Update(scratch.data(), static_cast<int64_t>(scratch.size()));
}

bool HasHighByte(std::string_view s)
{
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    return false;
}

// " Sunday Morn Session ", ... : a blank, at most 13 characters of the weekday
// and short session name, " Session ".
struct SessionPattern {
    std::string pattern;
    std::string session;
};

const std::vector<SessionPattern>& SessionPatterns()
{
    static const std::vector<SessionPattern> patterns = [] {
        std::vector<SessionPattern> v;
        for (int d = 0; d < 7; ++d) {
            for (int t = 0; t < 4; ++t) {
                const std::string name = std::string(CScoreFile::kWeekdayNames[d]) + " " +
                                         CScoreFile::kShortSessionNames[t];
                v.push_back({" " + name.substr(0, 13) + " Session ", name});
            }
        }
        return v;
    }();
    return patterns;
}

bool Contains(std::string_view s, const char* what, size_t len)
{
    return s.size() >= len && ::memmem(s.data(), s.size(), what, len) != nullptr;
}

}  // namespace

bool CScoreFile::ParseEventSessionLine(const std::string& line, std::string desc[SFD_COUNT])
{
    if (line.find(" Session ") == std::string::npos)
        return false;
    for (const SessionPattern& p : SessionPatterns()) {
        const size_t pos = line.find(p.pattern);
        if (pos == std::string::npos)
            continue;
        desc[SFD_EVENT] = line.substr(0, pos);
        desc[SFD_SESSION] = p.session;
        desc[SFD_DATE] = line.substr(pos + p.pattern.size());
        return true;
    }
    return false;
}

bool CScoreFile::Parse(bool hash, bool html)
{
    CSha256 sha;
    if (!EnsureLoaded())
        return false;
    bool result = true;
    try {
        if (IsBinary()) {
            if (hash) {
                const uint64_t n = m_nSize < m_content.size() ? m_nSize : m_content.size();
                sha.Update(m_content.data(), static_cast<int64_t>(n));
            }
        } else {
            ParseText(hash ? &sha : nullptr, html);
        }
    } catch (const CException& e) {
        ReportException(e, "CScoreFile::Parse: parse loop");
        result = false;
    } catch (const std::bad_alloc&) {
        ReportException(CMemoryException(), "CScoreFile::Parse: parse loop");
        result = false;
    }
    if (hash)
        sha.Final(m_hash);
    ParseDate();
    return result;
}

void CScoreFile::ParseText(CSha256* sha, bool html)
{
    const char* const data = m_content.data();
    // Reading ends at the first NUL byte.
    const void* nul = std::memchr(data, '\0', m_content.size());
    const size_t n = nul ? static_cast<size_t>(static_cast<const char*>(nul) - data) : m_content.size();

    size_t pos = 0;
    bool utf8 = true;
    bool ascii = false;
    bool bomPending = false;
    if (n >= 3 && std::memcmp(data, "\xEF\xBB\xBF", 3) == 0) {
        pos = 3;
        bomPending = true;
        ascii = !HasHighByte(std::string_view(data + 3, n - 3));
    } else {
        utf8 = IsValidUtf8(data, n, ascii);
    }
    // Lines needing conversion before they are hashed: any line with bytes
    // beyond ASCII (valid UTF-8 or not).
    const bool convert = !ascii;

    ParseState state = ParseState::keywordSearch;
    int found = 0;
    std::string scratch;
    // The next CR and LF at or after pos (n when none); each is searched
    // again only once passed, so the whole pass stays linear.
    size_t nextCr = 0, nextLf = 0;
    bool crKnown = false, lfKnown = false;

    while (pos < n) {
        if (!lfKnown || nextLf < pos) {
            const void* lf = std::memchr(data + pos, '\n', n - pos);
            nextLf = lf ? static_cast<size_t>(static_cast<const char*>(lf) - data) : n;
            lfKnown = true;
        }
        if (!crKnown || nextCr < pos) {
            const void* cr = std::memchr(data + pos, '\r', (nextLf < n ? nextLf : n) - pos);
            // Only a CR before the next LF matters; past it, search again later.
            nextCr = cr ? static_cast<size_t>(static_cast<const char*>(cr) - data) : nextLf;
            crKnown = true;
        }
        const size_t end = nextCr < nextLf ? nextCr : nextLf;
        const std::string_view line(data + pos, end - pos);
        if (end >= n) {
            pos = n;
        } else if (data[end] == '\r') {
            pos = end + 1;
            if (pos < n && data[pos] == '\n')
                pos++;
        } else {
            pos = end + 1;
        }
        if (nextCr < pos)
            crKnown = false;

        if (sha) {
            if (bomPending) {
                // The mark is the character U+FEFF, which Windows-1252 lacks.
                sha->Update("?", 1);
                bomPending = false;
            }
            if (convert && HasHighByte(line))
                HashUtf8Line(*sha, line, scratch);
            else
                sha->Update(line.data(), static_cast<int64_t>(line.size()));
        }

        if (state == ParseState::keywordSearch) {
            // Only lines holding a '>' (or its "&gt;" form), or an old-style
            // session line, can set anything.
            const bool mayHaveKeyword = std::memchr(line.data(), '>', line.size()) != nullptr ||
                                        std::memchr(line.data(), '&', line.size()) != nullptr;
            const bool maySession = found == 0 && Contains(line, " Session ", 9);
            if (!mayHaveKeyword && !maySession)
                continue;
            std::string text = DecodeLine(line, utf8);
            // A keyword written as "&gt;" marks the line as HTML text.
            if (html || text.find("&gt;") != std::string::npos)
                text = HtmlDecode(text);
            if (maySession && ParseEventSessionLine(text, m_strDesc)) {
                state = ParseState::sectionLine;
                continue;
            }
            if (!mayHaveKeyword)
                continue;
            for (int k = 0; k < SFD_COUNT; ++k) {
                if (!m_strDesc[k].empty())
                    continue;
                const size_t at = text.find(kKeywords[k]);
                if (at == std::string::npos)
                    continue;
                const size_t from = at + std::strlen(kKeywords[k]);
                size_t to = text.find('|', from);
                if (to == std::string::npos)
                    to = text.size();
                m_strDesc[k] = TrimRight(std::string_view(text).substr(from, to - from));
                ++found;
            }
            if (found >= SFD_COUNT)
                state = ParseState::finished;
        } else if (state == ParseState::sectionLine) {
            const std::string text = html ? HtmlDecode(DecodeLine(line, utf8)) : DecodeLine(line, utf8);
            const size_t at = text.find("Section");
            if (at != std::string::npos) {
                size_t i = at + 7;
                auto isSpace = [&](size_t k) {
                    return k < text.size() && (text[k] == ' ' || text[k] == '\t' || text[k] == '\v' ||
                                               text[k] == '\f');
                };
                if (isSpace(i)) {
                    ++i;
                    if (isSpace(i))
                        ++i;
                    if (i < text.size() && text[i] >= 'A' && text[i] <= 'Z') {
                        size_t j = i;
                        while (j < text.size() && text[j] == text[i])
                            ++j;
                        m_strDesc[SFD_SECTION] = text.substr(i, j - i);
                    }
                }
            }
            state = ParseState::finished;
        }
        if (state == ParseState::finished && !sha)
            break;
    }
}
