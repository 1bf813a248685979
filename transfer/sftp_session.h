// One sftp program kept running for the SFTP steps of one operation, so
// that a posting run or a walk of the website makes one SSH connection and
// login instead of one per step.
//
// sftp reads its commands from standard input in batch mode ("-b -"): a
// command that fails makes it stop with a non-zero exit code, exactly as a
// batch file run on its own would, so a failed step ends the session and
// the next step starts a new one. After the commands of a step a comment
// line carrying a number nobody can guess is sent; sftp echoes it on its
// output once everything before it has been done, which marks the end of
// the step's answer.
//
// While its sftp runs, a session keeps a record "sftp-<our pid>-<sftp pid>"
// in the private temporary folder, holding when that sftp started, so that
// the start-up after a killed run can end an sftp that outlived it (and
// nothing else).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

#include "transfer/login_failure.h"

class CProcessRunner;
class ITransferHost;

// How a step ended.
enum class SftpStepEnd {
    Done,           // every command ran (a "-" command may have failed)
    CommandFailed,  // a command failed, or sftp ended: the session has ended
    LoginFailed,    // ssh could not connect or log in (loginFailure says why)
    Cancelled,      // the user cancelled
    TimedOut,       // past the step's time limit (stopReason)
    TooMuchOutput,  // past the output limit (stopReason)
    NotStarted,     // nothing was sent: refused before, or sftp did not start
};

// What a line sftp wrote to its error stream says, sorted once for all.
enum class SftpErrorKind {
    MissingFolder,   // ls of a folder that is not there
    StandingFolder,  // mkdir of a folder that stands
    RefusedMode,     // the server does not let a mode be changed
    FailedRename,    // a rename did not come about
    RefusedOpen,     // the server refused to open a file to write it
    MissingFile,     // rm or rename of a name that is not there
    Other,
};

struct SftpErrorLine {
    SftpErrorKind kind = SftpErrorKind::Other;
    std::string text;  // without its line end
};
SftpErrorKind SftpErrorKindOf(const std::string& line);

// The answer to one command: the lines sftp wrote after echoing it.
struct SftpReply {
    std::string command;
    std::vector<std::string> lines;
};

// Everything a step brought back.
struct SftpStepResult {
    SftpStepEnd end = SftpStepEnd::NotStarted;
    LoginFailure loginFailure;  // for LoginFailed
    std::string stopReason;     // for TimedOut and TooMuchOutput: "did not finish within 10 min"
    // Each command's answer, in the order sent (cd lines the session adds
    // included); lines before the first echo go to a reply with an empty
    // command.
    std::vector<SftpReply> replies;
    // Every echo was that of the next command sent. A name holding a line
    // break can make a line that looks like an echo.
    bool echoesInTurn = true;
    std::vector<SftpErrorLine> errors;

    bool Ok() const { return end == SftpStepEnd::Done; }
    bool Holds(SftpErrorKind kind) const;
    // The error lines of the other kinds, each ended by a line feed.
    std::string ErrorText(std::initializer_list<SftpErrorKind> leaveOut = {}) const;
    // All output lines, echoes included, each ended by a line feed.
    std::string Output() const;
};

class CSftpSession {
public:
    // host: the program its sftp reports failures to and asks about a
    // cancel; argv: the sftp command line, reading its commands from "-".
    CSftpSession(ITransferHost& host, std::vector<std::string> argv, std::vector<std::string> environment);
    ~CSftpSession();
    CSftpSession(const CSftpSession&) = delete;
    CSftpSession& operator=(const CSftpSession&) = delete;

    // Starts sftp (the process runner reports a failure).
    bool Start();
    // True while sftp runs and was started with this command line.
    bool CanCarry(const std::vector<std::string>& argv);
    // Runs the commands of one step from the login folder (a first cd line
    // is relative to it). Unless it is Done the session has ended. A step
    // that runs past timeLimitMs (0: the request limit) or whose output
    // passes the output limit is stopped. A session's first step that ends
    // before sftp wrote a word never got past ssh's connection and login:
    // when ssh said why, the step ended LoginFailed.
    SftpStepResult RunStep(const std::string& commands, int64_t timeLimitMs = 0);
    // True once sftp has written a line: it writes nothing before its
    // login is done.
    bool Answered() const { return m_answered; }
    // Ends sftp: end of input, a short wait, then termination. What it
    // still wrote to its error stream goes to errors.
    void Close(std::string& errors);
    pid_t Pid() const;

    // Milliseconds Close waits for sftp to end on its own.
    static constexpr int kCloseWaitMs = 3000;

private:
    void TakeErrors(std::string& errors);
    SftpStepResult Ended(SftpStepResult result, std::string errors);
    void EndRecord();

    ITransferHost& m_host;
    std::vector<std::string> m_argv;
    std::vector<std::string> m_environment;
    std::unique_ptr<CProcessRunner> m_runner;
    std::string m_marker;  // the comment that ends each step, without its number
    unsigned m_step = 0;
    size_t m_errorsTaken = 0;
    // The folder sftp is in: the login folder when known and the line is
    // empty, else the folder of that cd line.
    bool m_folderKnown = false;
    std::string m_folderLine;
    std::string m_record;
    bool m_answered = false;
};

// The prefix of the records above.
extern const char kSftpSessionRecordPrefix[];
// The prefix of the readable copies an SFTP upload makes in the private
// temporary folder ("qmu<pid>-..."), for the sweep after a killed run.
extern const char kSftpCopyPrefix[];
// Ends the sftp (and the ssh it started) that the record recordName in the
// private temporary folder names, for a run no longer running, when that
// process is still the one the record was made for: an sftp leading its
// own process group, started at the time the record holds.
void EndLeftoverSftp(const std::string& recordName);
