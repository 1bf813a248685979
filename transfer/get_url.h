// Downloading a URL into memory on a worker thread while the UI thread
// keeps the window working, drives the progress bar and watches for
// Cancel. The job is shared by the two threads and freed by whichever lets
// go of it last, so a cancelled download that is abandoned (never waited
// for) can never touch a freed job.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class ITransferHost;

class CGetURLJob {
public:
    // host: the program, which shows the session's status texts.
    CGetURLJob(std::string address, ITransferHost& host);
    ~CGetURLJob();
    CGetURLJob(const CGetURLJob&) = delete;
    CGetURLJob& operator=(const CGetURLJob&) = delete;

    // Set by the UI thread under the lock; read by the worker each round
    // without it and under it at the hand-over.
    void Cancel();
    bool IsCancelled() const { return m_bCancel.load(); }
    // The worker hands over the downloaded bytes, unless cancelled.
    void Publish(std::vector<char>&& bytes);
    // The UI thread takes the bytes (false when none were handed over).
    bool TakeResult(std::vector<char>& bytes);
    // The worker has ended (result or error text final).
    void MarkFinished();
    bool WaitFinished(int ms);

    const std::string url;
    ITransferHost& host;
    std::atomic<uint32_t> httpStatus{0};
    std::atomic<int64_t> contentLength{0};  // 0 when unknown
    std::atomic<int64_t> bytesRead{0};
    // Written by the worker before MarkFinished, read after it.
    std::string errorText;

    // Jobs alive in the process (tests check that none is left behind).
    static int LiveCount();

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_finishedCv;
    std::atomic<bool> m_bCancel{false};
    std::atomic<bool> m_bFinished{false};
    bool m_bHasResult = false;
    std::vector<char> m_result;
};

// The worker's procedure: 1 on success, 0 otherwise.
int GetURLThreadProc(std::shared_ptr<CGetURLJob> job);

// Starts the download of url on a thread of its own and returns the job
// shared with it; null with the system's error code when no thread could
// be started.
std::shared_ptr<CGetURLJob> StartURLDownload(const std::string& url, ITransferHost& host, int& error);

// Download threads still running (a cancelled one runs on until its next
// read); the program waits for them before it ends.
int RunningDownloadThreads();
bool WaitForDownloadThreads(int timeoutMs);

