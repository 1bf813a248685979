#include <gtest/gtest.h>

#include <random>

#include "platform/archive.h"

namespace {

std::vector<uint8_t> Bytes(std::initializer_list<int> v)
{
    return std::vector<uint8_t>(v.begin(), v.end());
}

}  // namespace

TEST(Archive, NumbersAndStringsRoundTripInTheirStoredForms)
{
    // Strings of length 0 and 254 (one-byte length), 255 (0xFF escape, 16-bit
    // length), 70000 (32-bit length) and text outside Latin-1 (UTF-16).
    const std::string text = "Ostervale \xE2\x80\x94 J\xC3\xBCrgen \xE6\x9D\xB1\xE4\xBA\xAC \xF0\x9F\x82\xA1";
    const std::string strings[] = {"", std::string(254, 'a'), std::string(255, 'b'), std::string(70000, 'x'), text};
    CArchive out;
    out.WriteU32(0x12345678u);
    out.WriteTime(-86400);
    for (const std::string& s : strings)
        out.WriteString(s);
    const auto& b = out.GetBytes();
    EXPECT_EQ(std::vector<uint8_t>(b.begin(), b.begin() + 4), Bytes({0x78, 0x56, 0x34, 0x12}));
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + 12, b.begin() + 16), Bytes({0xFF, 0xFE, 0xFF, 0x00}));
    EXPECT_EQ(b[16 + 3], 254);
    const size_t third = 16 + 4 + 2 * 254;
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + third, b.begin() + third + 6), Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0x00}));
    const size_t fourth = third + 6 + 2 * 255;
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + fourth, b.begin() + fourth + 6), Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF}));
    CArchive in(out.GetBytes(), "test.bin");
    EXPECT_EQ(in.ReadU32(), 0x12345678u);
    EXPECT_EQ(in.ReadTime(), -86400);
    for (const std::string& s : strings)
        EXPECT_EQ(in.ReadString(), s);
    EXPECT_EQ(in.Remaining(), 0u);
    EXPECT_THROW(in.ReadU8(), CArchiveException);

    // Eight-bit strings of older files are Windows-1252.
    CArchive old(Bytes({3, 0x80, 'a', 0xE9}), "old.qsu");
    EXPECT_EQ(old.ReadString(), "\xE2\x82\xAC" "a\xC3\xA9");
}

TEST(Archive, DamagedLengthsAndCountsThrowInsteadOfAllocating)
{
    // Counts use the escape at 0xFFFF; neither count fits in the bytes left.
    CArchive counts;
    counts.WriteCount(0xFFFE);
    counts.WriteCount(0xFFFF);
    EXPECT_EQ(counts.GetBytes(), Bytes({0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0}));
    CArchive in(counts.GetBytes(), "bad");
    EXPECT_THROW(in.ReadCount(1), CArchiveException);
    CArchive again(counts.GetBytes(), "bad");
    again.ReadU16();
    EXPECT_THROW(again.ReadCount(1), CArchiveException);

    // A wide string claiming 0xFFFFFFFE units, a 64-bit length escape.
    for (const auto& bytes : {Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 'a', 0}),
                              Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3, 4, 5, 6, 7, 8})}) {
        CArchive huge(bytes, "bad");
        EXPECT_THROW(huge.ReadString(), CArchiveException);
    }
    // A string cut short by one byte.
    CArchive cut(Bytes({0xFF, 0xFE, 0xFF, 2, 'a', 0, 'b'}), "bad");
    try {
        cut.ReadString();
        FAIL() << "no exception";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::endOfFile);
        EXPECT_EQ(e.m_strFileName, "bad");
    }
}

TEST(Archive, RandomBytesNeverCrashTheReader)
{
    std::mt19937 rng(12345);
    for (int round = 0; round < 20000; ++round) {
        std::vector<uint8_t> junk(rng() % 64);
        for (auto& b : junk)
            b = static_cast<uint8_t>(rng() % 4 == 0 ? 0xFF : rng());
        CArchive in(junk, "junk");
        try {
            for (int i = 0; i < 8; ++i) {
                switch (rng() % 4) {
                case 0: in.ReadString(); break;
                case 1: in.ReadCount(4); break;
                case 2: in.ReadU32(); break;
                default: in.ReadTime(); break;
                }
            }
        } catch (const CArchiveException&) {
        }
    }
}
