// Saving a file so that a failure at any moment leaves either the old file
// or the new one, never a mix: the new content goes to a temporary file in
// the same folder, is flushed to disk, and then renamed over the old file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CMirrorFile {
public:
    CMirrorFile() = default;
    ~CMirrorFile() { Abort(); }
    CMirrorFile(const CMirrorFile&) = delete;
    CMirrorFile& operator=(const CMirrorFile&) = delete;

    // Creates the temporary file beside path, or beside the final target
    // when path is a symbolic link (the link itself stays). false with errno
    // in error.
    bool Open(const std::string& path, int& error);
    bool Write(const void* data, size_t size, int& error);
    // Flushes, closes and renames the temporary file over the target, then
    // flushes the folder. On failure the temporary file is removed and the
    // target is as it was.
    bool Commit(int& error);
    // Drops the temporary file; the target is untouched.
    void Abort();

private:
    std::string m_path;
    std::string m_temp;
    int m_fd = -1;
};

// Writes a whole file through a mirror file. false with errno in error.
bool SaveFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes, int& error);

// Whether a file is read-only for saving: its write permission bits are all
// clear, or this process may not write it.
bool IsReadOnlyFile(const std::string& path);
