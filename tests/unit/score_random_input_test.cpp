// Random and damaged input for the parser and the history reader: they must
// end in a result or CArchiveException, never a crash or a runaway
// allocation (the sanitizer build checks the memory side). Bounded to run
// in well under a second.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/archive.h"
#include "platform/exceptions.h"
#include "posting/score_file_collection.h"
#include "support/score_samples.h"

namespace {

const char* const kFragments[] = {
    "EVENT>", "SESSION>", "SECTION>", "DATE>", "MP LIMITS>", "&gt;", "|", " Session ",
    " Tuesday Aft Session ", "Section ", "Section  A", "Sep 5, 2023", "Feb 30, 2023",
    "\r\n", "\n", "\r", "\xEF\xBB\xBF", "\xC3\xA9", "\xE9", "\xFF",
    "\xF0\x9F\x82\xA1", "\xED\xA0\x80", " ", "AA", "None",
};

// Fragments and random bytes strung together.
std::string RandomText(std::mt19937& rng)
{
    std::string s;
    for (int i = static_cast<int>(rng() % 40); i > 0; --i)
        s += rng() % 2 ? std::string(kFragments[rng() % (sizeof kFragments / sizeof kFragments[0])])
                       : std::string(1, static_cast<char>(rng()));
    return s;
}

// A sample with bytes changed, cut out or put in.
std::string Mutate(std::string s, std::mt19937& rng)
{
    for (int i = 1 + static_cast<int>(rng() % 8); i > 0 && !s.empty(); --i) {
        const size_t at = rng() % s.size();
        switch (rng() % 3) {
        case 0: s[at] = static_cast<char>(rng()); break;
        case 1: s.erase(at, 1 + rng() % 4); break;
        default: s.insert(at, 1, static_cast<char>(rng())); break;
        }
    }
    return s;
}

}  // namespace

TEST(ScoreRandomInput, ParserTakesAnyBytes)
{
    std::mt19937 rng(20230905);
    const std::string seeds[] = {samples::TuesdayPairs(), samples::WednesdayTwoEvents(),
                                 samples::ThursdayEventSessionLine()};
    for (int round = 0; round < 20000; ++round) {
        const std::string text = (round % 2) ? RandomText(rng) : Mutate(seeds[round % 3], rng);
        CScoreFile f;
        f.SetPath((round % 5) ? "/s/230905a.txt" : "/s/game.aca");
        f.SetContent(text);
        if (round % 7 == 0)
            f.SetFlags(f.GetFlags() | SFF_BINARY);
        ASSERT_EQ(f.Parse(true), 1);
        // Whatever was read must be usable by the derived descriptors.
        f.GetSection();
        f.GetSessionTimeIndex();
        f.GetFileCode();
        std::string key;
        f.GetKey(false, &key);
    }
}

TEST(ScoreRandomInput, HistoryReaderTakesAnyBytes)
{
    std::mt19937 rng(1700000000);
    CColScoreFile history;
    for (int i = 0; i < 4; ++i) {
        CScoreFile f;
        f.SetPath("/s/" + std::to_string(i) + ".txt");
        f.SetContent(samples::TuesdayPairs());
        f.Parse(true);
        f.SetPosted("p" + std::to_string(i) + ".htm", i);
        history.Add(f);
    }
    CArchive out;
    history.Serialize(out);
    const std::vector<uint8_t> good = out.GetBytes();

    int thrown = 0;
    for (int round = 0; round < 10000; ++round) {
        std::vector<uint8_t> bytes = good;
        if (round % 3 == 0) {
            bytes.resize(rng() % (good.size() + 1));
        } else {
            const int edits = 1 + static_cast<int>(rng() % 6);
            for (int e = 0; e < edits; ++e)
                bytes[rng() % bytes.size()] = static_cast<uint8_t>(rng());
        }
        CArchive in(bytes, "ProgramData.bin");
        in.SetRecordVersion(static_cast<int>(round % 2));
        CColScoreFile loaded;
        try {
            loaded.Serialize(in);
            // What loaded must be searchable.
            for (int64_t i = 0; i < loaded.GetCount(); ++i)
                ASSERT_NE(loaded.Lookup(loaded.ElementAt(i)), nullptr);
        } catch (const CArchiveException&) {
            ++thrown;
        }
    }
    EXPECT_GT(thrown, 0);
}
