#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/path_helpers.h"
#include "app/setup_file.h"
#include "platform/text_helpers.h"
#include "support/fault_guards.h"
#include "support/golden_stream.h"
#include "support/test_app.h"

namespace {

const int64_t kPostAfter = 1693526400, kPublished = 1694000000, kOldest = 1672531200;

GoldenRecord Record(int n)
{
    GoldenRecord r;
    r.path = n ? StrFormat("/scores/23090%da.txt", n) : "/scores/legacy.txt";
    if (n)
        r.webName = StrFormat("2023090%danlmb.htm", n);
    r.digestSeed = static_cast<uint8_t>(n ? 10 * n : 100);
    return r;
}

// A setup stream of the given schema, written from the layout table. The
// password is held in the older form under "secret". Schema 0 has no schema
// number in front ("Setup.bin").
std::string SetupStream(uint32_t schema)
{
    const std::vector<uint8_t> password = OlderFormPassword("secret");
    CGolden g;
    if (schema >= 5) {
        const int version = schema >= 8 ? 1 : 0;
        g.U32(schema).Str("/club/games").Time(kPostAfter).Str("/hands/one|/hands/two");
        if (schema >= 8)
            g.U32(3);
        if (schema >= 7)
            g.Str("/layouts/page.vlt");
        if (schema >= 9)
            g.Str("/layouts/hands.vlt");
        if (schema >= 10)
            g.Time(kPublished).Str("Staging4");
        g.Str("http://club.example/").Str("indextemplate.htm");
        if (schema >= 6)
            g.Str("index.htm");
        if (schema >= 8)
            g.Time(kOldest);
        g.I32(30).Str("results").Str("template.htm").Str("ftp.club.example").Str("webmaster").Str("/public_html");
        if (schema == 11)
            g.Str("dropped one").Str("dropped two");
        if (schema >= 12)
            g.I32(2).Str("2121").Str("990").Str("2222").Str("-v").Str("--ssl").Str("-oBatchMode=no");
        if (schema >= 8)
            g.U32(0x1F54);
        g.I32(0).U32(static_cast<uint32_t>(password.size())).Raw(password).Count(1);
        Record(0).Write(g, version);
        g.Count(2);
        Record(1).Write(g, version);
        Record(2).Write(g, version);
        return g.Bytes();
    }
    if (schema != 0)
        g.U32(schema);
    // One legacy record in the first array (8-bit strings), none in the second.
    g.Count(1);
    for (int i = 0; i < 5; ++i)
        g.Narrow(StrFormat("datum %d", i));
    if (schema != 0)
        g.Narrow("extra");
    g.Narrow("caf\xE9").U32(7).U32(8);
    if (schema >= 3)
        g.Narrow("last");
    g.Count(0).Str("ftp.club.example").Str("webmaster").Str("dropped");
    if (schema == 4)
        g.Str("dropped too");
    if (schema >= 1)
        g.I32(0);
    g.U32(static_cast<uint32_t>(password.size())).Raw(password);
    if (schema >= 2) {
        g.Count(1);
        Record(0).Write(g, 0);
    }
    if (schema == 4) {
        g.Str("a").Str("b").I32(45).U32(9).Count(1);
        Record(1).Write(g, 0);
    }
    return g.Bytes();
}

class SetupFileTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        doc = std::make_unique<CQuillmarkDoc>(*app);
        doc->OnNewDocument();
    }
    void TearDown() override
    {
        doc.reset();
        AppTest::TearDown();
    }
    std::string Password()
    {
        CSecretString pw;
        uint32_t error = 0;
        if (!app->DecryptPassword(app->Setup().m_ProtectedPassword, app->Setup().m_bPasswordProtected, pw, error))
            return "<" + std::to_string(error) + ">";
        return pw.Get();
    }
    // Opening fails, with the current document and its data left as they were.
    void ExpectRefusedKeeping(const std::string& path, const std::string& current)
    {
        EXPECT_EQ(app->OpenDocumentFile(path), nullptr);
        EXPECT_EQ(prompter.LastShown().kind, "box");
        EXPECT_EQ(doc->GetPathName(), current);
        EXPECT_EQ(app->Setup().m_strPdfLayout, "/layouts/hands.vlt");
        EXPECT_EQ(app->GetIndexEntries().GetCount(), 2);
        EXPECT_EQ(app->GetHistory().GetCount(), 1);
    }

    std::unique_ptr<CQuillmarkDoc> doc;
};

}  // namespace

