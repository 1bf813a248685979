// The posting-side commands, their enabling rules and the command table.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <fcntl.h>
#include <sys/stat.h>

#include "app/setup_file.h"
#include "platform/path_helpers.h"
#include "posting/command_table.h"
#include "posting/history_edit.h"
#include "posting/posting_commands.h"
#include "support/score_samples.h"
#include "support/test_app.h"

namespace {

class RecordingCmdUI : public ICmdUI {
public:
    explicit RecordingCmdUI(std::string text = {}) : text(std::move(text)) {}
    void Enable(bool on) override { enabled = on; }
    void SetText(const std::string& t) override { text = t; ++textChanges; }
    std::string GetText() const override { return text; }
    bool enabled = false;
    std::string text;
    int textChanges = 0;
};

// Answers the History and folders dialogs with what a test scripts.
class DialogPrompter : public CScriptedPrompter {
public:
    std::function<int(CColScoreFile&, HistoryAnswer&)> history;
    std::function<bool(const HandRecordFoldersRequest&, HandRecordFoldersAnswer&)> folders;
    int helpShown = 0;
    // Confirm Posting in add mode: the rows shown, and which to check.
    std::vector<ConfirmPostingRow> confirmRows;
    std::vector<bool> confirmChecks;
    bool ConfirmPosting(const ConfirmPostingRequest& request, ConfirmPostingAnswer& answer) override
    {
        EXPECT_TRUE(request.addMode);
        confirmRows = request.rows;
        answer.checked = confirmChecks;
        return !confirmChecks.empty();
    }

    int ViewHistory(const HistoryRequest& request, HistoryAnswer& answer) override
    {
        return history ? history(*request.history, answer) : IDCANCEL;
    }
    bool HandRecordFolders(const HandRecordFoldersRequest& request, HandRecordFoldersAnswer& answer) override
    {
        return folders ? folders(request, answer) : false;
    }
    void ShowHelp() override { ++helpShown; }
};

CScoreFile Record(const std::string& name)
{
    CScoreFile f;
    f.SetPath("/scores/" + name + ".txt");
    f.SetDigest(Sha256Of(name.data(), name.size()));
    return f;
}

class PostingCommands : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        app->SetPrompter(&dialogs);
    }
    std::vector<std::string> HistoryPaths(CColScoreFile& h) const
    {
        std::vector<std::string> paths;
        for (int64_t i = 0; i < h.GetCount(); ++i)
            paths.push_back(h[i].GetPath());
        return paths;
    }
    std::string ProgramDataPath() const { return JoinPath(dataDir, "ProgramData.bin"); }
    // The Upload History as a fresh start would read it.
    std::vector<std::string> SavedHistory()
    {
        CQuillmarkApp fresh;
        fresh.SetPrompter(&prompter);
        fresh.LoadAppData();
        SetAppPtr(app.get());
        return HistoryPaths(fresh.GetHistory());
    }
    DialogPrompter dialogs;
};

bool Exists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

}  // namespace

