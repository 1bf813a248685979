#include "platform/secret.h"

#include <sodium.h>

void WipeBytes(void* data, size_t size)
{
    if (data && size)
        sodium_memzero(data, size);
}

void WipeString(std::string& s)
{
    // Wipe the whole capacity: a shorter value may sit in a longer buffer.
    if (s.capacity())
        WipeBytes(&s[0], s.capacity());
    s.clear();
}

CSecretString::CSecretString(CSecretString&& other) noexcept
{
    m_value.swap(other.m_value);
}

CSecretString& CSecretString::operator=(CSecretString&& other) noexcept
{
    if (this != &other) {
        Clear();
        m_value.swap(other.m_value);
    }
    return *this;
}

void CSecretString::Assign(const std::string& value)
{
    Clear();
    m_value.reserve(value.size());
    m_value.assign(value);
}

void CSecretString::Clear()
{
    WipeString(m_value);
}

void WipeVector(std::vector<uint8_t>& v)
{
    // Reach the whole allocation: a shorter value may sit in a longer buffer.
    v.resize(v.capacity());
    WipeBytes(v.data(), v.size());
    v.clear();
}

void CSecretBytes::Resize(size_t size)
{
    Clear();
    m_bytes.assign(size, 0);
}

void CSecretBytes::Clear()
{
    WipeVector(m_bytes);
    std::vector<uint8_t>().swap(m_bytes);
}
