#include "standin/results_page.h"

#include "standin/score_text.h"
#include "platform/text_encoding.h"

namespace {

constexpr const char* kEol = "\r\n";

// Suit symbols (spades, hearts, diamonds, clubs) and whether they are red.
const char* const kSuitSymbols[4] = {"&#9824;", "&#9829;", "&#9830;", "&#9827;"};
const bool kSuitRed[4] = {false, true, true, false};

void AppendLine(std::string& page, std::string_view line)
{
    page.append(line);
    page.append(kEol);
}

// One hand: four lines, one per suit.
void AppendHandCell(std::string& page, const PbnDeal& deal, int seat)
{
    if (!deal.known[seat]) {
        AppendLine(page, "<td></td>");
        return;
    }
    AppendLine(page, "<td>");
    for (int s = 0; s < 4; ++s) {
        std::string line = kSuitRed[s] ? std::string("<span class=\"red\">") + kSuitSymbols[s] + "</span> "
                                       : std::string(kSuitSymbols[s]) + " ";
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
    AppendLine(page, "<td><b>Board " + board + "</b><br>");
    AppendLine(page, std::string("Dealer: ") + SeatName(deal.dealer) + "<br>");
    AppendLine(page, std::string("Vul: ") + VulnerabilityName(deal.vulnerable) + "</td>");
    AppendHandCell(page, deal, kNorth);
    AppendLine(page, "<td></td>");
    AppendLine(page, "</tr>");
    AppendLine(page, "<tr>");
    AppendHandCell(page, deal, kWest);
    AppendLine(page, "<td></td>");
    AppendHandCell(page, deal, kEast);
    AppendLine(page, "</tr>");
    AppendLine(page, "<tr>");
    AppendLine(page, "<td></td>");
    AppendHandCell(page, deal, kSouth);
    AppendLine(page, "<td></td>");
    AppendLine(page, "</tr>");
    AppendLine(page, "</table>");
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
    AppendLine(page, "<style>");
    AppendLine(page, "table.deal { border-collapse: collapse; margin: 1em 0; }");
    AppendLine(page, "table.deal td { vertical-align: top; padding: 2px 16px; font-family: monospace; }");
    AppendLine(page, ".red { color: #c00000; }");
    AppendLine(page, "</style>");
    AppendLine(page, "</head>");
    AppendLine(page, "<body>");
    AppendLine(page, "<pre>");
    for (const std::string& line : ScoreTextLines(scoreText))
        AppendLine(page, HtmlEscape(line));
    AppendLine(page, "</pre>");
    if (deals && !deals->empty()) {
        AppendLine(page, "<h2>Hand records</h2>");
        for (const PbnDeal& deal : *deals)
            AppendDealTable(page, deal);
    }
    AppendLine(page, "</body>");
    AppendLine(page, "</html>");
    return page;
}
