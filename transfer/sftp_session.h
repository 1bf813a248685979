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
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

class CProcessRunner;
class ITransferHost;

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
    // is relative to it). Output lines
    // (the echo of the commands included) go to output when given; what
    // sftp wrote to its error stream during the step, and its exit banner
    // when it ended, go to errors. False when a command failed, sftp ended
    // or the user cancelled: the session has then ended. A step that runs
    // past timeLimitMs (0: the request limit) or whose output passes the
    // output limit is stopped, and StopReason tells why.
    bool RunStep(const std::string& commands, std::string* output, std::string& errors, int64_t timeLimitMs = 0);
    // Why the last step was stopped ("did not finish within 10 min"), or
    // empty.
    const std::string& StopReason() const { return m_stopReason; }
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
    std::string m_stopReason;
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
