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
    explicit RecordingCmdUI(std::string text) : text(std::move(text)) {}
    void Enable(bool on) override { enabled = on; }
    void SetText(const std::string& t) override { text = t; }
    std::string GetText() const override { return text; }
    bool enabled = false;
    std::string text;
};

// Answers the History and folders dialogs with what a test scripts.
class DialogPrompter : public CScriptedPrompter {
public:
    std::function<int(CColScoreFile&, HistoryAnswer&)> history;
    std::function<bool(const HandRecordFoldersRequest&, HandRecordFoldersAnswer&)> folders;
    int ViewHistory(const HistoryRequest& request, HistoryAnswer& answer) override
    {
        return history ? history(*request.history, answer) : IDCANCEL;
    }
    bool HandRecordFolders(const HandRecordFoldersRequest& request, HandRecordFoldersAnswer& answer) override
    {
        return folders ? folders(request, answer) : false;
    }
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


}  // namespace

TEST_F(PostingCommands, EnablingRulesFollowTheOperationTheSetupAndTheData)
{
    const std::set<unsigned> idleOnly{CMD_FILE_POST,   CMD_FILE_REPOST,           CMD_SETUP_SETUP,
                                      CMD_FILE_OPEN,   CMD_HELP_UPLOAD_TEST_FILE, CMD_POST_GAMES,
                                      CMD_INDEX_WEBSITE, CMD_FILE_MRU_FIRST + 3};
    const std::set<unsigned> always{CMD_VIEW_HISTORY, CMD_VIEW_HAND_RECORD_FOLDERS, CMD_HELP};
    auto enabled = [&](unsigned id) { return IsCommandEnabled(*app, id); };

    // Idle: erase needs a history, publish needs built pages.
    for (unsigned id : idleOnly)
        EXPECT_TRUE(enabled(id)) << id;
    EXPECT_FALSE(enabled(CMD_FILE_CANCEL));
    EXPECT_FALSE(enabled(CMD_SETUP_ERASE_UPLOAD_HISTORY));
    EXPECT_FALSE(enabled(CMD_INDEX_PUBLISH_INDEX));
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
        for (unsigned id : always)
            EXPECT_TRUE(enabled(id)) << id;
        EXPECT_FALSE(enabled(CMD_SETUP_ERASE_UPLOAD_HISTORY) || enabled(CMD_INDEX_PUBLISH_INDEX));
        EXPECT_EQ(enabled(CMD_FILE_CANCEL), pass == 0);
        std::vector<unsigned> greyed;
        app->OnUpdateRecentFileMenu([&](unsigned id) {
            if (id >= CMD_FILE_MRU_FIRST + 4)
                return false;
            greyed.push_back(id);
            return true;
        });
        EXPECT_EQ(greyed, (std::vector<unsigned>{57616, 57617, 57618, 57619}));
    }

    // BridgeWebs keeps no index on the website.
    app->Setup().SetFlags(app->Setup().GetFlags() | SF_BRIDGEWEBS);
    EXPECT_FALSE(enabled(CMD_INDEX_WEBSITE) || enabled(CMD_INDEX_PUBLISH_INDEX));
    EXPECT_TRUE(enabled(CMD_POST_GAMES));
    EXPECT_FALSE(enabled(40000));
}

TEST_F(PostingCommands, PostGamesCaptionFollowsTheShiftKeyAndRunsOnlyWhenIdle)
{
    RecordingCmdUI button("Post Games (F4)");
    app->OnUpdatePostGames(button, true);
    EXPECT_EQ(button.text, "Repost (Shift+F4)");
    {
        CQuillmarkApp::CBusyGuard busy(*app);
        app->OnUpdatePostGames(button, true);  // the caption made once is kept
        EXPECT_FALSE(button.enabled);
        EXPECT_EQ(button.text, "Repost (Shift+F4)");
        // An accelerator pressed during a run starts nothing.
        EXPECT_EQ(RunCommand(*app, CMD_POST_GAMES, true), CommandRun::Disabled);
        EXPECT_EQ(RunCommand(*app, CMD_HELP_UPLOAD_TEST_FILE), CommandRun::Disabled);
        EXPECT_TRUE(dialogs.Shown().empty());
        EXPECT_EQ(RunCommand(*app, CMD_FILE_CANCEL), CommandRun::Done);
        EXPECT_EQ(app->GetCancelState(false), CS_CANCELLED);
    }
    UpdateCommand(*app, CMD_POST_GAMES, button, false);
    EXPECT_TRUE(button.enabled);
    EXPECT_EQ(button.text, "Post Games (F4)");
    CommandEntry plain = *FindCommand(CMD_FILE_REPOST);  // a caption without a key in brackets
    plain.shortcut = "";
    EXPECT_EQ(CommandCaption(plain), "Repost");
    EXPECT_EQ(RunCommand(*app, CMD_FILE_OPEN), CommandRun::NotHandled);  // the window's own
}

TEST_F(PostingCommands, EraseUploadHistoryAsksThenEmptiesAndSaves)
{
    app->GetHistory().Add(Record("a"));
    dialogs.Answer(IDCANCEL);
    app->OnSetupEraseUploadHistory();
    EXPECT_EQ(app->GetHistory().GetCount(), 1);
    EXPECT_FALSE(FileExists(ProgramDataPath()));
    dialogs.Answer(IDOK);
    app->OnSetupEraseUploadHistory();
    EXPECT_TRUE(app->GetHistory().IsEmpty());
    EXPECT_TRUE(FileExists(ProgramDataPath()));
    EXPECT_TRUE(SavedHistory().empty());
}

