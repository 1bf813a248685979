// Small text helpers shared by the whole core. Strings are UTF-8.
#pragma once

#include <cstdarg>
#include <string>
#include <string_view>

// NUL-terminated UTF-8 text to a string, invalid sequences replaced.
std::string Utf8ToString(const char* text);

// ASCII case folding and comparisons (names, extensions, keywords).
std::string ToLowerAscii(std::string_view s);
std::string ToUpperAscii(std::string_view s);
bool EqualsNoCase(std::string_view a, std::string_view b);
int CompareNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view s, std::string_view prefix);
bool EndsWithNoCase(std::string_view s, std::string_view suffix);

// White space as the C library's isspace knows it in the "C" locale:
// blank, tab, CR, LF, VT, FF.
inline bool IsAsciiSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// White space (IsAsciiSpace) trimmed.
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);
std::string Trim(std::string_view s);

// The next blank-separated field of line at or after pos: start and end
// bound it, pos moves to its end. false when only blanks are left.
bool NextField(std::string_view line, size_t& pos, size_t& start, size_t& end);

// printf-style formatting into a string.
std::string StrFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string StrFormatV(const char* format, va_list args);

// Replaces every occurrence of from (non-empty) by to.
std::string ReplaceAll(std::string s, std::string_view from, std::string_view to);
