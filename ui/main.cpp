// Quillmark, the window program: a thin wxApp over the application shell.
#include <wx/app.h>
#include <wx/window.h>

#include <fcntl.h>
#include <unistd.h>

#include <clocale>
#include <csignal>
#include <memory>
#include <thread>

#include "ui/app_shell.h"

namespace {

// SIGTERM (a session logging out, the demo script) closes the window the
// way the user would, so nothing is cut short. The handler only writes a
// byte; a small thread hands the request to the event loop.
int g_terminatePipe[2] = {-1, -1};

void OnTerminateSignal(int)
{
    const char byte = 't';
    [[maybe_unused]] const ssize_t n = ::write(g_terminatePipe[1], &byte, 1);
}

}  // namespace

class CQuillmarkWxApp : public wxApp {
public:
    bool OnInit() override
    {
        std::vector<std::string> args;
        for (int i = 1; i < argc; ++i)
            args.emplace_back(argv[i].utf8_str());
        WatchForTerminate();
        m_shell = std::make_unique<CAppShell>();
        return m_shell->Start(args);
    }

    int OnExit() override
    {
        if (m_shell)
            m_shell->Exit();
        m_shell.reset();
        return wxApp::OnExit();
    }

    ~CQuillmarkWxApp() override
    {
        if (m_watcher.joinable()) {
            const char byte = 'q';
            [[maybe_unused]] const ssize_t n = ::write(g_terminatePipe[1], &byte, 1);
            m_watcher.join();
        }
    }

private:
    void WatchForTerminate()
    {
        if (::pipe2(g_terminatePipe, O_CLOEXEC) != 0)
            return;
        m_watcher = std::thread([] {
            char byte = 0;
            while (::read(g_terminatePipe[0], &byte, 1) == 1 && byte == 't') {
                wxTheApp->CallAfter([] {
                    if (wxWindow* top = wxTheApp->GetTopWindow())
                        top->Close();
                    else
                        wxTheApp->ExitMainLoop();
                });
            }
        });
        struct sigaction action {};
        action.sa_handler = OnTerminateSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(SIGTERM, &action, nullptr);
    }

    std::unique_ptr<CAppShell> m_shell;
    std::thread m_watcher;
};

wxIMPLEMENT_APP(CQuillmarkWxApp);