TEST_F(SetupFileTest, EverySchemaReadsWhatItHoldsAndIsSavedAsTheCurrentOne)
{
    for (uint32_t schema = 1; schema <= 12; ++schema) {
        SCOPED_TRACE("schema " + std::to_string(schema));
        doc->OnNewDocument();
        app->GetHistory().RemoveAll();
        app->Setup().m_tLastPublishIndex = 77;
        app->Setup().m_strStagingFolder = "Staging9";
        const std::string golden = SetupStream(schema);
        const std::string path = folder.Write(StrFormat("Club%u.qsu", schema), golden);
        prompter.Clear();
        ASSERT_NE(app->OpenDocumentFile(path), nullptr);
        const CSetupData& s = app->Setup();
        EXPECT_EQ(s.m_Ftp.m_strServer, "ftp.club.example");
        EXPECT_EQ(s.m_Ftp.m_strUser, "webmaster");
        EXPECT_EQ(Password(), "secret");
        EXPECT_EQ(s.m_bPasswordProtected, 0);
        EXPECT_EQ(s.m_strScoreFileDirectory, schema >= 5 ? "/club/games" : "");
        EXPECT_EQ(s.m_tPostFilesModifiedAfter, schema >= 5 ? kPostAfter : 0);
        EXPECT_EQ(s.m_HandRecordFolders.GetString(), schema >= 5 ? "/hands/one|/hands/two" : "");
        EXPECT_EQ(s.m_strWebsiteUrl, schema >= 5 ? "http://club.example/" : "");
        EXPECT_EQ(s.m_strScoreFileTemplate, schema >= 5 ? "template.htm" : "");
        EXPECT_EQ(s.m_Ftp.m_strDirectory, schema >= 5 ? "/public_html" : "");
        EXPECT_EQ(s.m_nHandRecordFilterIndex, schema >= 8 ? 3u : 0u);
        EXPECT_EQ(s.m_strHtmlLayout, schema >= 7 ? "/layouts/page.vlt" : "");
        EXPECT_EQ(s.m_strPdfLayout, schema >= 9 ? "/layouts/hands.vlt" : "");
        EXPECT_EQ(s.m_tLastPublishIndex, schema >= 10 ? kPublished : 77);
        EXPECT_EQ(s.m_strStagingFolder, schema >= 10 ? "Staging4" : "Staging9");
        EXPECT_EQ(s.m_strIndexFile, schema >= 6 ? "index.htm" : "");
        EXPECT_EQ(s.m_tOldestToIndex, schema >= 8 ? kOldest : app->GetLowestDate());
        EXPECT_EQ(s.m_nDaysToIndex, schema >= 5 ? 30 : schema == 4 ? 45 : 0);
        EXPECT_EQ(s.m_Ftp.m_dwFlags, schema >= 8 ? 0x1F54u : 0u);
        EXPECT_EQ(s.m_Ftp.m_nProtocol, schema >= 12 ? 2 : 0);
        EXPECT_EQ(s.m_Ftp.m_strPort[1], schema >= 12 ? "990" : "21");
        EXPECT_EQ(s.m_Ftp.m_strPort[2], schema >= 12 ? "2222" : "22");
        EXPECT_EQ(s.m_Ftp.m_strParameters[2], schema >= 12 ? "-oBatchMode=no" : "");
        const int64_t entries = schema >= 5 ? 2 : schema == 4 ? 1 : 0;
        ASSERT_EQ(app->GetIndexEntries().GetCount(), entries);
        if (entries) {
            // Records before schema 8 carry no flags or hand-record path.
            const CScoreFile& e = app->GetIndexEntries()[entries - 1];
            EXPECT_EQ(e.GetFlags(), schema >= 8 ? 0x15u : 0x05u);
            EXPECT_EQ(e.GetHandRecordPath(), schema >= 8 ? "/hands/230905a.pbn" : "");
            EXPECT_EQ(e.GetWebName(), StrFormat("2023090%danlmb.htm", static_cast<int>(entries)));
            EXPECT_EQ(e.GetSize(), 0x1234567890ull);
            EXPECT_EQ(e.GetDescriptor(SFD_MP_LIMITS), "NLM");
        }
        // The legacy record went into the Upload History.
        ASSERT_EQ(app->GetHistory().GetCount(), schema >= 2 ? 1 : 0);
        if (schema >= 2) {
            EXPECT_EQ(app->GetHistory()[0].GetPath(), "/scores/legacy.txt");
        }

        if (schema == 12) {
            EXPECT_TRUE(prompter.Shown().empty()) << "no conversion question";
            EXPECT_NE(LogText().find("]Quillmark Version 1.0: Loading setup file " + path + " Schema=12\n"),
                      std::string::npos);
            // Saved again: the same bytes except the legacy array, now empty.
            ASSERT_TRUE(doc->DoFileSave());
            CGolden legacy;
            Record(0).Write(legacy, 1);
            const size_t at = golden.find(legacy.Bytes());
            ASSERT_NE(at, std::string::npos);
            EXPECT_EQ(ReadWholeFile(path), golden.substr(0, at - 2) + std::string("\0\0", 2) +
                                               golden.substr(at + legacy.Size()));
            continue;
        }
        // The conversion: asked once, backed up, and saved at once as
        // schema 12 (the document has its file, so no dialog).
        ASSERT_EQ(prompter.Shown().size(), 1u);
        const std::string backup = folder.File(StrFormat("Club%u-Backup%u.qsu", schema, schema));
        EXPECT_EQ(prompter.Shown()[0].text,
                  "Convert " + path + " to the current format?\r\n\r\nA copy before conversion will be saved as " + backup);
        EXPECT_EQ(prompter.Shown()[0].style, static_cast<unsigned>(MB_OKCANCEL | MB_ICONEXCLAMATION | MB_DEFBUTTON2));
        EXPECT_EQ(ReadWholeFile(backup), golden);
        EXPECT_EQ(ReadWholeFile(path).substr(0, 4), std::string("\x0C\0\0\0", 4));
        EXPECT_TRUE(FileExists(dataDir + "/ProgramData.bin"));
    }
}

