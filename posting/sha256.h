// SHA-256 (FIPS 180-4) for recognising score files by content, and the
// 32-byte digest value the Upload History is keyed by.
//
// Our own code, no crypto library. Whole blocks are compressed by the x86
// SHA instructions when the processor has them, otherwise by portable C++;
// both give the same digest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class CArchive;

// A SHA-256 digest: the eight hash words, each big-endian, as the standard
// writes them. A new one is all zero bytes.
class CHash256 {
public:
    enum { size = 32 };

    CHash256() : m_digest{} {}
    CHash256(const CHash256&) = default;
    CHash256& operator=(const CHash256&) = default;

    bool operator==(const CHash256& other) const;
    bool operator!=(const CHash256& other) const { return !(*this == other); }

    // Stores the 32 bytes raw (no length, no marker) or loads exactly 32;
    // a stream that ends sooner throws CArchiveException endOfFile.
    void Serialize(CArchive& ar);

    // The digest index's hash: the first word, little-endian from bytes 0..3.
    uint32_t HashValue() const;

    bool IsZero() const;
    // 64 lower-case hex digits.
    std::string ToHex() const;

    const uint8_t* Data() const { return m_digest; }
    uint8_t* Data() { return m_digest; }

    uint8_t m_digest[size];
};

// One running digest. A plain structure with no heap memory; lives on the
// stack of whoever computes a digest.
struct CSha256 {
    uint32_t m_state[8];
    uint8_t m_block[64];  // pending input
    uint32_t m_fill;      // bytes in m_block, 0..63 between calls
    uint64_t m_bitCount;  // message bits added so far

    CSha256() { Init(); }

    // Starts a new message.
    void Init();
    // Adds length bytes; a length of 0 or less adds nothing. Whole blocks are
    // compressed straight from the caller's buffer, a tail is kept in m_block.
    void Update(const void* data, int64_t length);
    // Pads the message, writes the digest and leaves the context spent (call
    // Init before reusing it).
    void Final(uint8_t out[CHash256::size]);
    void Final(CHash256& out) { Final(out.m_digest); }

    // Whether the x86 SHA instructions are used for this process.
    static bool Accelerated();
    // Tests and benchmarks: true makes every context use the portable code,
    // false goes back to the fastest code the processor allows.
    static void ForcePortable(bool portable);
};

// The digest of one buffer.
CHash256 Sha256Of(const void* data, size_t length);
