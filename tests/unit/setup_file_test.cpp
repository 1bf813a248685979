#include <gtest/gtest.h>

#include <random>
#include <sys/stat.h>
#include <unistd.h>

#include "app/path_helpers.h"
#include "app/setup_file.h"
#include "app/text_helpers.h"
#include "platform/archive.h"
#include "support/fault_guards.h"
#include "support/golden_stream.h"
#include "support/test_app.h"

namespace {

const int64_t kPostAfter = 1693526400;
const int64_t kPublished = 1694000000;
const int64_t kOldest = 1672531200;

GoldenRecord LegacyRecord()
{
    GoldenRecord r;
    r.path = "/scores/legacy.txt";
    r.digestSeed = 100;
    return r;
}

GoldenRecord IndexRecord(int n)
{
    GoldenRecord r;
    r.path = StrFormat("/scores/23090%da.txt", n);
    r.webName = StrFormat("2023090%danlmb.htm", n);
    r.digestSeed = static_cast<uint8_t>(10 * n);
    return r;
}

// A setup stream of the given schema, written from the layout table. The
// password is held in the older form under "secret". Schema 0 has no schema
// number in front ("Setup.bin").
std::string SetupStream(uint32_t schema, const std::vector<uint8_t>& password)
{
    CGolden g;
    if (schema >= 5) {
        const int version = schema >= 8 ? 1 : 0;
        g.U32(schema);
        g.Str("/club/games").Time(kPostAfter).Str("/hands/one|/hands/two");
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
        g.I32(30).Str("results").Str("template.htm");
        g.Str("ftp.club.example").Str("webmaster").Str("/public_html");
        if (schema == 11)
            g.Str("dropped one").Str("dropped two");
        if (schema >= 12) {
            g.I32(2).Str("2121").Str("990").Str("2222");
            g.Str("-v").Str("--ssl").Str("-oBatchMode=no");
        }
        if (schema >= 8)
            g.U32(0x1F54);
        g.I32(0).U32(static_cast<uint32_t>(password.size())).Raw(password);
        g.Count(1);
        LegacyRecord().Write(g, version);
        g.Count(2);
        IndexRecord(1).Write(g, version);
        IndexRecord(2).Write(g, version);
        return g.Bytes();
    }
    if (schema != 0)
        g.U32(schema);
    // One legacy record in the first array (8-bit strings), none in the
    // second.
    g.Count(1);
    for (int i = 0; i < 5; ++i)
        g.Narrow(StrFormat("datum %d", i));
    if (schema != 0)
        g.Narrow("extra");
    g.Narrow("caf\xE9").U32(7).U32(8);
    if (schema >= 3)
        g.Narrow("last");
    g.Count(0);
    g.Str("ftp.club.example").Str("webmaster").Str("dropped");
    if (schema == 4)
        g.Str("dropped too");
    if (schema >= 1)
        g.I32(0);
    g.U32(static_cast<uint32_t>(password.size())).Raw(password);
    if (schema >= 2) {
        g.Count(1);
        LegacyRecord().Write(g, 0);
    }
    if (schema == 4) {
        g.Str("a").Str("b").I32(45).U32(9).Count(1);
        IndexRecord(1).Write(g, 0);
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
        password = OlderFormPassword("secret");
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

    std::unique_ptr<CQuillmarkDoc> doc;
    std::vector<uint8_t> password;
};

}  // namespace

TEST_F(SetupFileTest, Schema12ReadsEveryItemAndWritesTheSameBytes)
{
    const std::string golden = SetupStream(12, password);
    const std::string path = folder.Write("Club.qsu", golden);
    ASSERT_NE(app->OpenDocumentFile(path), nullptr);
    EXPECT_TRUE(prompter.Shown().empty()) << "no conversion question";
    const CSetupData& s = app->Setup();
    EXPECT_EQ(s.m_strScoreFileDirectory, "/club/games");
    EXPECT_EQ(s.m_tPostFilesModifiedAfter, kPostAfter);
    EXPECT_EQ(s.m_HandRecordFolders.GetString(), "/hands/one|/hands/two");
    EXPECT_EQ(s.m_nHandRecordFilterIndex, 3u);
    EXPECT_EQ(s.m_strHtmlLayout, "/layouts/page.vlt");
    EXPECT_EQ(s.m_strPdfLayout, "/layouts/hands.vlt");
    EXPECT_EQ(s.m_tLastPublishIndex, kPublished);
    EXPECT_EQ(s.m_strStagingFolder, "Staging4");
    EXPECT_EQ(s.m_strWebsiteUrl, "http://club.example/");
    EXPECT_EQ(s.m_strIndexTemplate, "indextemplate.htm");
    EXPECT_EQ(s.m_strIndexFile, "index.htm");
    EXPECT_EQ(s.m_tOldestToIndex, kOldest);
    EXPECT_EQ(s.m_nDaysToIndex, 30);
    EXPECT_EQ(s.m_strWebsiteScoreFileDirectory, "results");
    EXPECT_EQ(s.m_strScoreFileTemplate, "template.htm");
    EXPECT_EQ(s.m_Ftp.m_strServer, "ftp.club.example");
    EXPECT_EQ(s.m_Ftp.m_strUser, "webmaster");
    EXPECT_EQ(s.m_Ftp.m_strDirectory, "/public_html");
    EXPECT_EQ(s.m_Ftp.m_nProtocol, 2);
    EXPECT_EQ(s.m_Ftp.m_strPort[1], "990");
    EXPECT_EQ(s.m_Ftp.m_strParameters[2], "-oBatchMode=no");
    EXPECT_EQ(s.m_Ftp.m_dwFlags, 0x1F54u);
    EXPECT_EQ(Password(), "secret");
    ASSERT_EQ(app->GetIndexEntries().GetCount(), 2);
    const CScoreFile& entry = app->GetIndexEntries()[1];
    EXPECT_EQ(entry.GetPath(), "/scores/230902a.txt");
    EXPECT_EQ(entry.GetFlags(), 0x15u);
    EXPECT_EQ(entry.GetHandRecordPath(), "/hands/230905a.pbn");
    EXPECT_EQ(entry.GetSize(), 0x1234567890ull);
    EXPECT_EQ(entry.GetWebName(), "20230902anlmb.htm");
    EXPECT_EQ(entry.GetDescriptor(SFD_MP_LIMITS), "NLM");
    // The legacy record went into the Upload History.
    ASSERT_EQ(app->GetHistory().GetCount(), 1);
    EXPECT_EQ(app->GetHistory()[0].GetPath(), "/scores/legacy.txt");
    EXPECT_NE(LogText().find("]Quillmark Version 1.0: Loading setup file " + path + " Schema=12\n"),
              std::string::npos);

    // Saved again: the same bytes except the legacy array, now empty (00 00).
    ASSERT_TRUE(doc->DoFileSave());
    CGolden expected;
    const std::string legacy = [] { CGolden g; LegacyRecord().Write(g, 1); return g.Bytes(); }();
    const size_t at = golden.find(legacy);
    ASSERT_NE(at, std::string::npos);
    const std::string resaved = golden.substr(0, at - 2) + std::string("\x00\x00", 2) + golden.substr(at + legacy.size());
    EXPECT_EQ(ReadWholeFile(path), resaved);
    EXPECT_EQ(app->m_nCurrentSetupSchema, 12u);
}

TEST_F(SetupFileTest, EveryOlderSchemaReadsWhatItHoldsAndKeepsTheRest)
{
    for (uint32_t schema = 1; schema <= 11; ++schema) {
        SCOPED_TRACE("schema " + std::to_string(schema));
        doc->OnNewDocument();
        app->GetHistory().RemoveAll();
        app->Setup().m_tLastPublishIndex = 77;
        app->Setup().m_strStagingFolder = "Staging9";
        const std::string path = folder.Write(StrFormat("Club%u.qsu", schema), SetupStream(schema, password));
        prompter.Clear();
        prompter.Answer(IDOK);
        prompter.fileDialogPath.clear();
        ASSERT_NE(app->OpenDocumentFile(path), nullptr);
        const CSetupData& s = app->Setup();
        EXPECT_EQ(s.m_Ftp.m_strServer, "ftp.club.example");
        EXPECT_EQ(s.m_Ftp.m_strUser, "webmaster");
        EXPECT_EQ(Password(), "secret");
        EXPECT_EQ(s.m_bPasswordProtected, 0);
        EXPECT_EQ(s.m_strScoreFileDirectory, schema >= 5 ? "/club/games" : "");
        EXPECT_EQ(s.m_nHandRecordFilterIndex, schema >= 8 ? 3u : 0u);
        EXPECT_EQ(s.m_strHtmlLayout, schema >= 7 ? "/layouts/page.vlt" : "");
        EXPECT_EQ(s.m_strPdfLayout, schema >= 9 ? "/layouts/hands.vlt" : "");
        EXPECT_EQ(s.m_tLastPublishIndex, schema >= 10 ? kPublished : 77);
        EXPECT_EQ(s.m_strStagingFolder, schema >= 10 ? "Staging4" : "Staging9");
        EXPECT_EQ(s.m_strIndexFile, schema >= 6 ? "index.htm" : "");
        EXPECT_EQ(s.m_tOldestToIndex, schema >= 8 ? kOldest : app->GetLowestDate());
        EXPECT_EQ(s.m_nDaysToIndex, schema >= 5 ? 30 : schema == 4 ? 45 : 0);
        EXPECT_EQ(s.m_Ftp.m_dwFlags, schema >= 8 ? 0x1F54u : 0u);
        EXPECT_EQ(s.m_Ftp.m_nProtocol, 0);
        EXPECT_EQ(s.m_Ftp.m_strPort[0], "21");
        EXPECT_EQ(s.m_Ftp.m_strPort[2], "22");
        EXPECT_EQ(s.m_Ftp.m_strParameters[1], "");
        const int64_t entries = schema >= 5 ? 2 : schema == 4 ? 1 : 0;
        ASSERT_EQ(app->GetIndexEntries().GetCount(), entries);
        if (entries) {
            // Records before schema 8 carry no flags or hand-record path.
            const CScoreFile& e = app->GetIndexEntries()[0];
            EXPECT_EQ(e.GetFlags(), schema >= 8 ? 0x15u : 0x05u);
            EXPECT_EQ(e.GetHandRecordPath(), schema >= 8 ? "/hands/230905a.pbn" : "");
            EXPECT_EQ(e.GetWebName(), "20230901anlmb.htm");
        }
        EXPECT_EQ(app->GetHistory().GetCount(), schema >= 2 ? 1 : 0);

        // The conversion: asked, backed up, and saved at once as schema 12
        // (the document has its file, so no dialog).
        ASSERT_FALSE(prompter.Shown().empty());
        const std::string backup = folder.File(StrFormat("Club%u-Backup%u.qsu", schema, schema));
        EXPECT_EQ(prompter.Shown()[0].text,
                  "Convert " + path + " to the current format?\r\n\r\nA copy before conversion will be saved as " + backup);
        EXPECT_EQ(prompter.Shown()[0].style, static_cast<unsigned>(MB_OKCANCEL | MB_ICONEXCLAMATION | MB_DEFBUTTON2));
        EXPECT_EQ(ReadWholeFile(backup), SetupStream(schema, password));
        const std::string now = ReadWholeFile(path);
        ASSERT_GE(now.size(), 4u);
        EXPECT_EQ(now.substr(0, 4), std::string("\x0C\0\0\0", 4));
        EXPECT_TRUE(FileExists(dataDir + "/ProgramData.bin"));
        EXPECT_EQ(prompter.Shown().size(), 1u);
    }
}

TEST_F(SetupFileTest, LegacySetupBinImportsTheFtpLoginAndSavesOnlyWhenRead)
{
    app->TestDataProtection();
    const std::string legacy = folder.Write("data/Setup.bin", SetupStream(0, password));
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
    EXPECT_EQ(app->Setup().m_strWebsiteUrl, "");
    EXPECT_EQ(doc->GetPathName(), folder.File("Imported.qsu"));
    EXPECT_TRUE(FileExists(legacy)) << "the legacy file stays, so the offer comes again";
    const std::string log = LogText();
    EXPECT_NE(log.find("]Importing " + legacy + "\n"), std::string::npos);
    EXPECT_NE(log.find("]Saved setup [" + folder.File("Imported.qsu") + "]\n"), std::string::npos);
    EXPECT_TRUE(FileExists(dataDir + "/ProgramData.bin"));

    // No: nothing happens (and the question comes again next time).
    prompter.Clear();
    prompter.Answer(IDNO);
    app->OfferLegacyImport();
    EXPECT_EQ(prompter.Shown().size(), 1u);

    // A damaged legacy file is reported and nothing is saved.
    ASSERT_EQ(::unlink((dataDir + "/ProgramData.bin").c_str()), 0);
    doc->OnNewDocument();
    folder.Write("data/Setup.bin", SetupStream(0, password).substr(0, 40));
    prompter.Clear();
    prompter.Answer(IDYES);
    app->OfferLegacyImport();
    ASSERT_EQ(prompter.Shown().size(), 2u);
    EXPECT_EQ(prompter.Shown()[1].kind, "box");
    EXPECT_NE(LogText().find("]Operation=[CQuillmarkApp::LoadData: SerializeSetup]\n"), std::string::npos);
    EXPECT_FALSE(FileExists(dataDir + "/ProgramData.bin"));
    EXPECT_EQ(app->Setup().m_Ftp.m_strServer, "") << "nothing of a damaged file is applied";
}

TEST_F(SetupFileTest, NewerSchemasAndDeclinedConversionsAreRefusedWithNothingApplied)
{
    const std::string good = folder.Write("Good.qsu", SetupStream(12, password));
    ASSERT_NE(app->OpenDocumentFile(good), nullptr);

    std::string newer = SetupStream(12, password);
    newer[0] = 13;
    const std::string path13 = folder.Write("Newer.qsu", newer);
    prompter.Clear();
    EXPECT_EQ(app->OpenDocumentFile(path13), nullptr);
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"Unexpected file format."});
    EXPECT_EQ(doc->GetPathName(), good);
    EXPECT_EQ(app->Setup().m_strWebsiteUrl, "http://club.example/");
    EXPECT_EQ(app->GetIndexEntries().GetCount(), 2);

    // A conversion declined: the same answer, no backup, the file untouched.
    const std::string old = SetupStream(9, password);
    const std::string path9 = folder.Write("Old.qsu", old);
    prompter.Clear();
    prompter.Answer(IDCANCEL);
    EXPECT_EQ(app->OpenDocumentFile(path9), nullptr);
    EXPECT_EQ(prompter.Texts().back(), "Unexpected file format.");
    EXPECT_FALSE(FileExists(folder.File("Old-Backup9.qsu")));
    EXPECT_EQ(ReadWholeFile(path9), old);
    EXPECT_EQ(doc->GetPathName(), good);
    EXPECT_EQ(app->Setup().m_strPdfLayout, "/layouts/hands.vlt");
}

