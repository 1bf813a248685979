#include "posting/sha256.h"

#include <atomic>
#include <cstring>

#include "platform/archive.h"

#if defined(__x86_64__) || defined(__i386__)
#define QM_SHA256_X86 1
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace {

const uint32_t kRound[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

const uint32_t kInitial[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                              0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

inline uint32_t Rotr(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

inline uint32_t LoadBig32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

inline void StoreBig32(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

// The 64-round compression in plain C++, for any processor.
void CompressPortable(uint32_t state[8], const uint8_t* data, size_t blocks)
{
    uint32_t w[64];
    for (; blocks; --blocks, data += 64) {
        for (int t = 0; t < 16; ++t)
            w[t] = LoadBig32(data + 4 * t);
        for (int t = 16; t < 64; ++t) {
            const uint32_t s0 = Rotr(w[t - 15], 7) ^ Rotr(w[t - 15], 18) ^ (w[t - 15] >> 3);
            const uint32_t s1 = Rotr(w[t - 2], 17) ^ Rotr(w[t - 2], 19) ^ (w[t - 2] >> 10);
            w[t] = w[t - 16] + s0 + w[t - 7] + s1;
        }
        uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
        uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
        for (int t = 0; t < 64; ++t) {
            const uint32_t s1 = Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25);
            const uint32_t ch = (e & f) ^ (~e & g);
            const uint32_t t1 = h + s1 + ch + kRound[t] + w[t];
            const uint32_t s0 = Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22);
            const uint32_t maj = (a & b) ^ (a & c) ^ (b & c);
            const uint32_t t2 = s0 + maj;
            h = g;
            g = f;
            f = e;
            e = d + t1;
            d = c;
            c = b;
            b = a;
            a = t1 + t2;
        }
        state[0] += a;
        state[1] += b;
        state[2] += c;
        state[3] += d;
        state[4] += e;
        state[5] += f;
        state[6] += g;
        state[7] += h;
    }
}

#ifdef QM_SHA256_X86

// The compression with the x86 SHA instructions. The state is kept as two
// vectors, (A,B,E,F) and (C,D,G,H), the layout sha256rnds2 works on; each
// sha256rnds2 does two rounds, so a group of four rounds takes two.
__attribute__((target("sha,ssse3,sse4.1"))) void CompressShaNi(uint32_t state[8], const uint8_t* data,
                                                                size_t blocks)
{
    const __m128i byteSwap = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);

    // (A,B,C,D),(E,F,G,H) -> (A,B,E,F),(C,D,G,H), lanes high to low.
    __m128i tmp = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(&state[0])), 0xB1);
    __m128i cdgh = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(&state[4])), 0x1B);
    __m128i abef = _mm_alignr_epi8(tmp, cdgh, 8);
    cdgh = _mm_blend_epi16(cdgh, tmp, 0xF0);

    const auto* k = reinterpret_cast<const __m128i*>(kRound);

    for (; blocks; --blocks, data += 64) {
        const __m128i abefSaved = abef;
        const __m128i cdghSaved = cdgh;
        __m128i m0, m1, m2, m3, msg;

// Four rounds with message words W (already in host word order).
#define QM_ROUNDS4(W, i)                                        \
    msg = _mm_add_epi32(W, _mm_loadu_si128(k + (i)));           \
    cdgh = _mm_sha256rnds2_epu32(cdgh, abef, msg);              \
    abef = _mm_sha256rnds2_epu32(abef, cdgh, _mm_shuffle_epi32(msg, 0x0E));

// Next four schedule words into A from the previous sixteen (A,B,C,D oldest first).
#define QM_SCHEDULE(A, B, C, D)                                             \
    A = _mm_sha256msg2_epu32(                                               \
        _mm_add_epi32(_mm_sha256msg1_epu32(A, B), _mm_alignr_epi8(D, C, 4)), D);

        m0 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data)), byteSwap);
        QM_ROUNDS4(m0, 0)
        m1 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16)), byteSwap);
        QM_ROUNDS4(m1, 1)
        m2 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 32)), byteSwap);
        QM_ROUNDS4(m2, 2)
        m3 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 48)), byteSwap);
        QM_ROUNDS4(m3, 3)

        QM_SCHEDULE(m0, m1, m2, m3) QM_ROUNDS4(m0, 4)
        QM_SCHEDULE(m1, m2, m3, m0) QM_ROUNDS4(m1, 5)
        QM_SCHEDULE(m2, m3, m0, m1) QM_ROUNDS4(m2, 6)
        QM_SCHEDULE(m3, m0, m1, m2) QM_ROUNDS4(m3, 7)
        QM_SCHEDULE(m0, m1, m2, m3) QM_ROUNDS4(m0, 8)
        QM_SCHEDULE(m1, m2, m3, m0) QM_ROUNDS4(m1, 9)
        QM_SCHEDULE(m2, m3, m0, m1) QM_ROUNDS4(m2, 10)
        QM_SCHEDULE(m3, m0, m1, m2) QM_ROUNDS4(m3, 11)
        QM_SCHEDULE(m0, m1, m2, m3) QM_ROUNDS4(m0, 12)
        QM_SCHEDULE(m1, m2, m3, m0) QM_ROUNDS4(m1, 13)
        QM_SCHEDULE(m2, m3, m0, m1) QM_ROUNDS4(m2, 14)
        QM_SCHEDULE(m3, m0, m1, m2) QM_ROUNDS4(m3, 15)

