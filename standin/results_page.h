// The results page the stand-in layout component writes: the score text in
// a <pre> block, headed by the event, session, section and date it names,
// and, when hand records are open, one table per board with its dealer,
// vulnerability and the four hands, under the board's first "Board n" line
// (the deals the results do not name follow the score text). Every character outside
// ASCII is written as &#N;, so the page reads the same in any encoding;
// "<body>" and "</body>" stand on lines of their own, so that the body can
// be copied into a web-page template line by line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/html_text.h"
#include "standin/pbn_reader.h"

// The ranks of a suit as shown to players: ten as "10", a void as "-".
std::string SuitText(const std::string& ranks);

// The whole page, lines ending in CR LF. deals may be null (no hand records).
std::string BuildResultsPage(const std::string& title, std::string_view scoreText,
                             const std::vector<PbnDeal>* deals);
