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
         true, K::UnknownHostKey, "Host key verification failed."},
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
