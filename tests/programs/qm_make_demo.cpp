// Writes the demo's club: a score folder with three games and their PBN
// hand records (named by each game's date and session letter, as the
// program looks them up), the layout files, the club website's templates, and a
// setup data file pointing at the loopback FTP and HTTP servers that the
// demo script starts. The setup file is written by the program's own
// document code; the FTP password is protected with the data folder's key
// ($QUILLMARK_DATA_DIR), so the demo must run quillmark with that folder.
//
//   qm_make_demo DIR FTP_PORT HTTP_PORT PASSWORD TEMPLATE_DIR [--ftps CA_FILE]
// (PASSWORD "-": taken from the environment variable QM_DEMO_PASSWORD)
// With --ftps the club uploads by FTP over TLS (through curl) to the
// server on FTP_PORT, whose certificate CA_FILE vouches for.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/time.h>

#include "app/quillmark_app.h"
#include "app/setup_file.h"
#include "posting/score_file.h"
#include "platform/path_helpers.h"
#include "platform/text_helpers.h"

namespace {

void WriteFile(const std::string& path, const std::string& bytes, time_t modified = 0)
{
    std::filesystem::create_directories(GetFolderOnly(path));
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (modified) {
        const timeval times[2] = {{modified, 0}, {modified, 0}};
        ::utimes(path.c_str(), times);
    }
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Game {
    const char* file;      // score file name
    const char* event;
    const char* session;
    const char* section;
    int daysAgo;
    const char* rows;      // the ranking, already in the scoring program's columns
};

// Three club games of the last few days; names in Windows-1252 as the
// scoring program writes them.
const Game kGames[] = {
    {"pairs_aft.txt", "Afternoon Pairs", "Afternoon", "A", 3,
     "   1   4  118.50  65.83  Ann Hale - Bo Lind\r\n"
     "   2   1   97.00  53.89  Cy Moor - Di Nash\r\n"
     "   3   6   88.00  48.89  Ed Orr - Flo Park\r\n"
     "   4   2   76.50  42.50  Gus Quinn - Hal Ross\r\n"},
    {"pairs_eve.txt", "Evening Pairs", "Evening", "B", 2,
     "   1   3   91.00  63.19  Jos\xE9 Mu\xF1oz - Ida Sand\r\n"
     "   2   5   80.50  55.90  Jan Toft - Kai Ulm\r\n"
     "   3   1   70.00  48.61  Lea Voss - Max Wren\r\n"},
    {"pairs_morn.txt", "Morning Pairs", "Morning", "A", 0,
     "   1   2  102.00  60.71  Ned York - Ola Zorn\r\n"
     "   2   7   95.50  56.85  Pia Abel - Rex Bond\r\n"
     "   3   4   84.00  50.00  Sue Cole - Tom Dunn\r\n"},
};

const char* const kMonths[] = {"January", "February", "March", "April", "May", "June", "July",
                               "August", "September", "October", "November", "December"};

std::string GameText(const Game& g, const tm& day)
{
    return StrFormat("<pre>\r\n"
                     "EVENT> %s | SESSION> %s | SECTION> %s\r\n"
                     "DATE> %s %d, %d | MP LIMITS> None\r\n"
                     "Pos  Pr   Score    Pct   Names\r\n"
                     "%s"
                     " Board 1\r\n Board 2\r\n Board 3\r\n"
                     "</pre>\r\n",
                     g.event, g.session, g.section, kMonths[day.tm_mon], day.tm_mday, day.tm_year + 1900, g.rows);
}

const char kHandRecords[] =
    "[Board \"1\"]\r\n[Dealer \"N\"]\r\n[Vulnerable \"None\"]\r\n"
    "[Deal \"N:A643.KJT8.92.AK3 2.653.QJT7.T9842 KQ97.Q9.AK54.J75 JT85.A742.863.Q6\"]\r\n\r\n"
    "[Board \"2\"]\r\n[Dealer \"E\"]\r\n[Vulnerable \"NS\"]\r\n"
    "[Deal \"N:AK862.T652.T7.KQ Q7.K3.AQ2.965432 9543.QJ984.83.J7 JT.A7.KJ9654.AT8\"]\r\n\r\n"
    "[Board \"3\"]\r\n[Dealer \"S\"]\r\n[Vulnerable \"EW\"]\r\n"
    "[Deal \"N:QT5.AJ3.KQ94.A82 K9763.8.J72.KJ93 A84.KQ9652.5.T64 J2.T74.AT863.Q75\"]\r\n";

class CQuietPrompter : public IPrompter {
public:
    int MessageBox(const std::string& text, unsigned) override
    {
        std::fprintf(stderr, "qm_make_demo: %s\n", text.c_str());
        return IDOK;
    }
};

}  // namespace

int main(int argc, char** argv)
{
    const bool ftps = argc == 8 && std::string(argv[6]) == "--ftps";
    if (argc != 6 && !ftps) {
        std::fprintf(stderr, "usage: qm_make_demo DIR FTP_PORT HTTP_PORT PASSWORD TEMPLATE_DIR [--ftps CA_FILE]\n");
        return 2;
    }
    const std::string dir = argv[1];
    const std::string ftpPort = argv[2], httpPort = argv[3], templates = argv[5];
    // "-": the password comes from QM_DEMO_PASSWORD, off the command line.
    const char* fromEnvironment = std::getenv("QM_DEMO_PASSWORD");
    const std::string password = std::string(argv[4]) == "-" && fromEnvironment ? fromEnvironment : argv[4];
    const std::string scores = JoinPath(dir, "scores");
    const std::string site = JoinPath(dir, "site");

    // The club website as the servers serve it: both share this folder, so
    // what the FTP upload writes is on the website at once.
    WriteFile(JoinPath(site, "results/results_template.html"), ReadFile(JoinPath(templates, "results_template.html")));
    WriteFile(JoinPath(site, "index_template.htm"), ReadFile(JoinPath(templates, "index_template.htm")));

    CQuillmarkApp app;
    SetAppPtr(&app);
    CQuietPrompter prompter;
    app.SetPrompter(&prompter);
    const time_t now = std::time(nullptr);
    for (const Game& g : kGames) {
        const time_t when = now - g.daysAgo * 86400;
        tm day{};
        localtime_r(&when, &day);
        // Written a few minutes ago: new, and not old enough to be asked about.
        const std::string scorePath = JoinPath(scores, g.file);
        WriteFile(scorePath, GameText(g, day), now - 300 + g.daysAgo);
        // The hand records go where the program looks for them: in the
        // searched folder, under the game's code (date and session letter,
        // 261206A.pbn), read from the score file the way the program reads it.
        CScoreFile game;
        if (game.Open(scorePath, nullptr, ScoreFileFormat::Text, OpenReport::Quiet) != 1 || game.Parse(false) != 1) {
            std::fprintf(stderr, "qm_make_demo: cannot read %s back\n", scorePath.c_str());
            return 1;
        }
        WriteFile(JoinPath(scores, game.GetFileCode() + ".pbn"), kHandRecords, now - 300);
    }

    CSetupData& s = app.Setup();
    s.m_strScoreFileDirectory = scores;
    s.m_tPostFilesModifiedAfter = now - 7 * 86400;
    s.m_HandRecordFolders.Add(scores, true);
    s.m_strHtmlLayout = JoinPath(dir, "layouts/page.vtl");
    s.m_strPdfLayout = JoinPath(dir, "layouts/deals.vtl");
    WriteFile(s.m_strHtmlLayout, "title = Ostervale Bridge Club\n");
    WriteFile(s.m_strPdfLayout, "title = Hand records\n");
    s.m_strWebsiteUrl = "http://127.0.0.1:" + httpPort;
    s.m_strWebsiteScoreFileDirectory = "results";
    s.m_strScoreFileTemplate = "results_template.html";
    s.m_strIndexTemplate = "index_template.htm";
    s.m_strIndexFile = "index.htm";
    s.m_Ftp.m_strServer = "127.0.0.1";
    s.m_Ftp.m_strUser = "club";
    s.m_Ftp.m_nProtocol = PROTOCOL_FTP;
    s.m_Ftp.m_strPort[PROTOCOL_FTP] = ftpPort;
    if (ftps) {
        s.m_Ftp.m_nProtocol = PROTOCOL_FTPS;
        s.m_Ftp.m_strPort[PROTOCOL_FTPS] = ftpPort;
        s.m_Ftp.m_strParameters[PROTOCOL_FTPS] = std::string("--cacert \"") + argv[7] + "\"";
    }
    // Hand records filled in by themselves (with the alert should one be
    // missing), and the index linking the PDF and the hand-record file.
    s.SetFlags(SF_AUTO_FILL_HAND_RECORD | SF_ALERT_HAND_RECORD_NOT_FILLED | SF_LINK_PDF_HAND_RECORDS |
                        SF_LINK_HAND_RECORDS);
    // The key of the data protection lives in the data folder.
    std::string dataFolder;
    app.GetAppDataFolder(dataFolder, true);
    app.TestDataProtection();
    if (!app.SetFtpPassword(password))
        return 1;
    CQuillmarkDoc doc(app);
    const std::string setupFile = JoinPath(dir, "Demo.qsu");
    if (!doc.OnSaveDocument(setupFile))
        return 1;
    std::printf("%s\n", setupFile.c_str());
    SetAppPtr(nullptr);
    return 0;
}
