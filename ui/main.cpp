// Quillmark, the window program: a thin wxApp over the application shell.
#include <wx/app.h>

#include <clocale>
#include <memory>

#include "ui/app_shell.h"

class CQuillmarkWxApp : public wxApp {
public:
    bool OnInit() override
    {
        std::vector<std::string> args;
        for (int i = 1; i < argc; ++i)
            args.emplace_back(argv[i].utf8_str());
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

private:
    std::unique_ptr<CAppShell> m_shell;
};

wxIMPLEMENT_APP(CQuillmarkWxApp);
