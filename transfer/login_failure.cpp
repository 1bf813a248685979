#include "transfer/login_failure.h"

#include <curl/curl.h>
#include <vector>

#include "platform/error_text.h"
#include "platform/text_helpers.h"
#include "transfer/ftp_settings.h"

namespace {

// The lines a client wrote, without their line ends.
std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = Trim(text.substr(start, end - start));
        if (!line.empty())
            lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

bool Contains(const std::string& text, const char* part)
{
    return text.find(part) != std::string::npos;
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

}  // namespace

LoginFailure LoginFailureFromInternetError(uint32_t error, const std::string& reason)
{
    LoginFailure failure;
    failure.reason = reason;
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

bool LoginFailureFromCurl(int exitCode, const std::string& output, LoginFailure& failure)
{
    // curl's own line: "curl: (7) Failed to connect to ...".
    const std::string mark = StrFormat("curl: (%d) ", exitCode);
    std::string said;
    for (const std::string& line : Lines(output)) {
        if (line.rfind(mark, 0) == 0)
            said = Trim(line.substr(mark.size()));
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
    // ssh says why before sftp says "Connection closed"; the first telling
    // line wins ("Host key verification failed." follows the warning about
    // a changed key, so the key lines are looked for first).
    const std::vector<std::string> lines = Lines(errors);
    for (const std::string& line : lines) {
        if (Contains(line, "Host key verification failed") || Contains(line, "host key is known for") ||
            Contains(line, "HOST IDENTIFICATION HAS CHANGED")) {
            failure = {LoginFailureKind::UnknownHostKey, "Host key verification failed.", false};
            return true;
        }
    }
    for (const std::string& line : lines) {
        // ssh names the methods it tried: "club@host: Permission denied (publickey)."
        if (Contains(line, "Permission denied (") || Contains(line, "Too many authentication failures")) {
            failure = {LoginFailureKind::Refused, line, false};
            return true;
        }
        if (Contains(line, "Could not resolve hostname") || Contains(line, "ssh: connect to host") ||
            Contains(line, "Connection timed out during banner exchange") ||
            Contains(line, "kex_exchange_identification") || Contains(line, "Connection refused") ||
            Contains(line, "No route to host") || Contains(line, "Network is unreachable") ||
            Contains(line, "Connection reset by")) {
            failure = {LoginFailureKind::NoConnection, line, false};
            return true;
        }
    }
    return false;
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
    case LoginFailureKind::UnknownHostKey:
        return StrFormat("Quillmark could not make sure that the server %s is the club's SFTP server: its SSH "
                         "host key is not known on this computer, or it has changed.\r\n\r\n%s\r\n\r\n"
                         "The host key must be in your known_hosts file: connect once from a terminal with "
                         "\"ssh -p %s %s@%s\" and accept the key if the server's administrator confirms it. "
                         "Help > Upload a Test File tries the connection without posting anything.",
                         s.m_strServer.c_str(), reason.c_str(), port.c_str(), s.m_strUser.c_str(),
                         s.m_strServer.c_str());
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
    if (failure.kind == LoginFailureKind::NoConnection)
        return StrFormat("FTP: Could not connect: host=%s port=%s", s.m_strServer.c_str(), PortOf(s).c_str());
    return StrFormat("FTP: Login was unsuccessful: host=%s user=%s", s.m_strServer.c_str(), s.m_strUser.c_str());
}
