// What the transfer code needs from the program around it: log lines,
// error reports and boxes, status texts, upload progress and the cancel
// question, the busy level, waits that keep the window working, temporary
// files, the FTP password in plain text and the Website URL. The
// application object implements it and hands itself to each worker, post,
// download and child process it makes; code that runs transfer work with
// no program around it hands over QuietTransferHost() instead.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

class CException;
class CSecretString;

// Cancel state of the status channel.
enum CancelState : int { CS_IDLE = 0, CS_RUNNING = 1, CS_CANCELLED = 2 };

class ITransferHost {
public:
    virtual ~ITransferHost() = default;

    // ---- log and failures ------------------------------------------------
    // Appends text to the log as it stands (nothing when there is no log).
    virtual void WriteLog(const std::string& text) = 0;
    // Logs and shows a system or internet error code, or an exception.
    virtual void ReportError(uint32_t code, const std::string& operation) = 0;
    // boxText, when given, is shown in place of the exception's message.
    virtual int ReportException(const CException& e, const std::string& operation,
                                const std::string& boxText = {}) = 0;
    // An error box with text alone.
    virtual void ShowErrorBox(const std::string& text) = 0;
    // Shows the transcript of the curl and sftp runs.
    virtual void ShowTranscript(const std::string& text) = 0;

    // ---- status, progress and cancel -------------------------------------
    // Each answers 0 when the operation has been cancelled, else 1.
    virtual int SetStatusText(const std::string& text, int pane = 2) = 0;
    int SetStatusTextFormat(const char* format, ...) __attribute__((format(printf, 2, 3)));
    virtual int UploadProgress(bool show, int total, int done) = 0;
    virtual CancelState GetCancelState(bool pump) = 0;
    virtual int PumpMessages() = 0;
    virtual void SetBusy(bool enter) = 0;
    virtual bool IsProgressBarShown() const = 0;
    // Waits for a worker thread while pumping; after a cancel keeps pumping
    // until the thread has ended. Joins it and returns its exit code.
    virtual int WaitForThread(std::thread& thread, const std::atomic<bool>& finished,
                              const std::atomic<int>& exitCode) = 0;

    // Enters a busy level for its lifetime.
    class CBusyGuard {
    public:
        explicit CBusyGuard(ITransferHost& host) : m_host(host) { m_host.SetBusy(true); }
        ~CBusyGuard() { m_host.SetBusy(false); }
        CBusyGuard(const CBusyGuard&) = delete;
        CBusyGuard& operator=(const CBusyGuard&) = delete;

    private:
        ITransferHost& m_host;
    };

    // ---- files, password, website -----------------------------------------
    // A new empty file "<folder>/<prefix>XXXXXX<ext>" (six random letters
    // and digits, mode 0600) remembered for deletion
    // at exit (folder empty: the temporary folder); with fd, the descriptor
    // that made it, open for writing.
    virtual bool GetTempFile(const std::string& folder, const std::string& prefix,
                             const std::string& extension, std::string& path, int* fd = nullptr) = 0;
    // The FTP password in plain text; false after the failure was shown.
    virtual bool GetFtpPassword(CSecretString& password, bool showStatus = true) = 0;
    // The Website URL of the setup.
    virtual std::string GetWebsiteUrl() const = 0;
};

// A host with no program around it: no log, no boxes, no status; it never
// cancels, has no temporary files and no password, and waits for a thread
// by joining it.
ITransferHost& QuietTransferHost();
