// Hand-written score files in the shape of the scoring program's text
// output, for tests of parsing, scanning and posting.
#pragma once

#include <string>

namespace samples {

// A pairs game whose identification sits in one hidden line, keywords
// written as "&gt;" (afternoon of Tuesday 5 September 2023, section A,
// limits 0-750), CR LF line ends.
std::string TuesdayPairs();
// Two events on one evening: the first event's keyword lines (one keyword
// a line, plain ">"), then the second event's (ignored: the first wins).
// Section " AB", MP LIMITS "None", Wednesday 6 September 2023 evening.
std::string WednesdayTwoEvents();
// The older form without keywords: an event/session line followed by a
// "Section" line (Club Championship, Thursday morning, 7 September 2023,
// section AA). LF line ends.
std::string ThursdayEventSessionLine();
// A text with no identification at all.
std::string NoKeywords();

// The scoring program's text output for the layout program, in
// Windows-1252 (José Muñoz), wrapped in "<pre>" lines, naming boards 1 to 5.
std::string LayoutScoreText();
// Hand records for it: boards 1 to 4 and 6; board 5 is missing.
std::string LayoutHandRecords();

// Replaces every LF by CR LF.
std::string WithCrLf(const std::string& text);

}  // namespace samples
