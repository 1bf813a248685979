// Web addresses built from a base URL and folder or file names written with
// either separator, "file:" addresses of local files, and the
// percent-encoding of path segments put into ftp:// and http:// addresses.
#pragma once

#include <string>
#include <string_view>

class CUrlString {
public:
    CUrlString() = default;
    explicit CUrlString(std::string url) : m_url(std::move(url)) {}

    const std::string& GetString() const { return m_url; }
    // Appends a relative path: backslashes become "/", and one "/" is put
    // between a non-empty URL and the path unless the URL already ends in
    // one. An empty path changes nothing.
    void AppendPath(std::string_view path);
    // "file://" followed by the absolute path with each segment
    // percent-encoded. A relative path is taken from the current folder.
    void FromFilePath(const std::string& path);

private:
    std::string m_url;
};

// The program's one percent-encoder (libcurl's): appends the bytes to out
// with letters and digits kept and, with keepMarks, also "-", ".", "_" and
// "~" (the rest of a URL's unreserved characters); every other byte becomes
// "%" and two upper-case hexadecimal digits.
void PercentEncode(std::string& out, const void* data, size_t size, bool keepMarks);
// Percent-encodes one path segment: unreserved characters (letters, digits,
// "-", ".", "_", "~") stay, every other byte becomes %XX. A "/" inside the
// text is encoded too, so the result is always a single segment.
std::string EncodePathSegment(std::string_view segment);
// Encodes every segment of a "/"-separated path, keeping the separators.
std::string EncodePath(std::string_view path);
