// What the clients say when a login does not come about, as seen on other
// machines than the loopback servers can show: a changed host key, a name
// that does not resolve, a server that never sends its banner, and curl's
// time-outs before and after the connection stood.
#include <gtest/gtest.h>

#include "transfer/login_failure.h"

TEST(LoginFailureTest, ClientWordsTellConnectionLoginAndHostKeyApart)
{
    using K = LoginFailureKind;
    struct Row {
        const char* errors;
        bool told;
        K kind;
        const char* reason;
    };
    const Row ssh[] = {
        {"@@@@@@@@@@@\r\n@    WARNING: REMOTE HOST IDENTIFICATION HAS CHANGED!     @\r\nIT IS POSSIBLE THAT SOMEONE "
         "IS DOING SOMETHING NASTY!\r\nHost key for [club.example]:22 has changed and you have requested strict "
         "checking.\r\nHost key verification failed.\r\nConnection closed\r\n",
         true, K::ChangedHostKey, "WARNING: REMOTE HOST IDENTIFICATION HAS CHANGED!"},
        // A changed key where the host-key check is off: ssh warns, goes on
        // to a login, and that is refused too. The key is the cause.
        {"@    WARNING: REMOTE HOST IDENTIFICATION HAS CHANGED!     @\nOffending ED25519 key in /home/d/.ssh/"
         "known_hosts:1\n  remove with:\n  ssh-keygen -f \"/home/d/.ssh/known_hosts\" -R \"[127.0.0.1]:22022\"\n"
         "Password authentication is disabled to avoid man-in-the-middle attacks.\n"
         "club@127.0.0.1: Permission denied (publickey).\nConnection closed\n",
         true, K::ChangedHostKey, "WARNING: REMOTE HOST IDENTIFICATION HAS CHANGED!"},
        {"No ED25519 host key is known for club.example and you have requested strict checking.\n"
         "Host key verification failed.\nConnection closed\n",
         true, K::UnknownHostKey, "Host key verification failed."},
        {"ssh: Could not resolve hostname club.example: Name or service not known\r\nConnection closed\r\n", true,
         K::NoConnection, "ssh: Could not resolve hostname club.example: Name or service not known"},
        {"Connection timed out during banner exchange\nConnection to 10.1.1.1 port 22 timed out\nConnection closed\n",
         true, K::NoConnection, "Connection timed out during banner exchange"},
        {"kex_exchange_identification: read: Connection reset by peer\nConnection closed\n", true, K::NoConnection,
         "kex_exchange_identification: read: Connection reset by peer"},
        {"club@club.example: Permission denied (publickey,password).\nConnection closed\n", true, K::Refused,
         "club@club.example: Permission denied (publickey,password)."},
        // The server hung up during the login, or stopped answering after
        // its greeting (ssh's keep-alive).
        {"Connection closed by 192.0.2.7 port 22\r\nConnection closed\r\n", true, K::NoConnection,
         "Connection closed by 192.0.2.7 port 22"},
        {"Timeout, server 192.0.2.7 not responding.\nConnection closed\n", true, K::NoConnection,
         "Timeout, server 192.0.2.7 not responding."},
        {"Connection to 192.0.2.7 port 22 timed out\nConnection closed\n", true, K::NoConnection,
         "Connection to 192.0.2.7 port 22 timed out"},
        // ssh's keep-alive gave up before the login came about: at the log
        // level it runs with, sftp's words alone.
        {"Connection closed\r\nsftp has exited with code 255\r\n--------------------\r\n", true, K::NoConnection,
         "Connection closed"},
        {"subsystem request failed on channel 0\r\nConnection closed\r\n", false, K::Refused, ""},
        // A command that failed once logged in is no login failure.
        {"remote open(\"/www/a.htm\"): Permission denied\n", false, K::Refused, ""},
        {"Couldn't stat remote file: No such file or directory\nsftp has exited with code 1\n", false, K::Refused, ""},
    };
    for (const Row& row : ssh) {
        SCOPED_TRACE(row.errors);
        LoginFailure failure;
        ASSERT_EQ(LoginFailureFromSsh(row.errors, failure), row.told);
        if (row.told && *row.reason) {
            EXPECT_EQ(failure.kind, row.kind);
            EXPECT_EQ(failure.reason, row.reason);
        }
    }

    // A reason is one short line, whatever the line ssh or a server wrote.
    LoginFailure failure;
    const std::string longLine = "club@h: Permission denied (publickey). \x1b[31m\t" + std::string(20000, 'B') + "\n";
    ASSERT_TRUE(LoginFailureFromSsh(longLine, failure));
    EXPECT_LE(failure.reason.size(), 303u);
    EXPECT_EQ(failure.reason.find_first_of("\x1b\t\r\n"), std::string::npos) << failure.reason;
    EXPECT_EQ(ShownReason(std::string(299, 'a') + "\xC3\xA9\xC3\xA9"), std::string(299, 'a') + "...")
        << "cut between characters";

    struct CurlRow {
        int code;
        const char* output;
        bool told;
        K kind;
    };
    const CurlRow curl[] = {
        {6, "curl: (6) Could not resolve host: club.example\n", true, K::NoConnection},
        {7, "curl: (7) Failed to connect to 127.0.0.1 port 21 after 0 ms: Couldn't connect to server\n", true,
         K::NoConnection},
        {28, "curl: (28) Failed to connect to 10.1.1.1 port 21 after 30001 ms: Timeout was reached\n", true,
         K::NoConnection},
        {28, "curl: (28) Operation timed out after 600000 milliseconds with 1 out of -1 bytes received\n", false,
         K::NoConnection},
        {67, "curl: (67) Access denied: 530\n", true, K::Refused},
        {9, "curl: (9) Server denied you to change to the given directory\n", false, K::Refused},
    };
    for (const CurlRow& row : curl) {
        SCOPED_TRACE(row.output);
        LoginFailure failure;
        ASSERT_EQ(LoginFailureFromCurl(row.code, row.output, failure), row.told);
        if (row.told) {
            EXPECT_EQ(failure.kind, row.kind);
        }
    }
}
