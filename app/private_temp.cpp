#include "app/private_temp.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/app_folders.h"
#include "app/quillmark_app.h"
#include "platform/fd_io.h"
#include "platform/line_splitter.h"
#include "platform/path_helpers.h"
#include "platform/private_folder.h"
#include "transfer/sftp_session.h"

namespace {

const char kRunListPrefix[] = "run-";
const char kSecretPrefix[] = "qmn";

std::string RunListPath(const std::string& folder, long pid)
{
    return JoinPath(folder, kRunListPrefix + std::to_string(pid) + ".txt");
}

// The process id a name of ours carries after prefix ("run-123.txt",
// "qmn123-Ab9xYz"); -1 when it carries none.
long PidAfter(const std::string& name, const std::string& prefix)
{
    if (name.compare(0, prefix.size(), prefix) != 0)
        return -1;
    char* end = nullptr;
    const char* digits = name.c_str() + prefix.size();
    errno = 0;
    const long pid = std::strtol(digits, &end, 10);
    if (end == digits || errno != 0 || pid <= 0 || (*end != '.' && *end != '-'))
        return -1;
    return pid;
}

bool IsRunning(long pid)
{
    return pid == static_cast<long>(::getpid()) || ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

// Only names the program itself gives its temporary files and folders.
bool IsOurTempName(const std::string& path)
{
    const std::string name = GetFileNameOnly(path);
    for (const char* prefix : {"QMb", "QMm", "QMr", "QMt", "QMw", "QMn"}) {
        if (name.size() > 3 && name.compare(0, 3, prefix) == 0)
            return true;
    }
    return false;
}

void DeleteListedPaths(const std::string& list)
{
    std::string text;
    const int fd = ::open(list.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<size_t>(n));
    ::close(fd);
    CLineSplitter lines(text, LineEnds::Lf);
    std::string_view line;
    while (lines.Next(line)) {
        const std::string path(line);
        struct stat st {};
        if (path.empty() || path[0] != '/' || !IsOurTempName(path) || ::lstat(path.c_str(), &st) != 0 ||
            st.st_uid != ::geteuid() || !(S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)))
            continue;
        DeleteFolderTree(path);
    }
}

}  // namespace

void RecordRunTempPath(const std::string& path)
{
    const std::string folder = PrivateTempFolder();
    if (folder.empty())
        return;
    const int fd = ::open(RunListPath(folder, ::getpid()).c_str(),
                          O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    const std::string line = path + "\n";
    WriteAll(fd, line.data(), line.size());
    ::close(fd);
}

void ForgetRunTempPaths()
{
    const std::string folder = PrivateTempFolder();
    if (!folder.empty())
        ::unlink(RunListPath(folder, ::getpid()).c_str());
}

void SweepEarlierRuns()
{
    const std::string folder = PrivateTempFolder();
    if (folder.empty())
        return;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    while (dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        const std::string path = JoinPath(folder, name);
        if (long pid = PidAfter(name, kRunListPrefix); pid > 0 && !IsRunning(pid)) {
            DeleteListedPaths(path);
            ::unlink(path.c_str());
        } else if (long owner = PidAfter(name, kSecretPrefix); owner > 0 && !IsRunning(owner)) {
            WipeAndDeleteFile(path, true);
        } else if (long copier = PidAfter(name, kSftpCopyPrefix); copier > 0 && !IsRunning(copier)) {
            ::unlink(path.c_str());  // a copy an SFTP upload was putting
        } else if (long runner = PidAfter(name, kSftpSessionRecordPrefix); runner > 0 && !IsRunning(runner)) {
            // The sftp a killed run kept open for its steps.
            EndLeftoverSftp(name);
            ::unlink(path.c_str());
        }
    }
    ::closedir(dir);
}
