// Why a login to the club's server did not come about, read from what each
// protocol's client says, and the box that tells the director: a server
// that cannot be reached is not a wrong password, and an SSH host key
// nobody has accepted is neither.
#pragma once

#include <cstdint>
#include <string>

class CFTPSettings;

enum class LoginFailureKind {
    NoConnection,    // refused, no route, host not found, timed out
    Refused,         // the server answered and refused the login
    UnknownHostKey,  // SSH: the server's host key is not known here
    ChangedHostKey,  // SSH: the server shows another host key than the one known here
    TlsRequired,     // the server takes no login without TLS (choose FTPS)
    TurnedAway,      // the server sent the connection away before the login (FTP 421)
};

struct LoginFailure {
    LoginFailureKind kind = LoginFailureKind::NoConnection;
    // The client's or server's own words ("Host key verification failed.").
    std::string reason;
    // The reason is the server's answer (a plain-FTP reply) rather than the
    // client's account of the connection.
    bool serverAnswered = false;
};

// A libcurl request that failed while connecting and logging in (plain FTP):
// the internet error code says which.
LoginFailure LoginFailureFromInternetError(uint32_t error, const std::string& reason);
// The same, told by the server's last whole reply (replyCode 0: none came)
// where that says more: that it takes no login without TLS, or that it sent
// the connection away (421) before the login.
LoginFailure LoginFailureFromInternetError(uint32_t error, const std::string& reason, int replyCode,
                                           const std::string& reply);
// A curl program run (FTPS) that ended with exitCode and wrote output: true
// with failure filled when it never got past connecting or logging in.
bool LoginFailureFromCurl(int exitCode, const std::string& output, LoginFailure& failure);
// What sftp and ssh wrote to their error stream when sftp ended: true with
// failure filled when the connection or the login did not come about.
bool LoginFailureFromSsh(const std::string& errors, LoginFailure& failure);

// The box text: what failed, the reason, and what to check.
std::string LoginFailureText(const CFTPSettings& settings, const LoginFailure& failure);
// The status-line text for the same failure.
std::string LoginFailureStatus(const CFTPSettings& settings, const LoginFailure& failure);
// The cause in a few words, for a run's summary ("Quillmark could not
// connect to the server").
std::string LoginFailureCause(const LoginFailure& failure);
// A reason as it may be shown: at most a few hundred bytes of one line,
// without control characters.
std::string ShownReason(const std::string& text);
