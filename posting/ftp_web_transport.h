// The web transport and URL source of the index commands and the template
// merge over the real transfer layer: the FTP worker and the application's
// URL download.
#pragma once

#include <memory>
#include <string>

#include "posting/web_transport.h"

class CFTPSettings;
class CFTPWorker;
class ITransferHost;

class CFtpWebTransport : public IWebTransport {
public:
    // A worker of its own on the settings.
    CFtpWebTransport(CFTPSettings& settings, ITransferHost& host);
    explicit CFtpWebTransport(std::unique_ptr<CFTPWorker> worker);
    // The worker of a running operation (a posting run); not owned.
    explicit CFtpWebTransport(CFTPWorker& worker);
    ~CFtpWebTransport() override;

    bool Login() override;
    void Disconnect() override;
    void KeepConnectionBetweenLogins() override;
    bool SetCurrentDirectory(const std::string& folder, bool webVisible) override;
    bool UploadFile(const std::string& localPath, const std::string& remotePath) override;
    bool DownloadFile(std::string& bytes, const std::string& remotePath) override;
    bool DownloadPage(std::string& bytes, const std::string& remotePath, bool& missing) override;
    bool EnumerateFiles(const EntryCallback& callback) override;
    bool CanOpenFiles() const override;
    bool DeleteFile(const std::string& remotePath) override;
    void ShowLog() override;
    const LoginFailure* GetLoginFailure() const override;

private:
    std::unique_ptr<CFTPWorker> m_owned;
    CFTPWorker* m_pWorker;
};

// CQuillmarkApp::GetURL, with the bytes as a string.
class CAppUrlSource : public IUrlSource {
public:
    bool GetURL(const std::string& url, std::string& bytes) override;
};
