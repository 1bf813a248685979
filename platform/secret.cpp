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
