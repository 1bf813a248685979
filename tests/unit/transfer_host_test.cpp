// The transfer code reaches the program only through ITransferHost: a host
// that is not the application object receives the worker's status texts,
// log lines, error reports and boxes, and with no host at all the same
// failures pass quietly instead of reaching for a missing application.
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

// Registers a host for the scope's lifetime and puts back the one before.
class CHostScope {
public:
    explicit CHostScope(ITransferHost* host) : m_previous(GetTransferHost()) { SetTransferHost(host); }
    ~CHostScope() { SetTransferHost(m_previous); }

private:
    ITransferHost* m_previous;
};

bool AnyStartsWith(const std::vector<std::string>& lines, const std::string& start)
{
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(start, 0) == 0; });
}

}  // namespace

TEST(TransferHost, WorkerFailuresReachTheRegisteredHost)
{
    CRecordingHost host;
    CHostScope scope(&host);
    CFTPSettings settings;
    settings.m_nProtocol = PROTOCOL_FTPS;
    CFTPWorker worker(&settings);
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

    CProcessRunner runner;
    EXPECT_FALSE(runner.Start({}, std::string(), "curl"));
    EXPECT_EQ(host.boxes.size(), 2u);
    EXPECT_TRUE(AnyStartsWith(host.log, "Error creating process"));
}

TEST(TransferHost, WithoutAHostFailuresStayQuiet)
{
    CHostScope scope(nullptr);
    CProcessRunner runner;
    EXPECT_FALSE(runner.Start({}, std::string(), "curl"));
    ReportTransferError(5, "nowhere");
    ReportTransferException(CFileException(2, "/nothing"), "nowhere");
    EXPECT_EQ(GetTransferHost(), nullptr);
}
