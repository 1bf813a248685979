#include <gtest/gtest.h>

#include <sys/stat.h>

#include "platform/path_helpers.h"
#include "posting/score_file.h"
#include "posting/score_file_collection.h"
#include "support/score_samples.h"
#include "support/test_app.h"

namespace {

// Confirm Posting hands the director copies: hand records found by the
// search or chosen in the dialog, and ticks, reach the records only with OK.
class ConfirmPostingCommitTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        for (const char* name : {"230905a.txt", "230906e.txt"}) {
            auto file = std::make_unique<CScoreFile>();
            ASSERT_EQ(file->Open(folder.Write(name, samples::TuesdayPairs()), nullptr, ScoreFileFormat::Text, OpenReport::Report), 1);
            ASSERT_EQ(file->Parse(true), 1);
            files.push_back(file.get());
            candidates.Add(std::move(file));
        }
        const std::string hands = folder.File("hands");
        ::mkdir(hands.c_str(), 0755);
        found = folder.Write("hands/" + files[0]->GetFileCode() + ".pbn", "[Board \"1\"]\n");
        prompter.fileDialogPath = folder.Write("chosen.pbn", "[Board \"1\"]\n");
        app->Setup().m_HandRecordFolders.Add(hands, false);
        app->Setup().SetFlags(app->Setup().GetFlags() | SF_AUTO_FILL_HAND_RECORD);
    }

    CSFPtrArray candidates;
    std::vector<CScoreFile*> files;
    std::string found;
};

}  // namespace

TEST_F(ConfirmPostingCommitTest, ChoicesReachTheRecordsOnlyWithOk)
{
    for (bool ok : {false, true}) {
        SCOPED_TRACE(ok ? "OK" : "Cancel");
        for (CScoreFile* f : files) {
            f->SetPost(true);
            f->SetHandRecordPath("");
        }
        prompter.onConfirm = [&](const ConfirmPostingRequest& request, ConfirmPostingAnswer& answer) {
            EXPECT_EQ(request.rows[0].handRecordPath, found);
            std::string path;
            EXPECT_TRUE(request.selectHandRecords(1, false, path));
            EXPECT_EQ(path, prompter.fileDialogPath);
            answer.handRecordPaths[1] = path;
            answer.checked[0] = false;
            return ok;
        };
        EXPECT_EQ(app->ConfirmPosting(candidates, false), ok);
        EXPECT_EQ(files[0]->GetHandRecordPath(), ok ? found : "");
        EXPECT_EQ(files[1]->GetHandRecordPath(), ok ? prompter.fileDialogPath : "");
        EXPECT_EQ(files[0]->IsPost(), ok ? 0 : 1);
        EXPECT_TRUE(files[1]->IsPost());
    }
}
