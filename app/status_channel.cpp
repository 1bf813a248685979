#include "app/quillmark_app.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/text_helpers.h"

int CQuillmarkApp::SetStatusText(const std::string& text, int pane)
{
    if (!m_pMainFrame)
        return 0;
    return m_pMainFrame->StatusText(pane, text);
}

int CQuillmarkApp::SetStatusTextPane3(const std::string& text)
{
    return SetStatusText(text, 3);
}

int CQuillmarkApp::UploadProgress(bool show, int total, int done)
{
    if (!m_pMainFrame)
        return 0;
    return m_pMainFrame->UploadProgress(show, total, done);
}

void CQuillmarkApp::NavigateView(const std::string& address, int flags)
{
    if (m_pMainFrame)
        m_pMainFrame->NavigateView(address, flags);
}

void CQuillmarkApp::SetBusy(bool enter)
{
    if (enter) {
        if (++m_nBusy == 1) {
            m_nCancelState = CS_RUNNING;
            if (m_pMainFrame)
                m_pMainFrame->RefreshControls();
        }
        return;
    }
    if (m_nBusy <= 0) {
        m_nBusy = 0;
        m_nCancelState = CS_IDLE;
    } else if (--m_nBusy == 0) {
        m_nCancelState = CS_IDLE;
    } else {
        return;
    }
    if (m_pMainFrame)
        m_pMainFrame->RefreshControls();
}

int CQuillmarkApp::PumpMessages()
{
    // Only the UI thread dispatches window events; a worker's own queue is
    // always empty.
    if (!m_pMainFrame || !IsUiThread())
        return 1;
    if (!m_pMainFrame->PumpMessages()) {
        m_nCancelState = CS_CANCELLED;
        return 0;
    }
    return 1;
}

CancelState CQuillmarkApp::GetCancelState(bool pump)
{
    if (pump)
        PumpMessages();
    return m_nCancelState;
}

bool CQuillmarkApp::IsNotCanceled(bool pump)
{
    return GetCancelState(pump) != CS_CANCELLED;
}

void CQuillmarkApp::WaitWithMessages(int ms)
{
    if (m_pMainFrame && IsUiThread())
        m_pMainFrame->WaitForInput(ms);
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

int CQuillmarkApp::WaitForThread(std::thread& thread, const std::atomic<bool>& finished,
                                 const std::atomic<int>& exitCode)
{
    // Pump while the worker runs; after a cancel go on pumping (the worker
    // may still be waiting for the UI thread to answer it) until it ends.
    // Short waits first: most workers (a results page, a form post on
    // this machine) end within a few milliseconds, many within a fraction
    // of one. The first 0.3 ms are watched by yielding (a sleep, however
    // short, ends some 50 us late), the next two milliseconds in tenths,
    // without pumping.
    const auto spinUntil = std::chrono::steady_clock::now() + std::chrono::microseconds(300);
    while (!finished.load() && std::chrono::steady_clock::now() < spinUntil)
        std::this_thread::yield();
    for (int i = 0; i < 20 && !finished.load(); ++i)
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    int slice = 1;
    while (!finished.load()) {
        WaitWithMessages(slice);
        PumpMessages();
        slice = std::min(slice * 2, 20);
    }
    if (thread.joinable())
        thread.join();
    return exitCode.load();
}

void CQuillmarkApp::OnFileCancel()
{
    if (m_pLog)
        m_pLog->Write("User Canceled\n");
    SetStatusText("Canceling...", 2);
    m_nCancelState = CS_CANCELLED;
}
