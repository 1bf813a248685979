// The URL download and the form post against a real web server.
#include <chrono>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

#include "app/text_helpers.h"
#include "transfer/get_url.h"
#include "transfer/http_post.h"
#include "transfer_fixture.h"

namespace {

class RecordingFrame : public CRecordingStatusSink {
public:
    int UploadProgress(bool show, int total, int done) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (show)
            totals.push_back(total);
        else
            ++hides;
        return CRecordingStatusSink::UploadProgress(show, total, done);
    }
    bool PumpMessages() override { return quitAfterPumps <= 0 || ++pumps < quitAfterPumps; }
    std::vector<int> totals;
    int hides = 0;
    int quitAfterPumps = 0;
    std::atomic<int> pumps{0};

private:
    std::mutex m_mutex;
};

std::string Hex(const std::string& bytes)
{
    std::string out;
    for (unsigned char c : bytes)
        out += StrFormat("%02x", c);
    return out;
}

std::string LastLine(const std::string& text)
{
    const size_t end = text.find_last_not_of('\n');
    if (end == std::string::npos)
        return {};
    const size_t start = text.rfind('\n', end);
    return text.substr(start == std::string::npos ? 0 : start + 1, end + 1 - (start == std::string::npos ? 0 : start + 1));
}

}  // namespace

