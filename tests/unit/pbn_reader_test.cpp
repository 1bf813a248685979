#include <gtest/gtest.h>

#include <random>

#include "standin/pbn_reader.h"
#include "standin/score_text.h"

namespace {

// Written the way dealing programs write them: a header game without
// cards, comments of every kind, CR LF line ends, a "#" copy, a deal given
// from East, ten written as "10", and a game without Dealer and Vulnerable.
const char kPbn[] =
    "% PBN 2.1\r\n"
    "% EXPORT\r\n"
    "[Event \"Club Pairs\"]\r\n"
    "[Site \"Springfield\"]\r\n"
    "\r\n"
    "{ Deals for the Monday\r\n"
    "  afternoon game }\r\n"
    "[Event \"#\"]\r\n"
    "[Board \"1\"]\r\n"
    "[Dealer \"N\"]\r\n"
    "[Vulnerable \"None\"]\r\n"
    "[Deal \"N:A643.KJT8.92.AK3 2.653.QJT7.T9842 KQ97.Q9.AK54.J75 JT85.A742.863.Q6\"]\r\n"
    "[OptimumResultTable \"Declarer;Denomination\\2R;Result\\2R\"]\r\n"
    "N NT 9\r\n"
    "S  S 10 ; a note\r\n"
    "\r\n"
    "[Board \"2\"] [Dealer \"E\"] [Vulnerable \"NS\"]\r\n"
    "[Deal \"E:Q7.K3.AQ2.965432 9543.QJ984.83.J7 JT.A7.KJ9654.A108 AK862.T652.T7.KQ\"]\r\n"
    "\r\n"
    "[Board \"12\"]\r\n"
    "[Deal \"N:A3.J76.K7.AKT654 Q62.AKQ42.A865.3 K8754.53.J932.87 JT9.T98.QT4.QJ92\"]\r\n";

}  // namespace

TEST(PbnReader, ReadsDealsAsDealingProgramsWriteThem)
{
    PbnFile file;
    std::string error;
    ASSERT_TRUE(ReadPbn(kPbn, file, error)) << error;
    EXPECT_EQ(file.event, "Club Pairs");
    ASSERT_EQ(file.deals.size(), 3u);

    const PbnDeal& one = file.deals[0];
    EXPECT_EQ(one.board, 1);
    EXPECT_EQ(one.suits[kEast][3], "T9842");

    // Given from East: the fourth hand is North's; "108" is ten and eight.
    const PbnDeal& two = file.deals[1];
    EXPECT_EQ(two.dealer, kEast);
    EXPECT_EQ(two.suits[kWest][3], "AT8");
    EXPECT_EQ(two.suits[kNorth][0], "AK862");

    // Board 12 without Dealer and Vulnerable: West deals, N-S vulnerable.
    EXPECT_EQ(file.deals[2].dealer, kWest);
    EXPECT_EQ(file.deals[2].vulnerable, kVulNS);
    for (int board : {1, 17})  // the cycle of sixteen boards
        EXPECT_EQ(VulnerabilityOfBoard(board), kVulNone);
    EXPECT_EQ(VulnerabilityOfBoard(16), kVulEW);
}

TEST(PbnReader, UnknownHandsAndGamesWithoutBlankLines)
{
    PbnFile file;
    std::string error;
    ASSERT_TRUE(ReadPbn("[Board \"3\"]\n[Deal \"S:- K8754.53.J932.87 - -\"]\n"
                        "[Board \"4\"]\n[Deal \"N:T7.AT65.KQ.T7654 KQ984.K83..QJ983 J62.Q72.JT8752.K A53.J94.A9643.A2\"]\n",
                        file, error)) << error;
    ASSERT_EQ(file.deals.size(), 2u);
    EXPECT_FALSE(file.deals[0].known[kSouth]);
    EXPECT_EQ(file.deals[0].suits[kWest][0], "K8754");  // given second from South
    EXPECT_EQ(file.deals[1].suits[kEast][2], "");       // a void
}

TEST(PbnReader, BadInputGivesAMessageNotACrash)
{
    const std::pair<const char*, const char*> cases[] = {
        {"just some text\nwith no tags\n", "No deals"},
        {"[Board \"1\"\n", "malformed tag"},
        {"\n\n[Board \"5\"]\n[Deal \"N:AKQJT9876543... - - -\"]\n", "Board 5 (line 3)"},  // 12 cards
        {"[Deal \"N:AKQJT98765432... AKQ.JT98765432.. - -\"]\n", "dealt twice"},
        {"[Deal \"N:AKQJT9876543X... - - -\"]\n", "not a card"},
        {"[Deal \"N:AKQJT98765432... - -\"]\n", "four hands"},
    };
    for (const auto& [text, message] : cases) {
        PbnFile file;
        std::string error;
        EXPECT_FALSE(ReadPbn(text, file, error)) << text;
        EXPECT_NE(error.find(message), std::string::npos) << text << " -> " << error;
        EXPECT_TRUE(file.deals.empty());
    }

    // Random bytes, and a real file cut at every length.
    std::mt19937 random(12345);
    const std::string alphabet = "[]\"{}%;\\\r\n NESW:.AKQT2-#";
    for (int round = 0; round < 300; ++round) {
        std::string junk(random() % 400, '\0');
        for (char& c : junk)
            c = static_cast<char>(alphabet[random() % alphabet.size()] ^ (random() % 8 == 0 ? 0x80 : 0));
        PbnFile file;
        std::string error;
        if (!ReadPbn(junk, file, error)) {
            EXPECT_FALSE(error.empty());
        }
    }
    const std::string whole = kPbn;
    for (size_t n = 0; n <= whole.size(); ++n) {
        PbnFile file;
        std::string error;
        ReadPbn(whole.substr(0, n), file, error);
    }
}

TEST(ScoreText, BoardsNamedByTheResults)
{
    const char text[] =
        " Board 3\n"
        "Bd: 12   NS  EW\n"
        "BOARD.7\n"
        "Board 3\n"
        "Boards played 24\n"
        "Board 12x\n"
        "  Pair 5 Board 9\n"
        "Bd 4\n";
    EXPECT_EQ(FindScoreBoards(text), (std::vector<int>{3, 4, 7, 12}));
    std::vector<PbnDeal> deals(2);
    deals[0].board = 4;
    deals[1].board = 12;
    EXPECT_EQ(FindBoardsWithoutDeals(text, deals), (std::vector<int>{3, 7}));
}