TEST_F(SetupFileTest, AConversionNeverWritesOverAnEarlierBackup)
{
    const std::string old = SetupStream(9);
    const std::string path = folder.Write("Club.qsu", old);
    folder.Write("Club-Backup9.qsu", "first backup");
    folder.Write("Club-Backup9-2.qsu", "second backup");
    prompter.Answer(IDOK);
    ASSERT_NE(app->OpenDocumentFile(path), nullptr);
    const std::string backup = folder.File("Club-Backup9-3.qsu");
    ASSERT_FALSE(prompter.Shown().empty());
    EXPECT_EQ(prompter.Shown()[0].text,
              "Convert " + path + " to the current format?\r\n\r\nA copy before conversion will be saved as " + backup);
    EXPECT_EQ(ReadWholeFile(backup), old);
    EXPECT_EQ(ReadWholeFile(folder.File("Club-Backup9.qsu")), "first backup");
    EXPECT_EQ(ReadWholeFile(folder.File("Club-Backup9-2.qsu")), "second backup");
}

TEST_F(SetupFileTest, ASetupFileThatIsALinkIsSavedThroughIt)
{
    const std::string target = folder.Write("Real Club.qsu", SetupStream(12));
    const std::string link = folder.File("Club.qsu");
    ASSERT_EQ(::symlink("Real Club.qsu", link.c_str()), 0);
    ASSERT_NE(app->OpenDocumentFile(link), nullptr);
    app->Setup().m_strWebsiteUrl = "http://changed.example";
    ASSERT_TRUE(doc->DoFileSave());
    struct stat st {};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link was replaced by a plain file";
    app->Setup().m_strWebsiteUrl.clear();
    ASSERT_NE(app->OpenDocumentFile(target), nullptr);
    EXPECT_EQ(app->Setup().m_strWebsiteUrl, "http://changed.example");
}

