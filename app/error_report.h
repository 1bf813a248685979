// One way of reporting failures: log the operation, the last status and the
// error, then show an error box (through the prompter).
#pragma once

#include <cerrno>
#include <cstdint>
#include <string>

#include "platform/error_text.h"

// The error code of data that is not what it should be (a damaged blob or
// file): errno's "Bad message".
constexpr uint32_t kInvalidDataError = EBADMSG;

class CException;

// Logs and shows a system or internet error code. System codes are errno
// values; internet codes are 12000..12999.
void ReportError(uint32_t code, const std::string& operation);
// Logs the exception and shows its message, or boxText in its place when
// that is given. Returns the box's button.
int ReportException(const CException& e, const std::string& operation, const std::string& boxText = {});
// "Operation=[%s]\n" when the log exists.
void LogOperation(const std::string& operation);
// The text for a code: 0 reads as kInvalidDataError; the internet layer's
// extended error (12003) is the server's last response, falling back to the
// standard text when that is empty; "Error code %d (0x%08X)" when no text.
std::string GetErrorText(uint32_t code);
// The code as "%d" below 0xFFFF, else "0x%08X".
std::string FormatErrorCode(uint32_t code);
