#include "transfer/url_string.h"

#include <climits>
#include <cstdlib>
#include <unistd.h>

void CUrlString::AppendPath(std::string_view path)
{
    if (path.empty())
        return;
    std::string copy(path);
    for (char& c : copy) {
        if (c == '\\')
            c = '/';
    }
    if (!m_url.empty() && m_url.back() != '/')
        m_url += '/';
    m_url += copy;
}

void CUrlString::Combine(std::string_view base, std::string_view path)
{
    m_url.assign(base);
    AppendPath(path);
}

void CUrlString::FromFilePath(const std::string& path)
{
    std::string absolute = path;
    if (absolute.empty() || absolute[0] != '/') {
        char cwd[PATH_MAX];
        if (!::getcwd(cwd, sizeof cwd))
            return;  // keeps the previous URL
        absolute = std::string(cwd) + "/" + path;
    }
    m_url = "file://" + EncodePath(absolute);
}

std::string EncodePathSegment(std::string_view segment)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(segment.size());
    for (unsigned char c : segment) {
        const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                          c == '-' || c == '.' || c == '_' || c == '~';
        if (keep) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string EncodePath(std::string_view path)
{
    std::string out;
    size_t start = 0;
    while (true) {
        const size_t slash = path.find('/', start);
        out += EncodePathSegment(path.substr(start, slash == std::string_view::npos ? std::string_view::npos
                                                                                       : slash - start));
        if (slash == std::string_view::npos)
            break;
        out += '/';
        start = slash + 1;
    }
    return out;
}
