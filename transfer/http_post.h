// The form post of a score file to a results service: one HTTP POST of
// urlencoded fields sent on a worker thread, with status and progress sent
// to the main frame while it runs. The reply page is stored in a temporary
// file, with a base element so that its relative links resolve against the
// server.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <thread>

class ITransferHost;

class CHTPost {
public:
    // The reply page is cut off with an error beyond this size.
    static constexpr size_t kMaxReply = 1 << 20;

    // host: the program, which gets the status texts and progress and
    // answers whether to go on.
    explicit CHTPost(ITransferHost& host) : m_host(host) {}
    ~CHTPost();
    CHTPost(const CHTPost&) = delete;
    CHTPost& operator=(const CHTPost&) = delete;

    // Makes the reply file and starts the worker. Throws CFileException
    // when the reply file cannot be made, CMemoryException when no thread
    // can be started.
    void InitPost(const std::string& displayName, const std::string& url, const std::string& headers,
                  const std::string& body);
    // Waits for the worker while the window keeps working.
    void Wait();
    // The error of the post, or null. A cancelled post has one too.
    const char* GetError() const { return m_strError.empty() ? nullptr : m_strError.c_str(); }
    bool IsCanceled() const { return m_bCanceled; }
    const std::string& GetReplyPath() const { return m_strReplyPath; }

    // Send and receive time-outs in milliseconds: t = header length plus
    // body length, at least 30000; receive t + t / 2.
    static void ComputeTimeouts(size_t headerLength, size_t bodyLength, long& sendMs, long& receiveMs);
    // Inserts <base href="http://server/"> after the first "<head>".
    static void AddBaseElement(std::string& page, const std::string& server);

private:
    int PostThreadProc();
    void Post();

    ITransferHost& m_host;
    std::string m_strReplyPath;
    std::string m_strError;
    bool m_bCanceled = false;
    int m_replyFd = -1;
    std::thread m_thread;
    std::atomic<bool> m_bFinished{false};
    std::atomic<int> m_nExitCode{0};
    std::string m_strDisplayName;
    std::string m_strUrl;
    std::string m_strHeaders;
    std::string m_strBody;
};

// Percent-encoding of form values: letters and digits stay, every other
// byte becomes "%" and two upper-case hexadecimal digits (a blank is %20).
void UrlEncodeBytes(std::string& out, const void* data, size_t size);
