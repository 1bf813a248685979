// What FTP servers' replies say, read as the servers clubs' hosts run send
// them (Pure-FTPd, ProFTPD, vsftpd), and curl's verbose account of a run.
#include <gtest/gtest.h>

#include "transfer/ftp_replies.h"
#include "transfer/login_failure.h"
#include "transfer/remote_listing.h"

TEST(FtpRepliesTest, WholeRepliesCutListingsAndTlsDemandsAreRecognized)
{
    // Multi-line replies are joined; a line of another code, or one without
    // a code, inside a reply belongs to it.
    CFtpReplyReader r;
    for (const char* line : {"150 Accepted data connection", "226-Options: -l", "226-200 odd", "no code at all",
                             "226 Output truncated to 10000 matches"})
        r.AddLine(line);
    EXPECT_EQ(r.LastCode(), 226);
    EXPECT_EQ(r.LastReply(), "226-Options: -l 226-200 odd no code at all 226 Output truncated to 10000 matches");

    struct CutRow {
        const char* reply;
        bool cut;
        const char* part;
    };
    const CutRow cuts[] = {
        {"226-Options: -l 226 Output truncated to 10000 matches", true,
         "lists at most 10000 entries of a folder and cut this listing short (\"226 Output truncated to 10000 "
         "matches\")"},
        {"226 Listing TRUNCATED", true, "The server cut this listing short (\"226 Listing TRUNCATED\")"},
        {"226-Options: -l 226 10000 matches total", false, ""},
        {"226 Transfer complete", false, ""},  // ProFTPD's, even past its ListOptions maxfiles
        {"", false, ""},
    };
    for (const CutRow& row : cuts) {
        std::string message;
        EXPECT_EQ(ListingCutShort(row.reply, message), row.cut) << row.reply;
        if (row.cut) {
            EXPECT_NE(message.find(row.part), std::string::npos) << message;
            EXPECT_NE(message.find("\"Upload to subdirectories (recommended)\""), std::string::npos) << message;
        }
    }

    // Headings between the listings of several folders, as Pure-FTPd
    // answers a LIST whose path holds blanks; a listed name ending in ":"
    // is an entry.
    EXPECT_TRUE(ListingNamesOtherFolders("\n\n2024/:\n-rw-r--r-- 1 a b 1 Dec 10 14:16 x.htm\n"));
    EXPECT_TRUE(ListingNamesOtherFolders("drwxr-xr-x 2 a b 4096 Dec 10 14:16 05\r\n\r\nSummer 2024:\r\n"));
    EXPECT_FALSE(ListingNamesOtherFolders("-rw-r--r-- 1 a b 1 Dec 10 14:16 odd name:\r\ntotal 4\r\n"));
    EXPECT_FALSE(ListingNamesOtherFolders(""));

    struct TlsRow {
        int code;
        const char* reply;
        bool tls;
    };
    const TlsRow tls[] = {
        {421, "421-Sorry, cleartext sessions and weak ciphers are not accepted on this server. 421 Please reconnect "
              "using TLS security mechanisms.",
         true},
        {550, "550 SSL/TLS required on the control channel", true},
        {530, "530 Non-anonymous sessions must use encryption.", true},  // vsftpd
        {421, "421 Too many connections (8) from this IP", false},
        {530, "530 Login authentication failed", false},
        {226, "226 TLS session of data connection resumed", false},
    };
    for (const TlsRow& row : tls)
        EXPECT_EQ(SaysTlsRequired(row.code, row.reply), row.tls) << row.reply;

    // libcurl takes every 421 for a time-out: the reply tells.
    using K = LoginFailureKind;
    EXPECT_EQ(LoginFailureFromInternetError(12002, "Timeout was reached", 421, tls[0].reply).kind, K::TlsRequired);
    const LoginFailure away = LoginFailureFromInternetError(12002, "Timeout was reached", 421, tls[3].reply);
    EXPECT_EQ(away.kind, K::TurnedAway);
    EXPECT_EQ(away.reason, "421 Too many connections (8) from this IP");
    EXPECT_EQ(LoginFailureFromInternetError(12002, "Timeout was reached", 0, "").kind, K::NoConnection);
    EXPECT_EQ(LoginFailureFromInternetError(12015, "Access denied", 530, tls[4].reply).kind, K::Refused);
}

