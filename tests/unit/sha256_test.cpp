#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/archive.h"
#include "posting/sha256.h"

namespace {

std::string HexOf(const std::string& s) { return Sha256Of(s.data(), s.size()).ToHex(); }

std::vector<uint8_t> RandomBytes(std::mt19937& rng, size_t n)
{
    std::vector<uint8_t> v(n);
    for (auto& b : v)
        b = static_cast<uint8_t>(rng());
    return v;
}

// Puts back the processor's own path whatever a test forced.
class Sha256 : public ::testing::Test {
protected:
    void TearDown() override { CSha256::ForcePortable(false); }

    static CHash256 Portable(const void* data, size_t n)
    {
        CSha256::ForcePortable(true);
        CHash256 h = Sha256Of(data, n);
        CSha256::ForcePortable(false);
        return h;
    }
};

}  // namespace

TEST_F(Sha256, PublishedVectorsOnBothPaths)
{
    const std::string a448 = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
    const std::string a896 =
        "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmno"
        "ijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu";
    const std::string million(1000000, 'a');
    for (bool portable : {false, true}) {
        SCOPED_TRACE(portable ? "portable" : "default");
        CSha256::ForcePortable(portable);
        EXPECT_EQ(HexOf(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
        EXPECT_EQ(HexOf("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
        EXPECT_EQ(HexOf(a448), "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
        EXPECT_EQ(HexOf(a896), "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1");
        EXPECT_EQ(HexOf(million), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");

        // The million fed one byte at a time through Update.
        CSha256 ctx;
        for (char c : million)
            ctx.Update(&c, 1);
        CHash256 h;
        ctx.Final(h);
        EXPECT_EQ(h.ToHex(), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
        // Init starts afresh after use.
        ctx.Init();
        ctx.Update("abc", 3);
        ctx.Final(h);
        EXPECT_EQ(h.ToHex(), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    }
}

TEST_F(Sha256, PaddingAroundTheLengthField)
{
    // Messages ending just before, at and after the 56-byte mark where the
    // length no longer fits, and at block ends.
    const struct {
        size_t n;
        const char* hex;
    } cases[] = {
        {55, "16fa57a0a3423a715d594516339f36189d6b5f93754a9714fef202616a9fabfe"},
        {56, "c37b44e5f1b18554b36966f4f8e08bfbf3164c4b6c10374d12d89850892073c5"},
        {63, "bbba992d2c85af960fb2987a1fd05e0aa82a3db3c740dd8982a9e273b75e36a3"},
        {64, "66bd4633ed6f71c4ecfa4763bf7ba1c8ec7612de9aa6c0578a7b675207c71e0b"},
        {65, "9f7dc47107b750a1f3d35db5d9547f24ef40da5b731b9540d4f43710a154f6c9"},
        {119, "a3ed307b730fa77c07531300c6e4a282330011d4d4caf6bb7b63ae05950f4b66"},
        {120, "8e3b15d9fea7472655aa069620b7f8c2e55ee1499f763200a7515fe826e99d20"},
    };
    for (const auto& c : cases) {
        std::string msg(c.n, '\0');
        for (size_t i = 0; i < c.n; ++i)
            msg[i] = static_cast<char>(i * 7 + 1);
        SCOPED_TRACE(c.n);
        EXPECT_EQ(HexOf(msg), c.hex);
        EXPECT_EQ(Portable(msg.data(), msg.size()).ToHex(), c.hex);
    }
}

TEST_F(Sha256, MessageLongerThanFourGigabits)
{
    // 2^29 + 1 bytes: the bit count no longer fits in 32 bits.
    const std::vector<uint8_t> chunk(1 << 20, 0);
    CSha256 ctx;
    for (int i = 0; i < 512; ++i)
        ctx.Update(chunk.data(), static_cast<int64_t>(chunk.size()));
    ctx.Update(chunk.data(), 1);
    CHash256 h;
    ctx.Final(h);
    EXPECT_EQ(h.ToHex(), "7c40fe5ce847740d0f0d0cdde3949d6585804cdec3ae61a15b923165699c8137");
}

TEST_F(Sha256, AcceleratedAgreesWithPortableOnEveryLength)
{
    if (!CSha256::Accelerated())
        GTEST_SKIP() << "no SHA instructions on this processor";
    std::mt19937 rng(20240611);
    const std::vector<uint8_t> data = RandomBytes(rng, 1024);
    for (size_t n = 0; n <= data.size(); ++n)
        ASSERT_EQ(Sha256Of(data.data(), n), Portable(data.data(), n)) << "length " << n;
}

TEST_F(Sha256, SplitUpdatesGiveTheOneShotDigest)
{
    // Random pieces, some empty or with a negative length (which add
    // nothing), on both paths; the one-shot portable digest is the reference.
    std::mt19937 rng(7);
    for (int round = 0; round < 400; ++round) {
        const std::vector<uint8_t> data = RandomBytes(rng, rng() % 3000);
        CSha256::ForcePortable(round % 2 == 1);
        CSha256 ctx;
        for (size_t pos = 0, piece = 0; pos < data.size(); pos += piece) {
            piece = std::min<size_t>(rng() % 200, data.size() - pos);
            ctx.Update(data.data() + pos, -static_cast<int64_t>(rng() % 5));
            ctx.Update(data.data() + pos, static_cast<int64_t>(piece));
        }
        CHash256 got;
        ctx.Final(got);
        ASSERT_EQ(got, Portable(data.data(), data.size())) << "round " << round;
    }
}

TEST(Hash256, CompareIndexAndStore)
{
    CHash256 abc = Sha256Of("abc", 3);
    EXPECT_TRUE(CHash256().IsZero());
    CHash256 almost = abc;
    almost.m_digest[31] ^= 1;
    EXPECT_NE(almost, abc) << "digests differing only in the last byte";
    // The index hash reads bytes 0..3 (ba 78 16 bf) little-endian.
    EXPECT_EQ(abc.HashValue(), 0xbf1678bau);

    // Stored as the bare 32 bytes; a stream cut inside a digest throws and
    // leaves the digest untouched.
    CArchive out("history.bin");
    abc.Serialize(out);
    ASSERT_EQ(out.GetBytes().size(), 32u);
    CHash256 back;
    CArchive in(out.GetBytes(), "history.bin");
    back.Serialize(in);
    EXPECT_EQ(back, abc);
    CArchive shortIn(std::vector<uint8_t>(out.GetBytes().begin(), out.GetBytes().begin() + 31), "history.bin");
    CHash256 target;
    EXPECT_THROW(target.Serialize(shortIn), CArchiveException);
    EXPECT_TRUE(target.IsZero());
}
