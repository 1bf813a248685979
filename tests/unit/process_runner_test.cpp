// The child-process runner against real child processes (sh scripts).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <csignal>
#include <sys/wait.h>
#include <thread>

#include "support/fault_guards.h"
#include "support/servers.h"
#include "support/test_app.h"
#include "transfer/ftp_settings.h"
#include "transfer/ftp_worker.h"
#include "transfer/process_runner.h"
#include "transfer/sftp_session.h"

namespace {

// Reads everything the way the FTP worker does (no waiting inside
// ReadLine), returning the output text and the last result.
std::string RunToEnd(CProcessRunner& runner, int& last)
{
    std::string out, line;
    last = CProcessRunner::RL_NODATA;
    while (runner.IsRunning()) {
        runner.WaitForActivity(50);
        while ((last = runner.ReadLine(line, {}, false)) == CProcessRunner::RL_LINE)
            out += line + "\n";
        out += line;
        if (last == CProcessRunner::RL_ERROR)
            break;
    }
    return out;
}

bool Reaped(pid_t pid)
{
    int status;
    return ::waitpid(pid, &status, WNOHANG) < 0 && errno == ECHILD;
}

// A live (not yet ended) process of the group, zombies aside.
bool GroupHasLiveProcess(pid_t group)
{
    const auto all = loopback::ListProcesses();
    return std::any_of(all.begin(), all.end(),
                       [&](const auto& p) { return p.pgrp == group && p.state != 'Z' && p.state != 'X'; });
}

// Polls done() until it holds or the time is up.
template <class Done>
bool Within(std::chrono::steady_clock::duration limit, Done done)
{
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// The next whole line of the program's output, waiting at most limit.
bool ReadLineWithin(CProcessRunner& runner, std::string& line, std::chrono::steady_clock::duration limit)
{
    const auto until = std::chrono::steady_clock::now() + limit;
    std::string partial;  // what came before the line end arrived
    while (std::chrono::steady_clock::now() < until) {
        const int r = runner.ReadLine(line, {}, false);
        partial += line;
        if (r == CProcessRunner::RL_LINE) {
            line = partial;
            return true;
        }
        if (r != CProcessRunner::RL_NODATA)
            return false;
        runner.WaitForActivity(50);
    }
    return false;
}

std::string Masked(const std::vector<std::string>& chunks)
{
    CPasswordMask mask;
    std::string out;
    for (const auto& c : chunks)
        mask.Feed(c.data(), c.size(), out);
    mask.Flush(out);
    return out;
}

}  // namespace

class ProcessRunnerTest : public AppTest {};

TEST(PasswordMask, MasksAtEveryLineStartWhateverTheLineEnd)
{
    const std::vector<std::pair<std::string, std::string>> cases{
        {"> USER u\n> PASS s3cret\n< 230 ok\n", "> USER u\n> PASS ********\n< 230 ok\n"},
        {"> PASS a b\r\n> PASS c\rx", "> PASS ********\r\n> PASS ********\rx"},
        {"x> PASS keep\n", "x> PASS keep\n"},  // not at a line start
        {"> PAS", "> PAS"},                      // a marker that stops short is given back whole
        {"> PAX\n", "> PAX\n"}};
    for (const auto& [in, out] : cases)
        EXPECT_EQ(Masked({in}), out);
}

TEST(PasswordMask, StateCarriesAcrossEverySplit)
{
    const std::string text = "* Trying\n> USER u\n> PASS pa ss#\"\\w\n< 230 Login ok\n";
    const std::string expected = "* Trying\n> USER u\n> PASS ********\n< 230 Login ok\n";
    for (size_t a = 0; a <= text.size(); ++a) {
        for (size_t b = a; b <= text.size(); b += 3) {
            const std::string got = Masked({text.substr(0, a), text.substr(a, b - a), text.substr(b)});
            ASSERT_EQ(got, expected) << "split at " << a << "," << b;
        }
    }
}

TEST_F(ProcessRunnerTest, LinesPartialLastLineLongLinesAndEnvironment)
{
    // The given environment entries replace inherited ones.
    ::setenv("QM_RUNNER_PROBE", "inherited", 1);
    CProcessRunner runner(*app);
    ASSERT_TRUE(runner.Start({"sh", "-c", "printf '%s/%s\\r\\ntwo\\n' \"$QM_RUNNER_PROBE\" \"$LC_ALL\"; "
                                           "head -c 20000 /dev/zero | tr '\\0' x; printf '\\nlast cr\\rin\\r'; "
                                           "sleep 0.1; printf '\\nend\\r'"},
                             {}, "sh", {"QM_RUNNER_PROBE=given", "LC_ALL=C.UTF-8"}));
    ::unsetenv("QM_RUNNER_PROBE");
    runner.CloseStdin();
    int last = 0;
    // A CR goes only with the line feed right after it (also when that
    // comes in a later read); any other is a byte of the line.
    EXPECT_EQ(RunToEnd(runner, last), "given/C.UTF-8\ntwo\n" + std::string(20000, 'x') + "\nlast cr\rin\nend\r");
    EXPECT_EQ(last, CProcessRunner::RL_EXITED);
    EXPECT_EQ(runner.GetExitCode(), 0u);
    EXPECT_EQ(runner.GetOutput(), "");  // silent success leaves no trace
    EXPECT_TRUE(Reaped(runner.GetPid()));
}

TEST_F(ProcessRunnerTest, ErrorStreamExitBannerAndCurlMasking)
{
    const std::string banner = " has exited with code ";
    const std::string rule = "\r\n--------------------\r\n\r\n";
    struct Case {
        const char* program;
        const char* script;
        std::string output;
    };
    const std::vector<Case> cases{
        {"sftp", "echo oops >&2; exit 3", "oops\nsftp" + banner + "3" + rule},
        {"curl", "exit 1", "curl" + banner + "1" + rule},
        // curl's password line reaches the pipe in two writes with a pause,
        // the lines ending in LF only.
        {"curl", "printf '> USER u\\n> PA' >&2; sleep 0.2; printf 'SS top secret\\n< 230\\n' >&2; exit 2",
         "> USER u\n> PASS ********\n< 230\ncurl" + banner + "2" + rule},
        {"sftp", "printf '> PASS visible\\n' >&2; exit 4", "> PASS visible\nsftp" + banner + "4" + rule},
    };
    for (const auto& c : cases) {
        CProcessRunner runner(*app);
        ASSERT_TRUE(runner.Start({"sh", "-c", c.script}, {}, c.program));
        runner.CloseStdin();
        int last = 0;
        RunToEnd(runner, last);
        EXPECT_EQ(last, CProcessRunner::RL_ERROR) << c.script;
        EXPECT_EQ(runner.GetOutput(), c.output);
    }
}

TEST_F(ProcessRunnerTest, EndOfOutputBeforeExitWaitsForTheStatus)
{
    // The program closes its output and error streams, then lives on for a
    // while before it exits with 0: that is a success, not an error.
    CProcessRunner runner(*app);
    ASSERT_TRUE(runner.Start({"sh", "-c", "echo done; exec >&- 2>&-; sleep 0.3; exit 0"}, {}, "sh"));
    runner.CloseStdin();
    std::string line;
    int r;
    while ((r = runner.ReadLine(line, {}, true)) == CProcessRunner::RL_LINE)
        EXPECT_EQ(line, "done");
    EXPECT_EQ(r, CProcessRunner::RL_EXITED);
    EXPECT_FALSE(runner.IsRunning());
}

TEST_F(ProcessRunnerTest, TerminateEndsTheProgramAndItsGroupWithoutZombies)
{
    CProcessRunner runner(*app);
    // The shell ignores SIGTERM, so the grace runs out and SIGKILL follows;
    // its child sleep is in the same group. It says when the trap is set.
    ASSERT_TRUE(runner.Start({"sh", "-c", "trap '' TERM; sleep 30 & echo ready; wait"}, {}, "sh"));
    const pid_t pid = runner.GetPid();
    std::string line;
    ASSERT_TRUE(ReadLineWithin(runner, line, std::chrono::seconds(30)));
    ASSERT_EQ(line, "ready");
    const auto start = std::chrono::steady_clock::now();
    runner.Terminate();
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_FALSE(runner.IsRunning());
    EXPECT_EQ(runner.GetExitCode(), 128u + SIGKILL);
    EXPECT_TRUE(Reaped(pid));
    // The group's SIGKILL lands on the orphaned sleep in its own time.
    EXPECT_TRUE(Within(std::chrono::seconds(20), [&] { return !GroupHasLiveProcess(pid); }))
        << "a process of the group is left";
    // Far below the 30 s the programs would run, with room for a slow machine.
    EXPECT_LT(took, std::chrono::seconds(10));

    CProcessRunner polite(*app);
    ASSERT_TRUE(polite.Start({"sleep", "30"}, {}, "sleep"));
    polite.Terminate();
    EXPECT_EQ(polite.GetExitCode(), 128u + SIGTERM);
    EXPECT_TRUE(Reaped(polite.GetPid()));

    pid_t dropped;
    {
        CProcessRunner runner(*app);  // destroyed while its program runs
        ASSERT_TRUE(runner.Start({"sleep", "30"}, {}, "sleep"));
        dropped = runner.GetPid();
    }
    EXPECT_TRUE(Reaped(dropped));
}

// Writing to a program that has ended (as an sftp whose connection went
// away) fails the write; the signal that would end this process is not
// raised, nor left pending.
TEST_F(ProcessRunnerTest, WritingToAnEndedProgramFailsQuietly)
{
    CProcessRunner runner(*app);
    ASSERT_TRUE(runner.Start({"sh", "-c", "exec <&-; echo closed"}, {}, "sh"));
    std::string line;
    ASSERT_TRUE(ReadLineWithin(runner, line, std::chrono::seconds(30)));
    ASSERT_EQ(line, "closed");
    // As the sftp worker writes: what the pipe takes, then a wait for room.
    std::string input(1 << 16, 'x');
    bool writing = true;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (writing && !input.empty() && std::chrono::steady_clock::now() < until) {
        writing = runner.WriteSomeStdin(input);
        if (writing && !input.empty())
            runner.WaitForActivity(50, true);
    }
    EXPECT_FALSE(writing);
    sigset_t pending;
    sigemptyset(&pending);
    ::sigpending(&pending);
    EXPECT_FALSE(sigismember(&pending, SIGPIPE));
}

TEST_F(ProcessRunnerTest, EndlessOutputOnEitherStreamEndsTheRunWithinItsLimit)
{
    CTransferLimits limits;
    limits.childOutputBytes = 1 << 20;
    CTransferLimitsGuard guard(limits);
    // Room for the limit but not for what an unbounded read would keep:
    // the programs below would write gigabytes within seconds.
#ifndef QM_UNDER_SANITIZER
    CAddressSpaceLimit memory(256u << 20);
#endif
    struct Case {
        const char* name;
        const char* script;
        bool listing;  // the output is collected, as for a listing
    };
    const Case cases[] = {
        {"lines on standard output", "yes 'drwxr-xr-x 2 a a 0 Mar 05 12:00 sub'", true},
        {"one endless line", "cat /dev/zero", true},
        {"error stream", "cat /dev/zero >&2", false},
        {"error stream while a listing is read", "yes >&2", true},
    };
    CFTPSettings settings;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // The long-lived sftp of an operation: each step has the limit,
        // and a step that passes it ends the session.
        {
            CSftpSession session(*app, {"sh", "-c", c.script}, {});
            ASSERT_TRUE(session.Start());
            const SftpStepResult step = session.RunStep("ls\n");
            EXPECT_EQ(step.end, SftpStepEnd::TooMuchOutput);
            EXPECT_EQ(step.stopReason, "wrote more than 1 MiB");
            EXPECT_EQ(session.Pid(), -1);
            EXPECT_TRUE(step.replies.empty());
            EXPECT_LE(step.ErrorText().size(), (1u << 20) + 200);
        }
        CFTPWorker worker(&settings, *app);
        CProcessRunner runner(*app);
        std::string output;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(worker.RunAndWait(runner, {"sh", "-c", c.script}, "sftp", c.listing ? &output : nullptr));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
        EXPECT_FALSE(runner.IsRunning());
        EXPECT_TRUE(runner.OutputLimitReached());
        EXPECT_TRUE(output.empty());
        EXPECT_LE(runner.GetOutput().size(), (1u << 20) + 200);
        EXPECT_NE(worker.GetTranscript().find("sftp wrote more than 1 MiB and was stopped."), std::string::npos);
    }
    EXPECT_NE(LogText().find("sftp wrote more than 1 MiB and was stopped."), std::string::npos);
}

