// Score-file records on the website: opened through the worker, loaded
// over HTTP from the web-visible folder, and parsed like local files.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "posting/ftp_web_transport.h"
#include "posting/score_file.h"
#include "transfer_fixture.h"

namespace {

class RemoteScoreFileTest : public TransferTest, public ::testing::WithParamInterface<int> {};

TEST_P(RemoteScoreFileTest, WebsitePagesOpenLoadAndParseThroughTheWorker)
{
    UseProtocol(GetParam());
    ::mkdir(WebPath("2023").c_str(), 0777);
    const std::string page =
        "<html><body>\r\n<pre>\r\nEVENT&gt;Club Pairs \xC3\xA9t\xC3\xA9\r\nSESSION&gt;Tuesday Aft\r\n"
        "DATE&gt;Sep 5, 2023\r\nMP LIMITS&gt;None\r\n</pre>\r\n</body></html>\r\n";
    folder.Write("page.tmp", page);
    ASSERT_EQ(::rename(folder.File("page.tmp").c_str(), WebPath("2023/20230905an.htm").c_str()), 0);

    auto worker = MakeWorker();
    CFtpWebTransport web(*worker);  // how score-file records reach the website
    CScoreFile before;
    if (GetParam() == PROTOCOL_FTP) {
        // Plain FTP needs the open connection: without it the open fails
        // and says nothing.
        EXPECT_EQ(before.Open("2023\\20230905an.htm", &web, ScoreFileFormat::Text, OpenReport::Report), 0);
        EXPECT_TRUE(prompter.Shown().empty());
    }
    ASSERT_TRUE(worker->Login());
    ASSERT_TRUE(worker->SetCurrentDirectory(TestFolderName(), 1));

    CScoreFile f;
    ASSERT_EQ(f.Open("2023\\20230905an.htm", &web, ScoreFileFormat::Text, OpenReport::Report), 1);
    EXPECT_FALSE(f.IsLocal());
    ASSERT_EQ(f.Parse(true), 1);
    EXPECT_EQ(f.GetDescriptor(SFD_EVENT), "Club Pairs \xC3\xA9t\xC3\xA9");
    EXPECT_EQ(f.GetDescriptor(SFD_MP_LIMITS), "None");
    EXPECT_NE(f.GetSessionDate(), 0);
    EXPECT_EQ(f.GetSize(), page.size());

    CScoreFile missing;
    ASSERT_EQ(missing.Open("2023\\nothing.htm", &web, ScoreFileFormat::Text, OpenReport::Quiet), 1);
    EXPECT_EQ(missing.Parse(true), 0);
}

INSTANTIATE_TEST_SUITE_P(Protocols, RemoteScoreFileTest,
                         ::testing::Values(PROTOCOL_FTP, PROTOCOL_FTPS, PROTOCOL_SFTP),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(GetProtocolName(info.param));
                         });

}  // namespace
