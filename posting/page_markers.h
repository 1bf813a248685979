// The markers that web-page and index templates carry, and the rule that
// recognises a marker line.
#pragma once

#include <string_view>

// Results-page templates: the results body goes after the insert marker
// line and is closed by the end marker.
inline constexpr const char* kInsertMarker = "<!--quillmark:insert-->";
inline constexpr const char* kInsertEndMarker = "<!--quillmark:insertend-->";
// Index templates: the generated block follows the index marker line; text
// up to the first index end marker is the previous block.
inline constexpr const char* kIndexMarker = "<!--quillmark:index-->";
inline constexpr const char* kIndexEndMarker = "<!--quillmark:indexend-->";

// True when the line holds the marker on its own: after any leading blanks
// and tabs the marker itself (case-sensitive), then nothing but white space
// (blank, tab, LF, VT, FF, CR).
bool IsMarkerLine(std::string_view line, std::string_view marker);
