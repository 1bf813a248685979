// The hand-record search path, finding and choosing hand-record files, and
// the companion names of a score file.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "platform/date_helpers.h"
#include "posting/score_file.h"
#include "posting/search_path.h"
#include "support/test_app.h"

TEST(SearchPath, AddingAndJoining)
{
    CSearchPath path;
    path.SetString("d:\\deals|E:\\X");
    EXPECT_EQ(path.Add("D:\\Deals", true), 0);
    EXPECT_EQ(path.GetString(), "d:\\deals|E:\\X");
    EXPECT_EQ(path.Add("D:\\Deals", false), 1);
    EXPECT_EQ(path.GetString(), "E:\\X|D:\\Deals");

    // Empty parts go; of two spellings of one folder the later stays.
    path.SetString("A||B|a");
    EXPECT_EQ(path.GetString(), "B|a");
    path.SetString("|");
    EXPECT_TRUE(path.IsEmpty());
}

class HandRecords : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        f1 = folder.File("F1");
        f2 = folder.File("F2 with blanks");
        ::mkdir(f1.c_str(), 0700);
        ::mkdir(f2.c_str(), 0700);
        app->Setup().m_HandRecordFolders.SetString(folder.File("missing") + "|" + f1 + "|" + f2);
        app->SetSaveProgramDataHandler([this] {
            ++saves;
            return true;
        });
        score.SetPath(folder.File("scores/game.txt"));
        score.SetDescriptor(SFD_DATE, "Sep 5, 2023");
        score.SetDescriptor(SFD_SESSION, "Tuesday Aft");
        score.SetDescriptor(SFD_SECTION, "B");
        score.ParseDate();
    }

    std::string f1, f2;
    int saves = 0;
    CScoreFile score;
};

TEST_F(HandRecords, AutomaticSearchByFolderThenType)
{
    folder.Write("F1/230905A.lin", "lin");
    folder.Write("F2 with blanks/230905A.pbn", "pbn");
    folder.Write("F2 with blanks/230905A.dup", "dup");
    EXPECT_TRUE(score.SelectHandRecords(true));
    EXPECT_EQ(score.GetHandRecordPath(), f1 + "/230905A.lin") << "every type in the first folder first";

    score.SetHandRecordPath("");
    app->Setup().SetFlags(app->Setup().GetFlags() | SF_BRIDGEWEBS);
    EXPECT_TRUE(score.SelectHandRecords(true));
    EXPECT_EQ(score.GetHandRecordPath(), f2 + "/230905A.pbn") << "no .lin for BridgeWebs";
    EXPECT_EQ(saves, 0);
}

TEST_F(HandRecords, NamesMatchWithoutRegardToCase)
{
    folder.Write("F2 with blanks/230905a.PBN", "pbn");
    EXPECT_TRUE(score.SelectHandRecords(true));
    EXPECT_EQ(score.GetHandRecordPath(), f2 + "/230905a.PBN");

    // Of two spellings the exact one is taken.
    folder.Write("F1/230905a.dlm", "x");
    folder.Write("F1/230905A.dlm", "y");
    score.SetHandRecordPath("");
    EXPECT_TRUE(score.SelectHandRecords(true));
    EXPECT_EQ(score.GetHandRecordPath(), f1 + "/230905A.dlm");

    // Nothing for another session.
    score.SetHandRecordPath("");
    score.SetDescriptor(SFD_SESSION, "Tuesday Eve");
    EXPECT_FALSE(score.SelectHandRecords(true));
}

TEST_F(HandRecords, ChoosingByHandRemembersFolderAndFilter)
{
    app->Setup().m_HandRecordFolders.SetString(f1 + "|" + f2);
    // Cancelled: nothing changes.
    EXPECT_FALSE(score.SelectHandRecords(false));
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"Select Hand Records - 230905A - Section B"});
    EXPECT_EQ(score.GetHandRecordPath(), "");

    // Chosen from the second folder with the BRI filter: the folder moves to
    // the front, the filter is remembered, the data is saved once.
    prompter.fileDialogPath = f2 + "/deals.bri";
    prompter.fileDialogFilter = 4;
    EXPECT_TRUE(score.SelectHandRecords(false));
    EXPECT_EQ(score.GetHandRecordPath(), f2 + "/deals.bri");
    EXPECT_EQ(app->Setup().m_HandRecordFolders.GetString(), f2 + "|" + f1);
    EXPECT_EQ(app->Setup().m_nHandRecordFilterIndex, 4u);
    EXPECT_EQ(saves, 1);

    // The same folder and filter again: nothing to save.
    EXPECT_TRUE(score.SelectHandRecords(false));
    EXPECT_EQ(saves, 1);
}

TEST(CompanionNames, WirelessDatabaseAndUploadNames)
{
    CScoreFile f;
    f.SetPath("D:\\Scores\\230905.aca");
    EXPECT_EQ(f.GetBwsPath(), "D:\\Scores\\230905A.bws");
    f.SetPath("/home/club/Scores/game.txt");
    f.SetDescriptor(SFD_DATE, "Sep 5, 2023");
    f.SetDescriptor(SFD_SESSION, "Tuesday Eve");
    f.ParseDate();
    EXPECT_EQ(f.GetBwsPath(), "/home/club/Scores/230905E.bws");

    f.SetPosted("2023/09/20230905e0a.htm", 0);
    f.SetHandRecordPath("/deals/230905E.PBN");
    EXPECT_EQ(f.GetHandRecordWebName(), "2023/09/20230905e0a.pbn");
    EXPECT_EQ(f.GetWebNameWithExtension("pdf"), "2023/09/20230905e0a.pdf");
    f.SetPosted("v1.2/results", 0);
    EXPECT_EQ(f.GetWebNameWithExtension(".pdf"), "v1.2/results.pdf");
}
