#include "transfer/qm_file_find.h"

#include <deque>

#include "platform/exceptions.h"
#include "transfer/ftp_connection.h"
#include "transfer/ftp_settings.h"
#include "transfer/ftp_worker.h"

int CQmFileFind::FindFile(const std::string& pattern)
{
    m_Entries.clear();
    m_nCurrent = -1;
    std::string folder = pattern;
    while (!folder.empty() && folder.front() == '*')
        folder.erase(0, 1);
    while (!folder.empty() && folder.back() == '*')
        folder.pop_back();
    std::string text;
    std::string strip;
    switch (m_pWorker->GetProtocol()) {
    case PROTOCOL_FTP: {
        CFtpConnection* conn = m_pWorker->GetConnection();
        if (!conn || !conn->List(folder.empty() ? std::string(".") : folder, text))
            return 0;
        break;
    }
    case PROTOCOL_FTPS:
        if (!m_pWorker->RunCurl({}, &folder, {}, true, &text))
            return 0;
        break;
    case PROTOCOL_SFTP:
        if (!m_pWorker->RunSftpCommandEx("ls -la", folder, &text))
            return 0;
        // sftp names the entries of a folder given to "ls" with the folder
        // in front.
        if (!folder.empty())
            strip = folder.back() == '/' ? folder : folder + "/";
        break;
    default:
        return 0;
    }
    m_Entries = ParseListing(text, strip);
    return static_cast<int>(m_Entries.size());
}

bool CQmFileFind::FindNextFile()
{
    const int count = static_cast<int>(m_Entries.size());
    if (m_nCurrent >= count - 1 && m_nCurrent >= 0)
        return false;
    if (count == 0)
        return false;
    ++m_nCurrent;
    return m_nCurrent < count - 1;
}

bool CQmFileFind::IsDots() const
{
    const std::string name = GetFileName();
    return name == "." || name == "..";
}

bool CQmFileFind::IsDirectory() const
{
    return m_nCurrent >= 0 && m_nCurrent < static_cast<int>(m_Entries.size()) && m_Entries[m_nCurrent].directory;
}

std::string CQmFileFind::GetFileName() const
{
    if (m_nCurrent < 0 || m_nCurrent >= static_cast<int>(m_Entries.size()))
        return {};
    return m_Entries[m_nCurrent].name;
}

bool CFTPWorker::EnumerateFiles(const EnumerateCallback& callback)
{
    if (!m_bLoggedIn)
        throw CInvalidArgException("CFTPWorker::EnumerateFiles");
    std::deque<std::string> queue{std::string()};
    while (!queue.empty()) {
        const std::string folder = queue.front();
        std::string pattern = folder.empty() ? "*" : folder + "\\*";
        for (char& c : pattern) {
            if (c == '\\')
                c = '/';
        }
        CQmFileFind finder(this);
        if (finder.FindFile(pattern)) {
            bool more = true;
            while (more) {
                more = finder.FindNextFile();
                if (finder.IsDots())
                    continue;
                const std::string name = finder.GetFileName();
                if (finder.IsDirectory()) {
                    // A results page's companion folder is neither listed
                    // nor reported.
                    if (name.size() > 5 && name.compare(name.size() - 6, 6, "_files") == 0)
                        continue;
                    queue.push_back(folder.empty() ? name : folder + "\\" + name);
                }
                if (!callback(*this, finder, folder))
                    return false;
            }
        }
        queue.pop_front();
    }
    return true;
}
