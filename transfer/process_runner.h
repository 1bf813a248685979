// Runs one outside program (curl, sftp) with its standard input, output and
// error on pipes, hands its output out line by line, keeps what it writes
// to its error stream in a transcript and records its exit status. Used on
// the UI thread: no call blocks for long, and waits let the window work.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

class ITransferHost;

// Masks the password lines that curl's verbose output echoes: at the start
// of every line (after CR, LF or at the very beginning) a line that begins
// with "> PASS " keeps that text, gets "********" and loses the rest of the
// line. The state carries over from one chunk to the next, so a line split
// across reads is masked all the same.
class CPasswordMask {
public:
    void Feed(const char* data, size_t size, std::string& out);
    // Emits what is held back at the end of the stream.
    void Flush(std::string& out);

private:
    bool m_atLineStart = true;
    bool m_masking = false;
    size_t m_matched = 0;  // characters of the marker seen at a line start
};

class CProcessRunner {
public:
    enum ReadResult : int {
        RL_ERROR = 0,   // read error, quit while waiting, a failed end, or
                        // the output passed its limit (OutputLimitReached)
        RL_LINE = 1,    // a complete line (CR dropped, LF not included)
        RL_PROMPT = 2,  // the line so far contains the prompt
        RL_NODATA = 3,  // nothing more just now, or kLinePiece bytes of a
                        // longer line (partial line returned)
        RL_EXITED = 4,  // output ended and the program exited with code 0
    };

    // host: the program, which gets the failures (log and box) and keeps
    // its window working while ReadLine waits; noCancelCheck: those waits
    // do not look at the cancel state. Without a host nothing is shown.
    explicit CProcessRunner(ITransferHost& host, bool noCancelCheck = false);
    CProcessRunner();
    ~CProcessRunner();
    CProcessRunner(const CProcessRunner&) = delete;
    CProcessRunner& operator=(const CProcessRunner&) = delete;

    // Starts argv[0] (searched on PATH when it holds no "/") in its own
    // process group, in workingFolder when one is given. Reports "Error
    // creating pipe" or "Error creating process" and returns false on
    // failure.
    // environment: "NAME=value" entries that replace or add to this
    // process's environment for the program.
    bool Start(const std::vector<std::string>& argv, const std::string& workingFolder,
               const std::string& programName, const std::vector<std::string>& environment = {});
    void CloseStdin();
    // Writes what the pipe takes now of pending and drops that from its
    // front; never waits. False once the program no longer reads its input
    // (it has ended or closed it).
    bool WriteSomeStdin(std::string& pending);
    // A line ends at a line feed; a CR right before it goes, any other CR
    // stays in the line.
    ReadResult ReadLine(std::string& line, const std::string& prompt, bool wait);
    // 1 while the program runs; 0 once its exit status has been recorded.
    int PollExit();
    // Waits up to ms milliseconds for output or for the program's end, and
    // with forInput also for room in the pipe to its standard input.
    void WaitForActivity(int ms, bool forInput = false);
    void Terminate();
    void DrainStderr();

    bool IsRunning() const { return m_bRunning; }
    // The exit code; 0 while the program runs. A program ended by a signal
    // reads as 128 plus the signal number.
    uint32_t GetExitCode() const { return m_bRunning ? 0 : m_nExitCode; }
    const std::string& GetOutput() const { return m_strOutput; }
    pid_t GetPid() const { return m_pid; }

    // Grace between SIGTERM and SIGKILL when terminating.
    static constexpr int kTerminateGraceMs = 500;
    // The most of one line a ReadLine call hands out at a time.
    static constexpr size_t kLinePiece = 64 * 1024;

    // The most the program may write, its two streams together; past it
    // ReadLine fails, OutputLimitReached tells why, and nothing more of the
    // error stream is kept.
    uint64_t GetOutputLimit() const { return m_nOutputLimit; }
    bool OutputLimitReached() const { return m_bOverLimit; }
    // Counts the output from nothing again, for a program that answers
    // one request after another.
    void RestartOutputCount() { m_nOutputBytes = 0; }

private:
    void SetError(const std::string& text, int error);
    void RecordExit(int status);
    // Counts n more bytes of output; false once past the limit.
    bool CountOutput(size_t n);
    void CloseFd(int& fd);
    bool WaitExited(int ms);
    // One write to standard input without the signal of a closed pipe:
    // the count written, 0 when the pipe is full, -1 when it is broken.
    ssize_t WriteStdinOnce(const char* data, size_t size);

    int m_stdinWrite = -1;
    int m_stdoutRead = -1;
    int m_stderrRead = -1;
    int m_pidfd = -1;
    char m_buffer[8192];
    size_t m_bufferCount = 0;
    size_t m_bufferNext = 0;
    pid_t m_pid = -1;
    bool m_bRunning = false;
    bool m_bStdoutEnded = false;
    // A CR was read last: whether it ends the line with a line feed after
    // it is not known yet.
    bool m_bPendingCR = false;
    uint32_t m_nExitCode = 259;
    std::string m_strOutput;
    std::string m_strProgram;
    ITransferHost& m_host;
    bool m_bCancelCheck;
    CPasswordMask m_mask;
    uint64_t m_nOutputLimit;
    uint64_t m_nOutputBytes = 0;  // read from both streams so far
    bool m_bOverLimit = false;
};

// Splits an extra-parameters text into arguments: blanks and tabs separate,
// double quotes group (and are removed), and inside quotes a backslash
// escapes a double quote or a backslash.
std::vector<std::string> SplitArguments(const std::string& text);
// The arguments as one line for the transcript: each one that is empty or
// holds a blank, tab or double quote is put in double quotes.
std::string FormatCommandLine(const std::vector<std::string>& argv);
