#include "transfer/transfer_limits.h"

#include <mutex>

#include "platform/text_helpers.h"

namespace {

std::mutex g_mutex;
CTransferLimits g_limits;

}  // namespace

CTransferLimits TransferLimits()
{
    // Changed only by tests, between transfers; read by the download
    // threads too, so the change itself is guarded.
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_limits;
}

CTransferLimits SetTransferLimits(const CTransferLimits& limits)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    const CTransferLimits before = g_limits;
    g_limits = limits;
    return before;
}

int64_t UploadTimeLimitMs(uint64_t size)
{
    const CTransferLimits limits = TransferLimits();
    const uint64_t rate = limits.uploadBytesPerSecond ? limits.uploadBytesPerSecond : 1;
    return limits.requestMs + static_cast<int64_t>(size / rate) * 1000;
}

std::string ByteLimitText(uint64_t bytes)
{
    if (bytes >= (1ull << 20) && bytes % (1ull << 20) == 0)
        return StrFormat("%llu MiB", static_cast<unsigned long long>(bytes >> 20));
    if (bytes >= 1024 && bytes % 1024 == 0)
        return StrFormat("%llu KiB", static_cast<unsigned long long>(bytes >> 10));
    return StrFormat("%llu bytes", static_cast<unsigned long long>(bytes));
}

std::string TimeLimitText(int64_t ms)
{
    if (ms >= 60000 && ms % 60000 == 0)
        return StrFormat("%lld min", static_cast<long long>(ms / 60000));
    if (ms >= 1000 && ms % 1000 == 0)
        return StrFormat("%lld s", static_cast<long long>(ms / 1000));
    return StrFormat("%lld ms", static_cast<long long>(ms));
}
