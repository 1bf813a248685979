#include "standin/hand_record_pdf.h"

#include "standin/results_page.h"

namespace {

constexpr double kPageWidth = 612;
constexpr double kPageHeight = 792;
constexpr double kMargin = 54;
constexpr double kLine = 11;          // suit lines, Courier 10
constexpr double kBoardHeight = 160;  // one board's section
constexpr double kHandIndent = 150;   // North and South
constexpr double kEastIndent = 300;
const char kSuitLetters[4] = {'S', 'H', 'D', 'C'};

void Hand(CPdfWriter& pdf, const PbnDeal& deal, int seat, double x, double y)
{
    if (!deal.known[seat])
        return;
    for (int s = 0; s < 4; ++s) {
        pdf.Text(x, y - s * kLine, CPdfWriter::Courier, 10,
                 std::string(1, kSuitLetters[s]) + " " + SuitText(deal.suits[seat][s]));
    }
}

// Starts a page with the title above a rule; returns where boards begin.
double StartPage(CPdfWriter& pdf, const std::string& title)
{
    pdf.NewPage(kPageWidth, kPageHeight);
    const double top = kPageHeight - kMargin;
    pdf.Text(kMargin, top, CPdfWriter::HelveticaBold, 14, title);
    pdf.Line(kMargin, top - 8, kPageWidth - kMargin, top - 8);
    return top - 30;
}

}  // namespace

void LayOutHandRecords(CPdfWriter& pdf, const std::string& title, const std::vector<PbnDeal>& deals)
{
    pdf.SetTitle(title);
    double y = StartPage(pdf, title);
    for (const PbnDeal& deal : deals) {
        if (y - kBoardHeight < kMargin - 20)
            y = StartPage(pdf, title);
        pdf.Text(kMargin, y, CPdfWriter::HelveticaBold, 12, "Board " + std::to_string(deal.board));
        pdf.Text(kMargin, y - 14, CPdfWriter::Helvetica, 10, std::string("Dealer: ") + SeatName(deal.dealer));
        pdf.Text(kMargin, y - 26, CPdfWriter::Helvetica, 10,
                 std::string("Vulnerable: ") + VulnerabilityName(deal.vulnerable));
        Hand(pdf, deal, kNorth, kMargin + kHandIndent, y);
        Hand(pdf, deal, kWest, kMargin, y - 4 * kLine - 4);
        Hand(pdf, deal, kEast, kMargin + kEastIndent, y - 4 * kLine - 4);
        Hand(pdf, deal, kSouth, kMargin + kHandIndent, y - 8 * kLine - 8);
        pdf.Line(kMargin, y - kBoardHeight + 18, kPageWidth - kMargin, y - kBoardHeight + 18, 0.25);
        y -= kBoardHeight;
    }
}
