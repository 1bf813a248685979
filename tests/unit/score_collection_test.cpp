// The Upload History collection and its digest index.
#include <gtest/gtest.h>

#include <string>

#include "platform/archive.h"
#include "platform/exceptions.h"
#include "platform/text_helpers.h"
#include "posting/score_file_collection.h"

namespace {

CScoreFile Record(const std::string& content, const std::string& webName = {}, int32_t insert = 0)
{
    CScoreFile f;
    f.SetPath("/scores/" + content + ".txt");
    f.SetDigest(Sha256Of(content.data(), content.size()));
    f.SetPosted(webName, insert);
    return f;
}

}  // namespace

TEST(ScoreCollection, LookupAddRemoveAndDuplicateDigests)
{
    CColScoreFile history;
    EXPECT_EQ(history.Lookup(Record("a")), nullptr);

    history.Add(Record("a"));
    history.Add(Record("b"));
    CScoreFile secondA = Record("a");
    secondA.SetPath("/scores/copy-of-a.txt");
    history.Add(secondA);
    ASSERT_EQ(history.GetCount(), 3);

    // The later of two equal digests wins; removing it uncovers the other.
    ASSERT_NE(history.Lookup(Record("a")), nullptr);
    EXPECT_EQ(history.Lookup(Record("a"))->GetPath(), "/scores/copy-of-a.txt");
    history.Remove(history.Lookup(Record("a")));
    EXPECT_EQ(history.Lookup(Record("a"))->GetPath(), "/scores/a.txt");

    // Removing by index moves the later records down.
    history.RemoveAt(0);
    EXPECT_EQ(history.Lookup(Record("a")), nullptr);
    EXPECT_EQ(history.Lookup(Record("b")), &history.ElementAt(0));

    // Adding keeps a valid index up to date without a rebuild.
    history.Add(Record("c"));
    EXPECT_EQ(history.Lookup(Record("c")), &history.ElementAt(1));

    EXPECT_THROW(history.ElementAt(2), CInvalidArgException);
    CScoreFile stranger;
    EXPECT_THROW(history.Remove(&stranger), CInvalidArgException);
    history.RemoveAll();
    EXPECT_EQ(history.Lookup(Record("b")), nullptr);
}

TEST(ScoreCollection, AddOrReplaceByDestination)
{
    CColScoreFile history;
    history.AddOrReplace(Record("v1", "2023/Pairs.htm", 0));
    history.AddOrReplace(Record("other", "2023/Other.htm", 0));
    // The same destination written in other letter case: replaced in place.
    history.AddOrReplace(Record("v2", "2023/PAIRS.htm", 0));
    ASSERT_EQ(history.GetCount(), 2);
    EXPECT_EQ(history.ElementAt(0).GetPath(), "/scores/v2.txt");
    EXPECT_EQ(history.Lookup(Record("v1")), nullptr);
    EXPECT_EQ(history.Lookup(Record("v2")), &history.ElementAt(0));
    // Another insert number is another destination.
    history.AddOrReplace(Record("v3", "2023/Pairs.htm", 1));
    EXPECT_EQ(history.GetCount(), 3);
}

TEST(ScoreCollection, ReplacingKeepsTheEntryOfAnotherRecordWithTheSameDigest)
{
    // Two destinations received the same results; re-posting one of them
    // must not make the other unknown.
    CColScoreFile history;
    history.Add(Record("same", "first.htm"));
    history.Add(Record("same", "second.htm"));
    ASSERT_NE(history.Lookup(Record("same")), nullptr);  // index valid now

    history.AddOrReplace(Record("new", "second.htm"));
    ASSERT_NE(history.Lookup(Record("same")), nullptr);
    EXPECT_EQ(history.Lookup(Record("same"))->GetWebName(), "first.htm");
    EXPECT_EQ(history.Lookup(Record("new"))->GetWebName(), "second.htm");

    history.AddOrReplace(Record("newer", "first.htm"));
    EXPECT_EQ(history.Lookup(Record("same")), nullptr);
    EXPECT_NE(history.Lookup(Record("newer")), nullptr);
}

TEST(ScoreCollection, TheIndexGrowsWithTheRecords)
{
    CColScoreFile history;
    for (int i = 0; i < 1000; ++i)
        history.Add(Record("r" + std::to_string(i)));
    history.SetSize(1000);  // marks the index for rebuilding
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(history.Lookup(Record("r" + std::to_string(i))), &history.ElementAt(i)) << i;
    EXPECT_GT(history.GetIndexTableSize(), 1000u);
}