TEST_F(SetupFileTest, ASetupFileCutAnywhereFailsCleanly)
{
    const std::string whole = SetupStream(12, password);
    const std::string good = folder.Write("Good.qsu", whole);
    ASSERT_NE(app->OpenDocumentFile(good), nullptr);
    const int64_t history = app->GetHistory().GetCount();
    for (size_t n = 0; n < whole.size(); ++n) {
        const std::string path = folder.Write("Cut.qsu", whole.substr(0, n));
        prompter.Clear();
        ASSERT_EQ(app->OpenDocumentFile(path), nullptr) << "cut at " << n;
        ASSERT_EQ(prompter.Shown().size(), 1u) << "cut at " << n;
        EXPECT_EQ(doc->GetPathName(), good);
        EXPECT_EQ(app->Setup().m_strScoreFileTemplate, "template.htm");
        EXPECT_EQ(app->GetIndexEntries().GetCount(), 2);
        EXPECT_EQ(app->GetHistory().GetCount(), history);
    }
}

TEST_F(SetupFileTest, ChangedBytesNeverCrashTheReader)
{
    // Random bytes changed in streams of several schemas: every open either
    // succeeds or fails with a report (ASan watches the rest).
    std::mt19937 random(2024);
    for (uint32_t schema : {12u, 8u, 4u}) {
        const std::string whole = SetupStream(schema, password);
        for (int round = 0; round < 120; ++round) {
            std::string bytes = whole;
            const int changes = 1 + static_cast<int>(random() % 4);
            for (int c = 0; c < changes; ++c)
                bytes[random() % bytes.size()] = static_cast<char>(random());
            bytes[0] = static_cast<char>(schema);
            const std::string path = folder.Write("Mutated.qsu", bytes);
            prompter.Clear();  // conversions are agreed to (OK)
            if (app->OpenDocumentFile(path) == nullptr) {
                ASSERT_FALSE(prompter.Shown().empty());
                EXPECT_EQ(prompter.Shown().back().kind, "box");
            }
        }
    }
}

