// The index commands against real servers: Index Website reads the pages
// over the configured protocol and HTTP, Create Index downloads the index
// template, Publish Index uploads the pages.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <functional>

#include "app/setup_file.h"
#include "platform/path_helpers.h"
#include "platform/text_helpers.h"
#include "posting/ftp_web_transport.h"
#include "posting/score_file.h"
#include "support/golden_file.h"
#include "support/fault_guards.h"
#include "transfer_fixture.h"

namespace {

std::string ResultsPage(const std::string& event, const std::string& date, const std::string& session)
{
    return "<html><body>\r\n<pre>\r\nEVENT&gt;" + event + "\r\nSESSION&gt;" + session + "\r\nDATE&gt;" + date +
           "\r\nMP LIMITS&gt;None\r\n</pre>\r\n</body></html>\r\n";
}

class IndexWebsiteTest : public TransferTest {
protected:
    void RoundTrip(int p)
    {
        RoundTrip([this, p] { UseProtocol(p); });
    }
    // pointAtServer: sets the FTP settings and the website.
    void RoundTrip(const std::function<void()>& pointAtServer)
    {
        pointAtServer();
        app->SetWebTransportFactory(
            [this](CFTPSettings&) { return std::make_unique<CFtpWebTransport>(MakeWorker()); });
        const std::string test = TestFolderName();
        CSetupData& setup = app->Setup();
        setup.m_strWebsiteScoreFileDirectory = test;
        setup.m_strScoreFileTemplate = "results_template.html";
        setup.m_strIndexTemplate = "tmpl-" + test + ".htm";
        setup.m_strIndexFile = "idx-" + test + ".htm";
        setup.SetFlags(setup.GetFlags() | SF_LINK_PDF_HAND_RECORDS);

        auto put = [this](const std::string& name, const std::string& bytes) {
            const std::string path = WebPath(name);
            ::mkdir(GetFolderOnly(path).c_str(), 0777);
            folder.Write("upload.tmp", bytes);
            ASSERT_EQ(::rename(folder.File("upload.tmp").c_str(), path.c_str()), 0) << path;
        };
        put("../" + setup.m_strIndexTemplate, ReadTestData("index/index_template.htm"));
        put("results_template.html", "<html><!--quillmark:insert--></html>");
        put("20240305anb.htm", ResultsPage("Zürich Open Pairs", "March 5, 2024", "Tuesday Aft"));
        put("20240305anb.pdf", "%PDF-1.4");
        put("2024/20240301eb.htm", ResultsPage("Łódź Teams", "March 1, 2024", "Friday Eve"));
        put("20240305anb_files/inner.htm", ResultsPage("Not a results page", "March 5, 2024", "Tuesday Aft"));

        ASSERT_TRUE(app->IndexWebsite()) << [this] {
            std::string t;
            for (const auto& s : frame.Texts())
                t += s.second + "\n";
            for (const auto& s : prompter.Texts())
                t += "box: " + s + "\n";
            return t + LogText();
        }();
        CColScoreFile& entries = app->GetIndexEntries();
        ASSERT_EQ(entries.GetCount(), 2) << "the template and the page's own folder are left out";
        EXPECT_EQ(entries[0].GetPath(), "20240305anb.htm");
        EXPECT_TRUE(entries[0].IsPdfHandRecordUploaded());
        EXPECT_EQ(entries[1].GetPath(), "2024/20240301eb.htm");
        EXPECT_EQ(entries[1].GetWebName(), "2024\\20240301eb.htm");

        app->OnIndexCreateIndex();
        ASSERT_EQ(frame.GetLastStatus(), "Create Index succeeded");
        app->OnIndexPublishIndex();
        EXPECT_EQ(frame.GetLastStatus(), "Publish Index complete");
        const std::string published = ReadWholeFile(LoopbackSite::Get().www + "/" + setup.m_strIndexFile);
        EXPECT_EQ(published, ReadWholeFile(JoinPath(app->GetStagingFolder(), setup.m_strIndexFile)));
        const std::string base = setup.m_strWebsiteUrl + "/" + test + "/";
        EXPECT_NE(published.find("<a href=\"" + base + "20240305anb.htm\">Zürich Open Pairs</a>"), std::string::npos);
        EXPECT_NE(published.find("[<a href=\"" + base + "20240305anb.pdf\"><small>PDF</small></a>]"),
                  std::string::npos);
        EXPECT_NE(published.find("<a href=\"" + base + "2024/20240301eb.htm\">Łódź Teams</a>"), std::string::npos);
    }
};

}  // namespace

