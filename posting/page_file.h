// An HTML page being written into the staging or temporary folder: the
// staging copy of a results page and the local index pages. Text is stored
// as the UTF-8 bytes it holds, and every line feed becomes CR LF (a CR LF
// already present stays as it is), so a page keeps every character of its
// template and of the names written into it.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

class CPageFile {
public:
    CPageFile() = default;
    ~CPageFile();
    CPageFile(const CPageFile&) = delete;
    CPageFile& operator=(const CPageFile&) = delete;

    // Creates the file or empties it; false with errno set on failure.
    bool Open(const std::string& path);

    // Both throw CFileException when the file cannot take the bytes.
    void WriteString(std::string_view text);
    void Write(const void* data, size_t size);
    // Flushes and closes; throws CFileException when the flush fails. A
    // file that is not open is left alone.
    void Close();
    // Closes without reporting anything (after a failure).
    void Abort();

private:
    void Put(const char* data, size_t size);
    void Fail();

    std::FILE* m_file = nullptr;
    std::string m_path;
    bool m_lastWasCr = false;
};
