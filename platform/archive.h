// The binary archive every data file of the program is written in:
// little-endian numbers, counts, strings (UTF-16LE with a marker, or the
// older 8-bit form on reading) and raw bytes.
//
// A loading archive holds the whole file in memory. Every count and length
// it reads is checked against the bytes that are left before anything is
// allocated, so a damaged or hostile file ends in CArchiveException, never in
// a huge allocation or a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/exceptions.h"

class CArchive {
public:
    enum Mode { load, store };

    // A storing archive; the bytes collect in GetBytes().
    explicit CArchive(std::string fileName = {});
    // A loading archive over the bytes of a file.
    CArchive(std::vector<uint8_t> bytes, std::string fileName);

    bool IsStoring() const { return m_mode == store; }
    const std::string& GetFileName() const { return m_fileName; }

    // Storing: what has been written so far.
    const std::vector<uint8_t>& GetBytes() const { return m_bytes; }
    // Loading: bytes not yet read.
    size_t Remaining() const { return m_bytes.size() - m_pos; }

    // Whether score-file records in this stream carry their flags word and
    // hand-record path (the containing file's reader sets it).
    int GetRecordVersion() const { return m_recordVersion; }
    void SetRecordVersion(int version) { m_recordVersion = version; }

    void WriteU8(uint8_t v);
    void WriteU16(uint16_t v);
    void WriteU32(uint32_t v);
    void WriteI32(int32_t v) { WriteU32(static_cast<uint32_t>(v)); }
    void WriteU64(uint64_t v);
    // 64-bit time: signed seconds since 1970-01-01 UTC.
    void WriteTime(int64_t t) { WriteU64(static_cast<uint64_t>(t)); }
    void WriteCount(uint64_t count);
    void WriteString(const std::string& utf8);
    void Write(const void* data, size_t size);

    uint8_t ReadU8();
    uint16_t ReadU16();
    uint32_t ReadU32();
    int32_t ReadI32() { return static_cast<int32_t>(ReadU32()); }
    uint64_t ReadU64();
    int64_t ReadTime() { return static_cast<int64_t>(ReadU64()); }
    // A count of elements, each taking at least minElementBytes in the
    // stream; a count that cannot fit in what is left throws endOfFile.
    uint64_t ReadCount(size_t minElementBytes = 1);
    std::string ReadString();
    // Exactly size bytes, or endOfFile.
    void Read(void* data, size_t size);

    [[noreturn]] void ThrowEndOfFile() const;
    [[noreturn]] void ThrowBadFormat() const;

private:
    void Need(uint64_t size) const;

    Mode m_mode;
    std::string m_fileName;
    std::vector<uint8_t> m_bytes;
    size_t m_pos = 0;
    int m_recordVersion = 1;
};

// Reads a whole file into memory for a loading archive. Throws
// CFileException when it cannot be opened or read, and refuses files larger
// than maxSize (CArchiveException genericException) without reading them.
std::vector<uint8_t> ReadFileBytes(const std::string& path, uint64_t maxSize);
