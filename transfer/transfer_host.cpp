#include "transfer/transfer_host.h"

#include <cstdarg>

#include "platform/text_helpers.h"

int ITransferHost::SetStatusTextFormat(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const std::string text = StrFormatV(format, args);
    va_end(args);
    return SetStatusText(text, 2);
}

namespace {

class CQuietTransferHost final : public ITransferHost {
public:
    void WriteLog(const std::string&) override {}
    void ReportError(uint32_t, const std::string&) override {}
    int ReportException(const CException&, const std::string&, const std::string&) override { return 0; }
    void ShowErrorBox(const std::string&) override {}
    void ShowTranscript(const std::string&) override {}
    int SetStatusText(const std::string&, int) override { return 1; }
    int UploadProgress(bool, int, int) override { return 1; }
    CancelState GetCancelState(bool) override { return CS_IDLE; }
    int PumpMessages() override { return 1; }
    void SetBusy(bool) override {}
    bool IsProgressBarShown() const override { return false; }
    int WaitForThread(std::thread& thread, const std::atomic<bool>&, const std::atomic<int>& exitCode) override
    {
        if (thread.joinable())
            thread.join();
        return exitCode.load();
    }
    bool GetTempFile(const std::string&, const std::string&, const std::string&, std::string&, int*) override
    {
        return false;
    }
    bool GetFtpPassword(CSecretString&, bool) override { return false; }
    std::string GetWebsiteUrl() const override { return {}; }
};

}  // namespace

ITransferHost& QuietTransferHost()
{
    static CQuietTransferHost host;
    return host;
}
