#include "support/posting_samples.h"

#include <fstream>
#include <sys/time.h>

#include "platform/path_helpers.h"
#include "platform/text_helpers.h"

namespace samples {

namespace {

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

std::string GameText(int day)
{
    // Windows-1252 names, as the scoring program writes them.
    return StrFormat("<pre>\r\n"
                     "EVENT> Club Pairs | SESSION> Afternoon | SECTION> B\r\n"
                     "DATE> September %d, 2023 | MP LIMITS> None\r\n"
                     "   1  6%d.50  Zo\xEB Adams - Karl M\xFCller\r\n"
                     "   2  38.50  Ann Lee - Bo Chen\r\n"
                     " Board 1\r\n Board 2\r\n"
                     "</pre>\r\n",
                     day, day % 10);
}

std::string GameFileName(int day)
{
    return StrFormat("2309%02da.txt", day);
}

std::string HandRecordFileName(int day)
{
    return StrFormat("2309%02dA.pbn", day);
}

std::string HandRecordText()
{
    return "[Board \"1\"]\r\n[Dealer \"N\"]\r\n[Vulnerable \"None\"]\r\n"
           "[Deal \"N:A643.KJT8.92.AK3 2.653.QJT7.T9842 KQ97.Q9.AK54.J75 JT85.A742.863.Q6\"]\r\n\r\n"
           "[Board \"2\"]\r\n[Dealer \"E\"]\r\n[Vulnerable \"NS\"]\r\n"
           "[Deal \"N:AK862.T652.T7.KQ Q7.K3.AQ2.965432 9543.QJ984.83.J7 JT.A7.KJ9654.AT8\"]\r\n";
}

std::string PageName(int day, const std::string& extension)
{
    return StrFormat("202309%02danb", day) + extension;
}

void WriteGame(const std::string& folder, int day, int64_t modified, bool handRecords)
{
    const std::string path = JoinPath(folder, GameFileName(day));
    WriteFile(path, GameText(day));
    const timeval times[2] = {{static_cast<time_t>(modified), 0}, {static_cast<time_t>(modified), 0}};
    ::utimes(path.c_str(), times);
    if (handRecords)
        WriteFile(JoinPath(folder, HandRecordFileName(day)), HandRecordText());
}

void UseLayouts(CSetupData& setup, const std::string& folder)
{
    setup.m_strHtmlLayout = JoinPath(folder, "page.vtl");
    setup.m_strPdfLayout = JoinPath(folder, "deals.vtl");
    WriteFile(setup.m_strHtmlLayout, "title = Club Pairs\n");
    WriteFile(setup.m_strPdfLayout, "title = Hand records\n");
}

void UseWebsite(CSetupData& setup, const std::string& websiteUrl, const std::string& ftpServer)
{
    setup.m_strWebsiteUrl = websiteUrl;
    setup.m_strWebsiteScoreFileDirectory = "results";
    setup.m_strScoreFileTemplate = "results_template.html";
    setup.m_strIndexTemplate = "index_template.htm";
    setup.m_strIndexFile = "index.htm";
    setup.m_Ftp.m_strServer = ftpServer;
    setup.m_Ftp.m_strUser = "club";
}

}  // namespace samples
