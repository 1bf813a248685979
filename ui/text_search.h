// The text viewer's search, line ends and saved font, free of windows so
// that they can be checked on their own.
#pragma once

#include <cstdint>
#include <string>

// Find flags as stored in "FindFlags".
enum : int { FIND_DOWN = 1, FIND_WHOLEWORD = 2, FIND_MATCHCASE = 4, FIND_FLAG_MASK = 7 };
inline int MaskFindFlags(long flags) { return static_cast<int>(flags & FIND_FLAG_MASK); }

// Every lone LF and lone CR becomes CR LF; CR LF stays.
std::wstring NormalizeLineEnds(const std::wstring& text);
std::string NormalizeLineEnds(const std::string& text);
// CR LF and lone CR become LF (what a text control shows).
std::wstring ToControlLineEnds(const std::wstring& text);

// Where a search begins. Forward: at the selection end. Backward: the first
// position tried, never past the last place a match can begin (length -
// find length); -1 when there is nothing to try.
long BackwardSearchStart(long selectionStart, long textLength, long findLength);

// Whether find matches text at pos (case-insensitive unless FIND_MATCHCASE;
// with FIND_WHOLEWORD no letter or digit may touch either end).
bool MatchesAt(const std::wstring& text, const std::wstring& find, long pos, int flags);

// One search with a single wrap: forward from selEnd, else backward from
// before selStart. The position of the match, or -1.
long FindInText(const std::wstring& text, const std::wstring& find, long selStart, long selEnd,
                bool backward, int flags);

// The viewers' font ("TextDialog"/"LogFont"): version 1, colour as eight
// hexadecimal digits (0x00BBGGRR), then the font fields and the face name.
struct SavedFont {
    uint32_t colour = 0;  // 0x00BBGGRR
    int height = 0;       // pixels at 96 per inch; negative: character height
    int weight = 400;
    int italic = 0, underline = 0, strikeOut = 0;
    int charSet = 0, outPrecision = 0, clipPrecision = 0, quality = 0, pitchAndFamily = 0;
    std::string faceName;  // at most 31 characters
};
// false (use the default font) unless the value is version 1 with all
// thirteen fields and every field is in range: a height of 1..500 pixels
// either sign, a weight of 0..1000, the flag and byte fields 0..255, a
// colour with its top byte clear and a non-empty face name without control
// characters.
bool ParseSavedFont(const std::string& value, SavedFont& font);
std::string FormatSavedFont(const SavedFont& font);
// Point size <-> stored height (96 pixels per inch, as the stored value
// has always meant).
int PointsToFontHeight(int points);
int FontHeightToPoints(int height);

// The Save As default name: section + "%y%m%dT%H%M%S" of the local time.
std::string DefaultSaveName(const std::string& section, int64_t when);
