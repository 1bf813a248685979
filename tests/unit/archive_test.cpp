#include <gtest/gtest.h>

#include <random>

#include "platform/archive.h"

namespace {

std::vector<uint8_t> Bytes(std::initializer_list<int> v)
{
    std::vector<uint8_t> out;
    for (int b : v)
        out.push_back(static_cast<uint8_t>(b));
    return out;
}

CArchive Reload(const CArchive& stored)
{
    return CArchive(stored.GetBytes(), "test.bin");
}

}  // namespace

TEST(Archive, NumbersAreLittleEndianAndRoundTrip)
{
    CArchive out;
    out.WriteU32(0x12345678u);
    out.WriteI32(-2);
    out.WriteTime(-86400);
    out.WriteU16(0xBEEF);
    EXPECT_EQ(out.GetBytes()[0], 0x78);
    EXPECT_EQ(out.GetBytes()[3], 0x12);
    CArchive in = Reload(out);
    EXPECT_EQ(in.ReadU32(), 0x12345678u);
    EXPECT_EQ(in.ReadI32(), -2);
    EXPECT_EQ(in.ReadTime(), -86400);
    EXPECT_EQ(in.ReadU16(), 0xBEEF);
    EXPECT_EQ(in.Remaining(), 0u);
    EXPECT_THROW(in.ReadU8(), CArchiveException);
}

TEST(Archive, CountsUseTheEscapeAt0xFFFF)
{
    CArchive out;
    out.WriteCount(0xFFFE);
    out.WriteCount(0xFFFF);
    EXPECT_EQ(out.GetBytes(), Bytes({0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0}));
    CArchive in = Reload(out);
    EXPECT_THROW(in.ReadCount(1), CArchiveException) << "0xFFFE elements cannot fit in 6 bytes";
    CArchive again = Reload(out);
    again.ReadU16();
    EXPECT_THROW(again.ReadCount(1), CArchiveException);
}

TEST(Archive, StringLengthForms)
{
    // Empty, 254 (one-byte length) and 255 (0xFF escape, 16-bit length).
    CArchive out;
    out.WriteString("");
    out.WriteString(std::string(254, 'a'));
    out.WriteString(std::string(255, 'b'));
    const auto& b = out.GetBytes();
    EXPECT_EQ(std::vector<uint8_t>(b.begin(), b.begin() + 4), Bytes({0xFF, 0xFE, 0xFF, 0x00}));
    EXPECT_EQ(b[4 + 3], 254);
    const size_t third = 4 + 4 + 2 * 254;
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + third, b.begin() + third + 6),
              Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0x00}));
    CArchive in = Reload(out);
    EXPECT_EQ(in.ReadString(), "");
    EXPECT_EQ(in.ReadString(), std::string(254, 'a'));
    EXPECT_EQ(in.ReadString(), std::string(255, 'b'));
}

TEST(Archive, LongStringsUse32BitLength)
{
    const std::string big(70000, 'x');
    CArchive out;
    out.WriteString(big);
    EXPECT_EQ(out.GetBytes()[4], 0xFF);
    EXPECT_EQ(out.GetBytes()[5], 0xFF);
    CArchive in = Reload(out);
    EXPECT_EQ(in.ReadString(), big);
}

TEST(Archive, NonAsciiTextRoundTripsAsUtf16)
{
    const std::string text = "Ostervale Bridge Club \xE2\x80\x94 J\xC3\xBCrgen \xE6\x9D\xB1\xE4\xBA\xAC \xF0\x9F\x82\xA1";
    CArchive out;
    out.WriteString(text);
    CArchive in = Reload(out);
    EXPECT_EQ(in.ReadString(), text);
}

TEST(Archive, EightBitStringsAreWindows1252)
{
    // Length 3, then "\x80" (euro), 'a', 0xE9 (e acute).
    CArchive in(Bytes({3, 0x80, 'a', 0xE9}), "old.qsu");
    EXPECT_EQ(in.ReadString(), "\xE2\x82\xAC" "a\xC3\xA9");
}

TEST(Archive, DamagedLengthsThrowInsteadOfAllocating)
{
    // A wide string claiming 0xFFFFFFFE units in a 12-byte file.
    CArchive huge(Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 'a', 0}), "bad");
    EXPECT_THROW(huge.ReadString(), CArchiveException);
    // A 64-bit length escape.
    CArchive huge64(Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                           1, 2, 3, 4, 5, 6, 7, 8}), "bad");
    EXPECT_THROW(huge64.ReadString(), CArchiveException);
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
