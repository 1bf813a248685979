// The score-file record: copying, opening and loading, storing, page bodies.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <future>
#include <unistd.h>

#include <sys/stat.h>

#include "platform/date_helpers.h"
#include "platform/archive.h"
#include "platform/exceptions.h"
#include "posting/score_file.h"
#include "posting/web_transport.h"
#include "support/score_samples.h"
#include "support/test_app.h"

namespace {

void FillStoredFields(CScoreFile& f)
{
    f.SetPath("/scores/Club Night \xC3\xA9t\xC3\xA9.txt");
    f.SetHandRecordPath("/deals/230905A.pbn");
    f.SetSize(0x100000002ull);
    f.SetModifiedTime(1693929600);
    f.SetPostedTime(-5);
    f.SetPosted("2023/20230905a0a.htm", 2);
    f.SetPostedTime(1693940000);
    f.SetDigest(Sha256Of("abc", 3));
    f.SetDescriptor(SFD_EVENT, "Tuesday Pairs");
    f.SetDescriptor(SFD_SESSION, "Tuesday Aft");
    f.SetDescriptor(SFD_SECTION, "A");
    f.SetDescriptor(SFD_DATE, "Sep 5, 2023");
    f.SetDescriptor(SFD_MP_LIMITS, "0-750");
    f.SetFlags(SFF_LOCAL | SFF_LOADED | SFF_COMPUTER_HR_UPLOADED | SFF_HIDDEN);
}

void ExpectSameStoredFields(const CScoreFile& a, const CScoreFile& b)
{
    EXPECT_EQ(a.GetPath(), b.GetPath());
    EXPECT_EQ(a.GetSize(), b.GetSize());
    EXPECT_EQ(a.GetModifiedTime(), b.GetModifiedTime());
    EXPECT_EQ(a.GetWebName(), b.GetWebName());
    EXPECT_EQ(a.GetInsertNumber(), b.GetInsertNumber());
    EXPECT_EQ(a.GetPostedTime(), b.GetPostedTime());
    EXPECT_TRUE(a.HashEquals(b));
    for (int i = 0; i < SFD_COUNT; ++i)
        EXPECT_EQ(a.GetDescriptor(i), b.GetDescriptor(i)) << i;
}

}  // namespace

TEST(ScoreRecord, NewRecordsAndCopies)
{
    CScoreFile loaded;
    FillStoredFields(loaded);
    loaded.SetContent("text");
    loaded.SetHtmlPath("/tmp/page.htm");
    loaded.SetPdfPath("/tmp/deals.pdf");
    loaded.SetSessionDate(77);

    // A copy takes the stored fields but not the content or the made files.
    CScoreFile copy;
    copy = loaded;
    ExpectSameStoredFields(copy, loaded);
    EXPECT_EQ(copy.GetSessionDate(), 77);
    EXPECT_EQ(copy.GetFlags(), loaded.GetFlags() & ~uint32_t(SFF_LOADED));
    EXPECT_EQ(std::string(copy.GetContent()) + copy.GetHtmlPath() + copy.GetPdfPath(), "");
}

