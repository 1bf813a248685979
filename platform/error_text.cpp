#include "platform/error_text.h"

#include <cstring>

namespace {
thread_local std::string t_lastServerResponse;
}

void SetLastServerResponse(const std::string& text)
{
    t_lastServerResponse = text;
}

std::string GetLastServerResponse()
{
    return t_lastServerResponse;
}

std::string SystemErrorText(int code)
{
    if (code <= 0)
        return {};
    char buf[256];
    // GNU strerror_r returns the text (possibly not in buf).
    const char* text = strerror_r(code, buf, sizeof buf);
    if (!text || std::strncmp(text, "Unknown error", 13) == 0)
        return {};
    return text;
}

std::string InternetErrorText(uint32_t code)
{
    switch (code) {
    case inet::OutOfHandles: return "No more handles could be generated at this time.";
    case inet::Timeout: return "The operation timed out.";
    case inet::ExtendedError: return "The server returned extended information.";
    case inet::InternalError: return "An internal error occurred.";
    case inet::InvalidUrl: return "The URL is invalid.";
    case inet::UnrecognizedScheme: return "The URL does not use a recognized protocol.";
    case inet::NameNotResolved: return "The server name or address could not be resolved.";
    case inet::LoginFailure: return "The login request was denied.";
    case inet::OperationCancelled: return "The operation was canceled.";
    case inet::CannotConnect: return "A connection with the server could not be established.";
    case inet::ConnectionAborted: return "The connection with the server was terminated abnormally.";
    case inet::ConnectionReset: return "The connection with the server was reset.";
    case inet::FtpTransferInProgress: return "There is already an FTP request in progress on this session.";
    case inet::FtpDropped: return "The FTP session was terminated.";
    case inet::HttpInvalidServerResponse: return "The server response could not be parsed.";
    case inet::SecureFailure: return "A security error occurred.";
    default: return {};
    }
}
