#include "transfer/login_failure.h"

#include <curl/curl.h>
#include <vector>

#include "platform/error_text.h"
#include "platform/line_splitter.h"
#include "platform/text_helpers.h"
#include "transfer/ftp_replies.h"
#include "transfer/ftp_settings.h"

namespace {

// The lines a client wrote, without their line ends.
std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    for (const std::string_view view : SplitLines(text, LineEnds::CrLf)) {
        std::string line = Trim(std::string(view));
        if (!line.empty())
            lines.push_back(std::move(line));
    }
    return lines;
}

bool Contains(const std::string& text, const char* part)
{
    return text.find(part) != std::string::npos;
}

std::string PortOf(const CFTPSettings& s);

// How known_hosts names the server, for a command line: host, or
// "[host]:port" off port 22.
std::string KnownHostsName(const CFTPSettings& s)
{
    const std::string port = PortOf(s);
    // Quoted: a shell would take the brackets for a pattern.
    return port.empty() || port == "22" ? s.m_strServer : "\"[" + s.m_strServer + "]:" + port + "\"";
}

std::string PortOf(const CFTPSettings& s)
{
    const std::string port = s.GetPort(true);
    if (!port.empty())
        return port;
    const int protocol = s.GetProtocol();
    return protocol >= 0 && protocol <= 2 ? kDefaultPorts[protocol] : "";
}

const char kTryIt[] = "Help > Upload a Test File tries them without posting anything.";

// How much of a reason a box shows.
constexpr size_t kShownReasonBytes = 300;

}  // namespace

std::string ShownReason(const std::string& text)
{
    std::string shown;
    for (const char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        shown += u < 0x20 || u == 0x7f ? ' ' : c;
    }
    shown = Trim(shown);
    if (shown.size() <= kShownReasonBytes)
        return shown;
    // Cut between characters, not inside a UTF-8 sequence.
    size_t cut = kShownReasonBytes;
    while (cut > 0 && (static_cast<unsigned char>(shown[cut]) & 0xC0) == 0x80)
        --cut;
    return shown.substr(0, cut) + "...";
}

LoginFailure LoginFailureFromInternetError(uint32_t error, const std::string& reason)
{
    LoginFailure failure;
    failure.reason = ShownReason(reason);
    switch (error) {
    case inet::NameNotResolved:
    case inet::CannotConnect:
    case inet::Timeout:
        failure.kind = LoginFailureKind::NoConnection;
        break;
    default:
        failure.kind = LoginFailureKind::Refused;
        failure.serverAnswered = error == inet::ExtendedError;
        break;
    }
    return failure;
}

LoginFailure LoginFailureFromInternetError(uint32_t error, const std::string& reason, int replyCode,
                                           const std::string& reply)
{
    if (SaysTlsRequired(replyCode, reply))
        return {LoginFailureKind::TlsRequired, ShownReason(reply), true};
    // libcurl takes any 421 for a time-out; the server said why.
    if (replyCode == 421)
        return {LoginFailureKind::TurnedAway, ShownReason(reply), true};
    return LoginFailureFromInternetError(error, reason);
}

bool LoginFailureFromCurl(int exitCode, const std::string& output, LoginFailure& failure)
{
    // curl's own line: "curl: (7) Failed to connect to ...".
    const std::string mark = StrFormat("curl: (%d) ", exitCode);
    std::string said;
    for (const std::string& line : Lines(output)) {
        if (line.rfind(mark, 0) == 0)
            said = ShownReason(line.substr(mark.size()));
    }
    switch (exitCode) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
        failure = {LoginFailureKind::NoConnection, said, false};
        return true;
    case CURLE_OPERATION_TIMEDOUT:
        // Only a time-out before the connection stood; one during a
        // transfer is a failed transfer.
        if (!Contains(said, "onnect"))
            return false;
        failure = {LoginFailureKind::NoConnection, said, false};
        return true;
    case CURLE_LOGIN_DENIED:
        failure = {LoginFailureKind::Refused, said, true};
        return true;
    default:
        return false;
    }
}