TEST(ScoreRecord, StoredRecordsRoundTripInBothFormats)
{
    CScoreFile stored;
    FillStoredFields(stored);
    CArchive out;
    stored.Serialize(out);

    // Records that carry their flags and hand-record path.
    CScoreFile full;
    CArchive in(out.GetBytes(), "ProgramData.bin");
    in.SetRecordVersion(1);
    full.SetContent("old content");
    full.Serialize(in);
    EXPECT_EQ(in.Remaining(), 0u);
    ExpectSameStoredFields(full, stored);
    EXPECT_EQ(full.GetFlags(), stored.GetFlags() & ~uint32_t(SFF_LOADED));
    EXPECT_EQ(full.GetHandRecordPath(), "/deals/230905A.pbn");
    EXPECT_EQ(full.GetSessionDate(), LocalMidnight(2023, 9, 5)) << "derived again from DATE";

    // Older records: the same bytes without flags and hand-record path.
    CArchive older;
    older.WriteString(stored.GetPath());
    older.WriteU32(2);
    older.WriteU32(1);
    older.WriteTime(stored.GetModifiedTime());
    older.WriteString(stored.GetWebName());
    older.WriteI32(stored.GetInsertNumber());
    older.WriteTime(stored.GetPostedTime());
    CHash256 digest = stored.GetDigest();
    digest.Serialize(older);
    for (int i = 0; i < SFD_COUNT; ++i)
        older.WriteString(stored.GetDescriptor(i));
    CArchive in0(older.GetBytes(), "old.qsu");
    in0.SetRecordVersion(0);
    CScoreFile legacy;
    legacy.Serialize(in0);
    EXPECT_EQ(in0.Remaining(), 0u);
    ExpectSameStoredFields(legacy, stored);
    EXPECT_EQ(legacy.GetFlags(), 5u);
    EXPECT_EQ(legacy.GetHandRecordPath(), "");

    // Every prefix of a record is short: always CArchiveException.
    for (size_t cut = 0; cut < out.GetBytes().size(); ++cut) {
        std::vector<uint8_t> part(out.GetBytes().begin(), out.GetBytes().begin() + cut);
        CArchive shortIn(part, "cut.bin");
        CScoreFile r;
        EXPECT_THROW(r.Serialize(shortIn), CArchiveException) << cut;
    }
}

TEST_F(AppTest, OpeningAndLoadingLocalFiles)
{
    // Text mode reads CR LF as LF; size and modified time come from the file.
    const std::string path = folder.Write("Club Night \xC3\xA9t\xC3\xA9.txt", samples::TuesdayPairs());
    CScoreFile f;
    ASSERT_EQ(f.Open(path, nullptr, ScoreFileFormat::Text, OpenReport::Report), 1);
    EXPECT_EQ(f.GetSize(), samples::TuesdayPairs().size());
    EXPECT_EQ(f.EnsureLoaded(), 1);
    std::string lf = samples::TuesdayPairs();
    lf.erase(std::remove(lf.begin(), lf.end(), '\r'), lf.end());
    EXPECT_EQ(std::string(f.GetText()), lf);
    EXPECT_EQ(f.GetSize(), lf.size());
    f.Close(true);
    EXPECT_EQ(f.EnsureLoaded(), 0) << "nothing left to read";

    // Only CR LF pairs change; a lone CR stays.
    CScoreFile mixed;
    ASSERT_EQ(mixed.Open(folder.Write("mixed.txt", "a\r\n\rb\r\r\nc\n\r"), nullptr, ScoreFileFormat::Text, OpenReport::Report), 1);
    EXPECT_EQ(mixed.EnsureLoaded(), 1);
    EXPECT_EQ(mixed.GetContent(), "a\n\rb\r\nc\n\r");

    // Binary mode keeps every byte.
    CScoreFile bin;
    ASSERT_EQ(bin.Open(path, nullptr, ScoreFileFormat::Binary, OpenReport::Report), 1);
    EXPECT_EQ(bin.EnsureLoaded(), 1);
    EXPECT_EQ(bin.GetContent(), samples::TuesdayPairs());
}