class HttpTest : public TransferTest {
protected:
    void SetUp() override
    {
        TransferTest::SetUp();
        app->SetMainFrame(&recording);
        base = LoopbackSite::Get().Http().Url();
    }
    void TearDown() override
    {
        EXPECT_TRUE(WaitForDownloadThreads(10000));
        EXPECT_EQ(CGetURLJob::LiveCount(), 0);
        app->SetMainFrame(&frame);
        TransferTest::TearDown();
    }
    std::string PageUrl(const std::string& name) { return base + "/" + TestFolderName() + "/" + name; }
    void WritePage(const std::string& name, const std::string& bytes)
    {
        FILE* f = std::fopen(WebPath(name).c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }

    RecordingFrame recording;
    std::string base;
};

TEST_F(HttpTest, GetUrlDownloadsWithProgressAndEndsWithAZeroByte)
{
    const std::string page(300000, 't');
    WritePage("template.htm", page);
    std::vector<char> bytes;
    ASSERT_TRUE(app->GetURL(PageUrl("template.htm"), bytes));
    ASSERT_EQ(bytes.size(), page.size() + 1);
    EXPECT_EQ(std::string(bytes.data(), page.size()), page);
    EXPECT_EQ(bytes.back(), 0);

    // Slow enough for the bar to be seen.
    recording.totals.clear();
    recording.hides = 0;
    ASSERT_TRUE(app->GetURL(base + "/_test/slow?size=20000&delay=5", bytes));
    EXPECT_EQ(bytes.size(), 20001u);
    ASSERT_FALSE(recording.totals.empty());
    EXPECT_EQ(recording.totals.back(), 20000);
    EXPECT_EQ(recording.hides, 1);

    // Empty, and without a length: the bar is never shown.
    WritePage("empty.htm", "");
    ASSERT_TRUE(app->GetURL(PageUrl("empty.htm"), bytes));
    EXPECT_EQ(bytes, std::vector<char>{0});
    recording.totals.clear();
    ASSERT_TRUE(app->GetURL(base + "/_test/nolength?size=5000", bytes));
    EXPECT_EQ(bytes.size(), 5001u);
    EXPECT_TRUE(recording.totals.empty());
    EXPECT_TRUE(prompter.Texts().empty());
}

TEST_F(HttpTest, GetUrlFailuresAreShownWithTheirReason)
{
    std::vector<char> bytes;
    const std::string missing = PageUrl("missing.htm");
    EXPECT_FALSE(app->GetURL(missing, bytes));
    EXPECT_TRUE(bytes.empty());
    ASSERT_EQ(prompter.Texts().size(), 1u);
    EXPECT_EQ(prompter.Texts()[0], missing + ": HTTP Status=404: File not found");

    // A reply that ends before its Content-Length is no download.
    EXPECT_FALSE(app->GetURL(base + "/_test/short?size=1000&sent=10", bytes));
    ASSERT_EQ(prompter.Texts().size(), 2u);
    EXPECT_NE(prompter.Texts()[1].find("_test/short"), std::string::npos);

    const std::string refused = "http://127.0.0.1:" + std::to_string(loopback::PickFreePort()) + "/x.htm";
    EXPECT_FALSE(app->GetURL(refused, bytes));
    ASSERT_EQ(prompter.Texts().size(), 3u);
    EXPECT_EQ(prompter.Texts()[2].rfind(refused + ": ", 0), 0u);
    EXPECT_NE(LogText().find(missing + ": HTTP Status=404"), std::string::npos);
}

TEST_F(HttpTest, CancelReturnsAtOnceAndTheAbandonedJobIsFreedLater)
{
    // Several cancels at different moments of a slow download, and one
    // right at the end of a fast one; the worker runs on alone each time.
    for (int quitAfter : {1, 2, 5, 20}) {
        recording.pumps = 0;
        recording.quitAfterPumps = quitAfter;
        app->SetBusy(true);
        std::vector<char> bytes;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(app->GetURL(base + "/_test/slow?size=100000&delay=10", bytes));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
        EXPECT_TRUE(bytes.empty());
        app->SetBusy(false);
    }
    recording.quitAfterPumps = 0;
    EXPECT_TRUE(prompter.Texts().empty());  // a cancel shows nothing
    EXPECT_TRUE(WaitForDownloadThreads(10000));
    EXPECT_EQ(CGetURLJob::LiveCount(), 0);
}

TEST_F(HttpTest, ThreadThatCannotStartIsReportedAndLeaksNothing)
{
    FailDownloadThreadStartsForTests(true);
    std::vector<char> bytes;
    EXPECT_FALSE(app->GetURL(PageUrl("x.htm"), bytes));
    FailDownloadThreadStartsForTests(false);
    EXPECT_EQ(CGetURLJob::LiveCount(), 0);
    EXPECT_EQ(RunningDownloadThreads(), 0);
    ASSERT_EQ(prompter.Texts().size(), 1u);
    EXPECT_NE(LogText().find("Operation=[CQuillmarkApp::GetURL: AfxBeginThread]"), std::string::npos);
}

TEST_F(HttpTest, FormPostSendsTheFieldsInOrderAndKeepsTheReply)
{
    std::string data;
    for (int i = 0; i < 256; ++i)
        data += static_cast<char>(i);
    data += " &=%+#\r\n";
    std::string body = "club=";
    UrlEncode(body, "Club A");
    body += "&type=upload&password=";
    UrlEncode(body, kPassword.c_str());
    body += "&acblname=";
    UrlEncode(body, "game 1.acm");
    body += "&acbldata=";
    UrlEncodeBytes(body, data.data(), data.size());
    const std::string url = base + "/www/cgi-bin/upload/exchange.cgi";
    {
        CHTPost post;
        post.InitPost("game 1.acm", url, "Content-Type: application/x-www-form-urlencoded", body);
        post.Wait();
        EXPECT_EQ(post.GetError(), nullptr) << post.GetError();
        EXPECT_FALSE(post.IsCanceled());
        const std::string reply = ReadWholeFile(post.GetReplyPath());
        EXPECT_EQ(reply.rfind("<html><head><base href=\"" + base + "/\"><title>Upload</title>", 0), 0u) << reply;
    }
    const std::string record = LastLine(ReadWholeFile(LoopbackSite::Get().postsFile));
    EXPECT_NE(record.find("\"path\": \"/www/cgi-bin/upload/exchange.cgi\""), std::string::npos);
    EXPECT_NE(record.find("\"content_type\": \"application/x-www-form-urlencoded\""), std::string::npos);
    const std::string fields = "[[\"club\", \"" + Hex("Club A") + "\"], [\"type\", \"" + Hex("upload") +
                               "\"], [\"password\", \"" + Hex(kPassword) + "\"], [\"acblname\", \"" +
                               Hex("game 1.acm") + "\"], [\"acbldata\", \"" + Hex(data) + "\"]]";
    EXPECT_NE(record.find(fields), std::string::npos) << record;
    bool uploading = false;
    for (const auto& t : recording.Texts())
        uploading = uploading || t.second == "Uploading game 1.acm";
    EXPECT_TRUE(uploading);
    EXPECT_EQ(LogText().find("pa ss"), std::string::npos);
}

TEST_F(HttpTest, FormPostStatusSizeCapAndExpectedLength)
{
    const std::string url = base + "/cgi-bin/upload/exchange.cgi";
    const std::string header = "Content-Type: application/x-www-form-urlencoded";
    {
        CHTPost post;
        post.InitPost("g", url, header, "club=status404&type=upload");
        post.Wait();
        ASSERT_NE(post.GetError(), nullptr);
        EXPECT_STREQ(post.GetError(), "HTTP Error 404");
        EXPECT_NE(ReadWholeFile(post.GetReplyPath()).find("<base href="), std::string::npos);
    }
    {
        CHTPost post;
        post.InitPost("g", url, header, "club=bigreply");
        post.Wait();
        ASSERT_NE(post.GetError(), nullptr);
        EXPECT_NE(std::string(post.GetError()).find("1 MiB"), std::string::npos);
        EXPECT_EQ(ReadWholeFile(post.GetReplyPath()), "");
    }
    {
        // No Content-Length in the reply: the expected size is the body's
        // and half of it.
        recording.totals.clear();
        std::string body = "club=nolength&x=";
        body += std::string(2000 - body.size(), 'b');
        CHTPost post;
        post.InitPost("g", url, header, body);
        post.Wait();
        EXPECT_EQ(post.GetError(), nullptr);
        EXPECT_NE(std::find(recording.totals.begin(), recording.totals.end(), 3000), recording.totals.end());
    }
    {
        CHTPost post;
        post.InitPost("g", "http://127.0.0.1:" + std::to_string(loopback::PickFreePort()) + "/cgi-bin/upload/exchange.cgi",
                      header, "club=x");
        post.Wait();
        ASSERT_NE(post.GetError(), nullptr);
        EXPECT_FALSE(post.IsCanceled());
    }
}

TEST_F(HttpTest, CancelledFormPostIsReportedAsCancelled)
{
    recording.cancelAt = 6;  // during the body
    const std::string body = "club=Club&acbldata=" + std::string(200000, 'd');
    CHTPost post;
    post.InitPost("g", base + "/cgi-bin/upload/exchange.cgi", "Content-Type: application/x-www-form-urlencoded",
                  body);
    post.Wait();
    EXPECT_TRUE(post.IsCanceled());
    ASSERT_NE(post.GetError(), nullptr);  // never taken for a posted file
    EXPECT_EQ(ReadWholeFile(post.GetReplyPath()), "");
}
