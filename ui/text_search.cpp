#include "ui/text_search.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <cwctype>
#include <vector>

namespace {

template <class S>
S NormalizeImpl(const S& text)
{
    S out;
    out.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = text[i];
        if (c == '\r') {
            out += '\r';
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else if (c == '\n') {
            out += '\r';
            out += '\n';
        } else {
            out += c;
        }
    }
    return out;
}

// Letters and digits, whatever the process locale: outside ASCII every
// character counts as a letter except the Latin-1 signs, the general
// punctuation block and the ideographic punctuation.
bool IsWordChar(wchar_t c)
{
    if (c < 0x80)
        return std::isalnum(static_cast<unsigned char>(c)) != 0;
    if (c < 0xC0 || c == 0xD7 || c == 0xF7)
        return false;
    if ((c >= 0x2000 && c <= 0x206F) || (c >= 0x3000 && c <= 0x303F))
        return false;
    return true;
}

bool ReadField(const std::string& value, size_t& pos, long& out, int base)
{
    if (pos >= value.size())
        return false;
    const char* begin = value.c_str() + pos;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(begin, &end, base);
    if (end == begin || errno == ERANGE || *end != ',')
        return false;
    out = v;
    pos += static_cast<size_t>(end - begin) + 1;
    return true;
}

}  // namespace

std::wstring NormalizeLineEnds(const std::wstring& text) { return NormalizeImpl(text); }
std::string NormalizeLineEnds(const std::string& text) { return NormalizeImpl(text); }

std::wstring ToControlLineEnds(const std::wstring& text)
{
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r') {
            out += L'\n';
            if (i + 1 < text.size() && text[i + 1] == L'\n')
                ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

long BackwardSearchStart(long selectionStart, long textLength, long findLength)
{
    if (findLength <= 0 || findLength > textLength)
        return -1;
    const long last = textLength - findLength;
    const long start = selectionStart - 1;
    return start < last ? start : last;
}

bool MatchesAt(const std::wstring& text, const std::wstring& find, long pos, int flags)
{
    const size_t n = find.size();
    if (pos < 0 || n == 0 || static_cast<size_t>(pos) + n > text.size())
        return false;
    const size_t p = static_cast<size_t>(pos);
    for (size_t i = 0; i < n; ++i) {
        wchar_t a = text[p + i], b = find[i];
        if (!(flags & FIND_MATCHCASE)) {
            a = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(a)));
            b = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(b)));
        }
        if (a != b)
            return false;
    }
    if (flags & FIND_WHOLEWORD) {
        if (p > 0 && IsWordChar(text[p - 1]))
            return false;
        if (p + n < text.size() && IsWordChar(text[p + n]))
            return false;
    }
    return true;
}

long FindInText(const std::wstring& text, const std::wstring& find, long selStart, long selEnd,
                bool backward, int flags)
{
    if (selStart > selEnd)
        std::swap(selStart, selEnd);
    const long length = static_cast<long>(text.size());
    const long findLength = static_cast<long>(find.size());
    if (findLength == 0 || findLength > length)
        return -1;
    if (!backward) {
        for (int pass = 0; pass < 2; ++pass) {
            for (long pos = pass == 0 ? std::max(0L, selEnd) : 0; pos <= length - findLength; ++pos)
                if (MatchesAt(text, find, pos, flags))
                    return pos;
        }
        return -1;
    }
    for (int pass = 0; pass < 2; ++pass) {
        const long start = pass == 0 ? BackwardSearchStart(selStart, length, findLength)
                                     : length - findLength;
        for (long pos = start; pos >= 0; --pos)
            if (MatchesAt(text, find, pos, flags))
                return pos;
    }
    return -1;
}

bool ParseSavedFont(const std::string& value, SavedFont& font)
{
    size_t pos = 0;
    long version = 0, colour = 0;
    if (!ReadField(value, pos, version, 10) || version != 1)
        return false;
    // The colour: exactly eight hexadecimal digits.
    if (value.size() < pos + 9 || value[pos + 8] != ',')
        return false;
    for (size_t i = pos; i < pos + 8; ++i)
        if (!std::isxdigit(static_cast<unsigned char>(value[i])))
            return false;
    if (!ReadField(value, pos, colour, 16) || (static_cast<unsigned long>(colour) & 0xFF000000ul))
        return false;
    long f[10];
    for (long& field : f)
        if (!ReadField(value, pos, field, 10))
            return false;
    const long height = f[0], weight = f[1];
    if (height == 0 || height < -500 || height > 500 || weight < 0 || weight > 1000)
        return false;
    for (int i = 2; i < 10; ++i)
        if (f[i] < 0 || f[i] > 255)
            return false;
    std::string face = value.substr(pos);
    if (face.empty())
        return false;
    for (unsigned char c : face)
        if (c < 0x20 || c == 0x7F)
            return false;
    // At most 31 characters (whole UTF-8 sequences).
    size_t chars = 0, cut = 0;
    while (cut < face.size() && chars < 31) {
        ++cut;
        while (cut < face.size() && (static_cast<unsigned char>(face[cut]) & 0xC0) == 0x80)
            ++cut;
        ++chars;
    }
    face.resize(cut);
    SavedFont parsed;
    parsed.colour = static_cast<uint32_t>(colour);
    parsed.height = static_cast<int>(height);
    parsed.weight = static_cast<int>(weight);
    parsed.italic = static_cast<int>(f[2]);
    parsed.underline = static_cast<int>(f[3]);
    parsed.strikeOut = static_cast<int>(f[4]);
    parsed.charSet = static_cast<int>(f[5]);
    parsed.outPrecision = static_cast<int>(f[6]);
    parsed.clipPrecision = static_cast<int>(f[7]);
    parsed.quality = static_cast<int>(f[8]);
    parsed.pitchAndFamily = static_cast<int>(f[9]);
    parsed.faceName = face;
    font = parsed;
    return true;
}

std::string FormatSavedFont(const SavedFont& font)
{
    char buf[160];
    std::snprintf(buf, sizeof buf, "%d,%08x,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,", 1,
                  static_cast<unsigned>(font.colour), font.height, font.weight, font.italic,
                  font.underline, font.strikeOut, font.charSet, font.outPrecision,
                  font.clipPrecision, font.quality, font.pitchAndFamily);
    return buf + font.faceName;
}

int PointsToFontHeight(int points)
{
    return -((points * 96 + 36) / 72);
}

int FontHeightToPoints(int height)
{
    const int h = height < 0 ? -height : height;
    const int points = (h * 72 + 48) / 96;
    return points > 0 ? points : 1;
}

std::string DefaultSaveName(const std::string& section, int64_t when)
{
    const time_t t = static_cast<time_t>(when);
    struct tm tmv {};
    char buf[32];
    if (!::localtime_r(&t, &tmv) || std::strftime(buf, sizeof buf, "%y%m%dT%H%M%S", &tmv) == 0)
        return section;
    return section + buf;
}
