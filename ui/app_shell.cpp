#include "ui/app_shell.h"

#include <wx/app.h>
#include <wx/thread.h>
#include <wx/utils.h>

#include <cstdio>
#include <thread>

#include "app/quillmark_app.h"
#include "app/setup_file.h"
#include "platform/path_helpers.h"
#include "standin/standin_layout.h"
#include "ui/about_dialog.h"
#include "ui/command_ids.h"
#include "ui/log_viewer.h"
#include "ui/recent_files.h"
#include "ui/size_box.h"
#include "ui/window_frame.h"
#include "ui/desktop_integration.h"
#include "ui/main_frame.h"
#include "ui/quillmark_view.h"
#include "ui/ui_thread.h"
#include "ui/wx_profile.h"

CAppShell::CAppShell() : m_app(std::make_unique<CQuillmarkApp>())
{
    SetAppPtr(m_app.get());
}

CAppShell::~CAppShell()
{
    Exit();
    if (m_frame)
        m_frame->Destroy();
    m_doc.reset();
    if (GetAppPtr() == m_app.get())
        SetAppPtr(nullptr);
}

bool CAppShell::Start(const std::vector<std::string>& args)
{
    CQuillmarkApp& app = *m_app;
    app.SetUiThread(std::this_thread::get_id());

    SetBrowserFeatureControls("quillmark");
    m_profile = std::make_unique<CWxProfile>();
    app.SetProfile(m_profile.get());
    app.SetPrompter(&m_prompter);

    if (!app.AcquireSingleInstanceLock())
        return Fail();
    app.CreateLog();
    app.LoadProfileSettings();
    RegisterStandInLayout();
    app.LoadAppData();

    // Where the user left the window, kept on a screen; else centred.
    const wxSize minSize(480, 320);
    wxRect placement;
    const bool placed = CSizeBox::LoadWindowRect("MainWindow", placement, minSize);
    m_frame = placed ? new CMainFrame(app, placement.GetPosition(), placement.GetSize())
                     : new CMainFrame(app, wxDefaultPosition, wxSize(1000, 720));
    if (!placed)
        m_frame->Centre();
    else
        HoldWindowSize(m_frame, placement.GetSize());
    m_frame->canClose = [this] { return !m_doc || m_doc->SaveModified(); };
    CMainFrame* frame = m_frame;
    m_frame->beforeDestroy = [frame] {
        // A minimized window keeps the placement saved before.
        if (!frame->IsIconized())
            CSizeBox::SaveWindowRect(frame, "MainWindow");
    };
    m_frame->onDestroy = [this, frame] {
        frame->Unbind(wxEVT_IDLE, &CAppShell::OnFrameIdle, this);
        m_app->SetMainFrame(nullptr);
        m_prompter.SetParent(nullptr);
        m_frame = nullptr;
    };
    RegisterDocumentType(GetProgramPath());

    // The command line: a setup data file named there is opened, otherwise
    // a new setup with the defaults. A file that cannot be opened ends
    // start-up (it has been reported).
    m_doc = std::make_unique<CQuillmarkDoc>(app);
    // A save under a new name (Save As inside Setup, History, a posting)
    // shows in the title at once, not at the window's next idle turn.
    m_doc->onPathChanged = [this] {
        if (!m_recent)
            return;  // start-up: the window follows once its commands are in
        // A worker thread cannot read m_frame: the window may be going
        // meanwhile. The call waits on the shell's own handler, which may
        // be used from any thread and takes the call away with it when the
        // shell is destroyed first.
        if (wxThread::IsMain())
            FollowDocumentPath();
        else
            m_uiCalls.CallAfter([this] { FollowDocumentPath(); });
    };
    std::string file;
    for (const auto& a : args) {
        if (!a.empty() && a[0] != '-') {
            file = a;
            break;
        }
    }
    if (!file.empty()) {
        if (!app.OpenDocumentFile(file, true))
            return Fail();
    } else if (!m_doc->OnNewDocument()) {
        return Fail();
    }
    app.SetMainFrame(m_frame);
    m_prompter.SetParent(m_frame);
    InstallCommands();
    FollowDocumentPath();
    UpdateTitle();
    m_frame->Show();
    m_frame->Raise();

    if (!app.CheckVantorel())
        return Fail();
    app.TestDataProtection();
    app.OfferLegacyImport();
    UpdateTitle();

    // "--ready-and-exit": print "ready" once the window is shown and its
    // HTML view has loaded, then close (start-up time measurements).
    for (const auto& a : args) {
        if (a == "--ready-and-exit")
            ReportReadyAndExit();
    }
    return true;
}

bool CAppShell::Fail()
{
    if (m_frame) {
        m_frame->beforeDestroy = nullptr;
        m_frame->Destroy();
    }
    Exit();
    return false;
}

void CAppShell::Exit()
{
    if (m_exited)
        return;
    m_exited = true;
    ui::SetShuttingDown();
    m_app->ExitInstance();
}

void CAppShell::ReportReadyAndExit()
{
    CMainFrame* frame = m_frame;
    auto ready = [frame] {
        std::printf("ready\n");
        std::fflush(stdout);
        frame->CallAfter([frame] { frame->Close(); });
    };
    if (frame->GetView()->CanRefresh())
        frame->CallAfter(ready);
    else
        frame->GetView()->onLoaded = [ready](const std::string&) { ready(); };
}

