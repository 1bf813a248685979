// Replies from hostile servers: the program speaks only HTTP(S) to the
// website whatever a setup file or a redirect names, reads no reply past
// its limit, and ends a reply that never ends by its time limit or at once
// on Cancel. A listener that stands for anything else on the club's
// network records whatever reaches it: nothing may.
#include <chrono>
#include <sys/stat.h>
#include <thread>

#include "posting/index_pages.h"
#include "support/fault_guards.h"
#include "transfer/get_url.h"
#include "transfer/url_string.h"
#include "transfer_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

class HostileReplyTest : public TransferTest {
protected:
    void SetUp() override
    {
        TransferTest::SetUp();
        ASSERT_TRUE(hostile.Start(folder.File("hostile.log")));
        ASSERT_TRUE(listener.Start(folder.File("record.txt"), folder.File("listener.log")));
        // The readiness check's own connection, once it is on record.
        for (int i = 0; i < 500 && recordBefore.empty(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            recordBefore = ReadWholeFile(listener.record);
        }
        ASSERT_EQ(recordBefore, "connect\n");
        app->SetMainFrame(&recording);
    }
    void TearDown() override
    {
        EXPECT_TRUE(WaitForDownloadThreads(10000));
        EXPECT_EQ(CGetURLJob::LiveCount(), 0);
        app->SetMainFrame(&frame);
        TransferTest::TearDown();
    }
    std::string Listener() const { return "127.0.0.1:" + std::to_string(listener.Port()); }
    std::string RedirectTo(const std::string& url) const
    {
        std::string query;
        PercentEncode(query, url.data(), url.size(), true);
        return hostile.Url() + "/redirect?to=" + query;
    }
    // The page read of Index Website, from a website at base.
    bool ReadWebsitePage(const std::string& base, const std::string& name)
    {
        app->Setup().m_strWebsiteUrl = base;
        std::vector<char> bytes{'x'};
        const bool ok = MakeWorker()->DownloadFile(bytes, name);
        EXPECT_TRUE(ok || bytes.empty());
        return ok;
    }
    // Cancels once the operation has run for a while; true when the run
    // ended within a second of the cancel.
    template <class Run>
    bool EndsWithinASecondOfCancel(Run run)
    {
        const auto cancelAt = Clock::now() + std::chrono::milliseconds(700);
        Clock::time_point cancelled{};
        recording.quit = [&] {
            if (Clock::now() < cancelAt)
                return false;
            if (cancelled == Clock::time_point{})
                cancelled = Clock::now();
            return true;
        };
        app->SetBusy(true);
        EXPECT_FALSE(run());
        const auto ended = Clock::now();
        app->SetBusy(false);
        recording.quit = nullptr;
        EXPECT_NE(cancelled, Clock::time_point{}) << "the cancel never came";
        return cancelled != Clock::time_point{} && ended - cancelled < std::chrono::seconds(1);
    }

    loopback::CHostileHttpServer hostile;
    loopback::CRecordingListener listener;
    std::string recordBefore;
    ProgressFrame recording;
};

TEST_F(HostileReplyTest, OtherSchemesNeverReachTheNetworkWhetherSetUpOrRedirectedTo)
{
    app->Setup().m_strIndexTemplate = "index_template.htm";
    app->Setup().m_strIndexFile = "index.htm";
    const std::string attack = "/_FLUSHALL%0D%0ASET%20owned%201%0D%0A";
    for (const char* scheme : {"gopher", "dict", "telnet", "ldap", "smtp", "file"}) {
        SCOPED_TRACE(scheme);
        const std::string url =
            std::string(scheme) + "://" + (std::string(scheme) == "file" ? "/etc/passwd" : Listener() + attack);
        // Read directly, and through a redirect from a website.
        for (const std::string& asked : {url, RedirectTo(url)}) {
            std::vector<char> bytes;
            prompter.Clear();
            EXPECT_FALSE(app->GetURL(asked, bytes));
            EXPECT_TRUE(bytes.empty());
            EXPECT_EQ(prompter.Texts().size(), 1u);
            EXPECT_FALSE(ReadWebsitePage(asked, "page.htm"));
        }
        // As the Website URL of a setup file: refused before any use, and
        // the user is told what to change and where.
        app->Setup().m_strWebsiteUrl = url;
        prompter.Clear();
        EXPECT_EQ(app->CreateIndex(false), IndexResult::Failed);
        ASSERT_EQ(prompter.Texts().size(), 1u);
        EXPECT_NE(prompter.Texts()[0].find("The Website URL is not valid: " + url), std::string::npos);
        EXPECT_NE(prompter.Texts()[0].find("Change the Website URL in Setup, on the Website page."),
                  std::string::npos);
        EXPECT_FALSE(app->IndexWebsite());
        EXPECT_EQ(recording.GetLastStatus(), "Setup required: Website URL");
    }
    EXPECT_EQ(ReadWholeFile(listener.record), recordBefore) << "something reached the listener";
}

TEST_F(HostileReplyTest, EndlessBodiesFailAtTheirLimitAndKeepNothing)
{
    CTransferLimits limits;
    limits.httpBodyBytes = 4u << 20;
    // Far above what 4 MiB takes on loopback: a body that is not counted
    // fails here on time instead of hanging the test.
    limits.requestMs = 20000;
    CTransferLimitsGuard guard(limits);
#ifndef QM_UNDER_SANITIZER
    // An unbounded read fails here within a second instead of taking the
    // machine's memory.
    CAddressSpaceLimit memory(512u << 20);
#endif
    // An error page is read against the same limit as a page, though
    // nothing of it is kept.
    for (const char* kind : {"endless", "huge", "endless404", "huge404"}) {
        SCOPED_TRACE(kind);
        const std::string url = hostile.Url() + "/" + kind + "/template.htm";
        std::vector<char> bytes;
        prompter.Clear();
        EXPECT_FALSE(app->GetURL(url, bytes));
        EXPECT_TRUE(bytes.empty());
        ASSERT_EQ(prompter.Texts().size(), 1u);
        EXPECT_EQ(prompter.Texts()[0],
                  url + ": The reply is larger than the limit of 4 MiB; nothing of it was kept.");

        prompter.Clear();
        EXPECT_FALSE(ReadWebsitePage(hostile.Url() + "/" + kind, "page.htm"));
        ASSERT_FALSE(prompter.Texts().empty());
        EXPECT_NE(prompter.Texts().back().find(hostile.Url() + "/" + kind + "/page.htm: The reply is larger than "
                                                                             "the limit of 4 MiB"),
                  std::string::npos)
            << prompter.Texts().back();
    }
}

TEST_F(HostileReplyTest, DrippingReplyEndsAtItsTimeLimitOrWithinASecondOfCancel)
{
    const std::string drip = hostile.Url() + "/drip";
    {
        CTransferLimits limits;
        limits.requestMs = 1500;
        CTransferLimitsGuard guard(limits);
        // Nothing else ends a drip: the test cancels a request still running
        // long after its limit, so one that ignores the limit fails here.
        const auto start = Clock::now();
        bool rescued = false;
        recording.quit = [&] {
            if (Clock::now() - start < std::chrono::seconds(8))
                return false;
            rescued = true;
            return true;
        };
        app->SetBusy(true);
        std::vector<char> bytes;
        prompter.Clear();
        EXPECT_FALSE(app->GetURL(drip + "/template.htm", bytes));
        EXPECT_FALSE(ReadWebsitePage(drip, "page.htm"));
        app->SetBusy(false);
        recording.quit = nullptr;
        EXPECT_FALSE(rescued) << "the time limit of 1500 ms never ended the request; the test cancelled it";
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
        ASSERT_EQ(prompter.Texts().size(), 2u);
        for (const std::string& text : prompter.Texts())
            EXPECT_NE(text.find("No complete reply within the time limit of 1500 ms."), std::string::npos) << text;
    }
    // With the time limit far off, Cancel ends the template download and a
    // page read of Index Website at once. The limit stays in sight of the
    // test, so a request that never looks at Cancel fails it, not hangs it.
    CTransferLimits limits;
    limits.requestMs = 20000;
    CTransferLimitsGuard guard(limits);
    prompter.Clear();
    EXPECT_TRUE(EndsWithinASecondOfCancel([&] {
        std::vector<char> bytes;
        return app->GetURL(drip + "/template.htm", bytes);
    }));
    EXPECT_TRUE(EndsWithinASecondOfCancel([&] { return ReadWebsitePage(drip, "page.htm"); }));
    EXPECT_TRUE(prompter.Texts().empty());  // a cancel is no failure
}

// An https:// website is read over TLS on the port the director gave, and
// a certificate nobody vouches for is refused, not read past.
TEST_F(HostileReplyTest, HttpsWebsiteIsReadOverTlsAndAnUntrustedCertificateIsRefused)
{
    // The listener stands where the website is: what reaches it must be the
    // start of a TLS handshake (a record of type 22), never a request in
    // plain text. It never answers, so the test cancels once bytes came.
    const auto giveUp = Clock::now() + std::chrono::seconds(20);
    std::string arrived;
    recording.quit = [&] {
        arrived = ReadWholeFile(listener.record).substr(recordBefore.size());
        return arrived.size() > std::string("connect\n").size() || Clock::now() > giveUp;
    };
    app->SetBusy(true);
    prompter.Clear();
    EXPECT_FALSE(ReadWebsitePage("https://" + Listener(), "page.htm"));
    app->SetBusy(false);
    recording.quit = nullptr;
    EXPECT_TRUE(prompter.Texts().empty());  // the test's cancel
    ASSERT_GT(arrived.size(), 8u) << "nothing reached the https:// website's port";
    EXPECT_EQ(arrived.substr(0, 9), std::string("connect\n\x16")) << "not a TLS handshake: " << arrived;
    EXPECT_EQ(arrived.find("GET "), std::string::npos) << arrived;

    // A server with a self-signed certificate: the template download and
    // the page read both fail at the handshake and say why.
    const std::string certDir = folder.File("cert");
    ASSERT_EQ(::mkdir(certDir.c_str(), 0700), 0);
    ASSERT_TRUE(loopback::MakeSelfSignedCertificate(certDir));
    loopback::CHostileHttpServer secure;
    ASSERT_TRUE(secure.Start(folder.File("secure.log"), certDir));
    ASSERT_EQ(secure.Url().compare(0, 8, "https://"), 0);
    prompter.Clear();
    std::vector<char> bytes;
    EXPECT_FALSE(app->GetURL(secure.Url() + "/template.htm", bytes));
    EXPECT_FALSE(ReadWebsitePage(secure.Url(), "page.htm"));
    ASSERT_EQ(prompter.Texts().size(), 2u) << "a page the server does not have is no failure: the certificate "
                                              "was not checked";
    for (const std::string& text : prompter.Texts())
        EXPECT_NE(text.find("certificate"), std::string::npos) << text;
}