// A refused FTPS store as curl --verbose tells it: curl's own lines apart
// from the exchange, each reply with the command it answered, and the
// server's refusal where curl names another step.
TEST(FtpRepliesTest, CurlVerboseRunIsReadBack)
{
    const std::string errors =
        "*   Trying 127.0.0.1:2121...\r\n"
        "* Connected to 127.0.0.1 (127.0.0.1) port 2121 (#0)\r\n"
        "< 220-Welcome\r\n"
        "< 220 You will be disconnected after 15 minutes of inactivity.\r\n"
        "> AUTH SSL\r\n"
        "< 500 This security scheme is not implemented\r\n"
        "} [5 bytes data]\r\n"
        "> USER club\r\n"
        "< 331 User club OK. Password required\r\n"
        "> PASS ********\r\n"
        "< 230 OK. Current directory is /\r\n"
        "> CWD www\r\n"
        "< 250 OK.\r\n"
        "> EPSV\r\n"
        "< 229 Extended Passive mode OK (|||30001|)\r\n"
        "> STOR page.htm\r\n"
        "< 150 Accepted data connection\r\n"
        "< 550-page.htm:\r\n"
        "< 550 Overwrite permission denied\r\n"
        "curl: (13) Bad PASV/EPSV response: 550\r\n"
        "curl has exited with code 13\r\n";
    const CCurlVerboseText run = ReadCurlVerbose(errors);
    EXPECT_EQ(run.ownLines, "curl: (13) Bad PASV/EPSV response: 550\r\ncurl has exited with code 13\r\n");
    ASSERT_EQ(run.exchanges.size(), 7u);
    EXPECT_EQ(run.exchanges[0].command, "");
    EXPECT_EQ(run.exchanges[0].replies,
              (std::vector<std::string>{"220-Welcome 220 You will be disconnected after 15 minutes of inactivity."}));
    EXPECT_EQ(run.LastReplyTo("STOR"), "550-page.htm: 550 Overwrite permission denied");
    EXPECT_EQ(run.LastReplyTo("CWD"), "250 OK.");
    EXPECT_EQ(run.LastReplyTo("LIST"), "");
    EXPECT_EQ(run.LastReplyTo("AUTH"), "500 This security scheme is not implemented");
    EXPECT_EQ(run.LastRefusal(), "550-page.htm: 550 Overwrite permission denied");
    EXPECT_EQ(ReadCurlVerbose("< 226 Transfer complete\n").LastRefusal(), "");
}

// A listing line's name begins after the one blank that follows the time
// or year: blanks at its start are part of it.
TEST(FtpRepliesTest, ListingNamesKeepLeadingBlanks)
{
    const std::pair<const char*, const char*> rows[] = {
        {"drwxr-xr-x    2 qmhost     qmhost           4096 Dec 10 14:16  lead", " lead"},
        {"drwxr-xr-x 2 qmhost qmhost 4096 Dec 10  2024   three", "  three"},
        {"-rw-r--r-- 1 a b 5 Dec 10 14:16 two  blanks.htm", "two  blanks.htm"},
        {"lrwxrwxrwx 1 a b 5 Dec 10 14:16 link.htm -> /x", "link.htm -> /x"},
    };
    for (const auto& [line, name] : rows) {
        CRemoteEntry e;
        ASSERT_TRUE(ParseListingLine(line, e)) << line;
        EXPECT_EQ(e.name, name) << line;
    }
    CRemoteEntry e;
    EXPECT_FALSE(ParseListingLine("drwxr-xr-x 2 a b 4096 Dec 10 14:16   ", e)) << "blanks are no name";
}