TEST_F(SetupFileTest, LegacySetupBinImportsTheFtpLoginAndSavesOnlyWhenRead)
{
    app->TestDataProtection();
    const std::string legacy = folder.Write("data/Setup.bin", SetupStream(0));
    prompter.Answer(IDYES);
    prompter.fileDialogPath = folder.File("Imported.qsu");
    app->OfferLegacyImport();
    ASSERT_GE(prompter.Shown().size(), 2u);
    EXPECT_EQ(prompter.Shown()[0].text, "Import setup data from previous version?");
    EXPECT_EQ(prompter.Shown()[0].style, static_cast<unsigned>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(prompter.Shown()[1].kind, "save") << "the untitled setup is saved through Save As";
    EXPECT_EQ(app->Setup().m_Ftp.m_strServer, "ftp.club.example");
    EXPECT_EQ(app->Setup().m_bPasswordProtected, 0) << "the older form stays readable";
    EXPECT_EQ(Password(), "secret");
    EXPECT_EQ(doc->GetPathName(), folder.File("Imported.qsu"));
    EXPECT_TRUE(FileExists(legacy)) << "the legacy file stays, so the offer comes again";
    EXPECT_NE(LogText().find("]Importing " + legacy + "\n"), std::string::npos);
    EXPECT_NE(LogText().find("]Saved setup [" + folder.File("Imported.qsu") + "]\n"), std::string::npos);

    // No: nothing happens.
    prompter.Clear();
    prompter.Answer(IDNO);
    app->OfferLegacyImport();
    EXPECT_EQ(prompter.Shown().size(), 1u);

    // A damaged legacy file is reported and nothing is applied or saved.
    ASSERT_EQ(::unlink((dataDir + "/ProgramData.bin").c_str()), 0);
    doc->OnNewDocument();
    folder.Write("data/Setup.bin", SetupStream(0).substr(0, 40));
    prompter.Clear();
    prompter.Answer(IDYES);
    app->OfferLegacyImport();
    ASSERT_EQ(prompter.Shown().size(), 2u);
    EXPECT_EQ(prompter.Shown()[1].kind, "box");
    EXPECT_NE(LogText().find("]Operation=[CQuillmarkApp::LoadData: SerializeSetup]\n"), std::string::npos);
    EXPECT_FALSE(FileExists(dataDir + "/ProgramData.bin"));
    EXPECT_EQ(app->Setup().m_Ftp.m_strServer, "");
}

TEST_F(SetupFileTest, NewerDeclinedAndCutFilesAreRefusedWithNothingApplied)
{
    const std::string whole = SetupStream(12);
    const std::string good = folder.Write("Good.qsu", whole);
    ASSERT_NE(app->OpenDocumentFile(good), nullptr);

    std::string newer = whole;
    newer[0] = 13;
    prompter.Clear();
    ExpectRefusedKeeping(folder.Write("Newer.qsu", newer), good);
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"Unexpected file format."});

    // A conversion declined: the same answer, no backup, the file untouched.
    const std::string old = SetupStream(9);
    const std::string path9 = folder.Write("Old.qsu", old);
    prompter.Answer(IDCANCEL);
    ExpectRefusedKeeping(path9, good);
    EXPECT_EQ(prompter.LastText(), "Unexpected file format.");
    EXPECT_FALSE(FileExists(folder.File("Old-Backup9.qsu")));
    EXPECT_EQ(ReadWholeFile(path9), old);

    for (size_t n = 0; n < whole.size(); ++n) {
        SCOPED_TRACE("cut at " + std::to_string(n));
        prompter.Clear();
        ExpectRefusedKeeping(folder.Write("Cut.qsu", whole.substr(0, n)), good);
        ASSERT_EQ(prompter.Shown().size(), 1u);
    }
}