#undef QM_SCHEDULE
#undef QM_ROUNDS4

        abef = _mm_add_epi32(abef, abefSaved);
        cdgh = _mm_add_epi32(cdgh, cdghSaved);
    }

    // Back to (A,B,C,D),(E,F,G,H).
    tmp = _mm_shuffle_epi32(abef, 0x1B);
    cdgh = _mm_shuffle_epi32(cdgh, 0xB1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&state[0]), _mm_blend_epi16(tmp, cdgh, 0xF0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&state[4]), _mm_alignr_epi8(cdgh, tmp, 8));
}

bool CpuHasShaExtensions()
{
    unsigned a, b, c, d;
    if (!__get_cpuid(1, &a, &b, &c, &d))
        return false;
    const bool ssse3 = c & (1u << 9);
    const bool sse41 = c & (1u << 19);
    if (!__get_cpuid_count(7, 0, &a, &b, &c, &d))
        return false;
    const bool sha = b & (1u << 29);
    return ssse3 && sse41 && sha;
}

#else

bool CpuHasShaExtensions() { return false; }

#endif

using CompressFn = void (*)(uint32_t*, const uint8_t*, size_t);

std::atomic<bool> g_forcePortable{false};

bool HasShaExtensions()
{
    static const bool has = CpuHasShaExtensions();
    return has;
}

CompressFn Compressor()
{
#ifdef QM_SHA256_X86
    if (!g_forcePortable.load(std::memory_order_relaxed) && HasShaExtensions())
        return CompressShaNi;
#endif
    return CompressPortable;
}

}  // namespace

bool CSha256::Accelerated()
{
    return Compressor() != CompressPortable;
}

void CSha256::ForcePortable(bool portable)
{
    g_forcePortable.store(portable, std::memory_order_relaxed);
}

void CSha256::Init()
{
    std::memcpy(m_state, kInitial, sizeof m_state);
    std::memset(m_block, 0, sizeof m_block);
    m_fill = 0;
    m_bitCount = 0;
}

void CSha256::Update(const void* data, int64_t length)
{
    if (length <= 0)
        return;
    const auto* p = static_cast<const uint8_t*>(data);
    uint64_t left = static_cast<uint64_t>(length);
    m_bitCount += left * 8;
    const CompressFn compress = Compressor();

    if (m_fill) {
        const uint64_t take = left < 64 - m_fill ? left : 64 - m_fill;
        std::memcpy(m_block + m_fill, p, take);
        m_fill += static_cast<uint32_t>(take);
        p += take;
        left -= take;
        if (m_fill < 64)
            return;
        compress(m_state, m_block, 1);
        m_fill = 0;
    }
    if (left >= 64) {
        const uint64_t blocks = left / 64;
        compress(m_state, p, blocks);
        p += blocks * 64;
        left -= blocks * 64;
    }
    if (left) {
        std::memcpy(m_block, p, left);
        m_fill = static_cast<uint32_t>(left);
    }
}

void CSha256::Final(uint8_t out[CHash256::size])
{
    const uint64_t bits = m_bitCount;
    const CompressFn compress = Compressor();
    m_block[m_fill++] = 0x80;
    if (m_fill > 56) {
        std::memset(m_block + m_fill, 0, 64 - m_fill);
        compress(m_state, m_block, 1);
        m_fill = 0;
    }
    std::memset(m_block + m_fill, 0, 56 - m_fill);
    for (int i = 0; i < 8; ++i)
        m_block[56 + i] = uint8_t(bits >> (56 - 8 * i));
    compress(m_state, m_block, 1);
    m_fill = 0;
    for (int i = 0; i < 8; ++i)
        StoreBig32(out + 4 * i, m_state[i]);
}

CHash256 Sha256Of(const void* data, size_t length)
{
    CSha256 ctx;
    ctx.Update(data, static_cast<int64_t>(length));
    CHash256 out;
    ctx.Final(out);
    return out;
}

bool CHash256::operator==(const CHash256& other) const
{
    return std::memcmp(m_digest, other.m_digest, size) == 0;
}

void CHash256::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        ar.Write(m_digest, size);
    } else {
        // Read into a copy so that a short stream leaves this digest as it was.
        uint8_t loaded[size];
        ar.Read(loaded, size);
        std::memcpy(m_digest, loaded, size);
    }
}

uint32_t CHash256::HashValue() const
{
    return uint32_t(m_digest[0]) | (uint32_t(m_digest[1]) << 8) | (uint32_t(m_digest[2]) << 16) |
           (uint32_t(m_digest[3]) << 24);
}

bool CHash256::IsZero() const
{
    for (uint8_t b : m_digest)
        if (b)
            return false;
    return true;
}

std::string CHash256::ToHex() const
{
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(2 * size);
    for (uint8_t b : m_digest) {
        hex += digits[b >> 4];
        hex += digits[b & 15];
    }
    return hex;
}
