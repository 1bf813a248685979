// Conversions between UTF-8 (the program's string form), UTF-16LE (the
// data files' string form) and Windows-1252 (the "ANSI" code page of score
// files and of old data files).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Decodes one code point from UTF-8 at s[i], advancing i. Invalid or
// truncated sequences give U+FFFD and advance by one byte.
char32_t DecodeUtf8(std::string_view s, size_t& i);
void AppendUtf8(std::string& out, char32_t cp);

// UTF-8 with invalid sequences replaced by U+FFFD.
std::string SanitizeUtf8(std::string_view s);

std::u16string Utf8ToUtf16(std::string_view s);
// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view s);

// Windows-1252 bytes to UTF-8. The five unassigned bytes map to the C1
// controls of the same value, as the platform's table does.
std::string Cp1252ToUtf8(std::string_view bytes);
// UTF-8 to Windows-1252; characters the code page lacks become '?'.
std::string Utf8ToCp1252(std::string_view s);
// The same for one code point; '?' when it has no Windows-1252 byte.
unsigned char CodePointToCp1252(char32_t cp);