TEST_F(ProcessRunnerTest, RunThatOutlivesItsTimeLimitIsStopped)
{
    CTransferLimits limits;
    limits.requestMs = 300;
    CTransferLimitsGuard guard(limits);
    CFTPSettings settings;
    CFTPWorker worker(&settings, *app);
    // A drip: a line every tenth of a second for five seconds, far longer
    // than the limit (it ends by itself, so a missing limit fails the test
    // instead of hanging it).
    CProcessRunner runner(*app);
    std::string output;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(worker.RunAndWait(runner, {"sh", "-c", "for i in $(seq 50); do echo x; sleep 0.1; done"}, "curl", &output));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(300));
    EXPECT_LT(took, std::chrono::seconds(5));
    EXPECT_FALSE(runner.IsRunning());
    EXPECT_NE(worker.GetTranscript().find("curl did not finish within 300 ms and was stopped."), std::string::npos);

    // The same drip as one step of a long-lived sftp.
    CSftpSession session(*app, {"sh", "-c", "for i in $(seq 50); do echo x; sleep 0.1; done"}, {});
    ASSERT_TRUE(session.Start());
    const auto stepStart = std::chrono::steady_clock::now();
    const SftpStepResult step = session.RunStep("ls\n");
    EXPECT_LT(std::chrono::steady_clock::now() - stepStart, std::chrono::seconds(5));
    EXPECT_EQ(step.end, SftpStepEnd::TimedOut);
    EXPECT_EQ(step.stopReason, "did not finish within 300 ms");
    EXPECT_EQ(session.Pid(), -1);

    // Within the limit a run goes as before.
    CProcessRunner quick;
    output.clear();
    EXPECT_TRUE(worker.RunAndWait(quick, {"sh", "-c", "echo a; echo b"}, "curl", &output));
    EXPECT_EQ(output, "a\nb\n");
}

TEST_F(ProcessRunnerTest, MissingProgramIsReported)
{
    CProcessRunner runner(*app);
    EXPECT_FALSE(runner.Start({"no-such-program-qm"}, {}, "curl"));
    ASSERT_EQ(prompter.Texts().size(), 1u);
    EXPECT_EQ(prompter.Texts()[0].rfind("Error creating process\r\n", 0), 0u);
}

TEST(SplitArguments, BlanksQuotesAndEscapes)
{
    EXPECT_EQ(SplitArguments(""), std::vector<std::string>{});
    EXPECT_EQ(SplitArguments("  -4  "), std::vector<std::string>{"-4"});
    EXPECT_EQ(SplitArguments("-i \"/k ey\" -oX=1"), (std::vector<std::string>{"-i", "/k ey", "-oX=1"}));
    EXPECT_EQ(SplitArguments("\"a\\\"b\\\\c\" \"\""), (std::vector<std::string>{"a\"b\\c", ""}));
    EXPECT_EQ(FormatCommandLine({"curl", "a b", "", "q\"x"}), "curl \"a b\" \"\" \"q\\\"x\"");
}
