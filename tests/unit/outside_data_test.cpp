// Outside data (a setup file from elsewhere, score files, pages read back
// from the website) does no harm: names that would leave the staging folder
// are refused before any file is touched, and texts reach generated pages
// escaped exactly once, links encoded.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/time.h>

#include "app/setup_checks.h"
#include "app/setup_file.h"
#include "platform/html_text.h"
#include "platform/path_helpers.h"
#include "standin/standin_layout.h"
#include "platform/text_helpers.h"
#include "posting/index_pages.h"
#include "posting/score_file.h"
#include "support/fake_web.h"
#include "support/golden_file.h"
#include "support/posting_samples.h"
#include "support/test_app.h"
#include "transfer/http_post.h"

namespace {

const char kBadName[] = "The Index Filename is not a plain file name";

// The line of a page that holds needle ("" when none).
std::string LineWith(const std::string& page, const std::string& needle)
{
    const size_t at = page.find(needle);
    if (at == std::string::npos)
        return {};
    const size_t start = page.rfind('\n', at) + 1;  // npos + 1 is 0
    return page.substr(start, page.find('\n', at) - start);
}

// A club that posts to a website in a local folder, with a folder "x"
// beside the data folder: from the staging folder (data/StagingN) it is
// "../../x", and "../ProgramData.bin" is the Upload History.
class OutsideDataTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        RegisterStandInLayout();
        app->SetClock(&clock);
        CSetupData& s = app->Setup();
        samples::UseWebsite(s, "http://club.example", "ftp.club.example");
        s.m_strScoreFileDirectory = folder.File("scores");
        ::mkdir(s.m_strScoreFileDirectory.c_str(), 0700);
        samples::UseLayouts(s, folder.Path());
        urls.pages["http://club.example/results/results_template.html"] =
            ReadTestData("template/results_template.html");
        urls.pages["http://club.example/index_template.htm"] = ReadTestData("index/index_template.htm");
        app->SetUrlSource(&urls);
        ::mkdir(site.root.c_str(), 0700);
        app->SetWebTransportFactory([this](CFTPSettings&) { return std::make_unique<CFakeWebTransport>(site); });

        staging = app->GetStagingFolder();
        ::mkdir(folder.File("x").c_str(), 0700);
        folder.Write("x/.profile", "export KEEP=1\n");
        folder.Write("x/notes.htm", "<p>mine</p>\n");
        programData = folder.Write("data/ProgramData.bin", "the Upload History");
    }

    void ExpectOutsideUntouched()
    {
        EXPECT_EQ(ReadWholeFile(folder.File("x/.profile")), "export KEEP=1\n");
        EXPECT_EQ(ReadWholeFile(folder.File("x/notes.htm")), "<p>mine</p>\n");
        EXPECT_EQ(ReadWholeFile(programData), "the Upload History");
    }

    // The game of the day under another event name.
    void WriteGame(int day, const std::string& event)
    {
        const std::string& scores = app->Setup().m_strScoreFileDirectory;
        samples::WriteGame(scores, day, clock.now - 600, true);
        const std::string path = folder.Write("scores/" + samples::GameFileName(day),
                                              ReplaceAll(samples::GameText(day), "Club Pairs", event));
        const timeval times[2] = {{clock.now - 600, 0}, {clock.now - 600, 0}};
        ::utimes(path.c_str(), times);
    }

    CFixedClock clock;
    CFakeUrlSource urls;
    CFakeWebsite site{folder.File("website")};
    std::string staging, programData;
};

}  // namespace

TEST(PlainFileNames, OnlyANameWithinItsFolderIsJoined)
{
    for (const char* bad : {"", ".", "..", "../x", "x/", "/etc/passwd", "..\\x", "index\x01.htm", "del\x7F"}) {
        SCOPED_TRACE(bad);
        std::string path = "unchanged";
        EXPECT_FALSE(JoinInside("/staging", bad, path));
        EXPECT_EQ(path, "unchanged");
        EXPECT_NE(CheckIndexFilename(bad), "");
    }
    for (const char* good : {"index.htm", ".index.htm", "...", "index 2024 (März).html"}) {
        std::string path;
        EXPECT_TRUE(JoinInside("/staging/", good, path)) << good;
        EXPECT_EQ(CheckIndexFilename(good), "");
    }
    EXPECT_NE(CheckIndexFilename("../x\x01").find("\"../x?\""), std::string::npos) << "shown whole";

    // Names of older postings, which may lie in year and month folders.
    for (const char* bad : {"", "../p.htm", "2023/../../p.htm", "2023\\..\\p.htm", "/srv/p.htm", "\\p.htm",
                            "2023//p.htm", "2023/09/", "./p.htm", "2023/p\x01.htm"})
        EXPECT_FALSE(IsPlainRelativePath(bad)) << bad;
    for (const char* good : {"p.htm", "2023\\09\\p.htm", "2023/09/p.htm", "-p.htm", "..p/...htm"})
        EXPECT_TRUE(IsPlainRelativePath(good)) << good;
}