TEST_F(IndexWebsiteTest, PlainFtp)
{
    RoundTrip(PROTOCOL_FTP);
}

TEST_F(IndexWebsiteTest, Ftps)
{
    RoundTrip(PROTOCOL_FTPS);
}

TEST_F(IndexWebsiteTest, Sftp)
{
    RoundTrip(PROTOCOL_SFTP);
}

namespace {

class IndexWebsiteOnHosts : public IndexWebsiteTest, public ::testing::WithParamInterface<std::pair<FtpKind, int>> {};

std::string HostServerName(const ::testing::TestParamInfo<std::pair<FtpKind, int>>& info)
{
    return std::string(FtpKindName(info.param.first)) + (info.param.second == PROTOCOL_FTPS ? "Ftps" : "Ftp");
}

}  // namespace

// The same round trip on the servers clubs' hosts run.
TEST_P(IndexWebsiteOnHosts, RoundTrip)
{
    RoundTrip([this] { UseFtpServer(GetParam().first, GetParam().second); });
}

INSTANTIATE_TEST_SUITE_P(Hosts, IndexWebsiteOnHosts,
                         ::testing::Values(std::make_pair(FtpKind::PureFtpd, PROTOCOL_FTP),
                                           std::make_pair(FtpKind::PureFtpdTls, PROTOCOL_FTPS),
                                           std::make_pair(FtpKind::ProFtpd, PROTOCOL_FTP),
                                           std::make_pair(FtpKind::ProFtpdTls, PROTOCOL_FTPS),
                                           std::make_pair(FtpKind::ProFtpdChroot, PROTOCOL_FTP)),
                         HostServerName);

namespace {

// Index Website that cannot finish, against real servers: the index entries
// and the saved setup data file stay exactly as they were.
class IndexWebsiteFailureTest : public TransferTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override
    {
        TransferTest::SetUp();
        UseProtocol(GetParam());
        app->SetWebTransportFactory(
            [this](CFTPSettings&) { return std::make_unique<CFtpWebTransport>(MakeWorker()); });
        CSetupData& setup = app->Setup();
        setup.m_strWebsiteScoreFileDirectory = TestFolderName();
        setup.m_strScoreFileTemplate = "results_template.html";
        // A page the website really has: a walk that got anywhere finds it.
        WriteWebFile("page.htm", ResultsPage("Found Pairs", "March 5, 2024", "Tuesday Aft"));

        doc = std::make_unique<CQuillmarkDoc>(*app);
        doc->SetPathName(setupFile);
        // Entries as posting and Identify leave them, one of them hidden.
        for (const char* name : {"20240301eb.htm", "20240305anb.htm"}) {
            CScoreFile e;
            e.SetPath(name);
            e.SetPosted(name, 0);
            e.SetDescriptor(SFD_EVENT, std::string("Typed in Identify ") + name);
            e.SetDescriptor(SFD_SECTION, "B");
            e.SetDescriptor(SFD_MP_LIMITS, "0-750");
            e.SetHidden(std::string(name) == "20240305anb.htm");
            app->GetIndexEntries().Add(e);
        }
        ASSERT_TRUE(app->SaveData(true));
        entriesBefore = EntriesText();
        fileBefore = ReadWholeFile(setupFile);
        ASSERT_FALSE(fileBefore.empty());
    }

