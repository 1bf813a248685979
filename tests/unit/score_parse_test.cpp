// Reading descriptors, digests, dates and keys from score-file text.
#include <gtest/gtest.h>

#include <tuple>

#include "platform/date_helpers.h"
#include "posting/score_file.h"
#include "support/score_samples.h"
#include "support/test_app.h"
#include "support/time_zone.h"

namespace {

struct Descriptors {
    std::string event, session, section, date, limits;
};

Descriptors ParseText(const std::string& text, CHash256* digest = nullptr, int64_t* date = nullptr)
{
    CScoreFile f;
    f.SetPath("/scores/game.txt");
    f.SetContent(text);
    EXPECT_EQ(f.Parse(true), 1);
    if (digest)
        *digest = f.GetDigest();
    if (date)
        *date = f.GetSessionDate();
    return {f.GetDescriptor(SFD_EVENT), f.GetDescriptor(SFD_SESSION), f.GetDescriptor(SFD_SECTION),
            f.GetDescriptor(SFD_DATE), f.GetDescriptor(SFD_MP_LIMITS)};
}

CHash256 DigestOf(const std::string& s)
{
    return Sha256Of(s.data(), s.size());
}

}  // namespace

TEST(ScoreParse, SampleFilesInTheirThreeShapes)
{
    int64_t date = 0;
    Descriptors d = ParseText(samples::TuesdayPairs(), nullptr, &date);
    // Trailing blanks before the bar go.
    EXPECT_EQ(d.event + "|" + d.session + "|" + d.section + "|" + d.date + "|" + d.limits,
              "Tuesday Pairs|Tuesday Aft|A|Sep 5, 2023|0-750");
    EXPECT_EQ(date, LocalMidnight(2023, 9, 5));

    d = ParseText(samples::WednesdayTwoEvents(), nullptr, &date);
    EXPECT_EQ(d.event, "Open Pairs") << "the first event's keywords win";
    EXPECT_EQ(d.section, " AB") << "leading white space stays";
    EXPECT_EQ(d.limits, "None");
    EXPECT_EQ(date, LocalMidnight(2023, 9, 6));

    d = ParseText(samples::ThursdayEventSessionLine(), nullptr, &date);
    EXPECT_EQ(d.event + "|" + d.session + "|" + d.section + "|" + d.date + "|" + d.limits,
              "Club Championship|Thursday Morn|AA|September 7, 2023|");
    EXPECT_EQ(date, LocalMidnight(2023, 9, 7));

    d = ParseText(samples::NoKeywords(), nullptr, &date);
    EXPECT_EQ(d.event + d.session + d.section + d.date + d.limits, "");
    EXPECT_EQ(date, 0);
}

TEST(ScoreParse, KeywordLineRules)
{
    Descriptors d = ParseText("x EVENT>Club Pairs  |SESSION>Tuesday Aft\n");
    EXPECT_EQ(d.event, "Club Pairs");
    EXPECT_EQ(d.session, "Tuesday Aft");

    // A keyword line first: a later event/session line is not an old-style line.
    d = ParseText("MP LIMITS>NLM\nBig Game Tuesday Aft Session Sep 5, 2023\nSection A\n");
    EXPECT_EQ(d.event, "");
    EXPECT_EQ(d.section, "");
    EXPECT_EQ(d.limits, "NLM");

    // Only the one line after an event/session line is searched for "Section".
    d = ParseText("Big Game Tuesday Aft Session Sep 5, 2023\nNorth-South\nSection B\nSECTION>C\n");
    EXPECT_EQ(d.event, "Big Game");
    EXPECT_EQ(d.section, "");

    // Weekday and session names are cut to 13 characters in the pattern.
    d = ParseText("Pairs Wednesday Mor Session Sep 6, 2023\n");
    EXPECT_EQ(d.session, "Wednesday Morn");
    d = ParseText("Pairs Wednesday Morn Session Sep 6, 2023\n");
    EXPECT_EQ(d.session, "") << "Wednesday Morn is longer than the pattern holds";
}

