#include <gtest/gtest.h>

#include <cstring>

#include "app/blowfish.h"
#include "app/program_secret.h"
#include "support/golden_stream.h"
#include "support/test_app.h"

TEST(Blowfish, PublishedVectorsInHalvesAndInLittleEndianBuffers)
{
    // Key bytes, then the 64-bit block as its left and right halves
    // (big-endian as printed). Keys of other lengths than 8 are used cyclically.
    const struct {
        const char* key;
        uint64_t plain, cipher;
    } vectors[] = {
        {"0000000000000000", 0x0000000000000000ull, 0x4EF997456198DD78ull},
        {"FFFFFFFFFFFFFFFF", 0xFFFFFFFFFFFFFFFFull, 0x51866FD5B85ECB8Aull},
        {"3000000000000000", 0x1000000000000001ull, 0x7D856F9A613063F2ull},
        {"0123456789ABCDEF", 0x1111111111111111ull, 0x61F9C3802281B096ull},
        {"FEDCBA9876543210", 0x0123456789ABCDEFull, 0x0ACEAB0FC6A0A28Dull},
        {"7CA110454A1A6E57", 0x01A1D6D039776742ull, 0x59C68245EB05282Bull},
        {"F0", 0xFEDCBA9876543210ull, 0xF9AD597C49DB005Eull},
        {"F0E1D2C3B4A5968778695A4B3C2D1E0F0011223344556677", 0xFEDCBA9876543210ull, 0x05044B62FA52D080ull},
    };
    for (const auto& v : vectors) {
        std::vector<uint8_t> key;
        for (size_t i = 0; v.key[i]; i += 2)
            key.push_back(static_cast<uint8_t>(std::stoi(std::string(v.key + i, 2), nullptr, 16)));
        BlowfishContext ctx;
        BlowfishInit(ctx, key.data(), key.size());
        uint32_t l = static_cast<uint32_t>(v.plain >> 32), r = static_cast<uint32_t>(v.plain);
        BlowfishEncrypt(ctx, l, r);
        EXPECT_EQ((static_cast<uint64_t>(l) << 32) | r, v.cipher) << "key " << v.key;
        // In a buffer each half is a little-endian word.
        uint8_t block[8];
        for (int i = 0; i < 4; ++i) {
            block[i] = static_cast<uint8_t>(l >> (8 * i));
            block[4 + i] = static_cast<uint8_t>(r >> (8 * i));
        }
        BlowfishDecrypt(ctx, block, 1);
        uint8_t plain[8];
        for (int i = 0; i < 4; ++i) {
            plain[i] = static_cast<uint8_t>(v.plain >> (32 + 8 * i));
            plain[4 + i] = static_cast<uint8_t>(v.plain >> (8 * i));
        }
        EXPECT_EQ(std::memcmp(block, plain, 8), 0) << "key " << v.key;
        BlowfishWipe(ctx);
        const BlowfishContext zero{};
        EXPECT_EQ(std::memcmp(&ctx, &zero, sizeof ctx), 0);
    }
}

TEST_F(AppTest, OlderPasswordFormIsReadByItsLastByte)
{
    CSecretString password;
    uint32_t error = 0;
    // One block; a full block followed by one whose last byte is 0;
    // Windows-1252 text that comes back as UTF-8.
    for (const auto& pair : {std::make_pair("abc", "abc"), std::make_pair("abcdefgh", "abcdefgh"),
                             std::make_pair("caf\xE9\x80", "caf\xC3\xA9\xE2\x82\xAC")}) {
        ASSERT_TRUE(app->DecryptPassword(OlderFormPassword(pair.first), 0, password, error));
        EXPECT_EQ(password.Get(), pair.second);
    }
    // A length that is not whole blocks, and a last byte of 8 or more.
    std::vector<uint8_t> twelve = OlderFormPassword("abcdefghij");
    twelve.resize(12);
    std::vector<uint8_t> nine(8, 0);
    nine[7] = 9;
    BlowfishContext ctx;
    BlowfishInit(ctx, kProgramSecret, kProgramSecretSize);
    BlowfishEncrypt(ctx, nine.data(), 1);
    for (const auto& bad : {twelve, nine}) {
        error = 0;
        EXPECT_FALSE(app->DecryptPassword(bad, 0, password, error));
        EXPECT_EQ(error, static_cast<uint32_t>(EBADMSG));
    }
    EXPECT_TRUE(password.Empty());
}
