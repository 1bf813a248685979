// How well the window keeps up while a worker thread uploads: 256 MiB go
// by plain FTP to a loopback server with the upload progress bar on, so
// the worker sends status texts and a progress message for every block to
// the main window (each waits for the user-interface thread's answer).
// Meanwhile a 10 ms timer on the user-interface thread records how late
// each tick runs. Runs itself under xvfb-run when there is no display.
//   last line: ui latency_p99_ms=<n>
#include <wx/app.h>
#include <wx/timer.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "app/quillmark_app.h"
#include "support/servers.h"
#include "support/test_app.h"
#include "transfer/ftp_worker.h"
#include "ui/app_shell.h"
#include "ui/main_frame.h"

namespace {

constexpr int kTickMs = 10;
const size_t kSize = size_t(256) << 20;


int g_result = 1;

// Nobody is there to click a box: its text is printed and it is answered.
class CPrintingPrompter : public IPrompter {
public:
    int MessageBox(const std::string& text, unsigned style) override
    {
        std::printf("bench_ui_latency: box: %s\n", text.c_str());
        std::fflush(stdout);
        return (style & 0xF) == 0x4 ? IDNO : IDCANCEL;
    }
};

}  // namespace

class CLatencyApp : public wxApp {
public:
    bool OnInit() override
    {
        ::setenv("QUILLMARK_DATA_DIR", m_folder.File("data").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", m_folder.File("config").c_str(), 1);
        ::setenv("XDG_DATA_HOME", m_folder.File("share").c_str(), 1);
        ::setenv("TMPDIR", m_folder.Path().c_str(), 1);
        const std::string site = m_folder.File("site");
        ::mkdir(site.c_str(), 0755);
        m_file = m_folder.File("big.bin");
        if (!WriteRandomFile(m_file, kSize, 7) ||
            !m_ftp.Start(site, "bench", "bench pass", {}, m_folder.File("ftp.log"))) {
            std::printf("bench_ui_latency: the test file or the FTP server could not be made\n");
            return false;
        }
        m_shell = std::make_unique<CAppShell>();
        if (!m_shell->Start({})) {
            std::printf("bench_ui_latency: the program did not start\n");
            return false;
        }
        CQuillmarkApp& app = m_shell->App();
        app.SetPrompter(&m_prompter);
        app.m_bShowProgressBar = true;
        if (!app.SetFtpPassword("bench pass")) {
            std::printf("bench_ui_latency: the FTP password cannot be stored\n");
            return false;
        }
        CFTPSettings& s = app.Setup().m_Ftp;
        s.m_strServer = "127.0.0.1";
        s.m_strUser = "bench";
        s.m_nProtocol = PROTOCOL_FTP;
        s.m_strPort[PROTOCOL_FTP] = std::to_string(m_ftp.Port());

        m_timer.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Tick(); });
        m_started = std::chrono::steady_clock::now();
        m_worker = std::thread([this, &s, &app] {
            {
                // Its closing words (the logout's status texts) are sent
                // too, so it is gone before the window stops answering.
                CFTPWorker worker(&s, app);
                m_ok = worker.UploadFile(m_file, "big.bin");
            }
            m_done = true;
        });
        m_last = std::chrono::steady_clock::now();
        m_timer.Start(kTickMs);
        return true;
    }

    int OnExit() override
    {
        if (m_worker.joinable())
            m_worker.join();
        m_shell.reset();
        return wxApp::OnExit();
    }

private:
    void Tick()
    {
        const auto now = std::chrono::steady_clock::now();
        m_late.push_back(std::max(0.0, std::chrono::duration<double, std::milli>(now - m_last).count() - kTickMs));
        m_last = now;
        if (!m_done)
            return;
        m_timer.Stop();
        m_worker.join();
        const double seconds = std::chrono::duration<double>(now - m_started).count();
        std::sort(m_late.begin(), m_late.end());
        const double p99 = m_late.empty() ? 0 : m_late[std::min(m_late.size() - 1, m_late.size() * 99 / 100)];
        std::printf("ui upload=%s seconds=%.2f ticks=%zu max_late_ms=%.1f\n", m_ok ? "ok" : "FAILED", seconds,
                    m_late.size(), m_late.empty() ? 0 : m_late.back());
        std::printf("ui latency_p99_ms=%.1f\n", p99);
        std::fflush(stdout);
        g_result = m_ok ? 0 : 1;
        if (CMainFrame* frame = m_shell->Frame())
            frame->Close();
        ExitMainLoop();
    }

    CTempFolder m_folder;
    CPrintingPrompter m_prompter;
    loopback::CFtpServer m_ftp;
    std::string m_file;
    std::unique_ptr<CAppShell> m_shell;
    wxTimer m_timer;
    std::thread m_worker;
    std::atomic<bool> m_done{false};
    bool m_ok = false;
    std::chrono::steady_clock::time_point m_started, m_last;
    std::vector<double> m_late;
};

wxIMPLEMENT_APP_NO_MAIN(CLatencyApp);

int main(int argc, char** argv)
{
    if (!std::getenv("DISPLAY")) {
        std::vector<const char*> again = {"xvfb-run", "-a", "-s", "-screen 0 1280x1024x24", argv[0], nullptr};
        ::execvp("xvfb-run", const_cast<char* const*>(again.data()));
        std::fprintf(stderr, "bench_ui_latency: no display and no xvfb-run\n");
        return 1;
    }
    wxApp::SetInstance(new CLatencyApp);
    const int rc = wxEntry(argc, argv);
    return rc != 0 ? rc : g_result;
}