    // Everything of the entries that a failed run must leave alone.
    std::string EntriesText()
    {
        std::string text;
        CColScoreFile& entries = app->GetIndexEntries();
        for (int64_t i = 0; i < entries.GetCount(); ++i) {
            const CScoreFile& e = entries[i];
            text += e.GetPath() + "|" + e.GetWebName() + "|" + std::to_string(e.GetFlags());
            for (int d = 0; d < SFD_COUNT; ++d)
                text += "|" + e.GetDescriptor(d);
            text += "\n";
        }
        return text;
    }

    // Index Website fails, says so and leaves entries and file as they were.
    void ExpectFailureKeepsEverything(const std::string& what)
    {
        prompter.Clear();
        EXPECT_FALSE(app->IndexWebsite()) << what;
        EXPECT_EQ(EntriesText(), entriesBefore) << what;
        EXPECT_TRUE(ReadWholeFile(setupFile) == fileBefore) << what << ": the setup file was written again";
        EXPECT_EQ(frame.GetLastStatus(), "Index Website failed: the index entries are unchanged") << what;
        EXPECT_FALSE(prompter.Texts().empty()) << what << ": the user is told what went wrong";
        EXPECT_NE(LogText().find("Index Website failed"), std::string::npos) << what;
    }

    // An FTP or FTPS server with a made-up tree in place of the real one.
    void UseMadeUpTree(const std::string& tree)
    {
        const LoopbackSite& site = LoopbackSite::Get();
        ASSERT_TRUE(madeUp.Start(tree, site.site, kUser, kPassword, GetParam() == PROTOCOL_FTPS ? site.certDir : "",
                                 countFile, folder.File("made-up.log")));
        Ftp().m_strPort[GetParam()] = std::to_string(madeUp.Port());
    }
    // Should a walk run away all the same, the status line cancels it after
    // this many more texts (one or two for each entry listed) rather than
    // letting the test hang.
    void CancelAfter(int texts) { frame.cancelAt = static_cast<int>(frame.Texts().size()) + texts; }
    int Listings() const
    {
        const std::string text = ReadWholeFile(countFile);
        return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
    }

    void TearDown() override
    {
        doc.reset();
        TransferTest::TearDown();
    }

    std::unique_ptr<CQuillmarkDoc> doc;
    const std::string setupFile = folder.File("club.qsu");
    std::string entriesBefore, fileBefore;
    loopback::CMadeUpTreeFtpServer madeUp;
    const std::string countFile = folder.File("listings.txt");
};

}  // namespace

