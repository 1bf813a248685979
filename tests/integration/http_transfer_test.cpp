// The URL download and the form post against a real web server.
#include <algorithm>
#include <chrono>

#include "platform/text_helpers.h"
#include "support/fault_guards.h"
#include "transfer/get_url.h"
#include "transfer/http_post.h"
#include "transfer_fixture.h"

namespace {

std::string Hex(const std::string& bytes)
{
    std::string out;
    for (unsigned char c : bytes)
        out += StrFormat("%02x", c);
    return out;
}

const std::string kFormHeader = "Content-Type: application/x-www-form-urlencoded";

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
    // Posts body; the error ("" for none) and the reply.
    std::pair<std::string, std::string> Post(const std::string& body, bool* cancelled = nullptr,
                                             const std::string& name = "g", const std::string& folder = "")
    {
        CHTPost post(*app);
        post.InitPost(name, base + folder + "/cgi-bin/upload/exchange.cgi", kFormHeader, body);
        post.Wait();
        if (cancelled)
            *cancelled = post.IsCanceled();
        return {post.GetError() ? post.GetError() : "", ReadWholeFile(post.GetReplyPath())};
    }

    ProgressFrame recording;
    std::string base;
};

TEST_F(HttpTest, GetUrlDownloadsWithProgressAndEndsWithAZeroByte)
{
    const std::string page(300000, 't');
    WriteWebFile("template.htm", page);
    std::vector<char> bytes;
    ASSERT_TRUE(app->GetURL(PageUrl("template.htm"), bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), page + '\0');

    // Slow enough for the bar to be seen.
    recording.shows.clear();
    recording.hides = 0;
    ASSERT_TRUE(app->GetURL(base + "/_test/slow?size=20000&delay=5", bytes));
    EXPECT_EQ(bytes.size(), 20001u);
    ASSERT_FALSE(recording.shows.empty());
    EXPECT_EQ(recording.shows.back().first, 20000);
    EXPECT_EQ(recording.hides, 1);

    // Empty, and without a length: the bar is never shown.
    WriteWebFile("empty.htm", "");
    ASSERT_TRUE(app->GetURL(PageUrl("empty.htm"), bytes));
    EXPECT_EQ(bytes, std::vector<char>{0});
    recording.shows.clear();
    ASSERT_TRUE(app->GetURL(base + "/_test/nolength?size=5000", bytes));
    EXPECT_EQ(bytes.size(), 5001u);
    EXPECT_TRUE(recording.shows.empty());
    EXPECT_TRUE(prompter.Texts().empty());
}

TEST_F(HttpTest, GetUrlFailuresAreShownWithTheirReason)
{
    WriteWebFile("cut.short", std::string(1000, 's'));  // ends before its Content-Length
    const std::string refused = "http://127.0.0.1:" + std::to_string(loopback::PickFreePort()) + "/x.htm";
    const std::vector<std::pair<std::string, std::string>> cases{
        {PageUrl("missing.htm"), PageUrl("missing.htm") + ": HTTP Status=404: File not found"},
        {PageUrl("cut.short"), PageUrl("cut.short") + ": "},
        {refused, refused + ": "}};
    for (const auto& [url, shown] : cases) {
        std::vector<char> bytes{'x'};
        prompter.Clear();
        EXPECT_FALSE(app->GetURL(url, bytes)) << url;
        EXPECT_TRUE(bytes.empty()) << url;
        ASSERT_EQ(prompter.Texts().size(), 1u) << url;
        EXPECT_EQ(prompter.Texts()[0].substr(0, shown.size()), shown);
    }
    EXPECT_NE(LogText().find(PageUrl("missing.htm") + ": HTTP Status=404"), std::string::npos);
}

TEST_F(HttpTest, CancelReturnsAtOnceAndTheAbandonedJobIsFreedLater)
{
    // Cancels at different moments of a slow download; the worker runs on
    // alone each time and is freed when it ends.
    for (int quitAfter : {1, 2, 5, 20}) {
        int pumps = 0;
        recording.quit = [&] { return ++pumps >= quitAfter; };
        app->SetBusy(true);
        std::vector<char> bytes;
        // The whole download would take ten seconds; the cancel returns
        // well within half that, even under a sanitizer on a busy machine.
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(app->GetURL(base + "/_test/slow?size=100000&delay=100", bytes));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        EXPECT_TRUE(bytes.empty());
        app->SetBusy(false);
    }
    recording.quit = nullptr;
    EXPECT_TRUE(prompter.Texts().empty());  // a cancel shows nothing
}