TEST_F(PostingCommands, HistoryCommitsTheWorkingCopyOnlyAfterOkWithChangesAndWhenIdle)
{
    for (const char* name : {"a", "b", "c", "d"})
        app->GetHistory().Add(Record(name));
    CColScoreFile& history = app->GetHistory();

    // Cancel after edits, and OK without changes: nothing changes or is saved.
    dialogs.history = [&](CColScoreFile& copy, HistoryAnswer& answer) {
        EXPECT_NE(&copy, &history);
        answer.modified += RemoveFromHistory(copy, {0}) > 0;
        return IDCANCEL;
    };
    app->OnViewHistory();
    dialogs.history = [](CColScoreFile&, HistoryAnswer&) { return IDOK; };
    app->OnViewHistory();
    EXPECT_EQ(history.GetCount(), 4);
    EXPECT_FALSE(FileExists(ProgramDataPath()));

    // Changed during an operation: not committed, and the director is told.
    const CScoreFile* held = &history[0];  // as a posting run holds it
    dialogs.history = [&](CColScoreFile& copy, HistoryAnswer& answer) {
        answer.modified = RemoveFromHistory(copy, {0});
        return IDOK;
    };
    {
        CQuillmarkApp::CBusyGuard busy(*app);
        app->OnViewHistory();
        EXPECT_EQ(&history[0], held);
    }
    EXPECT_FALSE(FileExists(ProgramDataPath()));
    ASSERT_EQ(dialogs.Texts().size(), 1u);
    EXPECT_NE(dialogs.Texts()[0].find("cannot be changed while an operation is running"), std::string::npos);

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
    EXPECT_NE(history.Lookup(added), nullptr);  // found again by its digest
    EXPECT_EQ(SavedHistory(), expected);
}

TEST_F(PostingCommands, AddToHistoryOffersOnlyNewScoreFilesNewestFirst)
{
    const std::string scores = folder.File("Scores");
    ::mkdir(scores.c_str(), 0700);
    app->Setup().m_strScoreFileDirectory = scores;
    const std::string texts[] = {samples::TuesdayPairs(), samples::WednesdayTwoEvents(),
                                 samples::ThursdayEventSessionLine()};
    for (int i = 0; i < 3; ++i) {
        const std::string path = folder.Write("Scores/game" + std::to_string(i) + ".txt", texts[i]);
        struct timespec times[2] = {{1700000000 + i * 100, 0}, {1700000000 + i * 100, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    }
    // The rows come unchecked, newest first; the checked one is added and
    // the next scan leaves it out.
    CColScoreFile copy;
    auto check = [this](std::vector<bool> checks) {
        dialogs.onConfirm = [checks](const ConfirmPostingRequest& request, ConfirmPostingAnswer& answer) {
            EXPECT_TRUE(request.addMode);
            answer.checked = checks;
            return true;
        };
    };
    check({false, true, false});
    EXPECT_EQ(AddNewScoreFilesToHistory(*app, copy), 1);
    const auto& rows = dialogs.confirmRequest.rows;
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(GetFileNameOnly(rows[0].path), "game2.txt");
    EXPECT_FALSE(rows[0].checked || rows[1].checked || rows[2].checked);
    ASSERT_EQ(copy.GetCount(), 1);
    EXPECT_EQ(GetFileNameOnly(copy[0].GetPath()), "game1.txt");
    check({true, true});
    EXPECT_EQ(AddNewScoreFilesToHistory(*app, copy), 2);
    EXPECT_EQ(rows.size(), 2u);
    EXPECT_EQ(AddNewScoreFilesToHistory(*app, copy), 0);
    EXPECT_EQ(dialogs.LastText(), "There are no new score files in " + scores);
}

TEST_F(PostingCommands, HandRecordFoldersRewritesThePathOnlyAfterRemovals)
{
    CQuillmarkDoc doc(*app);
    const std::string setupFile = folder.File("club.qsu");
    doc.SetPathName(setupFile);
    CSearchPath& path = app->GetHandRecordSearchPath();
    for (const char* f : {"/hr/1", "/hr/2", "/hr/3"})
        path.Append(f);
    auto answer = [this](bool ok, std::vector<int> keep) {
        dialogs.folders = [=](const HandRecordFoldersRequest& request, HandRecordFoldersAnswer& a) {
            for (int i : keep)
                a.folders.push_back(request.folders[i]);
            a.removed = static_cast<int>(request.folders.size() - keep.size());
            return ok;
        };
        app->OnViewHandRecordFolders();
    };
    answer(false, {1});        // Cancel after a removal
    answer(true, {0, 1, 2});  // OK without one
    EXPECT_EQ(path.GetString(), "/hr/1|/hr/2|/hr/3");
    EXPECT_FALSE(FileExists(setupFile));

    answer(true, {0, 2});
    EXPECT_EQ(path.GetString(), "/hr/1|/hr/3");
    CQuillmarkApp reader;
    reader.SetPrompter(&prompter);
    CQuillmarkDoc readBack(reader);
    ASSERT_TRUE(readBack.OnOpenDocument(setupFile));
    EXPECT_EQ(reader.GetHandRecordSearchPath().GetString(), "/hr/1|/hr/3");
    SetAppPtr(app.get());
    EXPECT_FALSE(FileExists(ProgramDataPath()));  // the setup data file only
}
