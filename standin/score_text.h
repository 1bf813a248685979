// How the stand-in layout component reads a score file: the text output of
// the scoring program, in Windows-1252 or UTF-8, possibly already wrapped
// in "<pre>" lines with its ">" written as "&gt;".
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "standin/pbn_reader.h"

// The file's bytes as UTF-8: a UTF-8 byte-order mark is dropped; text that
// is not valid UTF-8 is read as Windows-1252.
std::string DecodeScoreText(std::string_view bytes);

// The lines to show: CR LF, CR and LF all end a line; lines that are only a
// "<pre>" or "</pre>" marker are left out and the character references
// (&gt; &lt; &amp; &quot; &apos; &nbsp; &#N; &#xN;) are turned back into
// characters. Trailing empty lines are dropped.
std::vector<std::string> ScoreTextLines(std::string_view text);

// What the score text says of its game, after the keywords "EVENT>",
// "SESSION>", "SECTION>" and "DATE>" (the first of each, up to a "|" or the
// line's end, without surrounding blanks). Empty when not given.
struct ScoreHeading {
    std::string event, session, section, date;
};
ScoreHeading FindScoreHeading(std::string_view text);

// The number of the board a "Board n" line of the results names (see
// FindScoreBoards), or 0 when the line names none.
int BoardOfLine(std::string_view line);

// The board numbers the results name, in ascending order without repeats:
// every line that starts (after blanks) with "Board" or "Bd", optionally
// followed by "." or ":", and then a number.
std::vector<int> FindScoreBoards(std::string_view text);

// The boards of the results that have no deal in the hand records.
std::vector<int> FindBoardsWithoutDeals(std::string_view text, const std::vector<PbnDeal>& deals);