// The digest covers the lines without their ends, in the form stored
// histories hold: UTF-8 text converted to Windows-1252; bytes that are not
// UTF-8, the byte-order mark and characters outside Windows-1252 as '?'.
TEST(ScoreParse, DigestCoversLinesWithoutLineEndsInTheHistoryForm)
{
    const std::string utf8 = "EVENT>Caf\xC3\xA9 Pairs \xE2\x80\x93 Open\nNames: Zo\xC3\xAB\n";
    const std::pair<std::string, std::string> cases[] = {
        {"EVENT>A\nline two\n", "EVENT>Aline two"},
        {"EVENT>A\r\nline two\r\n", "EVENT>Aline two"},
        {"EVENT>A\rline two", "EVENT>Aline two"},
        {"EVENT>A \nline two\n", "EVENT>A line two"},  // a trailing blank is content
        {"EVENT&gt;A\n", "EVENT&gt;A"},
        {std::string("one\ntwo\0three\n", 14), "onetwo"},  // reading stops at a NUL
        {"EVENT>Caf\xE9 Pairs \x96 Open\nNames: Zo\xEB\n", "EVENT>Caf? Pairs ? OpenNames: Zo?"},
        {utf8, "EVENT>Caf\xE9 Pairs \x96 OpenNames: Zo\xEB"},
        {"\xEF\xBB\xBF" + utf8, "?EVENT>Caf\xE9 Pairs \x96 OpenNames: Zo\xEB"},
        {"EVENT>\xE2\x99\xA0 Spades\n", "EVENT>? Spades"},
    };
    for (const auto& [text, hashed] : cases) {
        CHash256 digest;
        ParseText(text, &digest);
        EXPECT_EQ(digest, DigestOf(hashed)) << text;
    }
    // Windows-1252, UTF-8 and UTF-8 after a byte-order mark read alike.
    for (const std::string& text : {std::string("EVENT>Caf\xE9 Pairs \x96 Open\n"), utf8, "\xEF\xBB\xBF" + utf8})
        EXPECT_EQ(ParseText(text).event, "Caf\xC3\xA9 Pairs \xE2\x80\x93 Open");

    // Without hash the digest stays as it was.
    CScoreFile f;
    f.SetContent("EVENT>A\n");
    EXPECT_EQ(f.Parse(false), 1);
    EXPECT_TRUE(f.GetDigest().IsZero());
}

TEST(ScoreParse, DatesFromTheDateDescriptor)
{
    struct Case {
        const char* text;
        int year, month, day;  // year 0: no date
    } cases[] = {
        {"Sep 5, 2023", 2023, 9, 5},
        {" SEPTEMBER 5,2023", 2023, 9, 5},  // a blank after the keyword
        {"5 Sep 2023", 0, 0, 0},            // the month must come first
        {"Sep 5, 1969", 0, 0, 0},
        {"Sep 5", 0, 0, 0},
        {"Feb 30, 2023", 0, 0, 0},          // impossible dates are not dates
        {"Feb 29, 2023", 0, 0, 0},
        {"Feb 29, 2024", 2024, 2, 29},
    };
    for (const Case& c : cases) {
        CScoreFile f;
        f.SetDescriptor(SFD_DATE, c.text);
        f.SetSessionDate(123);
        const int result = f.ParseDate();
        if (c.year) {
            EXPECT_EQ(result, 1) << c.text;
            EXPECT_EQ(f.GetSessionDate(), LocalMidnight(c.year, c.month, c.day)) << c.text;
        } else {
            EXPECT_EQ(result, 0) << c.text;
            EXPECT_EQ(f.GetSessionDate(), 123) << c.text << ": a failed parse keeps the date";
        }
    }
}

TEST(ScoreParse, SessionDateIsLocalMidnightUnderTheZoneInForce)
{
    CTimeZoneGuard zone("America/Chicago");
    CScoreFile f;
    f.SetDescriptor(SFD_DATE, "Jul 4, 2023");
    EXPECT_EQ(f.ParseDate(), 1);
    EXPECT_EQ(f.GetSessionDate(), 1688446800);  // 2023-07-04 05:00 UTC (CDT)
}

class ScoreIdentify : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        clock.now = LocalMidnight(2026, 3, 1);
        app->SetClock(&clock);
    }
    CFixedClock clock;
};

TEST_F(ScoreIdentify, DatesAndTimesFromFileNames)
{
    struct Case {
        const char* name;
        int year, month, day, index;
    } cases[] = {
        {"230905a.txt", 2023, 9, 5, 1},
        {"270101E.txt", 1927, 1, 1, 2},   // years after the clock's are the last century
        {"20230905.ACE", 2023, 9, 5, 2},  // the game-file type wins
        {"230230a.txt", 0, 0, 0, -1},     // no such day: no time either
        {"231305a.txt", 0, 0, 0, -1},     // nor month
        {"230005a.txt", 0, 0, 0, -1},
        {"20231305.ACE", 0, 0, 0, -1},
        {"2309051.txt", 0, 0, 0, -1},
    };
    for (const Case& c : cases) {
        CScoreFile f;
        f.SetPath(std::string("/s/") + c.name);
        int64_t date = -5;
        int index = -5;
        f.GetDateFromFileName(&date, &index);
        EXPECT_EQ(date, c.year ? LocalMidnight(c.year, c.month, c.day) : 0) << c.name;
        EXPECT_EQ(index, c.index) << c.name;
    }
}