TEST_F(PostingCommands, EnablingRulesFollowTheOperationTheSetupAndTheData)
{
    const std::set<unsigned> idleOnly{CMD_FILE_POST, CMD_FILE_REPOST, CMD_SETUP_SETUP, CMD_FILE_NEW, CMD_FILE_OPEN,
                                      CMD_FILE_SAVE_AS, CMD_HELP_UPLOAD_TEST_FILE, CMD_FILE_MRU_FIRST + 3};
    const std::set<unsigned> always{CMD_VIEW_HISTORY, CMD_VIEW_HAND_RECORD_FOLDERS, CMD_HELP};
    const std::set<unsigned> index{CMD_INDEX_CREATE_INDEX, CMD_INDEX_WEBSITE, CMD_INDEX_EDIT_INDEX,
                                   CMD_INDEX_BROWSE_WEBSITE};
    auto enabled = [&](unsigned id) { return IsCommandEnabled(*app, id); };

    // Idle, empty history, no index pages built.
    for (unsigned id : idleOnly)
        EXPECT_TRUE(enabled(id)) << id;
    for (unsigned id : always)
        EXPECT_TRUE(enabled(id)) << id;
    for (unsigned id : index)
        EXPECT_TRUE(enabled(id)) << id;
    EXPECT_TRUE(enabled(CMD_POST_GAMES));
    EXPECT_FALSE(enabled(CMD_FILE_CANCEL));
    EXPECT_FALSE(enabled(CMD_SETUP_ERASE_UPLOAD_HISTORY));  // nothing to erase
    EXPECT_FALSE(enabled(CMD_INDEX_PUBLISH_INDEX));         // no pages built
    app->GetHistory().Add(Record("a"));
    app->GetIndexPages().m_bPagesReady = true;
    EXPECT_TRUE(enabled(CMD_SETUP_ERASE_UPLOAD_HISTORY));
    EXPECT_TRUE(enabled(CMD_INDEX_PUBLISH_INDEX));

    // While an operation runs, and after Cancel was pressed in it.
    for (int pass = 0; pass < 2; ++pass) {
        CQuillmarkApp::CBusyGuard busy(*app);
        if (pass == 1)
            app->OnFileCancel();
        for (unsigned id : idleOnly)
            EXPECT_FALSE(enabled(id)) << id;
        for (unsigned id : index)
            EXPECT_FALSE(enabled(id)) << id;
        for (unsigned id : always)
            EXPECT_TRUE(enabled(id)) << id;
        for (unsigned id : {CMD_POST_GAMES, CMD_SETUP_ERASE_UPLOAD_HISTORY, CMD_INDEX_PUBLISH_INDEX})
            EXPECT_FALSE(enabled(id)) << id;
        EXPECT_EQ(enabled(CMD_FILE_CANCEL), pass == 0);

        std::vector<unsigned> greyed;
        const unsigned inMenu = CMD_FILE_MRU_FIRST + 4;
        app->OnUpdateRecentFileMenu([&](unsigned id) {
            if (id >= inMenu)
                return false;
            greyed.push_back(id);
            return true;
        });
        EXPECT_EQ(greyed, (std::vector<unsigned>{57616, 57617, 57618, 57619}));
    }
    int asked = 0;
    app->OnUpdateRecentFileMenu([&](unsigned) { return ++asked, true; });
    EXPECT_EQ(asked, 0);  // idle: the window's own rule stands

    // BridgeWebs keeps no index on the website.
    app->Setup().m_Ftp.m_dwFlags |= SF_BRIDGEWEBS;
    for (unsigned id : index)
        EXPECT_FALSE(enabled(id)) << id;
    EXPECT_FALSE(enabled(CMD_INDEX_PUBLISH_INDEX));
    EXPECT_TRUE(enabled(CMD_POST_GAMES));
    EXPECT_EQ(FindCommand(40000), nullptr);
    EXPECT_FALSE(enabled(40000));
}

TEST_F(PostingCommands, PostGamesCaptionFollowsTheShiftKey)
{
    RecordingCmdUI button("Post Games (F4)");
    app->OnUpdatePostGames(button, false);
    EXPECT_TRUE(button.enabled);
    EXPECT_EQ(button.text, "Post Games (F4)");
    EXPECT_EQ(button.textChanges, 0);
    app->OnUpdatePostGames(button, true);
    EXPECT_EQ(button.text, "Repost (Shift+F4)");
    {
        CQuillmarkApp::CBusyGuard busy(*app);
        app->OnUpdatePostGames(button, true);  // the caption made once is kept
        EXPECT_FALSE(button.enabled);
        EXPECT_EQ(button.text, "Repost (Shift+F4)");
    }
    UpdateCommand(*app, CMD_POST_GAMES, button, false);
    EXPECT_TRUE(button.enabled);
    EXPECT_EQ(button.text, "Post Games (F4)");

    // A caption without a key in brackets.
    CQuillmarkApp other;
    SetAppPtr(app.get());
    RecordingCmdUI plain("Post");
    other.OnUpdatePostGames(plain, true);
    EXPECT_EQ(plain.text, "Repost");
    other.OnUpdatePostGames(plain, false);
    EXPECT_EQ(plain.text, "Post");
}

