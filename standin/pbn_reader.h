// Reads the deals of a hand-record file in PBN form: the [Board],
// [Dealer], [Vulnerable] and [Deal] tags of each game. Other tags, the
// data lines of tables and auctions, "%" lines and {...} and ";" comments
// are passed over; CR LF and LF line ends both work.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

enum Seat { kNorth = 0, kEast = 1, kSouth = 2, kWest = 3 };
enum Vulnerability { kVulNone = 0, kVulNS = 1, kVulEW = 2, kVulAll = 3 };

struct PbnDeal {
    int board = 0;
    int dealer = kNorth;
    int vulnerable = kVulNone;
    // Per seat (North first): whether the hand is given, and its ranks per
    // suit (spades, hearts, diamonds, clubs) from high to low, ten as 'T'.
    std::array<bool, 4> known{};
    std::array<std::array<std::string, 4>, 4> suits;
    int line = 0;  // where the game's tags start, for messages
};

struct PbnFile {
    std::string event;  // the first [Event] given, UTF-8
    std::vector<PbnDeal> deals;
};

// Parses the text of a PBN file. False with a message in error when a tag
// is malformed, a deal is not a valid deal, or the text holds no deal.
bool ReadPbn(std::string_view text, PbnFile& out, std::string& error);

// Puts the deals in board order (equal numbers keep their order).
void SortDeals(std::vector<PbnDeal>& deals);

// The deals of a file by board number, indexed once so that a score text
// naming every board many times costs one lookup per line. It points into
// the deals it was made from, which must outlive it unchanged.
class CDealsByBoard {
public:
    explicit CDealsByBoard(const std::vector<PbnDeal>& deals);
    // The first deal of the board, or null.
    const PbnDeal* Find(int board) const;

private:
    std::unordered_map<int, const PbnDeal*> m_deals;
};

// "North", "East", "South", "West".
const char* SeatName(int seat);
// "None", "N-S", "E-W", "Both".
const char* VulnerabilityName(int vulnerable);
// Dealer and vulnerability of a board number in the usual 16-board cycle.
int DealerOfBoard(int board);
int VulnerabilityOfBoard(int board);