TEST_F(HttpTest, ThreadThatCannotStartIsReportedAndLeaksNothing)
{
    std::vector<char> bytes;
    {
        CThreadStartsRefused refused;
        EXPECT_FALSE(app->GetURL(PageUrl("x.htm"), bytes));
    }
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
    const std::vector<std::pair<std::string, std::string>> fields{
        {"club", "Club A"}, {"type", "upload"}, {"password", kPassword}, {"acblname", "game 1.acm"}, {"acbldata", data}};
    std::string body, recorded;
    for (const auto& [name, value] : fields) {
        body += (body.empty() ? "" : "&") + name + "=";
        UrlEncodeBytes(body, value.data(), value.size());
        recorded += std::string(recorded.empty() ? "" : ", ") + "[\"" + name + "\", \"" + Hex(value) + "\"]";
    }
    const auto [error, reply] = Post(body, nullptr, "game 1.acm", "/www");
    EXPECT_EQ(error, "");
    EXPECT_EQ(reply.rfind("<html><head><base href=\"" + base + "/\"><title>Upload</title>", 0), 0u) << reply;
    const std::string posts = ReadWholeFile(LoopbackSite::Get().postsFile);
    const std::string record = posts.substr(posts.rfind('\n', posts.size() - 2) + 1);
    EXPECT_NE(record.find("\"path\": \"/www/cgi-bin/upload/exchange.cgi\""), std::string::npos);
    EXPECT_NE(record.find("\"content_type\": \"application/x-www-form-urlencoded\""), std::string::npos);
    EXPECT_NE(record.find("\"fields\": [" + recorded + "]"), std::string::npos) << record;
    EXPECT_TRUE(recording.ShowedText("Uploading game 1.acm"));
    EXPECT_FALSE(HoldsPassword(LogText()));
}

TEST_F(HttpTest, FormPostFailuresAndTheExpectedLength)
{
    auto [error, reply] = Post("club=status404&type=upload");
    EXPECT_EQ(error, "HTTP Error 404");
    EXPECT_NE(reply.find("<base href="), std::string::npos);  // the server's page is still kept

    std::tie(error, reply) = Post("club=bigreply");
    EXPECT_NE(error.find("1 MiB"), std::string::npos) << error;
    EXPECT_EQ(reply, "");
    // The cap sits exactly at 1 MiB.
    std::tie(error, reply) = Post("club=reply" + std::to_string(1 << 20));
    EXPECT_EQ(error, "");
    EXPECT_EQ(reply, std::string(1 << 20, 'r'));
    std::tie(error, reply) = Post("club=reply" + std::to_string((1 << 20) + 1));
    EXPECT_NE(error.find("1 MiB"), std::string::npos) << error;
    EXPECT_EQ(reply, "");

    // No Content-Length in the reply: the expected size is the body's and half of it.
    std::tie(error, reply) = Post("club=nolength&x=" + std::string(2000 - 16, 'b'));
    EXPECT_EQ(error, "");
    ASSERT_FALSE(recording.shows.empty());
    EXPECT_EQ(recording.shows.back().first, 3000);

    bool cancelled = true;
    base = "http://127.0.0.1:" + std::to_string(loopback::PickFreePort());
    std::tie(error, reply) = Post("club=x", &cancelled);
    EXPECT_NE(error, "");
    EXPECT_FALSE(cancelled);
}

TEST_F(HttpTest, CancelledFormPostIsReportedAsCancelled)
{
    recording.cancelAt = 6;  // during the body
    bool cancelled = false;
    const auto [error, reply] = Post("club=Club&acbldata=" + std::string(200000, 'd'), &cancelled);
    EXPECT_TRUE(cancelled);
    EXPECT_NE(error, "");  // never taken for a posted file
    EXPECT_EQ(reply, "");
}