bool LoginFailureFromSsh(const std::string& errors, LoginFailure& failure)
{
    // ssh says why before sftp says "Connection closed". The host-key lines
    // are looked for first: with a changed key, ssh may go on to a login
    // that is refused, and its words for that follow the warning.
    const std::vector<std::string> lines = Lines(errors);
    for (const std::string& line : lines) {
        if (Contains(line, "REMOTE HOST IDENTIFICATION HAS CHANGED") ||
            (Contains(line, "Host key for ") && Contains(line, " has changed"))) {
            failure = {LoginFailureKind::ChangedHostKey, "WARNING: REMOTE HOST IDENTIFICATION HAS CHANGED!", false};
            return true;
        }
    }
    for (const std::string& line : lines) {
        if (Contains(line, "Host key verification failed") || Contains(line, "host key is known for")) {
            failure = {LoginFailureKind::UnknownHostKey, "Host key verification failed.", false};
            return true;
        }
    }
    for (const std::string& line : lines) {
        // ssh names the methods it tried: "club@host: Permission denied (publickey)."
        if (Contains(line, "Permission denied (") || Contains(line, "Too many authentication failures")) {
            failure = {LoginFailureKind::Refused, ShownReason(line), false};
            return true;
        }
        // "Connection closed by 192.0.2.1 port 22" (the server hung up
        // during the login) and "Connection to 192.0.2.1 port 22 timed out"
        // are no login either; so would be "Timeout, server ... not
        // responding." (the keep-alive found it silent), though ssh says
        // that only at a more talkative log level than the one it runs at
        // here: the "Connection closed" case below is what is seen.
        if (Contains(line, "Could not resolve hostname") || Contains(line, "ssh: connect to host") ||
            Contains(line, "Connection timed out during banner exchange") ||
            Contains(line, "kex_exchange_identification") || Contains(line, "Connection refused") ||
            Contains(line, "No route to host") || Contains(line, "Network is unreachable") ||
            Contains(line, "Connection reset by") || Contains(line, "Connection closed by ") ||
            (Contains(line, "Connection to ") && Contains(line, " timed out")) ||
            (Contains(line, "Timeout, server ") && Contains(line, "not responding"))) {
            failure = {LoginFailureKind::NoConnection, ShownReason(line), false};
            return true;
        }
    }
    // sftp's "Connection closed" and nothing of ssh's: ssh ended before the
    // login came about without an error of its own, as when its keep-alive
    // gives up on a server that greeted and then went quiet (that it says
    // only at a more talkative log level).
    bool closed = false;
    for (const std::string& line : lines) {
        if (line == "Connection closed")
            closed = true;
        else if (line.find(" has exited with code ") == std::string::npos && line.find_first_not_of('-') != std::string::npos)
            return false;
    }
    if (closed)
        failure = {LoginFailureKind::NoConnection, "Connection closed", false};
    return closed;
}

