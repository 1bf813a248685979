// Texts for error codes. System codes are errno values; internet codes are
// the 12000-range codes the transfer layer reports (12002 timed out, 12003
// extended error, 12007 name not resolved, 12029 cannot connect, ...).
#pragma once

#include <cstdint>
#include <string>

// strerror text of an errno value; empty when the C library has none.
std::string SystemErrorText(int code);

// Standard text of an internet error code; empty when the code is not one.
std::string InternetErrorText(uint32_t code);

// The last server response of this thread (internet error 12003's text).
void SetLastServerResponse(const std::string& text);
std::string GetLastServerResponse();

namespace inet {
constexpr uint32_t kFirst = 12000;
constexpr uint32_t kLast = 12999;
constexpr uint32_t OutOfHandles = 12001;
constexpr uint32_t Timeout = 12002;
constexpr uint32_t ExtendedError = 12003;
constexpr uint32_t InternalError = 12004;
constexpr uint32_t InvalidUrl = 12005;
constexpr uint32_t UnrecognizedScheme = 12006;
constexpr uint32_t NameNotResolved = 12007;
constexpr uint32_t OperationCancelled = 12017;
constexpr uint32_t LoginFailure = 12015;
constexpr uint32_t ConnectionAborted = 12030;
constexpr uint32_t ConnectionReset = 12031;
constexpr uint32_t CannotConnect = 12029;
constexpr uint32_t FtpTransferInProgress = 12110;
constexpr uint32_t FtpDropped = 12111;
constexpr uint32_t SecureFailure = 12175;
constexpr uint32_t HttpInvalidServerResponse = 12152;
}  // namespace inet
