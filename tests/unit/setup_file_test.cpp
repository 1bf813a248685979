#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <set>
#include <stdexcept>

#include "platform/path_helpers.h"
#include "app/setup_file.h"
#include "platform/text_helpers.h"
#include "support/fault_guards.h"
#include "support/golden_stream.h"
#include "support/test_app.h"

namespace {

const int64_t kPostAfter = 1693526400, kPublished = 1694000000, kOldest = 1672531200;
const uint32_t kFilterIndex = 3, kFlags = 0x1F54;
const int32_t kDays = 41, kProtocol = 2;

// Every setting of a setup file with a value of its own (none equal to
// another or to its reset value), the schemas whose files hold it, and the
// member it must land in: a setting read into another's place fails the
// check of both.
struct SetupPlace {
    const char* name;
    bool (*heldBy)(uint32_t schema);
    std::string value;  // as written, and as it reads back
    std::string (*read)(const CSetupData& s);
};

bool From5(uint32_t a) { return a >= 5; }
bool From6(uint32_t a) { return a >= 6; }
bool From7(uint32_t a) { return a >= 7; }
bool From8(uint32_t a) { return a >= 8; }
bool From9(uint32_t a) { return a >= 9; }
bool From10(uint32_t a) { return a >= 10; }
bool From12(uint32_t a) { return a >= 12; }
bool Always(uint32_t) { return true; }
bool Only4OrFrom5(uint32_t a) { return a >= 4; }

std::string Num(int64_t v) { return std::to_string(v); }

const std::vector<SetupPlace>& SetupPlaces()
{
    static const std::vector<SetupPlace> places = {
        {"Score File Directory", From5, "/club/games", [](const CSetupData& s) { return s.m_strScoreFileDirectory; }},
        {"Post Files Modified After", From5, Num(kPostAfter),
         [](const CSetupData& s) { return Num(s.m_tPostFilesModifiedAfter); }},
        {"hand-record folders", From5, "/hands/one|/hands/two",
         [](const CSetupData& s) { return s.m_HandRecordFolders.GetString(); }},
        {"hand-record filter", From8, Num(kFilterIndex),
         [](const CSetupData& s) { return Num(s.m_nHandRecordFilterIndex); }},
        {"HTML Layout", From7, "/layouts/page.vlt", [](const CSetupData& s) { return s.m_strHtmlLayout; }},
        {"PDF Layout", From9, "/layouts/hands.vlt", [](const CSetupData& s) { return s.m_strPdfLayout; }},
        {"last Publish Index", From10, Num(kPublished), [](const CSetupData& s) { return Num(s.m_tLastPublishIndex); }},
        {"staging folder", From10, "Staging4", [](const CSetupData& s) { return s.m_strStagingFolder; }},
        {"Website URL", From5, "http://club.example/", [](const CSetupData& s) { return s.m_strWebsiteUrl; }},
        {"Index Template Filename", From5, "indextemplate.htm", [](const CSetupData& s) { return s.m_strIndexTemplate; }},
        {"Index Filename", From6, "clubindex.htm", [](const CSetupData& s) { return s.m_strIndexFile; }},
        {"Oldest To Index", From8, Num(kOldest), [](const CSetupData& s) { return Num(s.m_tOldestToIndex); }},
        {"Days To Index", Only4OrFrom5, Num(kDays), [](const CSetupData& s) { return Num(s.m_nDaysToIndex); }},
        {"Website Score File Directory", From5, "results",
         [](const CSetupData& s) { return s.m_strWebsiteScoreFileDirectory; }},
        {"Score File Template Filename", From5, "template.htm",
         [](const CSetupData& s) { return s.m_strScoreFileTemplate; }},
        {"FTP Server", Always, "ftp.club.example", [](const CSetupData& s) { return s.m_Ftp.m_strServer; }},
        {"FTP User", Always, "webmaster", [](const CSetupData& s) { return s.m_Ftp.m_strUser; }},
        {"FTP Directory", From5, "/public_html", [](const CSetupData& s) { return s.m_Ftp.m_strDirectory; }},
        {"Protocol", From12, Num(kProtocol), [](const CSetupData& s) { return Num(s.m_Ftp.m_nProtocol); }},
        {"FTP port", From12, "2121", [](const CSetupData& s) { return s.m_Ftp.m_strPort[0]; }},
        {"FTPS port", From12, "990", [](const CSetupData& s) { return s.m_Ftp.m_strPort[1]; }},
        {"SFTP port", From12, "2222", [](const CSetupData& s) { return s.m_Ftp.m_strPort[2]; }},
        {"FTP parameters", From12, "-v", [](const CSetupData& s) { return s.m_Ftp.m_strParameters[0]; }},
        {"FTPS parameters", From12, "--ssl", [](const CSetupData& s) { return s.m_Ftp.m_strParameters[1]; }},
        {"SFTP parameters", From12, "-oBatchMode=no", [](const CSetupData& s) { return s.m_Ftp.m_strParameters[2]; }},
        {"option flags", From8, Num(kFlags), [](const CSetupData& s) { return Num(s.GetFlags()); }},
        {"password protected", Always, "0", [](const CSetupData& s) { return Num(s.m_bPasswordProtected); }},
    };
    return places;
}

// The value a setting written in the golden files has.
const std::string& Value(const char* name)
{
    for (const SetupPlace& p : SetupPlaces())
        if (std::string(p.name) == name)
            return p.value;
    throw std::logic_error(std::string("no setting ") + name);
}

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
    auto str = [](const char* name) { return Value(name); };
    auto i32 = [](const char* name) { return static_cast<int32_t>(std::stoll(Value(name))); };
    auto time = [](const char* name) { return static_cast<int64_t>(std::stoll(Value(name))); };
    CGolden g;
    if (schema >= 5) {
        const int version = schema >= 8 ? 1 : 0;
        g.U32(schema).Str(str("Score File Directory")).Time(time("Post Files Modified After"));
        g.Str(str("hand-record folders"));
        if (schema >= 8)
            g.I32(i32("hand-record filter"));
        if (schema >= 7)
            g.Str(str("HTML Layout"));
        if (schema >= 9)
            g.Str(str("PDF Layout"));
        if (schema >= 10)
            g.Time(time("last Publish Index")).Str(str("staging folder"));
        g.Str(str("Website URL")).Str(str("Index Template Filename"));
        if (schema >= 6)
            g.Str(str("Index Filename"));
        if (schema >= 8)
            g.Time(time("Oldest To Index"));
        g.I32(i32("Days To Index")).Str(str("Website Score File Directory")).Str(str("Score File Template Filename"));
        g.Str(str("FTP Server")).Str(str("FTP User")).Str(str("FTP Directory"));
        if (schema == 11)
            g.Str("dropped one").Str("dropped two");
        if (schema >= 12) {
            g.I32(i32("Protocol")).Str(str("FTP port")).Str(str("FTPS port")).Str(str("SFTP port"));
            g.Str(str("FTP parameters")).Str(str("FTPS parameters")).Str(str("SFTP parameters"));
        }
        if (schema >= 8)
            g.I32(i32("option flags"));
        g.I32(i32("password protected")).U32(static_cast<uint32_t>(password.size())).Raw(password).Count(1);
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
    g.Count(0).Str(str("FTP Server")).Str(str("FTP User")).Str("dropped");
    if (schema == 4)
        g.Str("dropped too");
    if (schema >= 1)
        g.I32(i32("password protected"));
    g.U32(static_cast<uint32_t>(password.size())).Raw(password);
    if (schema >= 2) {
        g.Count(1);
        Record(0).Write(g, 0);
    }
    if (schema == 4) {
        g.Str("a").Str("b").I32(i32("Days To Index")).U32(9).Count(1);
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
    // A new setup then stores passwords protected; the files say otherwise.
    app->TestDataProtection();
    std::set<std::string> values;
    for (const SetupPlace& place : SetupPlaces())
        EXPECT_TRUE(values.insert(place.value).second) << place.name << " shares its value";
    for (uint32_t schema = 1; schema <= 12; ++schema) {
        SCOPED_TRACE("schema " + std::to_string(schema));
        doc->OnNewDocument();
        app->GetHistory().RemoveAll();
        app->Setup().m_tLastPublishIndex = 77;
        app->Setup().m_strStagingFolder = "Staging9";
        // What a setting the file does not hold keeps.
        CSetupData before;
        before.CopyStoredFields(app->Setup());
        for (const SetupPlace& place : SetupPlaces())
            ASSERT_NE(place.read(before), place.value) << place.name << " is written with its reset value";
        const std::string golden = SetupStream(schema);
        const std::string path = folder.Write(StrFormat("Club%u.qsu", schema), golden);
        prompter.Clear();
        ASSERT_NE(app->OpenDocumentFile(path), nullptr);
        for (const SetupPlace& place : SetupPlaces()) {
            const std::string expected = place.heldBy(schema) ? place.value : place.read(before);
            EXPECT_EQ(place.read(app->Setup()), expected) << place.name;
        }
        EXPECT_EQ(Password(), "secret");
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

TEST_F(SetupFileTest, TheOptionWordKeepsActiveFtpAndUnknownBitsThroughAFile)
{
    // The FTP worker reads active FTP from the FTP settings; the file keeps
    // it as one bit of the option word with the others, unknown ones too.
    for (const uint32_t flags : {0x8u, 0x80000009u, 0x1F54u}) {
        SCOPED_TRACE(StrFormat("flags 0x%X", flags));
        doc->OnNewDocument();
        app->Setup().SetFlags(flags);
        EXPECT_EQ(app->Setup().m_Ftp.m_bActiveFtp, (flags & SF_ACTIVE_FTP) != 0);
        const std::string path = folder.File(StrFormat("Flags%X.qsu", flags));
        ASSERT_TRUE(doc->OnSaveDocument(path));
        doc->OnNewDocument();
        EXPECT_EQ(app->Setup().GetFlags(), 0u);
        EXPECT_FALSE(app->Setup().m_Ftp.m_bActiveFtp);
        ASSERT_NE(app->OpenDocumentFile(path), nullptr);
        EXPECT_EQ(app->Setup().GetFlags(), flags);
        EXPECT_EQ(app->Setup().m_Ftp.m_bActiveFtp, (flags & SF_ACTIVE_FTP) != 0);
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
    EXPECT_EQ(app->Setup().m_Ftp.m_strServer, Value("FTP Server"));
    EXPECT_EQ(app->Setup().m_Ftp.m_strUser, Value("FTP User"));
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