// Each hostile Index Filename is refused with the reason by every command
// that would use it; nothing outside is written or deleted, nothing uploaded.
TEST_F(OutsideDataTest, HostileIndexFilenamesAreRefusedEverywhere)
{
    const char* const names[] = {"../../x/", "../../x/.profile", "../ProgramData.bin", "..", "index\x01.htm"};
    for (const char* name : names) {
        prompter.setupAnswer = [name](SetupSheetValues& v) {
            v.website.indexFile = name;
            return true;
        };
        app->OnSetupSetup();
        EXPECT_EQ(app->Setup().m_strIndexFile, "index.htm") << "Setup stores no hostile name";
    }
    ExpectOutsideUntouched();

    WriteGame(5, "Club Pairs");
    for (const char* name : names) {
        SCOPED_TRACE(name);
        app->Setup().m_strIndexFile = name;  // as a setup file brings it
        prompter.Clear();
        app->OnIndexCreateIndex();
        EXPECT_EQ(frame.GetLastStatus(), "Create Index failed");
        EXPECT_EQ(prompter.LastText().rfind(kBadName, 0), 0u) << prompter.LastText();

        prompter.Clear();
        app->OnIndexPublishIndex();
        EXPECT_EQ(frame.GetLastStatus(), "Publish Index failed");
        EXPECT_EQ(prompter.LastText().rfind(kBadName, 0), 0u) << prompter.LastText();

        prompter.Clear();
        EXPECT_EQ(app->PostGames(PostMode::PostGames), PostRunResult::Ended);
        EXPECT_EQ(prompter.LastText().rfind(kBadName, 0), 0u) << prompter.LastText();

        prompter.Clear();
        frame.navigated.clear();
        app->OnIndexBrowseWebsite();
        EXPECT_EQ(prompter.LastText().rfind(kBadName, 0), 0u) << prompter.LastText();
        EXPECT_TRUE(frame.navigated.empty());

        EXPECT_TRUE(site.uploaded.empty());
        ExpectOutsideUntouched();
    }
}

// A setup file from elsewhere still opens, but its names are used only once
// checked: the index is refused, the staging folder is a new one of its own.
TEST_F(OutsideDataTest, ASetupFileWithHostileNamesOpensButItsNamesAreNotFollowed)
{
    const std::string qsu = folder.File("hostile.qsu");
    {
        CQuillmarkDoc doc(*app);
        app->Setup().m_strIndexFile = "../ProgramData.bin";
        app->Setup().m_strStagingFolder = "../../x";
        ASSERT_TRUE(doc.OnSaveDocument(qsu));
    }
    CQuillmarkDoc doc(*app);
    ASSERT_NE(app->OpenDocumentFile(qsu), nullptr);
    EXPECT_EQ(app->Setup().m_strIndexFile, "../ProgramData.bin");
    EXPECT_EQ(GetFolderOnly(app->GetStagingFolder()), dataDir);

    const std::string saved = ReadWholeFile(programData);  // with the new staging name
    EXPECT_EQ(app->CreateIndex(true), IndexResult::Failed);
    EXPECT_EQ(prompter.LastText().rfind(kBadName, 0), 0u) << prompter.LastText();
    EXPECT_EQ(ReadWholeFile(programData), saved);
    EXPECT_EQ(ReadWholeFile(folder.File("x/.profile")), "export KEEP=1\n");
}

