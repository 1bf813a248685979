// The index commands against real servers: Index Website reads the pages
// over the configured protocol and HTTP, Create Index downloads the index
// template, Publish Index uploads the pages.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "platform/path_helpers.h"
#include "posting/ftp_web_transport.h"
#include "posting/score_file.h"
#include "support/golden_file.h"
#include "transfer_fixture.h"

namespace {

std::string ResultsPage(const std::string& event, const std::string& date, const std::string& session)
{
    return "<html><body>\r\n<pre>\r\nEVENT&gt;" + event + "\r\nSESSION&gt;" + session + "\r\nDATE&gt;" + date +
           "\r\nMP LIMITS&gt;None\r\n</pre>\r\n</body></html>\r\n";
}

class IndexWebsiteTest : public TransferTest {
protected:
    void RoundTrip(int p)
    {
        UseProtocol(p);
        app->SetWebTransportFactory(
            [this](CFTPSettings&) { return std::make_unique<CFtpWebTransport>(MakeWorker()); });
        const std::string test = TestFolderName();
        CSetupData& setup = app->Setup();
        setup.m_strWebsiteScoreFileDirectory = test;
        setup.m_strScoreFileTemplate = "results_template.html";
        setup.m_strIndexTemplate = "tmpl-" + test + ".htm";
        setup.m_strIndexFile = "idx-" + test + ".htm";
        setup.m_Ftp.m_dwFlags |= SF_LINK_PDF_HAND_RECORDS;

        auto put = [this](const std::string& name, const std::string& bytes) {
            const std::string path = WebPath(name);
            ::mkdir(GetFolderOnly(path).c_str(), 0777);
            folder.Write("upload.tmp", bytes);
            ASSERT_EQ(::rename(folder.File("upload.tmp").c_str(), path.c_str()), 0) << path;
        };
        put("../" + setup.m_strIndexTemplate, ReadTestData("index/index_template.htm"));
        put("results_template.html", "<html><!--quillmark:insert--></html>");
        put("20240305anb.htm", ResultsPage("Zürich Open Pairs", "March 5, 2024", "Tuesday Aft"));
        put("20240305anb.pdf", "%PDF-1.4");
        put("2024/20240301eb.htm", ResultsPage("Łódź Teams", "March 1, 2024", "Friday Eve"));
        put("20240305anb_files/inner.htm", ResultsPage("Not a results page", "March 5, 2024", "Tuesday Aft"));

        ASSERT_TRUE(app->IndexWebsite()) << [this] {
            std::string t;
            for (const auto& s : frame.Texts())
                t += s.second + "\n";
            for (const auto& s : prompter.Texts())
                t += "box: " + s + "\n";
            return t + LogText();
        }();
        CColScoreFile& entries = app->GetIndexEntries();
        ASSERT_EQ(entries.GetCount(), 2) << "the template and the page's own folder are left out";
        EXPECT_EQ(entries[0].GetPath(), "20240305anb.htm");
        EXPECT_TRUE(entries[0].IsPdfHandRecordUploaded());
        EXPECT_EQ(entries[1].GetPath(), "2024/20240301eb.htm");
        EXPECT_EQ(entries[1].GetWebName(), "2024\\20240301eb.htm");

        app->OnIndexCreateIndex();
        ASSERT_EQ(frame.GetLastStatus(), "Create Index succeeded");
        app->OnIndexPublishIndex();
        EXPECT_EQ(frame.GetLastStatus(), "Publish Index complete");
        const std::string published = ReadWholeFile(LoopbackSite::Get().www + "/" + setup.m_strIndexFile);
        EXPECT_EQ(published, ReadWholeFile(JoinPath(app->GetStagingFolder(), setup.m_strIndexFile)));
        const std::string base = setup.m_strWebsiteUrl + "/" + test + "/";
        EXPECT_NE(published.find("<a href=\"" + base + "20240305anb.htm\">Zürich Open Pairs</a>"), std::string::npos);
        EXPECT_NE(published.find("[<a href=\"" + base + "20240305anb.pdf\"><small>PDF</small></a>]"),
                  std::string::npos);
        EXPECT_NE(published.find("<a href=\"" + base + "2024/20240301eb.htm\">Łódź Teams</a>"), std::string::npos);
    }
};

}  // namespace

TEST_F(IndexWebsiteTest, PlainFtp)
{
    RoundTrip(PROTOCOL_FTP);
}

TEST_F(IndexWebsiteTest, Ftps)
{
    RoundTrip(PROTOCOL_FTPS);
}

TEST_F(IndexWebsiteTest, Sftp)
{
    RoundTrip(PROTOCOL_SFTP);
}
