#include "ui/desktop_integration.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "platform/path_helpers.h"

extern char** environ;

namespace {

const char kMimeType[] = "application/x-quillmark-setup";

std::string DataHome()
{
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/')
        return xdg;
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::string(home) + "/.local/share";
    return {};
}

// The Exec line quotes the path as desktop entries want it.
std::string DesktopQuote(const std::string& path)
{
    std::string out = "\"";
    for (char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

bool ReadText(const std::string& path, std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    text.assign(std::istreambuf_iterator<char>(in), {});
    return true;
}

bool WriteText(const std::string& path, const std::string& text)
{
    std::error_code ec;
    std::filesystem::create_directories(GetFolderOnly(path), ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    return static_cast<bool>(out);
}

// Runs a desktop database tool when it is installed; gives it a few seconds.
void RunTool(const std::vector<std::string>& argv)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return;
    for (int i = 0; i < 300; ++i) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) != 0)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // Left to finish on its own; it is reaped by nobody but harms nothing.
}

}  // namespace

void SetBrowserFeatureControls(const std::string&)
{
}

std::string GetProgramPath()
{
    char buffer[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string("quillmark");
}

DocumentTypeFiles MakeDocumentTypeFiles(const std::string& programPath)
{
    DocumentTypeFiles files;
    const std::string data = DataHome();
    if (data.empty())
        return files;
    files.desktopFile = data + "/applications/quillmark.desktop";
    files.mimeFile = data + "/mime/packages/quillmark.xml";
    files.desktopText = std::string("[Desktop Entry]\n"
                                    "Type=Application\n"
                                    "Name=Quillmark\n"
                                    "Comment=Publish bridge club results on the club's website\n"
                                    "Exec=") +
                        DesktopQuote(programPath) +
                        " %f\n"
                        "Terminal=false\n"
                        "Categories=Office;\n"
                        "MimeType=" + kMimeType + ";\n";
    files.mimeText = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                 "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                                 "  <mime-type type=\"") +
                     kMimeType +
                     "\">\n"
                     "    <comment>Quillmark Setup Data</comment>\n"
                     "    <glob pattern=\"*.qsu\"/>\n"
                     "  </mime-type>\n"
                     "</mime-info>\n";
    return files;
}

int RegisterDocumentType(const std::string& programPath)
{
    const DocumentTypeFiles files = MakeDocumentTypeFiles(programPath);
    if (files.desktopFile.empty())
        return 0;
    int written = 0;
    std::string now;
    if ((!ReadText(files.desktopFile, now) || now != files.desktopText) &&
        WriteText(files.desktopFile, files.desktopText)) {
        ++written;
        RunTool({"update-desktop-database", GetFolderOnly(files.desktopFile)});
    }
    if ((!ReadText(files.mimeFile, now) || now != files.mimeText) && WriteText(files.mimeFile, files.mimeText)) {
        ++written;
        RunTool({"update-mime-database", GetFolderOnly(GetFolderOnly(files.mimeFile))});
    }
    return written;
}
