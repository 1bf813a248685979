#include "transfer/url_string.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <curl/curl.h>
#include <new>
#include <unistd.h>

#include "platform/secret.h"

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

void PercentEncode(std::string& out, const void* data, size_t size, bool keepMarks)
{
    // libcurl keeps every unreserved character; the marks among them are
    // encoded afterwards when they must not stay. Pieces keep the lengths
    // within libcurl's int and its copies small; form bodies carry the
    // club's password, so each copy is wiped before it is freed.
    constexpr size_t kPiece = 64 * 1024;
    const char* p = static_cast<const char*>(data);
    out.reserve(out.size() + size);
    for (size_t done = 0; done < size;) {
        const size_t n = std::min(kPiece, size - done);
        char* encoded = curl_easy_escape(nullptr, p + done, static_cast<int>(n));
        if (!encoded)
            throw std::bad_alloc();
        const size_t length = std::strlen(encoded);
        if (keepMarks) {
            out.append(encoded, length);
        } else {
            for (size_t i = 0; i < length; ++i) {
                switch (encoded[i]) {
                case '-': out += "%2D"; break;
                case '.': out += "%2E"; break;
                case '_': out += "%5F"; break;
                case '~': out += "%7E"; break;
                default: out += encoded[i]; break;
                }
            }
        }
        WipeBytes(encoded, length);
        curl_free(encoded);
        done += n;
    }
}

std::string EncodePathSegment(std::string_view segment)
{
    std::string out;
    PercentEncode(out, segment.data(), segment.size(), true);
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
