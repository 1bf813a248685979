// Small text helpers shared by the whole core. Strings are UTF-8.
#pragma once

#include <cstdarg>
#include <string>
#include <string_view>

// Reads one line from a NUL-terminated UTF-8 buffer: the bytes up to the
// next CR, LF or NUL, with invalid UTF-8 replaced by U+FFFD. The cursor moves
// past a CR LF pair, a lone CR or a lone LF (not past a NUL). Returns false
// at the terminating NUL.
bool ReadUtf8Line(std::string& line, const char*& cursor);
// The same line split without decoding: line views the bytes as they stand
// in the buffer (pages copied from a template keep every byte).
bool ReadLineBytes(std::string_view& line, const char*& cursor);

// NUL-terminated UTF-8 text to a string, invalid sequences replaced.
std::string Utf8ToString(const char* text);

// ASCII case folding and comparisons (names, extensions, keywords).
std::string ToLowerAscii(std::string_view s);
std::string ToUpperAscii(std::string_view s);
bool EqualsNoCase(std::string_view a, std::string_view b);
int CompareNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view s, std::string_view prefix);
bool EndsWithNoCase(std::string_view s, std::string_view suffix);

// White space (blank, tab, CR, LF, VT, FF) trimmed.
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);
std::string Trim(std::string_view s);

// printf-style formatting into a string.
std::string StrFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string StrFormatV(const char* format, va_list args);

// Replaces every occurrence of from (non-empty) by to.
std::string ReplaceAll(std::string s, std::string_view from, std::string_view to);
