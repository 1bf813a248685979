// Hand work from any thread to the user-interface thread. Windows belong to
// that thread: a worker asks it through CallAfter and waits for the answer
// while the user-interface thread keeps pumping (inside a command it does
// so in CQuillmarkApp::WaitForThread).
#pragma once

#include <wx/app.h>
#include <wx/thread.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace ui {

// Wakes a user-interface thread that waits for input (CMainFrame's
// WaitForInput) when work has been handed to it.
void NotifyWorkPosted();
// Waits up to ms milliseconds or until work is handed over.
void WaitForPostedWork(int ms);

// Set once the program has begun to end: workers stop waiting for answers.
bool IsShuttingDown();
void SetShuttingDown();

// Runs fn on the user-interface thread and returns its result. On that
// thread it is called at once. From another thread it is queued and the
// caller waits; when the application goes away first (abandoned is set),
// the caller gets fallback instead of waiting for ever.
template <typename T>
T RunOnUiThread(std::function<T()> fn, T fallback)
{
    if (wxThread::IsMain() || !wxTheApp)
        return fn();
    struct Call {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        T result{};
    };
    auto call = std::make_shared<Call>();
    call->result = fallback;
    wxTheApp->CallAfter([call, fn] {
        T result = fn();
        std::lock_guard<std::mutex> lock(call->mutex);
        call->result = result;
        call->finished = true;
        call->done.notify_all();
    });
    NotifyWorkPosted();
    std::unique_lock<std::mutex> lock(call->mutex);
    while (!call->finished) {
        if (call->done.wait_for(lock, std::chrono::milliseconds(200)) == std::cv_status::timeout &&
            (!wxTheApp || IsShuttingDown()))
            break;
    }
    return call->result;
}

}  // namespace ui
