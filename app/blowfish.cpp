#include "app/blowfish.h"

#include <cstring>

#include "platform/secret.h"

namespace {

inline uint32_t F(const BlowfishContext& ctx, uint32_t x)
{
    return ((ctx.S[0][x >> 24] + ctx.S[1][(x >> 16) & 0xFF]) ^ ctx.S[2][(x >> 8) & 0xFF]) +
           ctx.S[3][x & 0xFF];
}

inline uint32_t LoadLe(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline void StoreLe(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

void BlowfishEncrypt(const BlowfishContext& ctx, uint32_t& left, uint32_t& right)
{
    uint32_t l = left, r = right;
    for (int i = 0; i < 16; ++i) {
        l ^= ctx.P[i];
        r ^= F(ctx, l);
        const uint32_t t = l;
        l = r;
        r = t;
    }
    const uint32_t t = l;
    l = r;
    r = t;
    r ^= ctx.P[16];
    l ^= ctx.P[17];
    left = l;
    right = r;
}

void BlowfishDecrypt(const BlowfishContext& ctx, uint32_t& left, uint32_t& right)
{
    uint32_t l = left, r = right;
    for (int i = 17; i > 1; --i) {
        l ^= ctx.P[i];
        r ^= F(ctx, l);
        const uint32_t t = l;
        l = r;
        r = t;
    }
    const uint32_t t = l;
    l = r;
    r = t;
    r ^= ctx.P[1];
    l ^= ctx.P[0];
    left = l;
    right = r;
}

void BlowfishInit(BlowfishContext& ctx, const uint8_t* key, size_t keyLength)
{
    std::memcpy(ctx.P, kBlowfishInitP, sizeof ctx.P);
    std::memcpy(ctx.S, kBlowfishInitS, sizeof ctx.S);
    if (keyLength == 0)
        return;
    size_t k = 0;
    for (uint32_t& p : ctx.P) {
        uint32_t word = 0;
        for (int b = 0; b < 4; ++b) {
            word = (word << 8) | key[k];
            k = (k + 1) % keyLength;
        }
        p ^= word;
    }
    uint32_t l = 0, r = 0;
    for (int i = 0; i < 18; i += 2) {
        BlowfishEncrypt(ctx, l, r);
        ctx.P[i] = l;
        ctx.P[i + 1] = r;
    }
    for (auto& box : ctx.S) {
        for (int i = 0; i < 256; i += 2) {
            BlowfishEncrypt(ctx, l, r);
            box[i] = l;
            box[i + 1] = r;
        }
    }
}

void BlowfishEncrypt(const BlowfishContext& ctx, uint8_t* data, size_t blocks)
{
    for (size_t b = 0; b < blocks; ++b, data += 8) {
        uint32_t l = LoadLe(data), r = LoadLe(data + 4);
        BlowfishEncrypt(ctx, l, r);
        StoreLe(data, l);
        StoreLe(data + 4, r);
    }
}

void BlowfishDecrypt(const BlowfishContext& ctx, uint8_t* data, size_t blocks)
{
    for (size_t b = 0; b < blocks; ++b, data += 8) {
        uint32_t l = LoadLe(data), r = LoadLe(data + 4);
        BlowfishDecrypt(ctx, l, r);
        StoreLe(data, l);
        StoreLe(data + 4, r);
    }
}

void BlowfishWipe(BlowfishContext& ctx)
{
    WipeBytes(&ctx, sizeof ctx);
}
