#include "platform/archive.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/text_encoding.h"

CArchive::CArchive(std::string fileName)
    : m_mode(store), m_fileName(std::move(fileName)) {}

CArchive::CArchive(std::vector<uint8_t> bytes, std::string fileName)
    : m_mode(load), m_fileName(std::move(fileName)), m_bytes(std::move(bytes)) {}

void CArchive::ThrowEndOfFile() const
{
    throw CArchiveException(CArchiveException::endOfFile, m_fileName);
}

void CArchive::ThrowBadFormat() const
{
    throw CArchiveException(CArchiveException::genericException, m_fileName);
}

void CArchive::Need(uint64_t size) const
{
    if (m_mode != load)
        throw CArchiveException(CArchiveException::writeOnly, m_fileName);
    if (size > Remaining())
        ThrowEndOfFile();
}

void CArchive::Write(const void* data, size_t size)
{
    if (m_mode != store)
        throw CArchiveException(CArchiveException::readOnly, m_fileName);
    const auto* p = static_cast<const uint8_t*>(data);
    m_bytes.insert(m_bytes.end(), p, p + size);
}

void CArchive::Read(void* data, size_t size)
{
    Need(size);
    if (size)
        std::memcpy(data, m_bytes.data() + m_pos, size);
    m_pos += size;
}

void CArchive::WriteU8(uint8_t v) { Write(&v, 1); }

void CArchive::WriteU16(uint16_t v)
{
    const uint8_t b[2] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
    Write(b, 2);
}

void CArchive::WriteU32(uint32_t v)
{
    uint8_t b[4];
    for (int i = 0; i < 4; ++i)
        b[i] = static_cast<uint8_t>(v >> (8 * i));
    Write(b, 4);
}

void CArchive::WriteU64(uint64_t v)
{
    uint8_t b[8];
    for (int i = 0; i < 8; ++i)
        b[i] = static_cast<uint8_t>(v >> (8 * i));
    Write(b, 8);
}

uint8_t CArchive::ReadU8()
{
    Need(1);
    return m_bytes[m_pos++];
}

uint16_t CArchive::ReadU16()
{
    Need(2);
    const uint16_t v = static_cast<uint16_t>(m_bytes[m_pos] | (m_bytes[m_pos + 1] << 8));
    m_pos += 2;
    return v;
}

uint32_t CArchive::ReadU32()
{
    Need(4);
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | m_bytes[m_pos + i];
    m_pos += 4;
    return v;
}

uint64_t CArchive::ReadU64()
{
    Need(8);
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = (v << 8) | m_bytes[m_pos + i];
    m_pos += 8;
    return v;
}

void CArchive::WriteCount(uint64_t count)
{
    if (count < 0xFFFF) {
        WriteU16(static_cast<uint16_t>(count));
    } else {
        WriteU16(0xFFFF);
        WriteU32(static_cast<uint32_t>(count));
    }
}

uint64_t CArchive::ReadCount(size_t minElementBytes)
{
    uint64_t count = ReadU16();
    if (count == 0xFFFF)
        count = ReadU32();
    if (minElementBytes == 0)
        minElementBytes = 1;
    if (count > Remaining() / minElementBytes)
        ThrowEndOfFile();
    return count;
}

void CArchive::WriteString(const std::string& utf8)
{
    // Most stored texts are plain ASCII: their units are their bytes.
    bool ascii = true;
    for (char c : utf8) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    const std::u16string units = ascii ? std::u16string() : Utf8ToUtf16(utf8);
    const uint64_t n = ascii ? utf8.size() : units.size();
    WriteU8(0xFF);
    WriteU16(0xFFFE);
    if (n < 0xFF) {
        WriteU8(static_cast<uint8_t>(n));
    } else {
        WriteU8(0xFF);
        if (n < 0xFFFE) {
            WriteU16(static_cast<uint16_t>(n));
        } else {
            WriteU16(0xFFFF);
            if (n < 0xFFFFFFFFull) {
                WriteU32(static_cast<uint32_t>(n));
            } else {
                WriteU32(0xFFFFFFFFu);
                WriteU64(n);
            }
        }
    }
    // The units little-endian, in one piece.
    const size_t at = m_bytes.size();
    m_bytes.resize(at + 2 * n);
    uint8_t* out = m_bytes.data() + at;
    for (uint64_t i = 0; i < n; ++i) {
        const uint16_t u = ascii ? static_cast<unsigned char>(utf8[i]) : static_cast<uint16_t>(units[i]);
        out[2 * i] = static_cast<uint8_t>(u);
        out[2 * i + 1] = static_cast<uint8_t>(u >> 8);
    }
}

std::string CArchive::ReadString()
{
    bool wide = false;
    uint64_t length = ReadU8();
    if (length == 0xFF) {
        uint16_t w = ReadU16();
        if (w == 0xFFFE) {
            wide = true;
            length = ReadU8();
            if (length == 0xFF)
                w = ReadU16();
            else
                w = 0;  // length already known
        }
        if (length == 0xFF || !wide) {
            if (w < 0xFFFF) {
                length = w;
            } else {
                const uint32_t d = ReadU32();
                length = d < 0xFFFFFFFFu ? d : ReadU64();
            }
        }
    }
    const uint64_t unitSize = wide ? 2 : 1;
    if (length > Remaining() / unitSize)
        ThrowEndOfFile();
    const size_t bytes = static_cast<size_t>(length * unitSize);
    const uint8_t* p = m_bytes.data() + m_pos;
    m_pos += bytes;
    if (!wide)
        return Cp1252ToUtf8(std::string_view(reinterpret_cast<const char*>(p), bytes));
    std::u16string units(static_cast<size_t>(length), u'\0');
    for (size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8));
    return Utf16ToUtf8(units);
}

std::vector<uint8_t> ReadFileBytes(const std::string& path, uint64_t maxSize)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw CFileException(errno, path);
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        throw CFileException(err, path);
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        throw CFileException(EISDIR, path);
    }
    if (static_cast<uint64_t>(st.st_size) > maxSize) {
        ::close(fd);
        throw CArchiveException(CArchiveException::genericException, path);
    }
    std::vector<uint8_t> bytes;
    bytes.reserve(static_cast<size_t>(st.st_size));
    uint8_t buf[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buf, sizeof buf);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            ::close(fd);
            throw CFileException(err, path);
        }
        if (got == 0)
            break;
        if (bytes.size() + static_cast<size_t>(got) > maxSize) {
            ::close(fd);
            throw CArchiveException(CArchiveException::genericException, path);
        }
        bytes.insert(bytes.end(), buf, buf + got);
    }
    ::close(fd);
    return bytes;
}