// Over FTPS and SFTP nothing reaches the server at login, so a closed port
// or a refused login shows only at the first listing.
TEST_P(IndexWebsiteFailureTest, FailedLoginOrListingLeavesTheEntriesAndTheSetupFile)
{
    const std::vector<std::pair<const char*, std::function<void()>>> faults{
        {"closed port", [&] { Ftp().m_strPort[GetParam()] = std::to_string(loopback::PickFreePort()); }},
        {"wrong password or key", [&] {
             if (GetParam() == PROTOCOL_SFTP)
                 Ftp().m_strParameters[2] = ReplaceAll(Ftp().m_strParameters[2], "userkey", "otherkey");
             else
                 app->SetFtpPassword("wrong " + kPassword);
         }},
        {"missing score-file folder", [&] { app->Setup().m_strWebsiteScoreFileDirectory += "/no such folder"; }},
        // The folders list, but the pages cannot be read.
        {"website down", [&] {
             app->Setup().m_strWebsiteUrl = "http://127.0.0.1:" + std::to_string(loopback::PickFreePort());
         }},
        {"web server error", [&] { app->Setup().m_strWebsiteScoreFileDirectory += "/_status500"; }},
    };
    ::mkdir(WebPath("_status500").c_str(), 0755);
    WriteWebFile("_status500/20240310eb.htm", ResultsPage("Unreadable Pairs", "March 10, 2024", "Sunday Eve"));
    for (const auto& [what, breakSettings] : faults) {
        UseProtocol(GetParam());
        app->SetFtpPassword(kPassword);
        app->Setup().m_strWebsiteScoreFileDirectory = TestFolderName();
        breakSettings();
        ExpectFailureKeepsEverything(what);
    }
    EXPECT_NE(LogText().find(GetParam() == PROTOCOL_FTP ? "CFTPWorker::Login" : "CFTPWorker::EnumerateFiles"),
              std::string::npos);

    // Put right, the same run finds the website's page.
    ::unlink(WebPath("_status500/20240310eb.htm").c_str());
    ::rmdir(WebPath("_status500").c_str());
    UseProtocol(GetParam());
    app->SetFtpPassword(kPassword);
    app->Setup().m_strWebsiteScoreFileDirectory = TestFolderName();
    ASSERT_TRUE(app->IndexWebsite());
    ASSERT_EQ(app->GetIndexEntries().GetCount(), 1);
    EXPECT_EQ(app->GetIndexEntries()[0].GetDescriptor(SFD_EVENT), "Found Pairs");

    // A folder that lists fine but holds nothing is an empty website, not
    // a failure.
    ASSERT_EQ(::mkdir(WebPath("empty").c_str(), 0755), 0);
    app->Setup().m_strWebsiteScoreFileDirectory = TestFolderName() + "/empty";
    ASSERT_TRUE(app->IndexWebsite());
    EXPECT_EQ(app->GetIndexEntries().GetCount(), 0);
    EXPECT_EQ(frame.GetLastStatus(), "Index Website complete: 0 file(s)");
}

// A server that refuses to list, and one whose tree never ends. The walk
// ends quickly, bounded, and keeps nothing of what it found before the cut
// (the page at the top).
using IndexWebsiteHostileTest = IndexWebsiteFailureTest;

TEST_P(IndexWebsiteHostileTest, RefusedEndlessOrWideTreeEndsTheWalkAndKeepsTheEntriesAndAliasesAreWalkedOnce)
{
    {
        UseMadeUpTree("refuse");
        ExpectFailureKeepsEverything("listing refused");
        EXPECT_NE(prompter.LastText().find("could not be listed"), std::string::npos) << prompter.LastText();
        if (GetParam() == PROTOCOL_FTP) {
            EXPECT_NE(prompter.LastText().find("550 Listing refused."), std::string::npos) << prompter.LastText();
        }
        EXPECT_EQ(Listings(), 1);
        madeUp.Stop();
    }
    const auto start = std::chrono::steady_clock::now();
    {
        ::unlink(countFile.c_str());
        UseMadeUpTree("endless");
        CancelAfter(200);
        ExpectFailureKeepsEverything("endless tree");
        EXPECT_NE(prompter.LastText().find("deeper than 16 levels"), std::string::npos) << prompter.LastText();
        EXPECT_EQ(Listings(), 17) << "the start and 16 levels below it";
        madeUp.Stop();
    }
    {
        ::unlink(countFile.c_str());
        UseMadeUpTree("wide");
        CancelAfter(2000);
        ExpectFailureKeepsEverything("wide tree");
        EXPECT_NE(prompter.LastText().find("more than 1000 folders"), std::string::npos) << prompter.LastText();
        EXPECT_EQ(Listings(), 25) << "40 new folders a listing: 1 + 24 * 40 queued, the 25th listing goes over";
    }
    // Bounded by the limits, not by the test's safety net.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
    madeUp.Stop();

    // One folder listed under several spellings is walked once.
    ::unlink(countFile.c_str());
    frame.cancelAt = 0;
    UseMadeUpTree("aliases");
    ASSERT_TRUE(app->IndexWebsite());
    EXPECT_EQ(Listings(), 2) << ReadWholeFile(countFile);
    ASSERT_EQ(app->GetIndexEntries().GetCount(), 1);
    EXPECT_EQ(app->GetIndexEntries()[0].GetPath(), "page.htm");
}

