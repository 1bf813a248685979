// A small test program (tests/programs) run as a real child process, with
// its standard output read through a pipe.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// The path of a test program built beside the tests.
std::string TestProgramPath(const std::string& name);

class CChildProcess {
public:
    // Starts the program with the arguments (no shell). Throws on failure.
    CChildProcess(const std::string& program, const std::vector<std::string>& args);
    ~CChildProcess();
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    // Reads until a whole line arrives (without its LF); false on end of
    // output or when timeoutMs passes.
    bool ReadLine(std::string& line, int timeoutMs = 10000);
    // Sends a signal.
    void Kill(int signal);
    // Waits for the end; the raw wait status.
    int Wait();
    // Whether the program has ended (without waiting); Wait then gives its
    // status at once.
    bool Ended();
    pid_t Pid() const { return m_pid; }

private:
    pid_t m_pid = -1;
    int m_out = -1;
    std::string m_buffer;
    bool m_waited = false;
    int m_status = 0;
};
