// The transfer code reaches the program only through the ITransferHost it
// is handed: a host that is not the application object receives the
// worker's status texts, log lines, error reports and boxes, two workers
// with two hosts keep them apart, and with the quiet host the same failures
// pass without reaching for a missing application.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/exceptions.h"
#include "platform/secret.h"
#include "transfer/ftp_settings.h"
#include "transfer/ftp_worker.h"
#include "transfer/process_runner.h"
#include "transfer/secret_file.h"
#include "transfer/transfer_host.h"

namespace {

class CRecordingHost : public ITransferHost {
public:
    std::vector<std::string> log, status, errors, boxes;
    std::string password = "secret";

    void WriteLog(const std::string& text) override { log.push_back(text); }
    void ReportError(uint32_t, const std::string& operation) override { errors.push_back(operation); }
    int ReportException(const CException&, const std::string& operation, const std::string&) override
    {
        errors.push_back(operation);
        return 1;
    }
    void ShowErrorBox(const std::string& text) override { boxes.push_back(text); }
    void ShowTranscript(const std::string&) override {}
    int SetStatusText(const std::string& text, int) override
    {
        status.push_back(text);
        return 1;
    }
    int UploadProgress(bool, int, int) override { return 1; }
    CancelState GetCancelState(bool) override { return CS_IDLE; }
    int PumpMessages() override { return 1; }
    void SetBusy(bool enter) override { busy += enter ? 1 : -1; }
    bool IsProgressBarShown() const override { return false; }
    int WaitForThread(std::thread& thread, const std::atomic<bool>&, const std::atomic<int>& exitCode) override
    {
        thread.join();
        return exitCode;
    }
    bool GetTempFile(const std::string&, const std::string&, const std::string&, std::string&, int*) override
    {
        return false;
    }
    bool GetFtpPassword(CSecretString& out, bool) override
    {
        out.Assign(password);
        return true;
    }
    std::string GetWebsiteUrl() const override { return "http://127.0.0.1:9"; }

    int busy = 0;
};

bool AnyStartsWith(const std::vector<std::string>& lines, const std::string& start)
{
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(start, 0) == 0; });
}

}  // namespace

TEST(TransferHost, WorkerFailuresReachTheRegisteredHost)
{
    CRecordingHost host;
    CFTPSettings settings;
    settings.m_nProtocol = PROTOCOL_FTPS;
    CFTPWorker worker(&settings, host);
    EXPECT_FALSE(worker.Login());
    EXPECT_EQ(host.status, std::vector<std::string>{"Setup required: FTP"});

    settings.m_strServer = "ftp.club.example";
    settings.m_strUser = "club";
    ASSERT_TRUE(worker.Login());  // FTPS connects per command
    EXPECT_FALSE(worker.DeleteFile("a\nb"));
    EXPECT_TRUE(AnyStartsWith(host.log, "CFTPWorker::DeleteFile: A remote name cannot hold"));
    EXPECT_TRUE(AnyStartsWith(host.log, "Remove=[a\nb] status=["));
    EXPECT_FALSE(worker.UploadFile("/nothing", "x\ry"));
    EXPECT_TRUE(AnyStartsWith(host.status, "Uploading file: "));
    EXPECT_EQ(host.errors, std::vector<std::string>{"CFTPWorker::UploadFile"});
    EXPECT_EQ(host.busy, 0) << "every busy level entered is left";

    host.password = "two\nlines";
    CSecretFile netrc;
    std::string path;
    EXPECT_FALSE(netrc.WriteNetrc(host, settings, path));
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_NE(host.boxes[0].find("line break"), std::string::npos);

    CProcessRunner runner(host);
    EXPECT_FALSE(runner.Start({}, std::string(), "curl"));
    EXPECT_EQ(host.boxes.size(), 2u);
    EXPECT_TRUE(AnyStartsWith(host.log, "Error creating process"));
}

TEST(TransferHost, EachWorkerReportsToItsOwnHost)
{
    CRecordingHost first, second;
    CFTPSettings settings;
    settings.m_nProtocol = PROTOCOL_SFTP;
    CFTPWorker a(&settings, first), b(&settings, second);
    EXPECT_FALSE(a.Login());
    EXPECT_FALSE(b.DeleteFile("x\ny"));
    EXPECT_EQ(first.status, std::vector<std::string>{"Setup required: FTP"});
    EXPECT_TRUE(first.log.empty());
    EXPECT_TRUE(second.status.empty());
    EXPECT_TRUE(AnyStartsWith(second.log, "Remove=[x\ny] status=["));
}

TEST(TransferHost, WithTheQuietHostFailuresStayQuiet)
{
    // A plain-FTP login asks the host for the password: the quiet host has
    // none, so the login fails without contacting anything.
    CFTPSettings settings;
    settings.m_strServer = "127.0.0.1";
    settings.m_strUser = "club";
    settings.m_strPort[PROTOCOL_FTP] = "9";
    CFTPWorker worker(&settings, QuietTransferHost());
    EXPECT_FALSE(worker.Login());
    EXPECT_FALSE(worker.IsLoggedIn());
    EXPECT_FALSE(worker.UploadFile("/nothing", "page.htm"));

    CProcessRunner runner;  // no host handed over: the quiet one
    EXPECT_FALSE(runner.Start({}, std::string(), "curl"));
    QuietTransferHost().ReportError(5, "nowhere");
    QuietTransferHost().ReportException(CFileException(2, "/nothing"), "nowhere");
}