// A link planted in the staging folder in place of a page is removed,
// never written through.
TEST_F(OutsideDataTest, TheIndexBuildNeverWritesThroughALink)
{
    ASSERT_EQ(::symlink(folder.File("x/.profile").c_str(), JoinPath(staging, "index.htm").c_str()), 0);
    ASSERT_EQ(::symlink(folder.File("x/notes.htm").c_str(), JoinPath(staging, "index-old.htm").c_str()), 0);
    app->OnIndexCreateIndex();
    EXPECT_EQ(frame.GetLastStatus(), "Create Index succeeded");
    struct stat st {};
    ASSERT_EQ(::lstat(JoinPath(staging, "index.htm").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    ExpectOutsideUntouched();
}

TEST(HtmlText, EscapedTextDecodesToItselfAndNothingElseIsDecoded)
{
    for (const char* text : {"Fish & Chips <Pairs>", "<script>alert(\"x\")</script>", "&amp; written &lt;",
                             "Z\xC3\xBCrich \xE6\x9D\xB1", "a > b"}) {
        for (HtmlStyle mode : {HtmlStyle::Utf8, HtmlStyle::Portable}) {
            const std::string escaped = HtmlEscape(text, mode);
            EXPECT_EQ(escaped.find_first_of("<\""), std::string::npos) << escaped;
            EXPECT_EQ(HtmlDecode(escaped), text);
        }
    }
    for (const char* text : {"&unknown;", "&#0;", "&#xD800;", "&amp", "&#-5;", "&#x110000;"})
        EXPECT_EQ(HtmlDecode(text), text);

    // Raw score text merged without a generated page; text already written
    // as HTML is not escaped twice.
    CScoreFile raw;
    raw.SetContent("EVENT> <script>x</script> & more\r\nEVENT&gt; a &amp; b");
    std::string body;
    raw.WriteBody(body);
    EXPECT_EQ(body, "<pre>\nEVENT> &lt;script>x&lt;/script> &amp; more\r\nEVENT> a &amp; b\n</pre>\n");

    // The reply page's base element cannot be broken out of.
    std::string reply = "<html><head></head></html>";
    CHTPost::AddBaseElement(reply, "x\"><script>alert(1)</script>");
    EXPECT_EQ(reply.find("<script>"), std::string::npos) << reply;
}

// Event names with "&", "<" and a script are posted, read back by Index
// Website and indexed again: the row is the same both times, escaped once.
TEST_F(OutsideDataTest, EventNamesSurviveAWebsiteRoundTripEscapedOnce)
{
    const std::pair<std::string, std::string> cases[] = {
        {"Fish & Chips <Pairs>", "Fish &amp; Chips &lt;Pairs>"},
        {"<script>alert('x')</script> Pairs", "&lt;script>alert('x')&lt;/script> Pairs"},
    };
    int day = 5;
    for (const auto& [event, shown] : cases) {
        SCOPED_TRACE(event);
        WriteGame(day, event);
        EXPECT_EQ(app->PostGames(PostMode::PostGames), PostRunResult::Ended);
        const std::string pageName = samples::PageName(day++, ".html");
        const std::string page = ReadWholeFile(JoinPath(site.root, "results/" + pageName));
        const std::string posted = ReadWholeFile(JoinPath(site.root, "index.htm"));
        const std::string row = LineWith(posted, pageName);
        EXPECT_NE(row.find("\"> " + shown + "</a>"), std::string::npos) << row;
        for (const std::string& html : {page, posted}) {
            EXPECT_EQ(html.find("<script"), std::string::npos);
            EXPECT_EQ(html.find("<Pairs"), std::string::npos);
        }

        app->GetIndexEntries().RemoveAll();
        site.listing = {{"", pageName, false, page}};
        ASSERT_TRUE(app->IndexWebsite()) << prompter.LastText();
        ASSERT_EQ(app->GetIndexEntries().GetCount(), 1);
        EXPECT_EQ(app->GetIndexEntries()[0].GetDescriptor(SFD_EVENT), " " + event);
        ASSERT_EQ(app->CreateIndex(true), IndexResult::Succeeded);
        EXPECT_EQ(LineWith(ReadWholeFile(JoinPath(staging, "index.htm")), pageName), row);
    }
}

// Entries from a setup file or typed in Identify reach the index as text,
// and their paths as links that stay links.
TEST_F(OutsideDataTest, IndexRowsEscapeTextAndEncodeLinks)
{
    app->Setup().SetFlags(app->Setup().GetFlags() | SF_LINK_PDF_HAND_RECORDS | SF_LINK_HAND_RECORDS);
    CScoreFile e;
    e.SetSessionDate(1693872000);  // 5 September 2023
    e.SetDescriptor(SFD_EVENT, "<img src=x onerror=alert(1)>");
    e.SetDescriptor(SFD_DATE, "<b>5 Sept</b> & later");
    const std::string path = "2023\\09\\x\" onclick=\"alert(1) #1?.htm";
    e.SetPath(path);
    e.SetPosted(path, 0);
    e.SetHandRecordPath("hands.pbn");
    e.SetPdfHandRecordUploaded(true);
    e.SetComputerHandRecordUploaded(true);
    app->GetIndexEntries().Add(e);

    ASSERT_EQ(app->CreateIndex(true), IndexResult::Succeeded);
    const std::string row = LineWith(ReadWholeFile(JoinPath(staging, "index.htm")), "onerror");
    const std::string link = "http://club.example/results/2023/09/x%22%20onclick%3D%22alert%281%29%20%231%3F";
    EXPECT_NE(row.find("<td>&lt;b>5 Sept&lt;/b> &amp; later</td>"), std::string::npos) << row;
    EXPECT_NE(row.find("<a href=\"" + link + ".htm\">&lt;img src=x onerror=alert(1)></a>"), std::string::npos)
        << row;
    EXPECT_NE(row.find("[<a href=\"" + link + ".pdf\"><small>PDF</small></a>]"), std::string::npos) << row;
    EXPECT_NE(row.find("[<a href=\"" + link + ".pbn\" type="), std::string::npos) << row;
}