TEST_F(PostingCommands, RunCommandRunsOnlyEnabledCommandsThatHaveAHandler)
{
    {
        // An accelerator pressed during a run starts nothing.
        CQuillmarkApp::CBusyGuard busy(*app);
        EXPECT_EQ(RunCommand(*app, CMD_SETUP_SETUP), CommandRun::Disabled);
        EXPECT_EQ(RunCommand(*app, CMD_POST_GAMES, true), CommandRun::Disabled);
        EXPECT_EQ(RunCommand(*app, CMD_HELP_UPLOAD_TEST_FILE), CommandRun::Disabled);
        EXPECT_TRUE(dialogs.Shown().empty());
        EXPECT_EQ(RunCommand(*app, CMD_FILE_CANCEL), CommandRun::Done);
        EXPECT_EQ(app->GetCancelState(false), CS_CANCELLED);
    }
    EXPECT_FALSE(AttachCommandHandler(CMD_POST_GAMES, [](CQuillmarkApp&, bool) {}));  // the table has its own
    EXPECT_EQ(RunCommand(*app, CMD_FILE_OPEN), CommandRun::NotHandled);  // the window's own
    EXPECT_EQ(RunCommand(*app, CMD_FILE_MRU_FIRST + 2), CommandRun::NotHandled);
    EXPECT_EQ(RunCommand(*app, CMD_HELP), CommandRun::Done);
    EXPECT_EQ(dialogs.helpShown, 1);
}

TEST_F(PostingCommands, EraseUploadHistoryAsksThenEmptiesAndSaves)
{
    app->GetHistory().Add(Record("a"));
    app->GetHistory().Add(Record("b"));
    dialogs.Answer(IDCANCEL);
    app->OnSetupEraseUploadHistory();
    EXPECT_EQ(app->GetHistory().GetCount(), 2);
    EXPECT_FALSE(Exists(ProgramDataPath()));
    ASSERT_EQ(dialogs.Shown().size(), 1u);
    EXPECT_EQ(dialogs.Shown()[0].text, kEraseHistoryQuestion);
    EXPECT_EQ(dialogs.Shown()[0].style, static_cast<unsigned>(MB_OKCANCEL));

    dialogs.Answer(IDOK);
    app->OnSetupEraseUploadHistory();
    EXPECT_TRUE(app->GetHistory().IsEmpty());
    EXPECT_TRUE(SavedHistory().empty());
    EXPECT_TRUE(Exists(ProgramDataPath()));
    EXPECT_NE(LogText().find("]History erased\n"), std::string::npos);
}

TEST_F(PostingCommands, HistoryCommitsTheWorkingCopyOnlyAfterOkWithChanges)
{
    for (const char* name : {"a", "b", "c", "d"})
        app->GetHistory().Add(Record(name));
    CColScoreFile& history = app->GetHistory();

    // Cancel after edits: nothing changes.
    dialogs.history = [&](CColScoreFile& copy, HistoryAnswer& answer) {
        EXPECT_NE(&copy, &history);
        answer.modified += RemoveFromHistory(copy, {0}) > 0;
        return IDCANCEL;
    };
    app->OnViewHistory();
    EXPECT_EQ(history.GetCount(), 4);
    EXPECT_NE(LogText().find("]View History: Changes canceled\n"), std::string::npos);

    // OK without changes: no log line, no save.
    dialogs.history = [](CColScoreFile&, HistoryAnswer&) { return IDOK; };
    app->OnViewHistory();
    EXPECT_FALSE(Exists(ProgramDataPath()));
    EXPECT_EQ(LogText().find("Changes committed"), std::string::npos);

    // OK after removing rows 3 and 1 (given in that order) and adding one.
    const CScoreFile added = Record("e");
    dialogs.history = [&](CColScoreFile& copy, HistoryAnswer& answer) {
        answer.modified += RemoveFromHistory(copy, {3, 1, 3, 9}) == 2;
        answer.modified += AddFilesToHistory(*app, copy, {&added}) == 1;
        return IDOK;
    };
    app->OnViewHistory();
    const std::vector<std::string> expected{"/scores/a.txt", "/scores/c.txt", "/scores/e.txt"};
    EXPECT_EQ(HistoryPaths(history), expected);
    EXPECT_TRUE(history[2].IsAddedToHistory());
    EXPECT_NE(history.Lookup(added), nullptr);  // found again by its digest
    EXPECT_EQ(SavedHistory(), expected);
    EXPECT_NE(LogText().find("]View History: Add=[/scores/e.txt]\n"), std::string::npos);
    EXPECT_NE(LogText().find("]View History: Changes committed\n"), std::string::npos);
}

