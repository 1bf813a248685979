// The scan for new score files against folders built by the tests.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>

#include "platform/path_helpers.h"
#include "posting/score_file_collection.h"
#include "support/score_samples.h"
#include "support/test_app.h"

namespace {

constexpr int64_t kCutOff = 1693900000;

void SetModified(const std::string& path, int64_t seconds)
{
    struct timespec times[2];
    times[0].tv_sec = seconds;
    times[0].tv_nsec = 0;
    times[1] = times[0];
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

class ScoreScan : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        scores = folder.File("Scores");
        ::mkdir(scores.c_str(), 0700);
        app->Setup().m_strScoreFileDirectory = scores;
        app->Setup().m_tPostFilesModifiedAfter = kCutOff;
    }

    std::string Put(const std::string& name, const std::string& bytes, int64_t modified)
    {
        const std::string path = folder.Write("Scores/" + name, bytes);
        SetModified(path, modified);
        return path;
    }

    // The candidates by file name.
    std::map<std::string, CScoreFile*> Scan(CSFPtrArray& out, bool repost = false,
                                            CColScoreFile* history = nullptr,
                                            CQuillmarkApp::ScanResult* result = nullptr)
    {
        const CQuillmarkApp::ScanResult r = app->FindNewScoreFiles(out, repost, history);
        if (result)
            *result = r;
        std::map<std::string, CScoreFile*> byName;
        for (CScoreFile* f : out)
            byName[f->GetFileName()] = f;
        return byName;
    }

    std::string scores;
};

}  // namespace

TEST_F(ScoreScan, NewFilesAfterTheCutOffWithTheirDescriptors)
{
    Put("old.txt", samples::NoKeywords() + "old", kCutOff - 1);
    Put("exact.txt", samples::NoKeywords() + "exact", kCutOff);
    Put("230905a.txt", samples::TuesdayPairs(), kCutOff + 60);
    Put("GAME.TXT", samples::WednesdayTwoEvents(), kCutOff + 120);
    Put("Club Night \xC3\xA9t\xC3\xA9.txt", samples::ThursdayEventSessionLine(), kCutOff + 1);
    Put("notes.txt", samples::NoKeywords(), kCutOff + 5);
    Put("zero.txt", "", kCutOff + 5);
    Put("junk.txt", std::string("\xFF\xFE\x01\r\r\n\x80>&gt;\x00" "EVENT>x", 20), kCutOff + 5);
    Put("results.htm", samples::TuesdayPairs() + "x", kCutOff + 5);
    Put("230905.aca", "binary", kCutOff + 5);
    ::mkdir(folder.File("Scores/folder.txt").c_str(), 0700);
    ::symlink("/nonexistent/target", folder.File("Scores/dangling.txt").c_str());

    CSFPtrArray out;
    CQuillmarkApp::ScanResult result = CQuillmarkApp::ScanResult::NotSetUp;
    auto found = Scan(out, false, nullptr, &result);
    EXPECT_EQ(result, CQuillmarkApp::ScanResult::Scanned);
    std::vector<std::string> names;
    for (auto& entry : found)
        names.push_back(entry.first);
    EXPECT_EQ(names, (std::vector<std::string>{"230905a.txt", "Club Night \xC3\xA9t\xC3\xA9.txt", "GAME.TXT",
                                               "junk.txt", "notes.txt", "zero.txt"}));

    CScoreFile* tuesday = found["230905a.txt"];
    EXPECT_EQ(tuesday->GetDescriptor(SFD_EVENT), "Tuesday Pairs");
    EXPECT_EQ(tuesday->GetFlags(), uint32_t(SFF_LOCAL | SFF_POST | SFF_LOADED)) << "content kept, file closed";
    EXPECT_EQ(found["GAME.TXT"]->GetDescriptor(SFD_EVENT), "Open Pairs");
    EXPECT_EQ(found["zero.txt"]->GetDigest(), Sha256Of("", 0));
    EXPECT_TRUE(prompter.Shown().empty()) << "nothing here deserves a message";
}

TEST_F(ScoreScan, FilesInTheHistoryAreLeftOutUnlessReposting)
{
    const std::string text = samples::TuesdayPairs();
    Put("renamed.txt", text, kCutOff + 10);
    Put("fresh.txt", samples::WednesdayTwoEvents(), kCutOff + 10);
    // The history knows the content under another name, with LF line ends
    // (the digest ignores line ends), added without posting.
    CScoreFile known;
    known.SetPath("/elsewhere/original.txt");
    std::string lf = text;
    lf.erase(std::remove(lf.begin(), lf.end(), '\r'), lf.end());
    known.SetContent(lf);
    ASSERT_EQ(known.Parse(true), 1);
    known.SetAddedToHistory(true);
    app->GetHistory().Add(known);

    CSFPtrArray out;
    auto found = Scan(out);
    EXPECT_EQ(found.size(), 1u);
    EXPECT_EQ(found.count("fresh.txt"), 1u);
    EXPECT_EQ(app->FindPostedFile(*found["fresh.txt"], nullptr, false), CQuillmarkApp::PostedMatch::None);

    CSFPtrArray again;
    found = Scan(again, true);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found["renamed.txt"]->IsPost(), 0) << "reposting lists files unmarked";
    CScoreFile* entry = nullptr;
    EXPECT_EQ(app->FindPostedFile(*found["renamed.txt"], &entry, true), CQuillmarkApp::PostedMatch::AddedWithoutPosting);
    EXPECT_EQ(entry->GetPath(), "/elsewhere/original.txt");

    // A history passed in replaces the Upload History; the current run is
    // searched first when asked.
    CColScoreFile edited;
    CSFPtrArray third;
    EXPECT_EQ(Scan(third, false, &edited).size(), 2u);
    app->GetCurrentRunFiles().push_back(found["fresh.txt"]);
    EXPECT_EQ(app->FindPostedFile(*found["fresh.txt"], &entry, true), CQuillmarkApp::PostedMatch::InCurrentRun);
    EXPECT_EQ(app->FindPostedFile(*found["fresh.txt"], &entry, false), CQuillmarkApp::PostedMatch::None);
    app->GetCurrentRunFiles().clear();
}

