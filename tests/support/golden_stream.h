// Hand-built bytes of the data files, written straight from the encodings
// table (little-endian numbers, counts with the 0xFFFF escape, UTF-16
// strings behind the 0xFF 0xFFFE marker, the older 8-bit strings) without
// the program's own archive code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CGolden {
public:
    CGolden& U8(unsigned v);
    CGolden& U16(unsigned v);
    CGolden& U32(uint32_t v);
    CGolden& I32(int32_t v) { return U32(static_cast<uint32_t>(v)); }
    CGolden& Time(int64_t t);
    CGolden& Count(uint32_t n);
    // An ASCII string in the written form (UTF-16 behind the marker).
    CGolden& Str(const std::string& ascii);
    // A string in the older 8-bit form (bytes as they are).
    CGolden& Narrow(const std::string& bytes);
    CGolden& Raw(const std::vector<uint8_t>& bytes);

    const std::string& Bytes() const { return m_bytes; }
    size_t Size() const { return m_bytes.size(); }

private:
    std::string m_bytes;
};

// One score-file record as the history and index streams hold it.
struct GoldenRecord {
    std::string path = "/scores/230905a.txt";
    uint32_t flags = 0x15;
    std::string handRecordPath = "/hands/230905a.pbn";
    uint64_t size = 0x1234567890ull;
    int64_t modified = 1693934400;
    std::string webName = "20230905anlmb.htm";
    int32_t insert = 2;
    int64_t posted = 1693938000;
    uint8_t digestSeed = 1;  // digest bytes seed, seed+1, ...
    std::string desc[5] = {"Club Pairs", "Tuesday Afternoon", "A B", "September 5, 2023", "NLM"};

    // In the full form (version 1) or the short form (version 0).
    void Write(CGolden& out, int version) const;
};

// A password in the older stored form: Windows-1252 text padded to whole
// 8-byte blocks, enciphered with Blowfish under the program secret.
std::vector<uint8_t> OlderFormPassword(const std::string& cp1252);
