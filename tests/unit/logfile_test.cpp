#include <gtest/gtest.h>

#include <sys/stat.h>
#include <thread>

#include "app/path_helpers.h"
#include "app/text_helpers.h"
#include "platform/exceptions.h"
#include "support/test_app.h"

namespace {

class CPlainException : public CException {
public:
    const char* GetClassName() const override { return "CPlainException"; }
    std::string GetErrorMessage() const override { return "  plain  "; }
};

class CCodedException : public CException {
public:
    explicit CCodedException(int64_t code) : m_code(code) {}
    const char* GetClassName() const override { return "COleException"; }
    bool HasCode() const override { return true; }
    int64_t GetCode() const override { return m_code; }
    std::string GetErrorMessage() const override { return {}; }
    int64_t m_code;
};

}  // namespace

TEST_F(AppTest, LogEntryForms)
{
    CFixedClock clock;
    clock.now = 1700000000;  // 11/14/23 22:13:20 UTC
    app->SetClock(&clock);
    CLogfile& log = *app->GetLog();
    log.Write("first\r\nsecond\r\n");
    log.Write("no end");
    log.Write("");
    log.Write("a\rb");
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
    log.WriteException(CPlainException());
    log.WriteException(CFileException(5, ""));
    log.WriteException(CCodedException(static_cast<uint32_t>(0x80004005)));
    log.WriteException(CCodedException(65535));
    log.WriteException(CCodedException(65536));
    log.WriteException(CCodedException(0));
    const std::string text = LogText();
    EXPECT_NE(text.find("]LastStatus=[Posting x.txt]\n"), std::string::npos);
    EXPECT_NE(text.find("]Exception(CPlainException)=[plain]\n"), std::string::npos);
    EXPECT_NE(text.find("]Exception(CFileException,5)=[Input/output error]\n"), std::string::npos);
    EXPECT_NE(text.find("]Exception(COleException,0x80004005)=[(Error message was not found for this exception)]\n"),
              std::string::npos);
    EXPECT_NE(text.find("]Exception(COleException,65535)=["), std::string::npos);
    EXPECT_NE(text.find("]Exception(COleException,0x00010000)=["), std::string::npos);
    EXPECT_NE(text.find("]Exception(COleException)=["), std::string::npos);

    // Without a main frame there is no LastStatus entry.
    app->SetMainFrame(nullptr);
    const size_t before = LogText().size();
    log.WriteException(CPlainException());
    EXPECT_EQ(LogText().substr(before).find("LastStatus"), std::string::npos);
}

TEST_F(AppTest, EntriesFromManyThreadsStayWholeAndAreAllKept)
{
    CLogfile& log = *app->GetLog();
    std::vector<std::string> seen;
    std::mutex seenMutex;
    log.SetViewer([&](const std::string& entry) {
        std::lock_guard<std::mutex> lock(seenMutex);
        seen.push_back(entry);
    });
    const int threads = 8, perThread = 200;
    const std::string body(300, 'x');
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            for (int i = 0; i < perThread; ++i)
                log.Printf("T%d-%d %s\r\nsecond line of %d-%d\n", t, i, body.c_str(), t, i);
        });
    }
    for (auto& w : workers)
        w.join();
    // Each entry is its two lines in a row; none is lost or cut.
    const std::string text = LogText();
    size_t lines = 0, pos = 0;
    std::string prev;
    while (pos < text.size()) {
        const size_t nl = text.find('\n', pos);
        ASSERT_NE(nl, std::string::npos);
        const std::string line = text.substr(pos, nl - pos);
        if (lines % 2 == 1) {
            const size_t start = prev.find("]T") + 2;
            const std::string id = prev.substr(start, prev.find(' ', start) - start);
            ASSERT_EQ(line, "second line of " + id) << "entry " << prev.substr(0, 40) << " was broken";
        } else {
            ASSERT_EQ(line[0], '[');
            ASSERT_NE(line.find("]T"), std::string::npos);
            ASSERT_NE(line.find(body), std::string::npos);
        }
        prev = line;
        ++lines;
        pos = nl + 1;
    }
    EXPECT_EQ(lines, static_cast<size_t>(threads * perThread * 2));
    EXPECT_EQ(seen.size(), static_cast<size_t>(threads * perThread));
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
    const std::string path = folder.File("trim.txt");
    CLogfile log(path);
    auto trimmed = [&](const std::string& content, size_t limit) {
        folder.Write("trim.txt", content);
        log.Trim(limit);
        return ReadWholeFile(path);
    };
    // Exactly the limit is trimmed; one byte below is not.
    EXPECT_EQ(trimmed("aaaa\nbbbb\n", 10), "bbbb\n");
    EXPECT_EQ(trimmed("aaaa\nbbbb", 10), "aaaa\nbbbb");
    // The result is below the limit.
    EXPECT_EQ(trimmed("1\n22\n333\n4444\n", 8), "4444\n");
    // One long line with its end goes entirely; a last line without an
    // end that alone reaches the limit stays whole.
    EXPECT_EQ(trimmed(std::string(20, 'z') + "\n", 10), "");
    EXPECT_EQ(trimmed("a\n" + std::string(20, 'z'), 10), std::string(20, 'z'));
    // No file: nothing happens, nothing is made.
    CLogfile absent(folder.File("absent.txt"));
    absent.Trim(1);
    EXPECT_FALSE(FileExists(folder.File("absent.txt")));
}

TEST_F(AppTest, SetupFlagChangesAreLoggedAndCounted)
{
    app->LogSetupFlagChange("Multi-page index", SF_MULTI_PAGE_INDEX, true);
    app->LogSetupFlagChange("Multi-page index", SF_MULTI_PAGE_INDEX, true);
    app->LogSetupFlagChange("Active FTP", SF_ACTIVE_FTP, false);
    EXPECT_EQ(app->Setup().m_Ftp.m_dwFlags, static_cast<uint32_t>(SF_MULTI_PAGE_INDEX));
    EXPECT_EQ(app->m_nSetupChangeCount, 1);
    EXPECT_NE(LogText().find("]Multi-page index [0]->[1]\n"), std::string::npos);
    EXPECT_EQ(LogText().find("Active FTP"), std::string::npos);
}
