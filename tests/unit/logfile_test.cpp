#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

#include "platform/path_helpers.h"
#include "platform/text_helpers.h"
#include "platform/exceptions.h"
#include "support/child_process.h"
#include "support/test_app.h"

namespace {

class CCodedException : public CException {
public:
    explicit CCodedException(int64_t code, bool hasCode = true) : m_code(code), m_hasCode(hasCode) {}
    const char* GetClassName() const override { return m_hasCode ? "COleException" : "CPlainException"; }
    bool HasCode() const override { return m_hasCode; }
    int64_t GetCode() const override { return m_code; }
    std::string GetErrorMessage() const override { return m_hasCode ? "" : "  plain  "; }
    int64_t m_code;
    bool m_hasCode;
};

}  // namespace

TEST_F(AppTest, LogEntryForms)
{
    CFixedClock clock;
    clock.now = 1700000000;  // 11/14/23 22:13:20 UTC
    app->SetClock(&clock);
    CLogfile& log = *app->GetLog();
    for (const char* text : {"first\r\nsecond\r\n", "no end", "", "a\rb"})
        log.Write(text);
    log.WriteBlock("line one\r\nline two", "Message Box");
    log.WriteBlock("ends\r\n", "Message Box");
    EXPECT_EQ(LogText(),
              "[11/14/23 22:13:20]first\nsecond\n"
              "[11/14/23 22:13:20]no end\n"
              "[11/14/23 22:13:20]\n"
              "[11/14/23 22:13:20]ab\n"
              "[11/14/23 22:13:20]Message Box=\n|line one\n|line two\n"
              "[11/14/23 22:13:20]Message Box=\n|ends\n|\n");
}

TEST_F(AppTest, ExceptionEntriesCarryTheLastStatusAndTheCode)
{
    frame.StatusText(2, " Posting x.txt ");
    CLogfile& log = *app->GetLog();
    log.WriteException(CCodedException(0, false));
    log.WriteException(CFileException(5, ""));
    for (int64_t code : {int64_t{0x80004005}, int64_t{65535}, int64_t{65536}, int64_t{0}})
        log.WriteException(CCodedException(code));
    for (const char* entry : {"]LastStatus=[Posting x.txt]\n", "]Exception(CPlainException)=[plain]\n",
                              "]Exception(CFileException,5)=[Input/output error]\n",
                              "]Exception(COleException,0x80004005)=[(Error message was not found for this exception)]\n",
                              "]Exception(COleException,65535)=[", "]Exception(COleException,0x00010000)=[",
                              "]Exception(COleException)=["})
        EXPECT_NE(LogText().find(entry), std::string::npos) << entry;

    // Without a main frame there is no LastStatus entry.
    app->SetMainFrame(nullptr);
    const size_t before = LogText().size();
    log.WriteException(CCodedException(0, false));
    EXPECT_EQ(LogText().substr(before).find("LastStatus"), std::string::npos);
}

TEST_F(AppTest, EntriesFromManyThreadsStayWholeAndAreAllKept)
{
    CLogfile& log = *app->GetLog();
    std::mutex seenMutex;
    size_t seen = 0;
    log.SetViewer([&](const std::string&) {
        std::lock_guard<std::mutex> lock(seenMutex);
        ++seen;
    });
    const int threads = 8, perThread = 200;
    const std::string body(300, 'x');
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back([&, t] {
            for (int i = 0; i < perThread; ++i)
                log.Printf("T%d-%d %s\r\nsecond line of %d-%d\n", t, i, body.c_str(), t, i);
        });
    for (auto& w : workers)
        w.join();
    // Each entry is its two lines in a row; none is lost or cut.
    std::vector<std::string> lines;
    const std::string text = LogText();
    for (size_t pos = 0, nl; (nl = text.find('\n', pos)) != std::string::npos; pos = nl + 1)
        lines.push_back(text.substr(pos, nl - pos));
    ASSERT_EQ(lines.size(), static_cast<size_t>(threads * perThread * 2));
    for (size_t n = 0; n < lines.size(); n += 2) {
        const size_t start = lines[n].find("]T") + 2;
        ASSERT_EQ(lines[n][0], '[');
        ASSERT_NE(lines[n].find(body), std::string::npos);
        ASSERT_EQ(lines[n + 1], "second line of " + lines[n].substr(start, lines[n].find(' ', start) - start))
            << "entry " << lines[n].substr(0, 40) << " was broken";
    }
    EXPECT_EQ(seen, static_cast<size_t>(threads * perThread));
}