// The made-up trees are FTP servers; over SFTP a real tree deeper than the
// limit stands in for them.
using IndexWebsiteDeepTreeTest = IndexWebsiteFailureTest;

TEST_P(IndexWebsiteDeepTreeTest, TreeDeeperThanTheLimitIsCutOff)
{
    std::string deep;
    for (int level = 0; level < 18; ++level) {
        deep += "d/";
        ASSERT_EQ(::mkdir(WebPath(deep).c_str(), 0755), 0);
    }
    ExpectFailureKeepsEverything("deep tree");
    EXPECT_NE(prompter.LastText().find("deeper than 16 levels"), std::string::npos) << prompter.LastText();
}

namespace {

std::string ProtocolName(const ::testing::TestParamInfo<int>& i)
{
    return GetProtocolName(i.param);
}

}  // namespace

// An endless listing (the FTP server's or the curl run's) fails the walk at
// its limit, under a memory limit that an unbounded read would run into;
// a website whose pages never end is left within a second of Cancel.
TEST_P(IndexWebsiteHostileTest, EndlessListingFailsAtItsLimitAndCancelEndsAPageThatNeverEnds)
{
    {
        CTransferLimits limits;
        limits.ftpListingBytes = 2u << 20;
        limits.childOutputBytes = 2u << 20;
        CTransferLimitsGuard guard(limits);
#ifndef QM_UNDER_SANITIZER
        CAddressSpaceLimit memory(512u << 20);
#endif
        UseMadeUpTree("flood");
        ExpectFailureKeepsEverything("endless listing");
        const std::string expected = GetParam() == PROTOCOL_FTP ? "is larger than the limit of 2 MiB"
                                                                : "curl wrote more than 2 MiB and was stopped.";
        EXPECT_NE(prompter.LastText().find(expected), std::string::npos) << prompter.LastText();
        madeUp.Stop();
    }
    UseProtocol(GetParam());  // the real tree again, with its page
    loopback::CHostileHttpServer hostile;
    ASSERT_TRUE(hostile.Start(folder.File("hostile.log")));
    app->Setup().m_strWebsiteUrl = hostile.Url() + "/drip";
    // The request limit far off, yet in sight of the test: a page read that
    // never looks at Cancel ends there and fails the test instead of
    // hanging it.
    CTransferLimits limits;
    limits.requestMs = 20000;
    CTransferLimitsGuard guard(limits);
    ProgressFrame quitting;
    const auto cancelAt = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    std::chrono::steady_clock::time_point cancelled{};
    quitting.quit = [&] {
        if (std::chrono::steady_clock::now() < cancelAt)
            return false;
        if (cancelled == std::chrono::steady_clock::time_point{})
            cancelled = std::chrono::steady_clock::now();
        return true;
    };
    app->SetMainFrame(&quitting);
    prompter.Clear();
    EXPECT_FALSE(app->IndexWebsite());
    const auto ended = std::chrono::steady_clock::now();
    app->SetMainFrame(&frame);
    ASSERT_NE(cancelled, std::chrono::steady_clock::time_point{})
        << (ended < cancelAt ? "the walk ended before the cancel"
                             : "nothing asked for Cancel while the page came; it ran to its time limit");
    EXPECT_LT(ended - cancelled, std::chrono::seconds(1));
    EXPECT_EQ(EntriesText(), entriesBefore);
}

INSTANTIATE_TEST_SUITE_P(Protocols, IndexWebsiteFailureTest, ::testing::Values(0, 1, 2), ProtocolName);
INSTANTIATE_TEST_SUITE_P(Protocols, IndexWebsiteHostileTest, ::testing::Values(0, 1), ProtocolName);
INSTANTIATE_TEST_SUITE_P(Protocols, IndexWebsiteDeepTreeTest, ::testing::Values(2), ProtocolName);
