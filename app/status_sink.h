// The main frame's side of the status channel, as the core sees it. The
// window application implements it on its frame; tests record what was
// sent. Calls may come from worker threads: the implementation hands them
// to the UI thread and waits for the answer.
#pragma once

#include <chrono>
#include <string>
#include <thread>

class IStatusSink {
public:
    virtual ~IStatusSink() = default;

    // A text for a status pane (0, 1: status bar; 2: status line; 3: address
    // line). Returns 1 to go on, 0 when the operation has been cancelled.
    virtual int StatusText(int pane, const std::string& text) = 0;
    // Upload progress: show (total, done) or hide. 1 go on, 0 cancel.
    virtual int UploadProgress(bool show, int total, int done) = 0;
    // The last text shown in the status line (logged with errors).
    virtual std::string GetLastStatus() const = 0;
    // Dispatch pending events; false when the quit request was seen.
    virtual bool PumpMessages() { return true; }
    // Wait up to ms milliseconds or until input arrives; dispatches nothing.
    // A frame without an event queue of its own just lets the time pass.
    virtual void WaitForInput(int ms)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
    // Refresh the enabled state of the frame's commands.
    virtual void RefreshControls() {}
    // Show an address in the HTML view.
    virtual void NavigateView(const std::string& address, int flags) {}
    // The user has asked to close the window while an operation runs: it
    // closes as soon as the operation has ended, so nothing more that would
    // wait for the user (such as the transfer transcript) is shown.
    virtual bool IsClosing() const { return false; }
};
