#include "standin/pbn_reader.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>

#include "platform/line_splitter.h"
#include "platform/text_helpers.h"
#include "platform/text_encoding.h"

namespace {

constexpr const char* kRanks = "AKQJT98765432";

struct Game {
    int line = 0;
    std::map<std::string, std::string> tags;  // upper-cased tag names
};

// Tag values are ASCII in practice; anything else is taken as UTF-8 when it
// reads as UTF-8, else as Windows-1252.
std::string DecodeValue(const std::string& bytes)
{
    const std::string sane = SanitizeUtf8(bytes);
    return sane == bytes ? bytes : Cp1252ToUtf8(bytes);
}

int SeatOfLetter(char c)
{
    switch (std::toupper(static_cast<unsigned char>(c))) {
    case 'N': return kNorth;
    case 'E': return kEast;
    case 'S': return kSouth;
    case 'W': return kWest;
    default: return -1;
    }
}

bool ParseBoardNumber(const std::string& text, int& board)
{
    const std::string t = Trim(text);
    if (t.empty() || t.size() > 6 || !std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    board = std::stoi(t);
    return board > 0;
}

int ParseVulnerable(const std::string& text)
{
    const std::string t = ToUpperAscii(Trim(text));
    if (t == "NONE" || t == "LOVE" || t == "-")
        return kVulNone;
    if (t == "NS")
        return kVulNS;
    if (t == "EW")
        return kVulEW;
    if (t == "ALL" || t == "BOTH")
        return kVulAll;
    return -1;
}

// One hand: "-" or four suits separated by dots. Ranks go into suits in
// high-to-low order; used marks the cards already dealt.
bool ParseHand(const std::string& text, std::array<std::string, 4>& suits, bool& known,
               std::array<std::array<bool, 13>, 4>& used, std::string& error)
{
    if (text == "-") {
        known = false;
        return true;
    }
    known = true;
    int suit = 0;
    int cards = 0;
    std::array<std::array<bool, 13>, 4> mine{};
    for (size_t i = 0; i < text.size(); ++i) {
        char c = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
        if (c == '.') {
            if (++suit > 3) {
                error = "a hand has more than four suits";
                return false;
            }
            continue;
        }
        if (c == '1' && i + 1 < text.size() && text[i + 1] == '0') {
            c = 'T';
            ++i;
        }
        const char* p = std::strchr(kRanks, c);
        if (c == '\0' || !p) {
            error = std::string("'") + text[i] + "' is not a card";
            return false;
        }
        const int rank = static_cast<int>(p - kRanks);
        if (mine[suit][rank] || used[suit][rank]) {
            error = "a card is dealt twice";
            return false;
        }
        mine[suit][rank] = true;
        ++cards;
    }
    if (suit != 3) {
        error = "a hand has fewer than four suits";
        return false;
    }
    if (cards != 13) {
        error = "a hand has " + std::to_string(cards) + " cards";
        return false;
    }
    for (int s = 0; s < 4; ++s) {
        suits[s].clear();
        for (int r = 0; r < 13; ++r) {
            if (mine[s][r]) {
                suits[s] += kRanks[r];
                used[s][r] = true;
            }
        }
    }
    return true;
}

// "N:hand hand hand hand", hands clockwise from the seat named first.
bool ParseDealTag(const std::string& text, PbnDeal& deal, std::string& error)
{
    const std::string t = Trim(text);
    if (t.size() < 2 || t[1] != ':' || SeatOfLetter(t[0]) < 0) {
        error = "the deal does not start with a seat and a colon";
        return false;
    }
    const int first = SeatOfLetter(t[0]);
    std::vector<std::string> hands;
    size_t i = 2;
    while (i < t.size()) {
        while (i < t.size() && std::isspace(static_cast<unsigned char>(t[i])))
            ++i;
        size_t start = i;
        while (i < t.size() && !std::isspace(static_cast<unsigned char>(t[i])))
            ++i;
        if (i > start)
            hands.emplace_back(t.substr(start, i - start));
    }
    if (hands.size() != 4) {
        error = "the deal does not have four hands";
        return false;
    }
    std::array<std::array<bool, 13>, 4> used{};
    for (int h = 0; h < 4; ++h) {
        const int seat = (first + h) % 4;
        if (!ParseHand(hands[h], deal.suits[seat], deal.known[seat], used, error)) {
            error = std::string(SeatName(seat)) + ": " + error;
            return false;
        }
    }
    return true;
}

class PbnParser {
public:
    PbnParser(std::string_view text, PbnFile& out, std::string& error)
        : m_text(text), m_out(out), m_error(error) {}

    bool Run()
    {
        if (m_text.substr(0, 3) == "\xEF\xBB\xBF")
            m_lines.SeekTo(3);
        while (!m_lines.Rest().empty()) {
            if (!Line())
                return false;
        }
        if (!EndGame())
            return false;
        if (m_out.deals.empty()) {
            m_error = "No deals were found in the hand records.";
            return false;
        }
        return true;
    }

private:
    // Reads one line (or the rest of a comment that spans lines).
    bool Line()
    {
        ++m_line;
        std::string_view line;
        m_lines.Next(line);

        if (!m_inComment && !line.empty() && line[0] == '%')
            return true;
        bool blank = true;
        for (size_t i = 0; i < line.size(); ++i) {
            const char c = line[i];
            if (m_inComment) {
                if (c == '}')
                    m_inComment = false;
                continue;
            }
            if (c == '{') {
                m_inComment = true;
                blank = false;
            } else if (c == ';') {
                blank = false;
                break;
            } else if (c == '[') {
                blank = false;
                if (!Tag(line, i))
                    return false;
            } else if (!std::isspace(static_cast<unsigned char>(c))) {
                blank = false;  // data of a table or an auction
            }
        }
        if (blank && !m_inComment)
            return EndGame();
        return true;
    }

    // [Name "value"]; i is at '[' and is left at ']'.
    bool Tag(std::string_view line, size_t& i)
    {
        size_t j = i + 1;
        while (j < line.size() && line[j] == ' ')
            ++j;
        const size_t nameStart = j;
        while (j < line.size() && (std::isalnum(static_cast<unsigned char>(line[j])) || line[j] == '_'))
            ++j;
        std::string name(line.substr(nameStart, j - nameStart));
        while (j < line.size() && line[j] == ' ')
            ++j;
        if (name.empty() || j >= line.size() || line[j] != '"')
            return Malformed();
        std::string value;
        for (++j; j < line.size() && line[j] != '"'; ++j) {
            if (line[j] == '\\' && j + 1 < line.size())
                ++j;
            value += line[j];
        }
        if (j >= line.size())
            return Malformed();
        ++j;
        while (j < line.size() && line[j] == ' ')
            ++j;
        if (j >= line.size() || line[j] != ']')
            return Malformed();
        i = j;

        name = ToUpperAscii(name);
        // A game that repeats its board or deal tag has ended without the
        // blank line that should close it.
        if ((name == "BOARD" || name == "DEAL") && m_game.tags.count(name) && !EndGame())
            return false;
        if (m_game.tags.empty())
            m_game.line = m_line;
        if (value == "#") {
            auto prev = m_previous.find(name);
            value = prev != m_previous.end() ? prev->second : std::string();
        }
        m_game.tags[name] = value;
        return true;
    }

    bool Malformed()
    {
        m_error = "Line " + std::to_string(m_line) + " of the hand records holds a malformed tag.";
        return false;
    }

    bool EndGame()
    {
        Game game = std::move(m_game);
        m_game = Game();
        if (game.tags.empty())
            return true;
        for (const auto& [name, value] : game.tags)
            m_previous[name] = value;
        auto event = game.tags.find("EVENT");
        if (m_out.event.empty() && event != game.tags.end())
            m_out.event = Trim(DecodeValue(event->second));
        auto dealTag = game.tags.find("DEAL");
        if (dealTag == game.tags.end() || Trim(dealTag->second).empty())
            return true;  // a game without cards (a header game, for example)

        PbnDeal deal;
        deal.line = game.line;
        auto board = game.tags.find("BOARD");
        if (board == game.tags.end() || !ParseBoardNumber(board->second, deal.board))
            deal.board = m_lastBoard + 1;
        m_lastBoard = deal.board;
        std::string why;
        if (!ParseDealTag(dealTag->second, deal, why)) {
            m_error = "Board " + std::to_string(deal.board) + " (line " + std::to_string(game.line) +
                      ") of the hand records has an invalid deal: " + why + ".";
            return false;
        }
        auto dealer = game.tags.find("DEALER");
        const std::string dealerText = dealer != game.tags.end() ? Trim(dealer->second) : std::string();
        deal.dealer = dealerText.size() == 1 && SeatOfLetter(dealerText[0]) >= 0
                          ? SeatOfLetter(dealerText[0]) : DealerOfBoard(deal.board);
        auto vul = game.tags.find("VULNERABLE");
        const int v = vul != game.tags.end() ? ParseVulnerable(vul->second) : -1;
        deal.vulnerable = v >= 0 ? v : VulnerabilityOfBoard(deal.board);
        m_out.deals.push_back(std::move(deal));
        return true;
    }

    std::string_view m_text;
    PbnFile& m_out;
    std::string& m_error;
    CLineSplitter m_lines{m_text, LineEnds::CrLf};
    int m_line = 0;
    bool m_inComment = false;
    int m_lastBoard = 0;
    Game m_game;
    std::map<std::string, std::string> m_previous;
};

}  // namespace

bool ReadPbn(std::string_view text, PbnFile& out, std::string& error)
{
    out = PbnFile();
    error.clear();
    PbnParser parser(text, out, error);
    if (parser.Run())
        return true;
    out = PbnFile();
    return false;
}

void SortDeals(std::vector<PbnDeal>& deals)
{
    std::stable_sort(deals.begin(), deals.end(),
                     [](const PbnDeal& a, const PbnDeal& b) { return a.board < b.board; });
}

CDealsByBoard::CDealsByBoard(const std::vector<PbnDeal>& deals)
{
    m_deals.reserve(deals.size());
    for (const PbnDeal& deal : deals)
        m_deals.emplace(deal.board, &deal);  // a repeated board keeps its first deal
}

const PbnDeal* CDealsByBoard::Find(int board) const
{
    const auto found = m_deals.find(board);
    return found == m_deals.end() ? nullptr : found->second;
}

const char* SeatName(int seat)
{
    static const char* const names[] = {"North", "East", "South", "West"};
    return seat >= 0 && seat < 4 ? names[seat] : "";
}

const char* VulnerabilityName(int vulnerable)
{
    static const char* const names[] = {"None", "N-S", "E-W", "Both"};
    return vulnerable >= 0 && vulnerable < 4 ? names[vulnerable] : "";
}

int DealerOfBoard(int board)
{
    return board > 0 ? (board - 1) % 4 : kNorth;
}

int VulnerabilityOfBoard(int board)
{
    static const int cycle[16] = {kVulNone, kVulNS, kVulEW, kVulAll, kVulNS, kVulEW, kVulAll, kVulNone,
                                  kVulEW, kVulAll, kVulNone, kVulNS, kVulAll, kVulNone, kVulNS, kVulEW};
    return board > 0 ? cycle[(board - 1) % 16] : kVulNone;
}
