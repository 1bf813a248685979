#include "transfer/secret_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/path_helpers.h"
#include "platform/private_folder.h"
#include "platform/secret.h"
#include "platform/fd_io.h"
#include "transfer/ftp_settings.h"
#include "transfer/transfer_host.h"

std::string QuoteNetrcToken(std::string_view token)
{
    std::string out;
    out.reserve(token.size() + 2);
    out += '"';
    for (char c : token) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default: out += c; break;
        }
    }
    out += '"';
    return out;
}

std::string FormatNetrc(std::string_view server, std::string_view user, std::string_view password)
{
    std::string text;
    text.reserve(server.size() + user.size() + 2 * password.size() + 40);
    text += "machine ";
    text += QuoteNetrcToken(server);
    text += "\nlogin ";
    text += QuoteNetrcToken(user);
    text += "\npassword ";
    std::string quoted = QuoteNetrcToken(password);
    text += quoted;
    WipeString(quoted);
    text += "\n";
    return text;
}

CSecretFile::~CSecretFile()
{
    Delete();
}

bool CSecretFile::WriteFile(const std::string& content, const std::string& folder)
{
    Delete();
    // By default in this user's private folder, under a name that carries
    // this process's id: should the process be killed before the file is
    // wiped, the next start wipes it.
    const std::string dir = folder.empty() ? PrivateTempFolder() : folder;
    if (dir.empty())
        return false;
    std::string pattern = dir + "/qmn" + std::to_string(::getpid()) + "-XXXXXX";
    // mkstemp makes the file with mode 0600.
    const int fd = ::mkostemp(&pattern[0], O_CLOEXEC);
    if (fd < 0)
        return false;
    m_path = pattern;
    const bool ok = WriteAll(fd, content.data(), content.size()) && ::fsync(fd) == 0;
    const int error = ok ? 0 : (errno ? errno : EIO);
    ::close(fd);
    if (!ok) {
        Delete();
        errno = error;
    }
    return ok;
}

void CSecretFile::Delete()
{
    if (m_path.empty())
        return;
    WipeAndDeleteFile(m_path, false);
    m_path.clear();
}

bool CSecretFile::WriteNetrc(ITransferHost& app, const CFTPSettings& settings, std::string& path)
{
    path.clear();
    CSecretString password;
    if (!app.GetFtpPassword(password, false))
        return false;
    const std::string& pw = password.Get();
    if (pw.find_first_of(std::string("\r\n\0", 3)) != std::string::npos ||
        settings.m_strUser.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) {
        app.ShowErrorBox("The FTP user or password holds a line break, which cannot be sent to the "
                         "server.\r\n\r\nUse Setup to reenter them.");
        return false;
    }
    std::string content = FormatNetrc(settings.m_strServer, settings.m_strUser, pw);
    password.Clear();
    errno = 0;
    const bool ok = WriteFile(content);
    const int error = errno;
    WipeString(content);
    if (!ok) {
        app.ReportError(error ? static_cast<uint32_t>(error) : EIO, "CFTPWorker::RunCurl: CSecretFile::WriteNetrc");
        return false;
    }
    path = m_path;
    return true;
}
