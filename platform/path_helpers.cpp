#include "platform/path_helpers.h"

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/text_helpers.h"

static size_t LastSeparator(std::string_view path)
{
    return path.find_last_of("/\\");
}

std::string GetFileNameOnly(std::string_view path)
{
    const size_t sep = LastSeparator(path);
    return std::string(sep == std::string_view::npos ? path : path.substr(sep + 1));
}

std::string GetFolderOnly(std::string_view path)
{
    const size_t sep = LastSeparator(path);
    if (sep == std::string_view::npos)
        return {};
    if (sep == 0)
        return std::string(path.substr(0, 1));
    return std::string(path.substr(0, sep));
}

std::string GetExtension(std::string_view path)
{
    const std::string name = GetFileNameOnly(path);
    const size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string RemoveExtension(std::string_view path)
{
    const std::string ext = GetExtension(path);
    return std::string(path.substr(0, path.size() - ext.size()));
}

std::string JoinPath(std::string_view folder, std::string_view name)
{
    if (folder.empty())
        return std::string(name);
    std::string out(folder);
    if (out.back() != '/' && out.back() != '\\')
        out += '/';
    while (!name.empty() && (name.front() == '/' || name.front() == '\\'))
        name.remove_prefix(1);
    out += name;
    return out;
}

bool IsPlainFileName(std::string_view name)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7F || c == '/' || c == '\\')
            return false;
    }
    return true;
}

bool IsPlainRelativePath(std::string_view path)
{
    for (;;) {
        const size_t sep = path.find_first_of("/\\");
        if (!IsPlainFileName(path.substr(0, sep)))
            return false;
        if (sep == std::string_view::npos)
            return true;
        path.remove_prefix(sep + 1);
    }
}

bool JoinInside(std::string_view folder, std::string_view name, std::string& path)
{
    if (folder.empty() || !IsPlainFileName(name))
        return false;
    path = JoinPath(folder, name);
    return true;
}

std::string MakeSiblingFileName(std::string_view path, std::string_view suffix)
{
    return RemoveExtension(path) + std::string(suffix) + GetExtension(path);
}

int GetScoreFileTypeOf(std::string_view path)
{
    static const char* const kTypes[4] = {".acm", ".aca", ".ace", ".acl"};
    const std::string ext = GetExtension(path);
    for (int i = 0; i < 4; ++i)
        if (EqualsNoCase(ext, kTypes[i]))
            return i;
    return -1;
}

bool FileExists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool FolderExists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsReadableFile(const std::string& path)
{
    return FileExists(path) && ::access(path.c_str(), R_OK) == 0;
}

std::string FormatVersion(unsigned long low, unsigned long high)
{
    std::string text = StrFormat("%u.%u", static_cast<unsigned>((high >> 16) & 0xFFFF),
                                 static_cast<unsigned>(high & 0xFFFF));
    if ((low & 0xFFFFFFFFul) != 0) {
        text += StrFormat(".%u", static_cast<unsigned>((low >> 16) & 0xFFFF));
        if ((low & 0xFFFF) != 0)
            text += StrFormat(".%u", static_cast<unsigned>(low & 0xFFFF));
    }
    return text;
}

unsigned NextPrime(unsigned v)
{
    for (unsigned candidate = v | 1u;; candidate += 2) {
        bool prime = true;
        for (unsigned b = 3; static_cast<unsigned long long>(b) * b <= candidate; b += 2) {
            if (candidate % b == 0) {
                prime = false;
                break;
            }
        }
        if (prime)
            return candidate;
    }
}

std::string SystemTempFolder()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = (tmp && *tmp) ? tmp : "/tmp";
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

std::string NormalRemotePath(std::string_view path, bool resolveDotDot)
{
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        const std::string_view part = path.substr(start, end - start);
        if (resolveDotDot && part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    const bool absolute = !path.empty() && path[0] == '/';
    std::string out = absolute ? "/" : "";
    for (const std::string_view part : parts) {
        if (!out.empty() && out.back() != '/')
            out += '/';
        out += part;
    }
    return out;
}
