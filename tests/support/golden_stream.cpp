#include "support/golden_stream.h"

CGolden& CGolden::U8(unsigned v)
{
    m_bytes += static_cast<char>(v & 0xFF);
    return *this;
}

CGolden& CGolden::U16(unsigned v)
{
    return U8(v).U8(v >> 8);
}

CGolden& CGolden::U32(uint32_t v)
{
    return U16(v & 0xFFFF).U16(v >> 16);
}

CGolden& CGolden::Time(int64_t t)
{
    const uint64_t v = static_cast<uint64_t>(t);
    return U32(static_cast<uint32_t>(v)).U32(static_cast<uint32_t>(v >> 32));
}

CGolden& CGolden::Count(uint32_t n)
{
    if (n < 0xFFFF)
        return U16(n);
    return U16(0xFFFF).U32(n);
}

CGolden& CGolden::Str(const std::string& ascii)
{
    U8(0xFF).U16(0xFFFE);
    if (ascii.size() < 0xFF)
        U8(static_cast<unsigned>(ascii.size()));
    else
        U8(0xFF).U16(static_cast<unsigned>(ascii.size()));
    for (char c : ascii)
        U16(static_cast<unsigned char>(c));
    return *this;
}

CGolden& CGolden::Narrow(const std::string& bytes)
{
    if (bytes.size() < 0xFF)
        U8(static_cast<unsigned>(bytes.size()));
    else
        U8(0xFF).U16(static_cast<unsigned>(bytes.size()));
    m_bytes += bytes;
    return *this;
}

CGolden& CGolden::Raw(const std::vector<uint8_t>& bytes)
{
    m_bytes.append(bytes.begin(), bytes.end());
    return *this;
}

void GoldenRecord::Write(CGolden& out, int version) const
{
    out.Str(path);
    if (version != 0)
        out.U32(flags).Str(handRecordPath);
    out.U32(static_cast<uint32_t>(size)).U32(static_cast<uint32_t>(size >> 32));
    out.Time(modified).Str(webName).I32(insert).Time(posted);
    for (int i = 0; i < 32; ++i)
        out.U8(static_cast<unsigned>(digestSeed + i));
    for (const auto& d : desc)
        out.Str(d);
}

#include "app/blowfish.h"
#include "app/program_secret.h"

std::vector<uint8_t> OlderFormPassword(const std::string& cp1252)
{
    std::vector<uint8_t> plain(cp1252.begin(), cp1252.end());
    const size_t last = plain.size() % 8;
    plain.resize(plain.size() + (8 - last), 0);
    plain.back() = static_cast<uint8_t>(last);
    BlowfishContext ctx;
    BlowfishInit(ctx, kProgramSecret, kProgramSecretSize);
    BlowfishEncrypt(ctx, plain.data(), plain.size() / 8);
    BlowfishWipe(ctx);
    return plain;
}
