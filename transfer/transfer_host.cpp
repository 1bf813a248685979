#include "transfer/transfer_host.h"

#include <cstdarg>

#include "platform/text_helpers.h"

namespace {
// Worker threads (the form post, the URL download's session) read it.
std::atomic<ITransferHost*> g_host{nullptr};
}

int ITransferHost::SetStatusTextFormat(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const std::string text = StrFormatV(format, args);
    va_end(args);
    return SetStatusText(text, 2);
}

ITransferHost* GetTransferHost()
{
    return g_host.load();
}

ITransferHost& TransferHost()
{
    return *g_host.load();
}

void SetTransferHost(ITransferHost* host)
{
    g_host.store(host);
}

void ReportTransferError(uint32_t code, const std::string& operation)
{
    if (ITransferHost* host = g_host.load())
        host->ReportError(code, operation);
}

void ReportTransferException(const CException& e, const std::string& operation, const std::string& boxText)
{
    if (ITransferHost* host = g_host.load())
        host->ReportException(e, operation, boxText);
}
