// The single-instance interlock: "Interlock.txt" in the program data folder,
// held with an exclusive advisory lock for the life of the process. The
// operating system drops the lock when the holder ends, however it ends, so
// a crashed or killed copy never blocks the next start.
#pragma once

#include <string>

class CInterlock {
public:
    enum Result { Acquired, HeldElsewhere, Failed };

    CInterlock() = default;
    ~CInterlock();
    CInterlock(const CInterlock&) = delete;
    CInterlock& operator=(const CInterlock&) = delete;

    // Opens (creating) the file and takes the lock without waiting. On
    // success the file holds "pid=<id>\r\n" of this process. HeldElsewhere:
    // another open of the file holds the lock, whose content is left alone.
    // Failed: errno in error.
    Result Acquire(const std::string& path, int& error);
    // Empties the file at exit; the lock is kept until the process ends.
    void Truncate();

private:
    int m_fd = -1;
};