TEST_F(AppTest, TheViewerGetsEntriesTheFileCannotTake)
{
    CLogfile broken(JoinPath(dataDir, "missing-folder/log.txt"));
    std::string got;
    broken.SetViewer([&](const std::string& e) { got += e; });
    EXPECT_EQ(broken.Write("kept for the viewer"), 0);
    EXPECT_NE(got.find("]kept for the viewer\n"), std::string::npos);
    CLogfile none{std::string()};
    EXPECT_EQ(none.Write("x"), 0);
}

TEST_F(AppTest, TrimDropsWholeLinesFromTheFront)
{
    CLogfile log(folder.File("trim.txt"));
    auto trimmed = [&](const std::string& content, size_t limit) {
        folder.Write("trim.txt", content);
        log.Trim(limit);
        return ReadWholeFile(folder.File("trim.txt"));
    };
    EXPECT_EQ(trimmed("aaaa\nbbbb\n", 10), "bbbb\n") << "exactly the limit is trimmed";
    EXPECT_EQ(trimmed("aaaa\nbbbb", 10), "aaaa\nbbbb") << "one byte below is not";
    EXPECT_EQ(trimmed("1\n22\n333\n4444\n", 8), "4444\n") << "the result is below the limit";
    EXPECT_EQ(trimmed(std::string(20, 'z') + "\n", 10), "") << "a long line with its end goes";
    EXPECT_EQ(trimmed("a\n" + std::string(20, 'z'), 10), std::string(20, 'z')) << "a last line without one stays";
    CLogfile absent(folder.File("absent.txt"));
    absent.Trim(1);
    EXPECT_FALSE(FileExists(folder.File("absent.txt"))) << "no file is made";
}

// Other processes write the same log while this one trims it again and
// again: an entry that waited for the lock of a file that was then
// replaced must reach the new file, so what is left of each writer is an
// unbroken run of its newest entries.
TEST_F(AppTest, TrimmingWhileOtherProcessesWriteLosesNoEntry)
{
    const std::string path = folder.File("shared.txt");
    const int writers = 3, count = 5000;
    CLogfile log(path);
    std::vector<std::unique_ptr<CChildProcess>> children;
    for (int w = 0; w < writers; ++w)
        children.push_back(std::make_unique<CChildProcess>(TestProgramPath("qm_log_writer"),
                                                           std::vector<std::string>{path, std::to_string(w), std::to_string(count), "20"}));
    std::string line;
    for (auto& child : children)
        ASSERT_TRUE(child->ReadLine(line, 30000));
    int trims = 0;
    ino_t lastInode = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    auto running = [&] {
        for (auto& child : children) {
            siginfo_t info{};
            if (::waitid(P_PID, static_cast<id_t>(child->Pid()), &info, WEXITED | WNOHANG | WNOWAIT) != 0 ||
                info.si_pid == 0)
                return true;
        }
        return false;
    };
    while (running() && std::chrono::steady_clock::now() < deadline) {
        log.Trim(16 * 1024);
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0 && st.st_ino != lastInode) {
            ++trims;
            lastInode = st.st_ino;
        }
    }
    for (auto& child : children) {
        const int status = child->Wait();
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    EXPECT_GE(trims, 5) << "the log was hardly trimmed while the writers ran";

    std::istringstream entries(ReadWholeFile(path));
    std::vector<int> next(writers, -1);
    int gaps = 0, lost = 0, lastWriter = -1;
    while (std::getline(entries, line)) {
        int w = -1, n = -1;
        const size_t at = line.find(']');
        ASSERT_TRUE(at != std::string::npos && std::sscanf(line.c_str() + at + 1, "%d entry %d", &w, &n) == 2 &&
                    w >= 0 && w < writers)
            << line;
        if (next[w] >= 0 && n != next[w]) {
            ++gaps;
            lost += n - next[w];
        }
        next[w] = n + 1;
        lastWriter = w;
    }
    // A writer that ended early may have been trimmed away; the last one
    // to write ends the file with its last entry.
    ASSERT_GE(lastWriter, 0);
    EXPECT_EQ(next[lastWriter], count) << "the newest entry is missing";
    EXPECT_EQ(gaps, 0) << lost << " entries lost";
}

TEST_F(AppTest, SetupFlagChangesAreLoggedAndCounted)
{
    app->LogSetupFlagChange("Multi-page index", SF_MULTI_PAGE_INDEX, true);
    app->LogSetupFlagChange("Multi-page index", SF_MULTI_PAGE_INDEX, true);
    app->LogSetupFlagChange("Active FTP", SF_ACTIVE_FTP, false);
    EXPECT_EQ(app->Setup().GetFlags(), static_cast<uint32_t>(SF_MULTI_PAGE_INDEX));
    EXPECT_EQ(app->m_nSetupChangeCount, 1);
    EXPECT_NE(LogText().find("]Multi-page index [0]->[1]\n"), std::string::npos);
    EXPECT_EQ(LogText().find("Active FTP"), std::string::npos);
}
