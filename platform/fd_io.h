// Whole reads and writes on file descriptors, retried across signals.
#pragma once

#include <cstddef>
#include <string>

// Writes all size bytes. On failure returns false with *error set to the
// errno value (ENOSPC when the system accepted nothing); *done (when given)
// holds the bytes written either way.
bool WriteAll(int fd, const void* data, size_t size, int* error = nullptr, size_t* done = nullptr);
// Reads exactly size bytes; false (errno in *error, 0 at an early end of
// file) when fewer could be had.
bool ReadAll(int fd, void* data, size_t size, int* error = nullptr);

// Overwrites a regular file at path with zeros (synced) and deletes it; a
// link is not followed, and onlyOwn leaves a file of another user's
// contents alone (it is still unlinked).
void WipeAndDeleteFile(const std::string& path, bool onlyOwn);
