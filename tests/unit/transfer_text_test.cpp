// The text forms the transfer code builds: URLs, listings, netrc tokens,
// sftp batch quoting and form encoding.
#include <gtest/gtest.h>

#include <cctype>
#include <tuple>

#include "transfer/ftp_worker.h"
#include "transfer/http_post.h"
#include "transfer/remote_listing.h"
#include "transfer/secret_file.h"
#include "transfer/url_string.h"

TEST(UrlString, AppendPathJoinsWithOneSlashAndTurnsBackslashes)
{
    const std::vector<std::tuple<std::string, std::string, std::string>> cases{
        {"http://club.example/results", "sub\\page.htm", "http://club.example/results/sub/page.htm"},
        {"http://club.example/results/", "sub\\page.htm", "http://club.example/results/sub/page.htm"},
        {"", "a/b", "a/b"},                // no leading "/"
        {"http://h/", "/x", "http://h//x"},  // nothing is trimmed
        {"http://h/r", "", "http://h/r"}};
    for (const auto& [start, path, joined] : cases) {
        CUrlString u(start);
        u.AppendPath(path);
        EXPECT_EQ(u.GetString(), joined);
    }
    CUrlString combined("http://h");
    combined.AppendPath("t.htm");
    EXPECT_EQ(combined.GetString(), "http://h/t.htm");
}

TEST(UrlString, PathSegmentsArePercentEncoded)
{
    EXPECT_EQ(EncodePathSegment("a b#c%d?e"), "a%20b%23c%25d%3Fe");
    EXPECT_EQ(EncodePathSegment("\xC3\xA9t\xC3\xA9"), "%C3%A9t%C3%A9");  // UTF-8 bytes each
    EXPECT_EQ(EncodePathSegment("a/b"), "a%2Fb");                        // one segment stays one
    EXPECT_EQ(EncodePathSegment("A-z_0.9~"), "A-z_0.9~");
    EXPECT_EQ(EncodePath("/pub/my file/x#1.htm"), "/pub/my%20file/x%231.htm");
    EXPECT_EQ(EncodePath(""), "");

    CUrlString file;
    file.FromFilePath("/tmp/a b/r#1.htm");
    EXPECT_EQ(file.GetString(), "file:///tmp/a%20b/r%231.htm");
}

static std::vector<std::pair<std::string, bool>> Listed(const std::string& text, const std::string& folder = {})
{
    std::vector<std::pair<std::string, bool>> out;
    for (const auto& e : ParseListing(text, folder))
        out.emplace_back(e.name, e.directory);
    return out;
}

TEST(RemoteListing, UnixDosAndIisFormats)
{
    const std::string unixText =
        "sftp> cd \"/srv/www\"\n"
        "sftp> ls -la\n"
        "total 16\r\n"
        "drwxr-xr-x    ? root     root         4096 Dec  9 03:47 .\n"
        "-rw-r--r--    1 u        g             120 Jan  1  2024 my page #1.htm\n"
        "drwxr-xr-x    2 u        g            4096 Jan  1 10:00 2024\n"
        "lrwxrwxrwx    1 u        g               5 Jan  1 10:00 link -> 2024\n"
        "-rw-r--r-- 1 u g 1\n";  // too few fields
    EXPECT_EQ(Listed(unixText), (std::vector<std::pair<std::string, bool>>{
                                    {".", true}, {"my page #1.htm", false}, {"2024", true}, {"link -> 2024", false}}));
    const std::string dosText =
        "05-12-24  09:41PM       <DIR>          results\r\n"
        "05-12-24  09:41PM                 1234 page one.htm\r\n"
        "12-31-2023  23:59                   0 empty.txt\r\n";
    EXPECT_EQ(Listed(dosText), (std::vector<std::pair<std::string, bool>>{
                                   {"results", true}, {"page one.htm", false}, {"empty.txt", false}}));
    // "ls -la folder" puts the folder in front of every name.
    const std::string sftpText =
        "drwxr-xr-x    ? root root 4096 Dec  9 03:47 sub dir/.\n"
        "-rw-r--r--    ? root root    0 Dec  9 03:47 sub dir/a b.txt\n"
        "-rw-r--r--    ? root root    0 Dec  9 03:47 other/x\n";
    EXPECT_EQ(Listed(sftpText, "sub dir/"),
              (std::vector<std::pair<std::string, bool>>{{".", true}, {"a b.txt", false}, {"other/x", false}}));
}