TEST_F(SetupFileTest, OldestToIndexIsRaisedToTheLowestDate)
{
    std::string bytes = SetupStream(12, password);
    CGolden oldest;
    oldest.Time(kOldest);
    const size_t at = bytes.find(oldest.Bytes());
    ASSERT_NE(at, std::string::npos);
    bytes.replace(at, 8, std::string(8, '\0'));
    ASSERT_NE(app->OpenDocumentFile(folder.Write("Zero.qsu", bytes)), nullptr);
    EXPECT_EQ(app->Setup().m_tOldestToIndex, app->GetLowestDate());
}

TEST_F(SetupFileTest, SaveAsStartsInTheRememberedFolderAndFailsWithoutHarm)
{
    const char* oldHome = std::getenv("HOME");
    const std::string savedHome = oldHome ? oldHome : "";
    struct RestoreHome {
        std::string value;
        ~RestoreHome() { ::setenv("HOME", value.c_str(), 1); }
    } restore{savedHome};
    ::setenv("HOME", folder.Path().c_str(), 1);
    ::mkdir(folder.File("Documents").c_str(), 0700);
    ::mkdir(folder.File("clubs").c_str(), 0700);
    app->Setup().m_strWebsiteUrl = "http://x/";

    // An untitled setup: Save As from the documents folder; Cancel saves
    // nothing and the program data file keeps its content.
    const std::string programData = folder.Write("data/ProgramData.bin", std::string("\x01\0\0\0\0\0", 6));
    EXPECT_FALSE(app->SaveData(true));
    ASSERT_EQ(prompter.Shown().size(), 1u);
    EXPECT_EQ(prompter.Shown()[0].text, folder.File("Documents") + "|Untitled.qsu");
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(ReadWholeFile(programData), std::string("\x01\0\0\0\0\0", 6));

    // OK: saved there, the folder remembered, the line logged after.
    prompter.fileDialogPath = folder.File("clubs/Club");
    ASSERT_TRUE(app->SaveData(false));
    EXPECT_EQ(doc->GetPathName(), folder.File("clubs/Club.qsu"));
    EXPECT_EQ(profile.GetString("Directory", "Setup"), folder.File("clubs"));
    EXPECT_NE(LogText().find("]Saved setup [" + folder.File("clubs/Club.qsu") + "]\n"), std::string::npos);
    EXPECT_EQ(ReadWholeFile(programData), std::string("\x01\0\0\0\0\0", 6)) << "SaveData(false) leaves it";
    const std::string saved = ReadWholeFile(folder.File("clubs/Club.qsu"));

    // A read-only setup file goes through Save As from the remembered folder.
    ASSERT_EQ(::chmod(folder.File("clubs/Club.qsu").c_str(), 0444), 0);
    prompter.Clear();
    prompter.fileDialogPath = folder.File("clubs/Copy.qsu");
    ASSERT_TRUE(app->SaveData(false));
    EXPECT_EQ(prompter.Shown().at(0).text, folder.File("clubs") + "|Club.qsu");
    EXPECT_EQ(doc->GetPathName(), folder.File("clubs/Copy.qsu"));
    EXPECT_EQ(ReadWholeFile(folder.File("clubs/Club.qsu")), saved);

    // A Save As over an existing file that fails (the disk is full) leaves
    // that file whole and logs no "Saved setup" line.
    const std::string existing = folder.Write("clubs/Other.qsu", "older content of another setup");
    prompter.Clear();
    prompter.fileDialogPath = existing;
    const size_t logBefore = LogText().size();
    {
        CFileSizeLimit full(16);
        EXPECT_FALSE(doc->DoSave(std::string(), true));
    }
    EXPECT_EQ(ReadWholeFile(existing), "older content of another setup");
    EXPECT_EQ(doc->GetPathName(), folder.File("clubs/Copy.qsu"));
    EXPECT_EQ(LogText().substr(logBefore).find("Saved setup"), std::string::npos);
    EXPECT_EQ(prompter.Shown().back().kind, "box");
    ::chmod(folder.File("clubs/Club.qsu").c_str(), 0644);
}

TEST_F(SetupFileTest, AskingToSaveChangesBeforeClosing)
{
    EXPECT_TRUE(doc->SaveModified()) << "nothing changed";
    doc->SetModifiedFlag(true);
    prompter.Answer(IDCANCEL);
    EXPECT_FALSE(doc->SaveModified());
    EXPECT_EQ(prompter.Texts().back(), "Save changes to Untitled?");
    prompter.Answer(IDNO);
    EXPECT_TRUE(doc->SaveModified());
}
