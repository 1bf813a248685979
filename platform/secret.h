// A string that holds a secret (the FTP password) and wipes its bytes when
// it is cleared or destroyed, and a byte buffer that does the same.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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

// A fixed-size byte buffer for plain secrets; zeroed when destroyed.
class CSecretBytes {
public:
    CSecretBytes() = default;
    explicit CSecretBytes(size_t size) : m_bytes(size) {}
    CSecretBytes(const CSecretBytes&) = delete;
    CSecretBytes& operator=(const CSecretBytes&) = delete;
    ~CSecretBytes() { Clear(); }

    // Wipes the old content, then holds size zero bytes.
    void Resize(size_t size);
    void Clear();
    uint8_t* Data() { return m_bytes.data(); }
    const uint8_t* Data() const { return m_bytes.data(); }
    size_t Size() const { return m_bytes.size(); }
    bool Empty() const { return m_bytes.empty(); }

private:
    std::vector<uint8_t> m_bytes;
};

// Overwrites the bytes of a buffer with zeros in a way the compiler keeps.
void WipeBytes(void* data, size_t size);
void WipeString(std::string& s);
void WipeVector(std::vector<uint8_t>& v);