TEST_F(PostingCommands, HistoryChangedDuringAnOperationIsNotCommitted)
{
    app->GetHistory().Add(Record("a"));
    const CScoreFile* held = &app->GetHistory()[0];  // as a posting run holds it
    dialogs.history = [&](CColScoreFile& copy, HistoryAnswer& answer) {
        answer.modified = RemoveFromHistory(copy, {0});
        return IDOK;
    };
    {
        CQuillmarkApp::CBusyGuard busy(*app);
        app->OnViewHistory();
        EXPECT_EQ(&app->GetHistory()[0], held);
    }
    EXPECT_FALSE(Exists(ProgramDataPath()));
    ASSERT_EQ(dialogs.Texts().size(), 1u);
    EXPECT_NE(dialogs.Texts()[0].find("cannot be changed while an operation is running"), std::string::npos);
}

TEST_F(PostingCommands, AddToHistoryOffersOnlyNewScoreFilesNewestFirst)
{
    const std::string scores = folder.File("Scores");
    ::mkdir(scores.c_str(), 0700);
    app->Setup().m_strScoreFileDirectory = scores;
    CSFPtrArray found;
    CColScoreFile copy;
    const std::string texts[] = {samples::TuesdayPairs(), samples::WednesdayTwoEvents(),
                                 samples::ThursdayEventSessionLine()};
    for (int i = 0; i < 3; ++i) {
        const std::string path = JoinPath(scores, "game" + std::to_string(i) + ".txt");
        folder.Write("Scores/game" + std::to_string(i) + ".txt", texts[i]);
        struct timespec times[2] = {{1700000000 + i * 100, 0}, {1700000000 + i * 100, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    }
    ASSERT_TRUE(FindFilesToAddToHistory(*app, copy, found));
    ASSERT_EQ(found.GetSize(), 3);
    EXPECT_EQ(GetFileNameOnly(found[0]->GetPath()), "game2.txt");
    EXPECT_EQ(GetFileNameOnly(found[2]->GetPath()), "game0.txt");

    // Add...: the rows come unchecked, the checked one is added, and the
    // next scan leaves it out.
    dialogs.confirmChecks = {false, true, false};
    EXPECT_EQ(AddNewScoreFilesToHistory(*app, copy), 1);
    ASSERT_EQ(dialogs.confirmRows.size(), 3u);
    EXPECT_FALSE(dialogs.confirmRows[0].checked || dialogs.confirmRows[1].checked || dialogs.confirmRows[2].checked);
    ASSERT_EQ(copy.GetCount(), 1);
    EXPECT_EQ(GetFileNameOnly(copy[0].GetPath()), "game1.txt");
    EXPECT_TRUE(copy[0].IsAddedToHistory());
    dialogs.confirmChecks.clear();  // Cancel
    EXPECT_EQ(AddNewScoreFilesToHistory(*app, copy), 0);
    ASSERT_EQ(dialogs.confirmRows.size(), 2u);  // game1 is no longer offered
    EXPECT_EQ(copy.GetCount(), 1);

    dialogs.confirmChecks = {true, true};
    EXPECT_EQ(AddNewScoreFilesToHistory(*app, copy), 2);
    EXPECT_EQ(AddNewScoreFilesToHistory(*app, copy), 0);
    ASSERT_EQ(dialogs.Texts().size(), 1u);
    EXPECT_EQ(dialogs.Texts()[0], "There are no new score files in " + scores);

    app->Setup().m_strScoreFileDirectory.clear();
    CSFPtrArray none;
    EXPECT_FALSE(FindFilesToAddToHistory(*app, copy, none));
}

TEST_F(PostingCommands, HandRecordFoldersRewritesThePathOnlyAfterRemovals)
{
    CQuillmarkDoc doc(*app);
    const std::string setupFile = folder.File("club.qsu");
    doc.SetPathName(setupFile);
    CSearchPath& path = app->GetHandRecordSearchPath();
    for (const char* f : {"/hr/1", "/hr/2", "/hr/3", "/hr/4", "/hr/5"})
        path.Append(f);

    // Cancel after removals, and OK without removals: nothing saved.
    dialogs.folders = [](const HandRecordFoldersRequest& request, HandRecordFoldersAnswer& answer) {
        EXPECT_EQ(request.folders.size(), 5u);
        answer.folders = {"/hr/2"};
        answer.removed = 4;
        return false;
    };
    app->OnViewHandRecordFolders();
    dialogs.folders = [](const HandRecordFoldersRequest& request, HandRecordFoldersAnswer& answer) {
        answer.folders = request.folders;
        return true;
    };
    app->OnViewHandRecordFolders();
    EXPECT_EQ(path.GetString(), "/hr/1|/hr/2|/hr/3|/hr/4|/hr/5");
    EXPECT_FALSE(Exists(setupFile));

    dialogs.folders = [](const HandRecordFoldersRequest& request, HandRecordFoldersAnswer& answer) {
        answer.folders = {request.folders[1], request.folders[3], request.folders[4]};
        answer.removed = 2;
        return true;
    };
    app->OnViewHandRecordFolders();
    EXPECT_EQ(path.GetString(), "/hr/2|/hr/4|/hr/5");
    ASSERT_TRUE(Exists(setupFile));
    CQuillmarkApp reader;
    reader.SetPrompter(&prompter);
    CQuillmarkDoc readBack(reader);
    ASSERT_TRUE(readBack.OnOpenDocument(setupFile));
    EXPECT_EQ(reader.GetHandRecordSearchPath().GetString(), "/hr/2|/hr/4|/hr/5");
    SetAppPtr(app.get());
    EXPECT_FALSE(Exists(ProgramDataPath()));  // the setup data file only
}

TEST(TestFileAddress, ShowsThePortExceptTheFtpDefault)
{
    CFTPSettings s;
    s.m_strServer = "ftp.club.example";
    s.m_strUser = "director";
    EXPECT_EQ(TestFileAddress(s), "ftp://director@ftp.club.example/TestFile.txt");
    s.m_nProtocol = PROTOCOL_FTPS;
    s.m_strPort[1] = "990";
    s.m_strDirectory = "public_html/results";
    EXPECT_EQ(TestFileAddress(s), "ftps://director@ftp.club.example:990/public_html/results/TestFile.txt");
    s.m_nProtocol = PROTOCOL_SFTP;
    s.m_strDirectory.clear();
    EXPECT_EQ(TestFileAddress(s), "sftp://director@ftp.club.example:22/TestFile.txt");

    const std::string text = TestFileText(1700000000, "ftp://a@b/TestFile.txt");
    EXPECT_EQ(text.rfind("Quillmark test file created ", 0), 0u) << text;
    EXPECT_NE(text.find(" 2023 "), std::string::npos) << text;
    EXPECT_EQ(text.substr(text.find('\n') + 1), "Uploaded ftp://a@b/TestFile.txt\n");
}
