#include "posting/ftp_web_transport.h"

#include <vector>

#include "app/quillmark_app.h"
#include "transfer/ftp_worker.h"
#include "transfer/qm_file_find.h"

namespace {

// The transfer layer ends downloaded bytes with one zero byte.
void TakeBytes(std::vector<char>& from, std::string& bytes)
{
    size_t size = from.size();
    if (size && from[size - 1] == '\0')
        --size;
    bytes.assign(from.data(), size);
}

}  // namespace

CFtpWebTransport::CFtpWebTransport(CFTPSettings& settings, ITransferHost& host)
    : m_owned(std::make_unique<CFTPWorker>(&settings, host)), m_pWorker(m_owned.get())
{
}

CFtpWebTransport::CFtpWebTransport(std::unique_ptr<CFTPWorker> worker)
    : m_owned(std::move(worker)), m_pWorker(m_owned.get())
{
}

CFtpWebTransport::CFtpWebTransport(CFTPWorker& worker) : m_pWorker(&worker) {}

CFtpWebTransport::~CFtpWebTransport() = default;

bool CFtpWebTransport::Login()
{
    return m_pWorker->Login();
}

const LoginFailure* CFtpWebTransport::GetLoginFailure() const
{
    return m_pWorker->GetLoginFailure();
}

void CFtpWebTransport::Disconnect()
{
    m_pWorker->Disconnect();
}

void CFtpWebTransport::KeepConnectionBetweenLogins()
{
    m_pWorker->KeepConnectionBetweenLogins();
}

bool CFtpWebTransport::SetCurrentDirectory(const std::string& folder, bool webVisible)
{
    return m_pWorker->SetCurrentDirectory(folder, webVisible ? 1 : 0);
}

bool CFtpWebTransport::UploadFile(const std::string& localPath, const std::string& remotePath)
{
    return m_pWorker->UploadFile(localPath, remotePath);
}

bool CFtpWebTransport::DownloadFile(std::string& bytes, const std::string& remotePath)
{
    std::vector<char> data;
    const bool ok = m_pWorker->DownloadFile(data, remotePath);
    TakeBytes(data, bytes);
    return ok;
}

bool CFtpWebTransport::DownloadPage(std::string& bytes, const std::string& remotePath, bool& missing)
{
    std::vector<char> data;
    const bool ok = m_pWorker->DownloadFile(data, remotePath, &missing);
    TakeBytes(data, bytes);
    return ok;
}

bool CFtpWebTransport::EnumerateFiles(const EntryCallback& callback)
{
    return m_pWorker->EnumerateFiles([&callback](CFTPWorker&, CQmFileFind& finder, const std::string& folder) {
        return callback(folder, finder.GetFileName(), finder.IsDirectory());
    });
}

bool CFtpWebTransport::CanOpenFiles() const
{
    return !m_pWorker->IsFTP() || m_pWorker->IsLoggedIn();
}

bool CFtpWebTransport::DeleteFile(const std::string& remotePath)
{
    return m_pWorker->DeleteFile(remotePath);
}

void CFtpWebTransport::ShowLog()
{
    m_pWorker->ShowLog();
}

bool CAppUrlSource::GetURL(const std::string& url, std::string& bytes)
{
    std::vector<char> data;
    const bool ok = theApp().GetURL(url, data);
    TakeBytes(data, bytes);
    return ok;
}
