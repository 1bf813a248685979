// A string that holds a secret (the FTP password) and wipes its bytes when
// it is cleared or destroyed.
#pragma once

#include <string>

class CSecretString {
public:
    CSecretString() = default;
    explicit CSecretString(std::string value) : m_value(std::move(value)) {}
    CSecretString(const CSecretString&) = delete;
    CSecretString& operator=(const CSecretString&) = delete;
    CSecretString(CSecretString&& other) noexcept;
    CSecretString& operator=(CSecretString&& other) noexcept;
    ~CSecretString() { Clear(); }

    void Assign(const std::string& value);
    void Clear();
    const std::string& Get() const { return m_value; }
    bool Empty() const { return m_value.empty(); }

private:
    std::string m_value;
};

// Overwrites the bytes of a buffer with zeros in a way the compiler keeps.
void WipeBytes(void* data, size_t size);
void WipeString(std::string& s);