TEST(ScoreCollection, StoreLoadAndAssign)
{
    CColScoreFile history;
    for (int i = 0; i < 5; ++i)
        history.Add(Record("g" + std::to_string(i), "p" + std::to_string(i) + ".htm", i));
    history.ElementAt(2).SetHidden(true);
    CArchive out;
    history.Serialize(out);

    CColScoreFile loaded;
    for (int i = 0; i < 6; ++i)
        loaded.Add(Record("stale" + std::to_string(i)));
    loaded.RebuildIndex();
    CArchive in(out.GetBytes(), "ProgramData.bin");
    loaded.Serialize(in);
    ASSERT_EQ(loaded.GetCount(), 5);
    EXPECT_EQ(loaded.Lookup(Record("stale5")), nullptr) << "records beyond the stored count are gone";
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(loaded.ElementAt(i).GetWebName(), "p" + std::to_string(i) + ".htm");
        EXPECT_EQ(loaded.Lookup(Record("g" + std::to_string(i))), &loaded.ElementAt(i));
    }
    EXPECT_EQ(loaded.ElementAt(2).IsHidden(), 1);

    CColScoreFile copy;
    copy = loaded;
    EXPECT_EQ(copy.Lookup(Record("g3"))->GetWebName(), "p3.htm");

    // An empty collection is the two bytes of its count.
    CArchive emptyOut;
    CColScoreFile().Serialize(emptyOut);
    EXPECT_EQ(emptyOut.GetBytes(), (std::vector<uint8_t>{0, 0}));
}

TEST(ScoreCollection, DamagedStreamsThrowWithoutHugeAllocations)
{
    // A count far beyond what the bytes can hold.
    CArchive huge;
    huge.WriteU16(0xFFFF);
    huge.WriteU32(0xFFFFFFF0u);
    CColScoreFile history;
    CArchive in(huge.GetBytes(), "ProgramData.bin");
    EXPECT_THROW(history.Serialize(in), CArchiveException);
    EXPECT_EQ(history.GetCount(), 0);

    // A count of three with one record: the stream ends inside the second.
    CArchive out;
    out.WriteCount(3);
    CScoreFile one = Record("x");
    one.Serialize(out);
    std::vector<uint8_t> bytes = out.GetBytes();
    bytes.resize(bytes.size() + 100, 0);
    CArchive shortIn(bytes, "ProgramData.bin");
    EXPECT_THROW(history.Serialize(shortIn), CArchiveException);
}


// Random adds, replacements, removals, assignments and loads against a
// plain scan of the records: the destination index always finds the first
// record with the destination, in any letter case, or appends.
TEST(ScoreCollection, DestinationsStayFoundThroughEveryKindOfChange)
{
    const char* names[] = {"a.htm", "A.HTM", "b.htm", "2023/c.htm", "2023/C.htm", ""};
    auto firstWith = [](const CColScoreFile& c, const CScoreFile& r) -> int64_t {
        for (int64_t i = 0; i < c.GetCount(); ++i)
            if (c[i].GetInsertNumber() == r.GetInsertNumber() && EqualsNoCase(c[i].GetWebName(), r.GetWebName()))
                return i;
        return -1;
    };
    CColScoreFile history;
    unsigned seed = 7;
    auto next = [&seed](unsigned n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % n;
    };
    for (int step = 0; step < 3000; ++step) {
        SCOPED_TRACE(step);
        const CScoreFile record = Record("c" + std::to_string(step), names[next(6)], static_cast<int32_t>(next(2)));
        switch (next(8)) {
        case 0:
            history.Add(record);  // may add a second record with a destination
            break;
        case 1:
            if (history.GetCount() > 0)
                history.RemoveAt(next(static_cast<unsigned>(history.GetCount())));
            break;
        case 2: {
            CColScoreFile copy(history);
            history.RemoveAll();
            history = copy;
            break;
        }
        case 3: {
            CArchive out("history");
            history.Serialize(out);
            CArchive in(std::vector<uint8_t>(out.GetBytes()), "history");
            history.Serialize(in);
            break;
        }
        default: {
            const int64_t expected = firstWith(history, record);
            const int64_t count = history.GetCount();
            history.AddOrReplace(record);
            const int64_t at = expected >= 0 ? expected : count;
            ASSERT_EQ(history.GetCount(), expected >= 0 ? count : count + 1);
            ASSERT_EQ(history[at].GetPath(), record.GetPath());
            ASSERT_EQ(history.Lookup(record), &history[at]);
        }
        }
    }
}
