#include <gtest/gtest.h>

#include <cstring>

#include "app/blowfish.h"
#include "app/program_secret.h"
#include "support/golden_stream.h"
#include "support/test_app.h"

namespace {

struct Vector {
    const char* key;
    uint64_t plain;
    uint64_t cipher;
};

std::vector<uint8_t> Hex(const char* hex)
{
    std::vector<uint8_t> out;
    for (size_t i = 0; hex[i] && hex[i + 1]; i += 2)
        out.push_back(static_cast<uint8_t>(std::stoi(std::string(hex + i, 2), nullptr, 16)));
    return out;
}

}  // namespace

TEST(Blowfish, PublishedVectors)
{
    // Published test vectors: key bytes, then the 64-bit block as its left
    // and right halves (big-endian as printed).
    const Vector vectors[] = {
        {"0000000000000000", 0x0000000000000000ull, 0x4EF997456198DD78ull},
        {"FFFFFFFFFFFFFFFF", 0xFFFFFFFFFFFFFFFFull, 0x51866FD5B85ECB8Aull},
        {"3000000000000000", 0x1000000000000001ull, 0x7D856F9A613063F2ull},
        {"1111111111111111", 0x1111111111111111ull, 0x2466DD878B963C9Dull},
        {"0123456789ABCDEF", 0x1111111111111111ull, 0x61F9C3802281B096ull},
        {"FEDCBA9876543210", 0x0123456789ABCDEFull, 0x0ACEAB0FC6A0A28Dull},
        {"7CA110454A1A6E57", 0x01A1D6D039776742ull, 0x59C68245EB05282Bull},
        // Keys shorter and longer than 8 bytes: the key is used cyclically.
        {"F0", 0xFEDCBA9876543210ull, 0xF9AD597C49DB005Eull},
        {"F0E1", 0xFEDCBA9876543210ull, 0xE91D21C1D961A6D6ull},
        {"F0E1D2C3B4A5968778695A4B3C2D1E0F0011223344556677", 0xFEDCBA9876543210ull, 0x05044B62FA52D080ull},
    };
    for (const Vector& v : vectors) {
        const std::vector<uint8_t> key = Hex(v.key);
        BlowfishContext ctx;
        BlowfishInit(ctx, key.data(), key.size());
        uint32_t l = static_cast<uint32_t>(v.plain >> 32), r = static_cast<uint32_t>(v.plain);
        BlowfishEncrypt(ctx, l, r);
        EXPECT_EQ((static_cast<uint64_t>(l) << 32) | r, v.cipher) << "key " << v.key;
        BlowfishDecrypt(ctx, l, r);
        EXPECT_EQ((static_cast<uint64_t>(l) << 32) | r, v.plain) << "key " << v.key;
    }
}

TEST(Blowfish, BufferBlocksAreLittleEndianHalvesAndTheContextIsWiped)
{
    const std::vector<uint8_t> key = Hex("0000000000000000");
    BlowfishContext ctx;
    BlowfishInit(ctx, key.data(), key.size());
    // The block 4EF99745 6198DD78 stored as two little-endian words.
    uint8_t data[16] = {0x45, 0x97, 0xF9, 0x4E, 0x78, 0xDD, 0x98, 0x61,
                        0x45, 0x97, 0xF9, 0x4E, 0x78, 0xDD, 0x98, 0x61};
    BlowfishDecrypt(ctx, data, 2);
    for (uint8_t b : data)
        EXPECT_EQ(b, 0);
    BlowfishWipe(ctx);
    const BlowfishContext zero{};
    EXPECT_EQ(std::memcmp(&ctx, &zero, sizeof ctx), 0);
}

TEST_F(AppTest, OlderPasswordFormIsReadByItsLastByte)
{
    CSecretString password;
    uint32_t error = 0;
    // Three characters in one block; eight characters fill a block and
    // are followed by one more whose last byte is 0.
    ASSERT_TRUE(app->DecryptPassword(OlderFormPassword("abc"), 0, password, error));
    EXPECT_EQ(password.Get(), "abc");
    ASSERT_EQ(OlderFormPassword("abcdefgh").size(), 16u);
    ASSERT_TRUE(app->DecryptPassword(OlderFormPassword("abcdefgh"), 0, password, error));
    EXPECT_EQ(password.Get(), "abcdefgh");
    // Windows-1252 text comes back as UTF-8.
    ASSERT_TRUE(app->DecryptPassword(OlderFormPassword("caf\xE9\x80"), 0, password, error));
    EXPECT_EQ(password.Get(), "caf\xC3\xA9\xE2\x82\xAC");

    // A length that is not whole blocks, and a last byte of 8 or more.
    std::vector<uint8_t> twelve = OlderFormPassword("abcdefghij");
    twelve.resize(12);
    EXPECT_FALSE(app->DecryptPassword(twelve, 0, password, error));
    EXPECT_EQ(error, static_cast<uint32_t>(EBADMSG));
    std::vector<uint8_t> bad(8, 0);
    bad[7] = 9;
    BlowfishContext ctx;
    BlowfishInit(ctx, kProgramSecret, kProgramSecretSize);
    BlowfishEncrypt(ctx, bad.data(), 1);
    error = 0;
    EXPECT_FALSE(app->DecryptPassword(bad, 0, password, error));
    EXPECT_EQ(error, static_cast<uint32_t>(EBADMSG));
    EXPECT_TRUE(password.Empty());
}
