#include "support/fake_web.h"

#include <fstream>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/path_helpers.h"
#include "app/quillmark_app.h"
#include "platform/text_helpers.h"
#include "support/test_app.h"

bool CFakeUrlSource::GetURL(const std::string& url, std::string& bytes)
{
    requested.push_back(url);
    if (onRequest)
        onRequest();
    if (app && app->GetCancelState(false) == CS_CANCELLED)
        return false;
    const auto it = pages.find(url);
    if (it == pages.end())
        return false;
    bytes = it->second;
    return true;
}

bool CFakeWebTransport::Login()
{
    m_site.calls.push_back("login");
    // A connection that is still open cannot log in again.
    if (m_site.connected)
        throw std::logic_error("login while connected");
    m_site.connected = m_site.loginOk;
    m_current.clear();
    return m_site.loginOk;
}

void CFakeWebTransport::Disconnect()
{
    m_site.calls.push_back("disconnect");
    m_site.connected = false;
    m_current.clear();
}

bool CFakeWebTransport::SetCurrentDirectory(const std::string& folder, bool webVisible)
{
    m_site.calls.push_back("cd " + folder);
    if (const auto it = m_site.failFolders.find(folder); it != m_site.failFolders.end()) {
        m_site.failFolders.erase(it);
        return false;
    }
    m_current = m_current.empty() ? folder : m_current + "/" + folder;
    return true;
}

bool CFakeWebTransport::UploadFile(const std::string& localPath, const std::string& remotePath)
{
    const std::string remote = ReplaceAll(remotePath, "\\", "/");
    if (m_site.beforeUpload)
        m_site.beforeUpload(remote);
    if (m_site.failUploads.count(remote))
        return false;
    const std::string content = ReadWholeFile(localPath);
    if (!FileExists(localPath))
        return false;
    std::string target = m_current.empty() ? remote : m_current + "/" + remote;
    // Make the folders on the way.
    for (size_t at = target.find('/'); at != std::string::npos; at = target.find('/', at + 1))
        ::mkdir(JoinPath(m_site.root, target.substr(0, at)).c_str(), 0700);
    std::ofstream out(JoinPath(m_site.root, target), std::ios::binary | std::ios::trunc);
    out << content;
    m_site.uploaded.push_back(remote);
    m_site.events.push_back("put " + remote);
    return static_cast<bool>(out);
}

bool CFakeWebTransport::DownloadFile(std::string& bytes, const std::string& remotePath)
{
    for (const CFakeWebsite::Entry& e : m_site.listing) {
        const std::string path = ReplaceAll(e.folder.empty() ? e.name : e.folder + "\\" + e.name, "\\", "/");
        if (!e.isFolder && path == remotePath) {
            bytes = e.content;
            return true;
        }
    }
    return false;
}

bool CFakeWebTransport::EnumerateFiles(const EntryCallback& callback)
{
    m_site.calls.push_back("list");
    for (const CFakeWebsite::Entry& e : m_site.listing)
        if (!callback(e.folder, e.name, e.isFolder))
            return false;
    return true;
}

bool CFakeWebTransport::DeleteFile(const std::string& remotePath)
{
    const std::string remote = ReplaceAll(remotePath, "\\", "/");
    m_site.events.push_back("delete " + remote);
    const std::string target = m_current.empty() ? remote : m_current + "/" + remote;
    return ::unlink(JoinPath(m_site.root, target).c_str()) == 0;
}

void CFakeWebTransport::ShowLog()
{
    if (m_site.transcript.empty())
        return;
    ++m_site.transcriptsShown;
    theApp().Prompter().ShowText("Ftplog", m_site.transcript, "Ftplog", false);
}