std::string LoginFailureText(const CFTPSettings& s, const LoginFailure& failure)
{
    std::string reason = failure.reason.empty() ? std::string("no reason was given") : failure.reason;
    const std::string port = PortOf(s);
    const bool sftp = s.GetProtocol() == PROTOCOL_SFTP;
    switch (failure.kind) {
    case LoginFailureKind::NoConnection:
        return StrFormat("Quillmark could not connect to the server %s on port %s.\r\n\r\n%s\r\n\r\n"
                         "Check that the server is up and can be reached from this computer, and check Server, "
                         "Port Number and Protocol on the FTP page of Setup > Setup...; %s",
                         s.m_strServer.c_str(), port.c_str(), reason.c_str(), kTryIt);
    case LoginFailureKind::ChangedHostKey:
        return StrFormat("The server %s shows another SSH host key than the one this computer knows for it: its "
                         "host key has changed.\r\n\r\n%s\r\n\r\n"
                         "Someone may be listening in between, or the server was set up anew. Ask the server's "
                         "administrator whether its key changed. Only once they confirm the new key, remove the "
                         "old one in a terminal with ssh-keygen -R %s, then connect once with \"ssh -p %s "
                         "%s@%s\" and accept the new key. Help > Upload a Test File tries the connection without "
                         "posting anything.",
                         s.m_strServer.c_str(), reason.c_str(), KnownHostsName(s).c_str(), port.c_str(),
                         s.m_strUser.c_str(), s.m_strServer.c_str());
    case LoginFailureKind::UnknownHostKey:
        return StrFormat("Quillmark could not make sure that the server %s is the club's SFTP server: its SSH "
                         "host key is not known on this computer.\r\n\r\n%s\r\n\r\n"
                         "The host key must be in your known_hosts file: connect once from a terminal with "
                         "\"ssh -p %s %s@%s\" and accept the key if the server's administrator confirms it. "
                         "Help > Upload a Test File tries the connection without posting anything.",
                         s.m_strServer.c_str(), reason.c_str(), port.c_str(), s.m_strUser.c_str(),
                         s.m_strServer.c_str());
    case LoginFailureKind::TlsRequired:
        return StrFormat("The server %s takes no login without TLS encryption.\r\n\r\nThe server answered: "
                         "%s\r\n\r\nChoose \"FTPS (FTP over TLS)\" as Protocol on the FTP page of Setup > "
                         "Setup... (the Port Number stays as it is unless the host says otherwise); %s",
                         s.m_strServer.c_str(), reason.c_str(), kTryIt);
    case LoginFailureKind::TurnedAway:
        return StrFormat("The server %s on port %s sent the connection away before the login.\r\n\r\nThe "
                         "server answered: %s\r\n\r\nTry again later; if the server keeps answering so, ask the "
                         "club's web host about it. %s",
                         s.m_strServer.c_str(), port.c_str(), reason.c_str(), kTryIt);
    case LoginFailureKind::Refused:
        break;
    }
    const std::string head = StrFormat("The login to the server %s as user %s was unsuccessful.\r\n\r\n%s%s\r\n\r\n",
                                       s.m_strServer.c_str(), s.m_strUser.c_str(),
                                       failure.serverAnswered ? "The server answered: " : "", reason.c_str());
    if (sftp)
        return head +
               "SFTP logs in with your SSH key (in the .ssh folder of your home folder); the Password in Setup "
               "is not used. The key's public part must be among the authorized keys of that user on the "
               "server. Check Server, User and Port Number on the FTP page of Setup > Setup...; Help > Upload a "
               "Test File tries the login without posting anything.";
    return head + "Check Server, User, Password, Protocol and Port Number on the FTP page of Setup > Setup...; " +
           kTryIt;
}

std::string LoginFailureStatus(const CFTPSettings& s, const LoginFailure& failure)
{
    switch (failure.kind) {
    case LoginFailureKind::NoConnection:
        return StrFormat("FTP: Could not connect: host=%s port=%s", s.m_strServer.c_str(), PortOf(s).c_str());
    case LoginFailureKind::UnknownHostKey:
        return StrFormat("FTP: Host key not known: host=%s port=%s", s.m_strServer.c_str(), PortOf(s).c_str());
    case LoginFailureKind::ChangedHostKey:
        return StrFormat("FTP: Host key has changed: host=%s port=%s", s.m_strServer.c_str(), PortOf(s).c_str());
    case LoginFailureKind::TlsRequired:
        return StrFormat("FTP: The server requires TLS (choose FTPS): host=%s", s.m_strServer.c_str());
    case LoginFailureKind::TurnedAway:
        return StrFormat("FTP: The server sent the connection away: host=%s port=%s", s.m_strServer.c_str(),
                         PortOf(s).c_str());
    case LoginFailureKind::Refused:
        break;
    }
    return StrFormat("FTP: Login was unsuccessful: host=%s user=%s", s.m_strServer.c_str(), s.m_strUser.c_str());
}

std::string LoginFailureCause(const LoginFailure& failure)
{
    switch (failure.kind) {
    case LoginFailureKind::NoConnection:
        return "Quillmark could not connect to the server";
    case LoginFailureKind::UnknownHostKey:
        return "the server's SSH host key is not known on this computer";
    case LoginFailureKind::ChangedHostKey:
        return "the server's SSH host key has changed";
    case LoginFailureKind::TlsRequired:
        return "the server takes no login without TLS (choose FTPS in Setup)";
    case LoginFailureKind::TurnedAway:
        return "the server sent the connection away before the login";
    case LoginFailureKind::Refused:
        break;
    }
    return "the login to the server was unsuccessful";
}
