#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <dirent.h>
#include <fstream>
#include <functional>
#include <random>
#include <sys/stat.h>
#include <thread>

#include "platform/path_helpers.h"
#include "platform/text_helpers.h"
#include "posting/sha256.h"
#include "support/child_process.h"
#include "support/fault_guards.h"
#include "support/golden_stream.h"
#include "support/test_app.h"

namespace {

const std::string kEmptyHistory("\x01\0\0\0\0\0", 6);

// A history file of the version; `upgraded` writes version-0 records as a
// save turns them into version 1 (flags 5, no hand-record path).
std::string History(uint32_t version, int records, bool upgraded = false)
{
    CGolden g;
    g.U32(upgraded ? 1 : version).Count(static_cast<uint32_t>(records));
    for (int i = 0; i < records; ++i) {
        GoldenRecord r;
        r.path = StrFormat("/scores/%d.txt", i);
        r.digestSeed = static_cast<uint8_t>(i * 40);
        if (upgraded) {
            r.flags = 0x05;
            r.handRecordPath.clear();
        }
        r.Write(g, upgraded ? 1 : static_cast<int>(version));
    }
    return g.Bytes();
}

[[maybe_unused]] off_t FileSize(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

std::vector<std::string> FolderNames(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (dirent* e = ::readdir(dir))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                names.push_back(e->d_name);
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

class ProgramDataTest : public AppTest {
protected:
    std::string PathOf(const std::string& name) const { return dataDir + "/" + name; }
    std::string Write(const std::string& bytes) const { return folder.Write("data/ProgramData.bin", bytes); }
    std::string Saved() const { return ReadWholeFile(PathOf("ProgramData.bin")); }
    // Posts one new page ("new0.html", "new1.html", ...) the way a run
    // records it: into the history and the posting journal.
    bool PostNew()
    {
        CScoreFile record;
        const int i = posted++;
        record.SetDigest(Sha256Of(&i, sizeof i));
        record.SetPosted(StrFormat("new%d.html", i), 1);
        app->RecordPosted(record);
        return app->SavePostedRecords({&record});
    }
    int posted = 0;
};

}  // namespace

TEST_F(ProgramDataTest, TheHistoryRoundTripsAndOlderRecordsAreUpgradedOnSave)
{
    for (uint32_t version : {1u, 0u}) {
        SCOPED_TRACE("version " + std::to_string(version));
        Write(History(version, 3));
        app->LoadAppData();
        ASSERT_EQ(app->GetHistory().GetCount(), 3);
        EXPECT_EQ(app->m_dwRecordsCarryFlags, version);
        EXPECT_EQ(app->GetHistory()[2].GetPath(), "/scores/2.txt");
        ASSERT_TRUE(app->SaveData(true));
        EXPECT_EQ(Saved(), History(version, 3, version == 0));
    }
    EXPECT_TRUE(prompter.Shown().empty());
}

TEST_F(ProgramDataTest, AFirstStartIsQuietAndTheFirstSaveMakesTheFolders)
{
    ::setenv("QUILLMARK_DATA_DIR", (dataDir + "/new/deeper").c_str(), 1);
    app->GetHistory().Add(CScoreFile());
    app->LoadAppData();
    EXPECT_EQ(app->GetHistory().GetCount(), 0);
    EXPECT_NE(LogText().find("]No app data file found\n"), std::string::npos);
    ASSERT_TRUE(app->SaveData(true));
    EXPECT_EQ(ReadWholeFile(dataDir + "/new/deeper/ProgramData.bin"), kEmptyHistory);

    // A folder without the file: a plain line in the log (a first start is
    // no failure), nothing shown.
    ::setenv("QUILLMARK_DATA_DIR", dataDir.c_str(), 1);
    app->LoadAppData();
    EXPECT_NE(LogText().find("]No app data file found: " + dataDir + "/ProgramData.bin\n"), std::string::npos);
    EXPECT_EQ(LogText().find("LoadAppData: CFile::Open"), std::string::npos);
    EXPECT_EQ(LogText().find("Exception("), std::string::npos) << LogText();
    EXPECT_TRUE(prompter.Shown().empty());
}

TEST_F(ProgramDataTest, ADamagedFileIsSetAsideNeverOverwrittenAndNeverPartlyLoaded)
{
    // Cut anywhere, also inside a record: nothing loaded, the user told once.
    const std::string whole = History(1, 2);
    const std::string aside = PathOf("ProgramData-Damaged1.bin");
    for (size_t n = 0; n < whole.size(); ++n) {
        SCOPED_TRACE("cut at " + std::to_string(n));
        Write(whole.substr(0, n));
        prompter.Clear();
        app->LoadAppData();
        EXPECT_EQ(app->GetHistory().GetCount(), 0);
        ASSERT_EQ(prompter.Shown().size(), 1u);
        EXPECT_EQ(prompter.Texts()[0].rfind("The Upload History in " + PathOf("ProgramData.bin") + " cannot be read:\r\n", 0), 0u);
        EXPECT_NE(prompter.Texts()[0].find("The file has been kept as " + aside + "."), std::string::npos);
        EXPECT_EQ(ReadWholeFile(aside), whole.substr(0, n));
        EXPECT_FALSE(FileExists(PathOf("ProgramData.bin")));
        ASSERT_EQ(::unlink(aside.c_str()), 0);
    }
    EXPECT_NE(LogText().find("]Damaged program data file kept as " + aside + "\n"), std::string::npos);

    // A second damaged file takes the next name; the next save starts anew.
    folder.Write("data/ProgramData-Damaged1.bin", "earlier");
    Write("junk");  // not a version number a later program would write
    app->LoadAppData();
    EXPECT_EQ(ReadWholeFile(PathOf("ProgramData-Damaged2.bin")), "junk");
    EXPECT_EQ(ReadWholeFile(aside), "earlier");
    ASSERT_TRUE(app->SaveData(true));
    EXPECT_EQ(Saved(), kEmptyHistory);

    // An unreadable file is not a damaged one: it stays where it is.
    Write(History(1, 1));
    ASSERT_EQ(::chmod(PathOf("ProgramData.bin").c_str(), 0), 0);
    {
        CPermissionsEnforced enforced;
        app->LoadAppData();
    }
    EXPECT_FALSE(FileExists(PathOf("ProgramData-Damaged3.bin")));
    EXPECT_EQ(Saved(), History(1, 1));
}

// A file that cannot be read says nothing about its content: it is neither
// set aside nor saved over, whatever stopped the read, until a later start
// reads it.
TEST_F(ProgramDataTest, AFileThatCannotBeReadIsLeftWhereItIsAndNeverSavedOver)
{
    const std::string path = PathOf("ProgramData.bin");
    const std::string history = History(1, 3);
    struct Case {
        const char* what;
        std::function<void()> make;      // puts the file in place
        std::function<void()> load;      // loads it under the fault
        const char* reason;              // in the message shown
    };
    const std::vector<Case> cases{
        {"a folder in the file's place", [&] { ASSERT_EQ(::mkdir(path.c_str(), 0700), 0); },
         [&] { app->LoadAppData(); }, "Is a directory"},
        {"no descriptor left", [&] { Write(history); },
         [&] {
             CDescriptorLimit noDescriptors;
             app->LoadAppData();
         },
         "Too many open files"},
        {"larger than any history", [&] {
             Write(history);
             ASSERT_EQ(::truncate(path.c_str(), off_t(300) << 20), 0);  // sparse
         },
         [&] { app->LoadAppData(); }, "larger than 256 MB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.make();
        struct stat before {};
        ASSERT_EQ(::stat(path.c_str(), &before), 0);
        prompter.Clear();
        app->GetHistory().Add(CScoreFile());
        c.load();
        EXPECT_EQ(app->GetHistory().GetCount(), 0);
        ASSERT_EQ(prompter.Texts().size(), 1u);
        EXPECT_NE(prompter.Texts()[0].find(c.reason), std::string::npos) << prompter.Texts()[0];

        // Saves during this run are refused, with the reason, and leave the file.
        app->GetHistory().Add(CScoreFile());
        EXPECT_FALSE(app->SaveData(true));
        EXPECT_EQ(prompter.LastText(), "The Upload History was not saved: " + path +
                                               " could not be read when Quillmark started and is not written over.");
        struct stat after {};
        ASSERT_EQ(::stat(path.c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(after.st_size, before.st_size);
        EXPECT_EQ(FolderNames(dataDir), (std::vector<std::string>{"ProgramData.bin", "QuillmarkLogfile.txt"}));

        // Once it can be read, the next start loads it and saves go on.
        if (S_ISDIR(after.st_mode)) {
            ASSERT_EQ(::rmdir(path.c_str()), 0);
        }
        Write(history);
        prompter.Clear();
        app->LoadAppData();
        EXPECT_EQ(app->GetHistory().GetCount(), 3);
        EXPECT_TRUE(prompter.Shown().empty());
        EXPECT_TRUE(app->SaveData(true));
    }
}

TEST_F(ProgramDataTest, RunningShortOfMemoryWhileReadingLeavesTheFileAlone)
{
#ifdef QM_UNDER_SANITIZER
    GTEST_SKIP() << "an address-space limit cannot be used under a sanitizer; the normal build runs this";
#else
    // Within the size bound, but more than the process may still map.
    const std::string path = Write(History(1, 3));
    ASSERT_EQ(::truncate(path.c_str(), off_t(200) << 20), 0);
    {
        CAddressSpaceLimit tight(size_t(64) << 20);
        app->LoadAppData();
    }
    ASSERT_EQ(prompter.Texts().size(), 1u);
    EXPECT_NE(prompter.Texts()[0].find("cannot be read:\r\nOut of memory."), std::string::npos) << prompter.Texts()[0];
    EXPECT_EQ(FileSize(path), off_t(200) << 20);
    EXPECT_FALSE(app->SaveData(true));
    EXPECT_EQ(FileSize(path), off_t(200) << 20);
    EXPECT_FALSE(FileExists(PathOf("ProgramData-Damaged1.bin")));
#endif
}

TEST_F(ProgramDataTest, AFileThatCannotBeSetAsideIsNeverSavedOver)
{
    const std::string bad = Write("bad");
    ASSERT_EQ(::chmod(dataDir.c_str(), 0555), 0);
    {
        CPermissionsEnforced enforced;
        app->LoadAppData();
    }
    ASSERT_EQ(::chmod(dataDir.c_str(), 0700), 0);
    ASSERT_EQ(prompter.Shown().size(), 1u);
    EXPECT_NE(prompter.Texts()[0].find("could not be set aside (Permission denied)"), std::string::npos);
    EXPECT_FALSE(app->SaveData(true));
    EXPECT_EQ(ReadWholeFile(bad), "bad");
    EXPECT_NE(prompter.LastText().find("cannot be read and is kept as it is"), std::string::npos);
}

// Records posted since the last full save live only in the posting journal
// until the next one: a damaged program data file, an entry cut short by a
// crash or a full disk, or a journal that cannot be read loses none of them.
TEST_F(ProgramDataTest, RecordsOnlyInThePostingJournalAreNeverLost)
{
    const std::string journal = PathOf("ProgramData.bin.journal");
    auto page = [](int i) { return StrFormat("results/page%d.html", i); };
    auto post = [&](int i) {
        CScoreFile record;
        record.SetPath(StrFormat("/scores/%d.txt", i));
        record.SetDescriptor(SFD_EVENT, std::string(200, 'e'));
        record.SetDigest(Sha256Of(&i, sizeof i));
        record.SetPosted(page(i), 1);
        app->RecordPosted(record);
        return app->SavePostedRecords({&record});
    };
    auto pages = [&](std::initializer_list<int> numbers) {
        std::vector<std::string> names;
        for (int i : numbers)
            names.push_back(page(i));
        return names;
    };
    ASSERT_TRUE(post(1));  // no file yet: saved in full
    ASSERT_TRUE(post(2));
    ASSERT_TRUE(FileExists(journal));

    // A damaged file is set aside with page 1; page 2 comes back from the
    // journal and stays through the next full save.
    Write("junk");
    app->LoadAppData();
    EXPECT_EQ(ReadWholeFile(PathOf("ProgramData-Damaged1.bin")), "junk");
    ASSERT_TRUE(app->SaveData(true));
    EXPECT_FALSE(FileExists(journal));
    EXPECT_EQ(HistoryWebNamesOnDisk(prompter), pages({2}));

    // A crash cut an entry short: what is posted after it is found at the
    // next start, and the torn bytes are gone.
    ASSERT_TRUE(post(3));
    std::ofstream(journal, std::ios::binary | std::ios::app) << std::string("QMJ1\x40\0\0\0partial", 15);
    ASSERT_TRUE(post(4));
    ASSERT_TRUE(post(5));
    EXPECT_EQ(HistoryWebNamesOnDisk(prompter), pages({2, 3, 4, 5}));
    EXPECT_EQ(ReadWholeFile(journal).find("partial"), std::string::npos);

    // A full disk cuts an append short and the full save after it fails
    // too: once there is room, nothing posted meanwhile is missing.
    {
        CFileSizeLimit full(static_cast<rlim_t>(FileSize(journal) + 40));
        EXPECT_FALSE(post(6));
    }
    ASSERT_TRUE(post(7));
    EXPECT_EQ(HistoryWebNamesOnDisk(prompter), pages({2, 3, 4, 5, 6, 7}));

    // A journal that cannot be read is kept through every save until a
    // start can read it.
    ASSERT_TRUE(post(8));
    ASSERT_EQ(::chmod(journal.c_str(), 0), 0);
    prompter.Clear();
    {
        CPermissionsEnforced enforced;
        app->LoadAppData();
        EXPECT_TRUE(app->SaveData(true));
    }
    ASSERT_EQ(::chmod(journal.c_str(), 0600), 0);
    EXPECT_NE(prompter.Texts().at(0).find("The records of recent postings in " + journal + " cannot be read"),
              std::string::npos);
    EXPECT_EQ(HistoryWebNamesOnDisk(prompter), pages({2, 3, 4, 5, 6, 7, 8}));
}

// Beside a large file a save leaves a small journal, since the two hold the
// Upload History together; a change the journal does not hold is written in
// full, and so is the journal once it reaches an eighth of the file.
TEST_F(ProgramDataTest, ASaveRewritesTheFileOnlyWhenTheJournalCannotStandForIt)
{
    const std::string journal = PathOf("ProgramData.bin.journal");
    Write(History(1, 200));
    app->LoadAppData();
    const std::string stored = Saved();
    ASSERT_TRUE(PostNew());
    EXPECT_TRUE(app->SaveData(true));
    EXPECT_EQ(Saved(), stored);
    EXPECT_TRUE(FileExists(journal));
    EXPECT_EQ(HistoryWebNamesOnDisk(prompter).size(), 201u);

    app->GetHistory().RemoveAt(0);
    EXPECT_TRUE(app->SaveData(true));
    EXPECT_FALSE(FileExists(journal));
    EXPECT_EQ(HistoryWebNamesOnDisk(prompter).size(), 200u);

    ASSERT_TRUE(PostNew());
    app->LoadAppData();  // a new start with the journal beside the file
    const std::string file = Saved();
    while (FileSize(journal) < FileSize(PathOf("ProgramData.bin")) / 8) {
        EXPECT_TRUE(app->SaveData(true));
        EXPECT_EQ(Saved(), file);
        ASSERT_TRUE(PostNew());
    }
    EXPECT_TRUE(app->SaveData(true));
    EXPECT_FALSE(FileExists(journal));
    EXPECT_EQ(HistoryWebNamesOnDisk(prompter).size(), 200u + static_cast<size_t>(posted) - 1);
}

// The program leaves one file behind: at its end the journal goes into the
// file, unless the file cannot take it or the journal could not be read;
// then the journal stays for the next start, and nobody is asked anything.
TEST_F(ProgramDataTest, AtTheEndTheJournalGoesIntoTheFileWhereTheFileCanTakeIt)
{
    const std::string journal = PathOf("ProgramData.bin.journal");
    enum Obstacle { kNone, kFullDisk, kUnreadJournal };
    for (const Obstacle obstacle : {kNone, kFullDisk, kUnreadJournal}) {
        SCOPED_TRACE(obstacle);
        ::unlink(journal.c_str());
        Write(History(1, 200));
        app->LoadAppData();
        ASSERT_TRUE(PostNew());
        ASSERT_TRUE(app->SaveData(true));
        ASSERT_TRUE(FileExists(journal));
        const std::string file = Saved();
        const size_t held = HistoryWebNamesOnDisk(prompter).size();
        prompter.Clear();
        if (obstacle == kFullDisk) {
            CFileSizeLimit full(static_cast<rlim_t>(FileSize(PathOf("ProgramData.bin")) / 2));
            app->ExitInstance();
        } else if (obstacle == kUnreadJournal) {
            ASSERT_EQ(::chmod(journal.c_str(), 0), 0);
            {
                CPermissionsEnforced enforced;
                app->LoadAppData();
            }
            ASSERT_EQ(::chmod(journal.c_str(), 0600), 0);
            prompter.Clear();
            app->ExitInstance();
        } else {
            app->ExitInstance();
        }
        EXPECT_TRUE(prompter.Texts().empty()) << prompter.Texts().front();
        EXPECT_EQ(FileExists(journal), obstacle != kNone);
        if (obstacle != kNone) {
            EXPECT_EQ(Saved(), file);
        }
        EXPECT_EQ(HistoryWebNamesOnDisk(prompter).size(), held);
    }
    EXPECT_EQ(HistoryWebNamesOnDisk(prompter).size(), 201u);
}

TEST_F(ProgramDataTest, ANewerVersionIsNeitherLoadedNorWrittenOver)
{
    const std::string newer = History(2, 1);
    Write(newer);
    app->LoadAppData();
    EXPECT_EQ(app->GetHistory().GetCount(), 0);
    ASSERT_EQ(prompter.Shown().size(), 1u);
    EXPECT_NE(prompter.Texts()[0].find("was written by a newer version of Quillmark (file version 2)"), std::string::npos);
    app->GetHistory().Add(CScoreFile());
    EXPECT_FALSE(app->SaveData(true));
    EXPECT_EQ(prompter.LastText(),
              "The Upload History was not saved: " + PathOf("ProgramData.bin") +
                  " was written by a newer version of Quillmark (file version 2) and is not written over.");
    EXPECT_EQ(Saved(), newer);

    // Nor when a newer program wrote the file while this one ran.
    Write(kEmptyHistory);
    app->LoadAppData();
    ASSERT_TRUE(app->GetProgramDataRefusal().empty());
    Write(newer);
    EXPECT_FALSE(app->SaveData(true));
    EXPECT_EQ(Saved(), newer);
}

TEST_F(ProgramDataTest, AFullOrReadOnlyDataFolderLeavesTheOldFile)
{
    const std::string old = History(1, 200);
    Write(old);
    app->LoadAppData();
    app->GetHistory().Add(CScoreFile());
    {
        CFileSizeLimit full(old.size() / 2);
        EXPECT_FALSE(app->SaveData(true));
    }
    EXPECT_EQ(Saved(), old);
    EXPECT_NE(LogText().find("]Operation=[CQuillmarkApp::SaveData: CArchive::Serialize]\n"), std::string::npos);
    EXPECT_NE(LogText().find("]Exception(CFileException,27)=["), std::string::npos);

    ASSERT_EQ(::chmod(dataDir.c_str(), 0555), 0);
    {
        CPermissionsEnforced enforced;
        EXPECT_FALSE(app->SaveData(true));
    }
    ASSERT_EQ(::chmod(dataDir.c_str(), 0700), 0);
    EXPECT_EQ(Saved(), old);
    EXPECT_EQ(prompter.LastText(), PathOf("ProgramData.bin") + ": Permission denied");
    // No mirror files are left behind.
    EXPECT_EQ(FolderNames(dataDir), (std::vector<std::string>{"ProgramData.bin", "QuillmarkLogfile.txt"}));
}

// A history file that is a symbolic link (say, to a synchronised folder)
// stays a link, and its target is the file that is saved.
TEST_F(ProgramDataTest, ASaveGoesThroughSymbolicLinksToTheirTarget)
{
    const std::string elsewhere = folder.File("elsewhere");
    ASSERT_EQ(::mkdir(elsewhere.c_str(), 0700), 0);
    const std::string target = elsewhere + "/history.bin";
    folder.Write("elsewhere/history.bin", History(1, 2));
    // A relative link to a relative link to the file.
    ASSERT_EQ(::symlink("history.bin", (elsewhere + "/current").c_str()), 0);
    ASSERT_EQ(::symlink("../elsewhere/current", PathOf("ProgramData.bin").c_str()), 0);
    app->LoadAppData();
    ASSERT_EQ(app->GetHistory().GetCount(), 2);
    app->GetHistory().Add(CScoreFile());
    ASSERT_TRUE(app->SaveData(true));
    struct stat st {};
    ASSERT_EQ(::lstat((elsewhere + "/current").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    app->LoadAppData();
    EXPECT_EQ(app->GetHistory().GetCount(), 3);

    // A link whose target does not exist yet makes the target.
    ASSERT_EQ(::unlink(target.c_str()), 0);
    ASSERT_TRUE(app->SaveData(true));
    EXPECT_EQ(ReadWholeFile(target).size(), Saved().size());

    // Links that go round: the save fails and leaves them.
    ASSERT_EQ(::unlink((elsewhere + "/current").c_str()), 0);
    ASSERT_EQ(::symlink("../data/ProgramData.bin", (elsewhere + "/current").c_str()), 0);
    EXPECT_FALSE(app->SaveData(true));
    ASSERT_EQ(::lstat(PathOf("ProgramData.bin").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
}

TEST_F(ProgramDataTest, AKilledSaveLeavesTheOldFileOrTheNewOneNeverAMix)
{
    std::mt19937 random(12345);
    for (int round = 0; round < 25; ++round) {
        CChildProcess saver(TestProgramPath("qm_save_loop"), {});
        std::string line;
        ASSERT_TRUE(saver.ReadLine(line, 30000));
        ASSERT_EQ(line, "ready");
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 40000));
        saver.Kill(SIGKILL);
        saver.Wait();
        const std::string now = Saved();
        const bool isA = now == ReadWholeFile(PathOf("A.bin"));
        ASSERT_TRUE(isA || now == ReadWholeFile(PathOf("B.bin"))) << "round " << round << ": " << now.size() << " bytes";
        app->LoadAppData();
        EXPECT_EQ(app->GetHistory().GetCount(), isA ? 4000 : 3000);
        EXPECT_TRUE(prompter.Shown().empty());
        for (const auto& name : FolderNames(dataDir))
            EXPECT_NE(name[0], '.') << "a cut-short save left " << name;
    }
}
