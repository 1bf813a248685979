// The text forms the transfer code builds: URLs, listings, netrc tokens,
// sftp batch quoting and form encoding.
#include <gtest/gtest.h>

#include "transfer/ftp_worker.h"
#include "transfer/http_post.h"
#include "transfer/qm_session.h"
#include "transfer/remote_listing.h"
#include "transfer/secret_file.h"
#include "transfer/url_string.h"

TEST(UrlString, AppendPathJoinsWithOneSlashAndTurnsBackslashes)
{
    CUrlString u(std::string("http://club.example/results"));
    u.AppendPath("sub\\page.htm");
    EXPECT_EQ(u.GetString(), "http://club.example/results/sub/page.htm");

    CUrlString slash(std::string("http://club.example/results/"));
    slash.AppendPath("sub\\page.htm");
    EXPECT_EQ(slash.GetString(), "http://club.example/results/sub/page.htm");

    CUrlString empty;
    empty.AppendPath("a/b");
    EXPECT_EQ(empty.GetString(), "a/b");  // no leading "/"

    CUrlString twice(std::string("http://h/"));
    twice.AppendPath("/x");
    EXPECT_EQ(twice.GetString(), "http://h//x");  // nothing is trimmed

    CUrlString unchanged(std::string("http://h/r"));
    unchanged.AppendPath("");
    EXPECT_EQ(unchanged.GetString(), "http://h/r");

    CUrlString combined;
    combined.Combine("http://h", "t.htm");
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

TEST(RemoteListing, UnixLongFormat)
{
    const std::string text =
        "sftp> cd \"/srv/www\"\n"
        "sftp> ls -la\n"
        "total 16\r\n"
        "drwxr-xr-x    ? root     root         4096 Dec  9 03:47 .\n"
        "drwxr-xr-x    ? root     root         4096 Dec  9 03:47 ..\n"
        "-rw-r--r--    1 u        g             120 Jan  1  2024 my page #1.htm\n"
        "drwxr-xr-x    2 u        g            4096 Jan  1 10:00 2024\n"
        "lrwxrwxrwx    1 u        g               5 Jan  1 10:00 link -> 2024\n"
        "-rw-r--r-- 1 u g 1\n";  // too few fields
    const auto entries = ParseListing(text);
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[0].name, ".");
    EXPECT_EQ(entries[2].name, "my page #1.htm");
    EXPECT_FALSE(entries[2].directory);
    EXPECT_EQ(entries[3].name, "2024");
    EXPECT_TRUE(entries[3].directory);
    EXPECT_EQ(entries[4].name, "link -> 2024");
    EXPECT_FALSE(entries[4].directory);
}

TEST(RemoteListing, DosAndIisFormat)
{
    const std::string text =
        "05-12-24  09:41PM       <DIR>          results\r\n"
        "05-12-24  09:41PM                 1234 page one.htm\r\n"
        "12-31-2023  23:59                   0 empty.txt\r\n"
        "05-12-24  09:41PM       <DIR>          2024_files\r\n";
    const auto entries = ParseListing(text);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].name, "results");
    EXPECT_TRUE(entries[0].directory);
    EXPECT_EQ(entries[1].name, "page one.htm");
    EXPECT_FALSE(entries[1].directory);
    EXPECT_EQ(entries[2].name, "empty.txt");
    EXPECT_TRUE(entries[3].directory);
}

TEST(RemoteListing, FolderInFrontOfSftpNamesIsStripped)
{
    const std::string text =
        "drwxr-xr-x    ? root root 4096 Dec  9 03:47 sub dir/.\n"
        "-rw-r--r--    ? root root    0 Dec  9 03:47 sub dir/a b.txt\n"
        "-rw-r--r--    ? root root    0 Dec  9 03:47 other/x\n";
    const auto entries = ParseListing(text, "sub dir/");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].name, ".");
    EXPECT_EQ(entries[1].name, "a b.txt");
    EXPECT_EQ(entries[2].name, "other/x");
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
    EXPECT_TRUE(CFTPWorker::IsSendableName("\xC3\xA9 #x"));
    EXPECT_FALSE(CFTPWorker::IsSendableName("a\nb"));
    EXPECT_FALSE(CFTPWorker::IsSendableName("a\rb"));
    EXPECT_FALSE(CFTPWorker::IsSendableName(std::string("a\0b", 3)));
}

TEST(FormPost, UrlEncodingAndTimeouts)
{
    std::string out;
    UrlEncodeBytes(out, "x y-z", 5);
    EXPECT_EQ(out, "x%20y%2Dz");
    out.clear();
    UrlEncode(out, "\xE9._~");
    EXPECT_EQ(out, "%E9%2E%5F%7E");

    const std::string header = "Content-Type: application/x-www-form-urlencoded";
    ASSERT_EQ(header.size(), 47u);
    long send = 0, receive = 0;
    CHTPost::ComputeTimeouts(header.size(), 10000, send, receive);
    EXPECT_EQ(send, 30000);
    EXPECT_EQ(receive, 45000);
    CHTPost::ComputeTimeouts(header.size(), 100000, send, receive);
    EXPECT_EQ(send, 100047);
    EXPECT_EQ(receive, 100047 + 100047 / 2);
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

TEST(SessionStatus, OnlyFlaggedCodesShowText)
{
    EXPECT_EQ(CQMSession::StatusTextFor(10), "Resolving name");
    EXPECT_EQ(CQMSession::StatusTextFor(11), "");
    EXPECT_EQ(CQMSession::StatusTextFor(21), "Connected to server");
    EXPECT_EQ(CQMSession::StatusTextFor(60), "Connection open");
    EXPECT_EQ(CQMSession::StatusTextFor(70), "");
    EXPECT_EQ(CQMSession::StatusTextFor(999), "");
}
