#include "transfer/qm_file_find.h"


#include "platform/exceptions.h"
#include "platform/line_splitter.h"
#include "transfer/ftp_connection.h"
#include "transfer/ftp_settings.h"
#include "transfer/ftp_worker.h"
#include "transfer/remote_walk.h"
#include "platform/text_helpers.h"

namespace {

// What a failed curl or sftp run wrote to the transcript (from: where the
// run's part starts), without its command line, the runner's closing lines
// and ssh's note on a newly known host.
std::string RunErrorText(const std::string& transcript, size_t from, const char* program)
{
    const std::string exitLine = std::string(program) + " has exited with code";
    std::string text;
    const size_t afterCommand = transcript.find('\n', from);  // the command line goes
    if (afterCommand == std::string::npos)
        return std::string(program) + " failed without saying why";
    CLineSplitter lines(std::string_view(transcript).substr(afterCommand + 1), LineEnds::CrLf);
    for (std::string_view view; lines.Next(view);) {
        const std::string line = Trim(std::string(view));
        if (line.empty() || line.find_first_not_of('-') == std::string::npos || line.rfind(exitLine, 0) == 0 ||
            line.rfind("Warning: Permanently added", 0) == 0)
            continue;
        if (!text.empty())
            text += " ";
        text += line;
    }
    if (text.size() > 400)  // the end says most
        text = "..." + text.substr(text.size() - 400);
    return text.empty() ? std::string(program) + " failed without saying why" : text;
}

}  // namespace

bool CQmFileFind::FindFile(const std::string& pattern)
{
    m_Entries.clear();
    m_nCurrent = -1;
    m_strError.clear();
    std::string folder = pattern;
    while (!folder.empty() && folder.front() == '*')
        folder.erase(0, 1);
    while (!folder.empty() && folder.back() == '*')
        folder.pop_back();
    std::string text;
    const size_t transcriptAt = m_pWorker->GetTranscript().size();
    switch (m_pWorker->GetProtocol()) {
    case PROTOCOL_FTP: {
        CFtpConnection* conn = m_pWorker->GetConnection();
        if (!conn) {
            m_strError = "not connected to the server";
            return false;
        }
        if (!conn->List(folder.empty() ? std::string(".") : folder, text)) {
            // libcurl's text names the step; the server's reply says why.
            m_strError = conn->GetLastErrorText();
            const std::string& reply = conn->GetLastResponse();
            if (!reply.empty() && m_strError.find(reply) == std::string::npos)
                m_strError += (m_strError.empty() ? "" : " - ") + reply;
            return false;
        }
        break;
    }
    case PROTOCOL_FTPS:
        if (!m_pWorker->RunCurl({}, &folder, {}, true, &text)) {
            m_strError = RunErrorText(m_pWorker->GetTranscript(), transcriptAt, "curl");
            return false;
        }
        break;
    case PROTOCOL_SFTP: {
        // One strict reading of sftp's own lines: a name with a line break
        // cannot make up an entry.
        const auto listed = m_pWorker->ListSftpFolder(folder, m_strError);
        if (!listed)
            return false;
        for (const CSftpListEntry& e : *listed)
            m_Entries.push_back({e.name, e.Folder()});
        return true;
    }
    default:
        m_strError = "unknown protocol";
        return false;
    }
    m_Entries = ParseListing(text);
    return true;
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
    // Every way this walk can fail ends it with false: a folder that could
    // not be listed is not an empty one, and a tree cut off at a limit is
    // not the whole tree, so a caller never takes part of the tree for all
    // of it.
    CRemoteWalk walk;
    std::string folder;
    while (walk.Next(folder)) {
        std::string pattern = folder.empty() ? "*" : folder + "\\*";
        for (char& c : pattern) {
            if (c == '\\')
                c = '/';
        }
        CQmFileFind finder(this);
        if (!finder.FindFile(pattern)) {
            // The folder as the server knows it: the login folder's
            // subfolders the worker changed into, then the walk's own.
            std::string shown;
            for (const PathComponent& c : m_Components)
                shown += c.text + "/";
            shown += ReplaceAll(folder, "\\", "/");
            if (shown.empty())
                shown = "(the login folder)";
            return ReportWalkFailure("The folder \"" + shown + "\" on the server could not be listed: " +
                                     finder.GetError());
        }
        bool more = !finder.Entries().empty();
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
                const CRemoteWalk::Added added = walk.AddFolder(name);
                if (added == CRemoteWalk::Added::TooDeep || added == CRemoteWalk::Added::TooMany)
                    return ReportWalkFailure(walk.Problem());
            }
            if (!callback(*this, finder, folder))
                return false;
        }
    }
    return true;
}