TEST_F(AppTest, OpenFailuresAreReportedUnlessQuiet)
{
    CScoreFile f;
    EXPECT_EQ(f.Open(folder.File("missing.txt"), nullptr, ScoreFileFormat::Text, OpenReport::Quiet), 0);
    EXPECT_TRUE(prompter.Shown().empty());
    EXPECT_EQ(f.Open(folder.File("missing.txt"), nullptr, ScoreFileFormat::Text, OpenReport::Report), 0);
    ASSERT_EQ(prompter.Shown().size(), 1u);
    EXPECT_NE(prompter.Shown()[0].text.find("missing.txt"), std::string::npos);
    EXPECT_EQ(f.Parse(true), 0);

    // A folder or a FIFO named like a score file is refused at once (a FIFO
    // instead of waiting for a writer).
    ::mkdir(folder.File("folder.txt").c_str(), 0700);
    EXPECT_EQ(f.Open(folder.File("folder.txt"), nullptr, ScoreFileFormat::Text, OpenReport::Report), 0);
    const std::string pipe = folder.File("pipe.txt");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    auto opened = std::async(std::launch::async, [&] { return f.Open(pipe, nullptr, ScoreFileFormat::Text, OpenReport::Quiet); });
    if (opened.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
        ADD_FAILURE() << "opening a FIFO waits for a writer";
        // Be that writer, so that the open ends and the test with it.
        const int fd = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0)
            ::close(fd);
    }
    EXPECT_EQ(opened.get(), 0);
}

TEST_F(AppTest, WriteBodyOfGeneratedPagesAndRawText)
{
    CScoreFile f;
    f.SetHtmlPath(folder.Write("page.htm",
                               "\xEF\xBB\xBF<html>\r\n<head><title>x</title></head>\r\n"
                               "<BODY bgcolor=white>\r\n<h1>Results</h1>\r\n  <p>caf\xC3\xA9</p>\r\n"
                               "</Body>\r\nafter\r\n"));
    std::string out = "start\n";
    f.WriteBody(out);
    EXPECT_EQ(out, "start\n<h1>Results</h1>\n  <p>caf\xC3\xA9</p>\n");

    // No body at all: the page is refused, naming it, rather than posted empty.
    f.SetHtmlPath(folder.Write("broken.htm", "<html><p>no body tag</p></html>\n"));
    try {
        f.WriteBody(out);
        ADD_FAILURE() << "a page without <body must not pass";
    } catch (const CArchiveException& e) {
        EXPECT_NE(e.GetErrorMessage().find("broken.htm"), std::string::npos);
    }

    // Raw text inside <pre>, with a line end added when missing.
    CScoreFile raw;
    EXPECT_THROW(raw.WriteBody(out), CInvalidArgException);
    for (auto [text, body] : {std::pair<const char*, const char*>{"abc", "<pre>\nabc\n</pre>\n"},
                              {"abc\n", "<pre>\nabc\n</pre>\n"}, {"", "<pre>\n</pre>\n"}}) {
        raw.SetContent(text);
        out.clear();
        raw.WriteBody(out);
        EXPECT_EQ(out, body);
    }
}

TEST(ScoreRecord, WebsiteFilesLoadThroughTheTransferLayer)
{
    struct Fake : IWebTransport {
        bool canOpen = true;
        bool Login() override { return true; }
        void Disconnect() override {}
        bool SetCurrentDirectory(const std::string&, bool) override { return true; }
        bool UploadFile(const std::string&, const std::string&) override { return false; }
        bool EnumerateFiles(const EntryCallback&) override { return false; }
        bool CanOpenFiles() const override { return canOpen; }
        bool DownloadFile(std::string& content, const std::string& path) override
        {
            if (path == "/broken.txt")
                return false;
            content = "EVENT>Remote Pairs\r\n";
            return true;
        }
    };
    Fake fake;
    IWebTransport* worker = &fake;

    CScoreFile f, broken;
    ASSERT_EQ(f.Open("/results/game.txt", worker, ScoreFileFormat::Text, OpenReport::Quiet), 1);
    EXPECT_EQ(f.Parse(true), 1);
    EXPECT_EQ(f.GetDescriptor(SFD_EVENT), "Remote Pairs");
    ASSERT_EQ(broken.Open("/broken.txt", worker, ScoreFileFormat::Text, OpenReport::Quiet), 1);
    EXPECT_EQ(broken.EnsureLoaded(), 0);
    fake.canOpen = false;
    EXPECT_EQ(broken.Open("/results/game.txt", worker, ScoreFileFormat::Text, OpenReport::Quiet), 0) << "no connection, no website files";
}
