#include "ui/ui_thread.h"

#include <atomic>

namespace ui {

namespace {

std::mutex g_postedMutex;
std::condition_variable g_posted;
bool g_pending = false;
std::atomic<bool> g_shuttingDown{false};

}  // namespace

void NotifyWorkPosted()
{
    std::lock_guard<std::mutex> lock(g_postedMutex);
    g_pending = true;
    g_posted.notify_all();
}

void WaitForPostedWork(int ms)
{
    std::unique_lock<std::mutex> lock(g_postedMutex);
    g_posted.wait_for(lock, std::chrono::milliseconds(ms), [] { return g_pending; });
    g_pending = false;
}

bool IsShuttingDown()
{
    return g_shuttingDown.load();
}

void SetShuttingDown()
{
    g_shuttingDown = true;
    NotifyWorkPosted();
}

}  // namespace ui