TEST_F(ScoreScan, BridgeWebsSetupsLookForGameFiles)
{
    app->Setup().SetFlags(app->Setup().GetFlags() | SF_BRIDGEWEBS);
    const std::string game("\x01\x00\x02\r\nEVENT>x", 10);
    Put("230905.ACA", game, kCutOff + 1);
    Put("230906.acm", "m", kCutOff + 1);
    Put("230905a.txt", samples::TuesdayPairs(), kCutOff + 1);
    Put("230905.acx", "x", kCutOff + 1);
    CSFPtrArray out;
    auto found = Scan(out);
    ASSERT_EQ(found.size(), 2u);
    ASSERT_EQ(found.count("230905.ACA"), 1u);
    EXPECT_EQ(found["230905.ACA"]->GetDigest(), Sha256Of(game.data(), game.size())) << "hashed whole, as bytes";
}

TEST_F(ScoreScan, OnlyFilesAfterTheCutOffAreOpened)
{
    // An old file that could not be opened must not even be tried: an
    // oversized one would otherwise be reported.
    const std::string oldHuge = folder.File("Scores/old-huge.txt");
    int fd = ::open(oldHuge.c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(kMaxScoreFileSize + 1)), 0);
    ::close(fd);
    SetModified(oldHuge, kCutOff - 100);
    Put("good.txt", samples::TuesdayPairs(), kCutOff + 1);
    CSFPtrArray out;
    EXPECT_EQ(Scan(out).size(), 1u);
    EXPECT_TRUE(prompter.Shown().empty());

    // A new oversized file is refused with a clear report; the others go on.
    const std::string newHuge = folder.File("Scores/new-huge.txt");
    ASSERT_EQ(::rename(oldHuge.c_str(), newHuge.c_str()), 0);
    SetModified(newHuge, kCutOff + 100);
    CSFPtrArray again;
    auto found = Scan(again);
    EXPECT_EQ(found.size(), 1u);
    EXPECT_EQ(found.count("good.txt"), 1u);
    ASSERT_EQ(prompter.Shown().size(), 1u);
    EXPECT_NE(prompter.Shown()[0].text.find("new-huge.txt: File too large"), std::string::npos);
    EXPECT_NE(LogText().find("Refused score file larger than 64 MiB"), std::string::npos);
}

TEST_F(ScoreScan, ManyFilesShareOneContentBlock)
{
    // Enough files for the scan to read them into one shared block.
    std::map<std::string, std::string> texts;
    for (int i = 0; i < 120; ++i) {
        std::string text = samples::TuesdayPairs();
        text += std::string(static_cast<size_t>(i * 37), static_cast<char>('a' + i % 26)) + "\r\n";
        const std::string name = "g" + std::to_string(i) + ".txt";
        Put(name, text, kCutOff + 1 + i);
        text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
        texts[name] = text;
    }
    CSFPtrArray out;
    auto found = Scan(out);
    ASSERT_EQ(found.size(), texts.size());
    // Records leaving early must not take the block from the others.
    for (int64_t i = out.GetSize() - 1; i >= 0; i -= 2)
        out.RemoveAt(i);
    for (CScoreFile* f : out)
        EXPECT_EQ(std::string(f->GetContent()), texts[f->GetFileName()]) << f->GetFileName();
}

TEST_F(ScoreScan, AFileThatGrowsAfterOpeningIsReadWhole)
{
    const std::string path = Put("growing.txt", "EVENT>Pairs\n", kCutOff + 1);
    CScoreFile f;
    f.UseArena(std::make_shared<CScoreFileArena>(4096));
    ASSERT_EQ(f.Open(path, nullptr, ScoreFileFormat::Text, OpenReport::Report), 1);
    const std::string more(100000, 'x');
    folder.Write("Scores/growing.txt", "EVENT>Pairs\n" + more);
    ASSERT_EQ(f.EnsureLoaded(), 1);
    EXPECT_EQ(f.GetSize(), 12 + more.size());
    EXPECT_EQ(std::string(f.GetContent()), "EVENT>Pairs\n" + more);
}