TEST(NetrcFile, TokensAreQuotedTheWayCurlReadsThem)
{
    EXPECT_EQ(QuoteNetrcToken("plain"), "\"plain\"");
    EXPECT_EQ(QuoteNetrcToken("a b#c"), "\"a b#c\"");
    EXPECT_EQ(QuoteNetrcToken("q\"b\\"), "\"q\\\"b\\\\\"");
    EXPECT_EQ(QuoteNetrcToken("t\tx"), "\"t\\tx\"");
    EXPECT_EQ(FormatNetrc("h", "u", "p w"), "machine \"h\"\nlogin \"u\"\npassword \"p w\"\n");
}

TEST(SftpBatch, QuotePathEscapesBackslashAndQuote)
{
    EXPECT_EQ(CFTPWorker::QuotePath("a b/c#d"), "\"a b/c#d\"");
    EXPECT_EQ(CFTPWorker::QuotePath("q\"x\\y"), "\"q\\\"x\\\\y\"");
    // sftp would read a leading "-" as options.
    EXPECT_EQ(CFTPWorker::QuotePath("-r/x"), "\"./-r/x\"");
    EXPECT_EQ(CFTPWorker::QuotePath("/srv/-x"), "\"/srv/-x\"");
    EXPECT_TRUE(CFTPWorker::IsSendableName("\xC3\xA9 #x"));
    EXPECT_FALSE(CFTPWorker::IsSendableName("a\nb"));
    EXPECT_FALSE(CFTPWorker::IsSendableName("a\rb"));
    EXPECT_FALSE(CFTPWorker::IsSendableName(std::string("a\0b", 3)));
}

// Paths and form values share one encoder and differ only in the four
// marks a path keeps: every byte value, NUL included, across the pieces a
// long form value (a game file) is encoded in, appended to what is there.
TEST(UrlString, OneEncoderForPathsAndFormsOverEveryByteAndLongValues)
{
    std::string bytes;
    for (int i = 0; i < 70000; ++i)
        bytes += static_cast<char>((i * 7) & 0xFF);
    std::string form = "f=", path = "p=";
    PercentEncode(form, bytes.data(), bytes.size(), false);
    PercentEncode(path, bytes.data(), bytes.size(), true);
    static const char hex[] = "0123456789ABCDEF";
    std::string wantForm = "f=", wantPath = "p=";
    for (unsigned char c : bytes) {
        const std::string encoded = {'%', hex[c >> 4], hex[c & 15]};
        const bool alnum = std::isalnum(c) && c < 0x80;
        const bool mark = c == '-' || c == '.' || c == '_' || c == '~';
        wantForm += alnum ? std::string(1, static_cast<char>(c)) : encoded;
        wantPath += alnum || mark ? std::string(1, static_cast<char>(c)) : encoded;
    }
    EXPECT_EQ(form, wantForm);
    EXPECT_EQ(path, wantPath);
    EXPECT_EQ(EncodePathSegment(bytes), wantPath.substr(2));
    std::string untouched = "x";
    PercentEncode(untouched, "", 0, true);
    EXPECT_EQ(untouched, "x");
}

TEST(FormPost, UrlEncodingAndTimeouts)
{
    std::string out;
    UrlEncodeBytes(out, "x y-z", 5);
    EXPECT_EQ(out, "x%20y%2Dz");
    out.clear();
    UrlEncodeBytes(out, "\xE9._~", 4);
    EXPECT_EQ(out, "%E9%2E%5F%7E");

    // At least 30 s to send, or a millisecond a byte; half as long again to receive.
    long send = 0, receive = 0;
    CHTPost::ComputeTimeouts(47, 10000, send, receive);
    EXPECT_EQ(std::make_pair(send, receive), std::make_pair(30000L, 45000L));
    CHTPost::ComputeTimeouts(47, 100000, send, receive);
    EXPECT_EQ(std::make_pair(send, receive), std::make_pair(100047L, 100047L + 100047 / 2));
}

TEST(FormPost, BaseElementGoesAfterTheFirstHead)
{
    std::string page = "<html><head><title>t</title></head><head></html>";
    CHTPost::AddBaseElement(page, "bw.example:8080");
    EXPECT_EQ(page, "<html><head><base href=\"http://bw.example:8080/\"><title>t</title></head><head></html>");
    std::string none = "<html><HEAD></HEAD></html>";
    CHTPost::AddBaseElement(none, "h");
    EXPECT_EQ(none, "<html><HEAD></HEAD></html>");
}