TEST_F(SetupFileTest, OldestToIndexIsRaisedToTheLowestDate)
{
    std::string bytes = SetupStream(12);
    CGolden oldest;
    oldest.Time(kOldest);
    bytes.replace(bytes.find(oldest.Bytes()), 8, std::string(8, '\0'));
    ASSERT_NE(app->OpenDocumentFile(folder.Write("Zero.qsu", bytes)), nullptr);
    EXPECT_EQ(app->Setup().m_tOldestToIndex, app->GetLowestDate());
}

TEST_F(SetupFileTest, SaveAsStartsInTheRememberedFolderAndFailsWithoutHarm)
{
    const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    struct RestoreHome {
        std::string value;
        ~RestoreHome() { ::setenv("HOME", value.c_str(), 1); }
    } restore{savedHome};
    ::setenv("HOME", folder.Path().c_str(), 1);
    ::mkdir(folder.File("Documents").c_str(), 0700);
    ::mkdir(folder.File("clubs").c_str(), 0700);
    app->Setup().m_strWebsiteUrl = "http://x/";
    const std::string emptyHistory("\x01\0\0\0\0\0", 6);

    // An untitled setup: Save As from the documents folder; Cancel saves
    // nothing, not even the program data file.
    const std::string programData = folder.Write("data/ProgramData.bin", emptyHistory);
    app->GetHistory().Add(CScoreFile());
    EXPECT_FALSE(app->SaveData(true));
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{folder.File("Documents") + "|Untitled.qsu"});
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(ReadWholeFile(programData), emptyHistory);

    // OK: saved there, the folder remembered, the line logged after.
    prompter.fileDialogPath = folder.File("clubs/Club");
    ASSERT_TRUE(app->SaveData(false));
    const std::string club = folder.File("clubs/Club.qsu");
    EXPECT_EQ(doc->GetPathName(), club);
    EXPECT_EQ(profile.GetString("Directory", "Setup"), folder.File("clubs"));
    EXPECT_NE(LogText().find("]Saved setup [" + club + "]\n"), std::string::npos);
    const std::string saved = ReadWholeFile(club);

    // A read-only setup file goes through Save As from the remembered folder.
    ASSERT_EQ(::chmod(club.c_str(), 0444), 0);
    prompter.Clear();
    prompter.fileDialogPath = folder.File("clubs/Copy.qsu");
    {
        CPermissionsEnforced enforced;
        ASSERT_TRUE(app->SaveData(false));
    }
    EXPECT_EQ(prompter.Shown().at(0).text, folder.File("clubs") + "|Club.qsu");
    EXPECT_EQ(doc->GetPathName(), folder.File("clubs/Copy.qsu"));
    EXPECT_EQ(ReadWholeFile(club), saved);

    // A Save As over an existing file that fails (the disk is full) leaves
    // that file whole and logs no "Saved setup" line.
    const std::string existing = folder.Write("clubs/Other.qsu", "older content of another setup");
    prompter.fileDialogPath = existing;
    const size_t logBefore = LogText().size();
    {
        CFileSizeLimit full(16);
        EXPECT_FALSE(doc->DoSave(std::string(), true));
    }
    EXPECT_EQ(ReadWholeFile(existing), "older content of another setup");
    EXPECT_EQ(doc->GetPathName(), folder.File("clubs/Copy.qsu"));
    EXPECT_EQ(LogText().substr(logBefore).find("Saved setup"), std::string::npos);
    EXPECT_EQ(prompter.LastShown().kind, "box");
}

TEST_F(SetupFileTest, AskingToSaveChangesBeforeClosing)
{
    EXPECT_TRUE(doc->SaveModified()) << "nothing changed";
    doc->SetModifiedFlag(true);
    prompter.Answer(IDCANCEL);
    EXPECT_FALSE(doc->SaveModified());
    EXPECT_EQ(prompter.LastText(), "Save changes to Untitled?");
    prompter.Answer(IDNO);
    EXPECT_TRUE(doc->SaveModified());
}