void CAppShell::OpenSetupFile(const std::string& path)
{
    if (!m_doc->SaveModified())
        return;
    if (!m_app->OpenDocumentFile(path) && !FileExists(path))
        m_recent->Remove(path);  // gone: no longer offered
    FollowDocumentPath();
}

void CAppShell::OnFrameIdle(wxIdleEvent& event)
{
    event.Skip();
    FollowDocumentPath();
}

void CAppShell::FollowDocumentPath()
{
    if (!m_doc || m_doc->GetPathName() == m_shownPath)
        return;
    m_shownPath = m_doc->GetPathName();
    UpdateTitle();
    if (m_recent && !m_shownPath.empty())
        m_recent->Add(m_shownPath);
}

void CAppShell::UpdateTitle()
{
    if (m_frame && m_doc)
        m_frame->SetDocumentTitle(m_doc->GetTitle());
}

void CAppShell::InstallCommands()
{
    CQuillmarkApp& app = *m_app;
    CMainFrame& frame = *m_frame;
    CQuillmarkView& view = *frame.GetView();

    // The application's commands: its table says what runs and when.
    for (const CommandEntry& entry : CommandTable()) {
        const unsigned id = entry.id;
        if (entry.IsWindowCommand())
            continue;
        frame.SetCommand(id, {[&app, id] { ::RunCommand(app, id, wxGetKeyState(WXK_SHIFT)); },
                              [&app, id] { return ::IsCommandEnabled(app, id); },
                              {}});
    }
    frame.SetCommand(ID_HELP_TOPICS, {[&app] { ::RunCommand(app, CMD_HELP, false); },
                                      [&app] { return ::IsCommandEnabled(app, CMD_HELP); }, {}});

    // The window's own.
    frame.SetCommand(ID_NAV_BACK, {[&view] { view.GoBack(); }, [&view] { return view.CanBack(); }, {}});
    frame.SetCommand(ID_NAV_FORWARD, {[&view] { view.GoForward(); }, [&view] { return view.CanForward(); }, {}});
    frame.SetCommand(ID_NAV_STOP, {[&view] { view.Stop(); }, [&view] { return view.CanStop(); }, {}});
    frame.SetCommand(ID_NAV_REFRESH, {[&view] { view.Refresh(); }, [&view] { return view.CanRefresh(); }, {}});
    frame.SetCommand(ID_VIEW_SOURCE, {[&view] { view.ViewSource(); }, [&view] { return view.CanViewSource(); }, {}});
    frame.SetCommand(ID_VIEW_LOGFILE, {[this] { ViewLogfile(m_frame); }, {}, {}});
    frame.SetCommand(ID_VIEW_PROGRESS_BAR, {[] { ToggleUploadProgressBar(); }, {}, [] { return IsUploadProgressBarChecked(); }});
    frame.SetCommand(ID_APP_ABOUT, {[this] {
                                        CAboutDlg about(m_frame);
                                        about.ShowModal();
                                    },
                                    {}, {}});

    // The recent setup files; greyed while an operation runs.
    m_recent = std::make_unique<CRecentFiles>(m_app->Profile(), frame.GetSetupFileMenu(), WindowIdOf(CMD_FILE_MRU_FIRST));
    for (int i = 0; i < CRecentFiles::kMax; ++i) {
        const int id = WindowIdOf(CMD_FILE_MRU_FIRST) + i;
        frame.SetCommand(CMD_FILE_MRU_FIRST + i, {[this, id] { OpenSetupFile(m_recent->PathOf(id)); },
                                                 [this, &app, id] {
                                                     return !m_recent->PathOf(id).empty() &&
                                                            ::IsCommandEnabled(app, CMD_FILE_MRU_FIRST);
                                                 },
                                                 {}});
    }
    // Saves made inside operations (a posting asks for a file name when the
    // setup has none) are noticed when the window is next idle.
    frame.Bind(wxEVT_IDLE, &CAppShell::OnFrameIdle, this);

    auto idle = [&app] { return ::IsCommandEnabled(app, CMD_FILE_NEW); };
    frame.SetCommand(CMD_FILE_NEW, {[this] {
                                       if (m_doc->SaveModified() && m_doc->OnNewDocument()) {
                                           m_doc->SetPathName({});
                                           FollowDocumentPath();
                                       }
                                   },
                                   idle, {}});
    frame.SetCommand(CMD_FILE_OPEN, {[this] {
                                        if (!m_doc->SaveModified())
                                            return;
                                        FileDialogRequest request;
                                        request.title = "Open";
                                        request.filter = "Quillmark Setup Data (*.qsu)|*.qsu||";
                                        request.defaultExtension = "qsu";
                                        request.initialFolder = m_app->Profile().GetString("Directory", "Setup");
                                        std::string path;
                                        int filter = 1;
                                        if (m_prompter.OpenFileDialog(request, path, filter))
                                            OpenSetupFile(path);
                                    },
                                    idle, {}});
    frame.SetCommand(CMD_FILE_SAVE_AS, {[this] {
                                           m_doc->DoSave({});
                                           FollowDocumentPath();
                                       },
                                       idle, {}});
    frame.SetCommand(ID_FILE_SAVE, {[this] {
                                        m_doc->DoFileSave();
                                        FollowDocumentPath();
                                    },
                                    idle, {}});
}
