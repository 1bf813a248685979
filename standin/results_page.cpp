#include "standin/results_page.h"

#include <set>

#include "standin/score_text.h"
#include "platform/text_encoding.h"

namespace {

constexpr const char* kEol = "\r\n";

// Suit symbols (spades, hearts, diamonds, clubs) and whether they are red.
const char* const kSuitSymbols[4] = {"&#9824;", "&#9829;", "&#9830;", "&#9827;"};
const bool kSuitRed[4] = {false, true, true, false};

// A cell of a deal table. Its look stands on the cell itself: the template
// merge keeps only the page's body, not a style in its head.
const std::string kCell = "<td style=\"vertical-align: top; padding: 2px 16px; font-family: monospace\">";
const std::string kEmptyCell = kCell + "</td>";

void AppendLine(std::string& page, std::string_view line)
{
    page.append(line);
    page.append(kEol);
}

// One hand: four lines, one per suit.
void AppendHandCell(std::string& page, const PbnDeal& deal, int seat)
{
    if (!deal.known[seat]) {
        AppendLine(page, kEmptyCell);
        return;
    }
    AppendLine(page, kCell);
    for (int s = 0; s < 4; ++s) {
        // The colour, like the cells' look, stands on the element itself.
        const std::string symbol = kSuitSymbols[s];
        std::string line =
            kSuitRed[s] ? "<span class=\"red\" style=\"color: #c00000\">" + symbol + "</span> " : symbol + " ";
        line += HtmlEscape(SuitText(deal.suits[seat][s]));
        if (s < 3)
            line += "<br>";
        AppendLine(page, line);
    }
    AppendLine(page, "</td>");
}

void AppendDealTable(std::string& page, const PbnDeal& deal)
{
    const std::string board = std::to_string(deal.board);
    AppendLine(page, "<table class=\"deal\" id=\"board-" + board + "\">");
    AppendLine(page, "<tr>");
    AppendLine(page, kCell + "<b>Board " + board + "</b><br>");
    AppendLine(page, std::string("Dealer: ") + SeatName(deal.dealer) + "<br>");
    AppendLine(page, std::string("Vul: ") + VulnerabilityName(deal.vulnerable) + "</td>");
    AppendHandCell(page, deal, kNorth);
    AppendLine(page, kEmptyCell);
    AppendLine(page, "</tr>");
    AppendLine(page, "<tr>");
    AppendHandCell(page, deal, kWest);
    AppendLine(page, kEmptyCell);
    AppendHandCell(page, deal, kEast);
    AppendLine(page, "</tr>");
    AppendLine(page, "<tr>");
    AppendLine(page, kEmptyCell);
    AppendHandCell(page, deal, kSouth);
    AppendLine(page, kEmptyCell);
    AppendLine(page, "</tr>");
    AppendLine(page, "</table>");
}

// The game's heading at the top of the score text: the event, then the
// session, section and date that are given; nothing for what is not.
void AppendHeading(std::string& page, const ScoreHeading& heading)
{
    if (!heading.event.empty())
        AppendLine(page, "<b style=\"font: bold 1.5em sans-serif\">" + HtmlEscape(heading.event) + "</b>");
    std::string details;
    for (const std::string& part :
         {heading.session, heading.section.empty() ? std::string() : "Section " + heading.section, heading.date}) {
        if (part.empty())
            continue;
        if (!details.empty())
            details += " &middot; ";
        details += HtmlEscape(part);
    }
    if (!details.empty())
        AppendLine(page, "<span style=\"font: 1.1em sans-serif\">" + details + "</span>");
    if (!heading.event.empty() || !details.empty())
        AppendLine(page, "");
}

}  // namespace

std::string SuitText(const std::string& ranks)
{
    if (ranks.empty())
        return "-";
    std::string out;
    for (char c : ranks) {
        if (c == 'T')
            out += "10";
        else
            out += c;
    }
    return out;
}

std::string BuildResultsPage(const std::string& title, std::string_view scoreText,
                             const std::vector<PbnDeal>* deals)
{
    std::string page;
    AppendLine(page, "<!DOCTYPE html>");
    AppendLine(page, "<html>");
    AppendLine(page, "<head>");
    AppendLine(page, "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">");
    AppendLine(page, "<title>" + HtmlEscape(title) + "</title>");
    AppendLine(page, "</head>");
    AppendLine(page, "<body>");
    AppendLine(page, "<pre>");
    AppendHeading(page, FindScoreHeading(scoreText));
    // Each deal under the first "Board n" line of its board; a board line
    // without a deal stays as it is.
    std::set<int> shown;
    static const std::vector<PbnDeal> kNoDeals;
    const std::vector<PbnDeal>& allDeals = deals ? *deals : kNoDeals;
    const CDealsByBoard byBoard(allDeals);
    for (const std::string& line : ScoreTextLines(scoreText)) {
        AppendLine(page, HtmlEscape(line));
        const int board = BoardOfLine(line);
        const PbnDeal* deal = board > 0 ? byBoard.Find(board) : nullptr;
        if (deal && shown.insert(board).second) {
            // Inside the <pre> block the table's own line breaks must not
            // show; the page's style does not come along into the club's
            // template, hence the attribute.
            AppendLine(page, "<div style=\"white-space: normal\">");
            AppendDealTable(page, *deal);
            AppendLine(page, "</div>");
        }
    }
    AppendLine(page, "</pre>");
    // The deals the results do not name come after them.
    bool headed = false;
    for (const PbnDeal& deal : allDeals) {
        if (shown.count(deal.board))
            continue;
        if (!headed)
            AppendLine(page, "<h2>Hand records</h2>");
        headed = true;
        AppendDealTable(page, deal);
    }
    AppendLine(page, "</body>");
    AppendLine(page, "</html>");
    return page;
}
