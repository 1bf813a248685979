#include "transfer/get_url.h"

#include <cstring>
#include <system_error>
#include <thread>

#include "platform/text_helpers.h"
#include "transfer/http_client.h"
#include "transfer/qm_session.h"

namespace {

std::atomic<int> g_liveJobs{0};

// The running download threads. Never destroyed: a thread that was left to
// run on after a cancel may signal its end while the program exits.
struct DownloadThreads {
    std::mutex mutex;
    std::condition_variable ended;
    int running = 0;
};
DownloadThreads& Threads()
{
    static DownloadThreads* threads = new DownloadThreads;
    return *threads;
}

constexpr size_t kMaxErrorText = 511;

void SetError(CGetURLJob& job, const std::string& text)
{
    job.errorText = text.substr(0, kMaxErrorText);
}

}  // namespace

CGetURLJob::CGetURLJob(std::string address, ITransferHost& host) : url(std::move(address)), host(host)
{
    ++g_liveJobs;
}

CGetURLJob::~CGetURLJob()
{
    --g_liveJobs;
}

int CGetURLJob::LiveCount()
{
    return g_liveJobs.load();
}

void CGetURLJob::Cancel()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bCancel = true;
}

void CGetURLJob::Publish(std::vector<char>&& bytes)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_bCancel)
        return;  // a cancelled download never publishes
    m_result = std::move(bytes);
    m_bHasResult = true;
}

bool CGetURLJob::TakeResult(std::vector<char>& bytes)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_bHasResult)
        return false;
    bytes = std::move(m_result);
    m_bHasResult = false;
    return true;
}

void CGetURLJob::MarkFinished()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bFinished = true;
    }
    m_finishedCv.notify_all();
}

bool CGetURLJob::WaitFinished(int ms)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_finishedCv.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_bFinished.load(); });
    return m_bFinished;
}

int GetURLThreadProc(std::shared_ptr<CGetURLJob> job)
{
    CGetURLJob& j = *job;
    int result = 0;
    {
        CQMSession session(j.host);  // its callbacks show the connection's progress
        std::string body;
        CHttpReply reply;
        CHttpGetOptions options;
        options.onHeaders = [&j](const CHttpReply& r) {
            j.httpStatus = static_cast<uint32_t>(r.status);
            if (r.status >= 200 && r.status <= 299 && r.contentLength > 0)
                j.contentLength = r.contentLength;
        };
        options.progress = [&j](int64_t, int64_t done) {
            j.bytesRead = done;
            return !j.IsCancelled();
        };
        options.goOn = [&j] { return !j.IsCancelled(); };
        std::string errorText;
        const CURLcode rc = HttpGet(session.PrepareHandle(), j.url, body, reply, options, errorText);
        if (rc == CURLE_OK && reply.status > 399) {
            SetError(j, StrFormat("%s: HTTP Status=%d: %s", j.url.c_str(), static_cast<int>(reply.status),
                                  reply.statusText.c_str()));
        } else if (rc == CURLE_OK && !j.IsCancelled()) {
            std::vector<char> bytes(body.begin(), body.end());
            bytes.push_back(0);
            j.Publish(std::move(bytes));
            result = 1;
        } else if (rc != CURLE_OK && rc != CURLE_ABORTED_BY_CALLBACK) {
            SetError(j, j.url + ": " + errorText);
        }
    }
    j.MarkFinished();
    job.reset();  // the last one to let go frees the job
    DownloadThreads& threads = Threads();
    std::lock_guard<std::mutex> lock(threads.mutex);
    --threads.running;
    threads.ended.notify_all();
    return result;
}

int RunningDownloadThreads()
{
    DownloadThreads& threads = Threads();
    std::lock_guard<std::mutex> lock(threads.mutex);
    return threads.running;
}

bool WaitForDownloadThreads(int timeoutMs)
{
    DownloadThreads& threads = Threads();
    std::unique_lock<std::mutex> lock(threads.mutex);
    return threads.ended.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return threads.running == 0; });
}

std::shared_ptr<CGetURLJob> StartURLDownload(const std::string& url, ITransferHost& host, int& error)
{
    error = 0;
    auto job = std::make_shared<CGetURLJob>(url, host);
    DownloadThreads& threads = Threads();
    {
        std::lock_guard<std::mutex> lock(threads.mutex);
        ++threads.running;
    }
    try {
        std::thread(GetURLThreadProc, job).detach();
    } catch (const std::system_error& e) {
        {
            std::lock_guard<std::mutex> lock(threads.mutex);
            --threads.running;
            threads.ended.notify_all();
        }
        error = e.code().value();
        return nullptr;  // the job goes with the last reference
    }
    return job;
}