TEST_F(ScoreIdentify, KeysOfCompleteRecords)
{
    CScoreFile f;
    f.SetPath("/s/game.txt");
    f.SetDescriptor(SFD_EVENT, "Pairs");
    f.SetDescriptor(SFD_SESSION, "Tuesday Aft");
    f.SetDescriptor(SFD_DATE, "Sep 5, 2023");
    f.ParseDate();
    EXPECT_EQ(f.GetFileCode(), "230905A");
    // " None" as read from "MP LIMITS> None": the blank is no part of the limit.
    std::string key;
    for (auto [limits, section, expected] : {std::tuple<const char*, const char*, const char*>{"None", " AB", "20230905anab"},
                                             {"0-299", " AB", "20230905a0ab"}, {"NLM", "", "20230905anlm"},
                                             {" None", "", "20230905an"}}) {
        f.SetDescriptor(SFD_MP_LIMITS, limits);
        f.SetDescriptor(SFD_SECTION, section);
        EXPECT_EQ(f.GetKey(false, &key), CScoreFile::KeyResult::Complete);
        EXPECT_EQ(key, expected);
    }

    // Limits are needed for a key only.
    f.SetDescriptor(SFD_MP_LIMITS, "");
    EXPECT_EQ(f.GetKey(false, &key), CScoreFile::KeyResult::Incomplete);
    EXPECT_EQ(f.GetKey(false, nullptr), CScoreFile::KeyResult::Complete);
    f.SetDescriptor(SFD_EVENT, "   ");
    EXPECT_EQ(f.GetKey(false, nullptr), CScoreFile::KeyResult::Incomplete);
    EXPECT_TRUE(prompter.Shown().empty());
}

TEST_F(ScoreIdentify, IncompleteRecordsAskTheUser)
{
    // 30 February: no session date, so the user is asked.
    CScoreFile f;
    f.SetPath("/s/game.txt");
    f.SetContent("EVENT>Pairs\nDATE>Feb 30, 2023\nSESSION>Tuesday Aft\nMP LIMITS>None\n");
    ASSERT_EQ(f.Parse(true), 1);
    EXPECT_EQ(f.GetSessionDate(), 0);

    std::string key;
    prompter.identifyResult = IdentifyResult::Cancel;
    EXPECT_EQ(f.GetKey(true, &key), CScoreFile::KeyResult::Cancelled);
    ASSERT_EQ(prompter.Shown().size(), 1u);
    EXPECT_EQ(prompter.Shown()[0].kind, "identify");

    prompter.identifyResult = IdentifyResult::Skip;
    EXPECT_EQ(f.GetKey(true, &key), CScoreFile::KeyResult::Incomplete);
    EXPECT_EQ(f.IsPost(), 0);

    prompter.identifyResult = IdentifyResult::Ok;
    prompter.identifyAnswer.event = "Pairs";
    prompter.identifyAnswer.sessionDate = LocalMidnight(2023, 9, 6);
    prompter.identifyAnswer.sessionTimeIndex = 0;
    prompter.identifyAnswer.mpLimits = "0-299";
    prompter.identifyAnswer.section = "b";
    EXPECT_EQ(f.GetKey(true, &key), CScoreFile::KeyResult::Complete);
    EXPECT_EQ(key, "20230906m0b");
    EXPECT_EQ(f.GetDescriptor(SFD_DATE), "September 6, 2023");
    EXPECT_EQ(f.GetDescriptor(SFD_SESSION), "Wednesday Mor");
    EXPECT_EQ(f.GetDescriptor(SFD_SECTION), "B");

    // An answer that leaves the record as incomplete as before ends the
    // questions instead of asking for ever.
    CScoreFile g;
    g.SetPath("/s/other.txt");
    g.SetContent("nothing\n");
    prompter.identifyAnswer = IdentifyAnswer{};
    EXPECT_EQ(g.GetKey(true, &key), CScoreFile::KeyResult::Incomplete);
}
