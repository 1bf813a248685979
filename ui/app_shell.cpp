#include "ui/app_shell.h"

#include <wx/app.h>

#include <thread>

#include "app/quillmark_app.h"
#include "app/setup_file.h"
#include "platform/path_helpers.h"
#include "platform/standin/standin_layout.h"
#include "ui/command_ids.h"
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

    m_frame = new CMainFrame(app, wxDefaultPosition, wxSize(1000, 720));
    m_frame->canClose = [this] { return !m_doc || m_doc->SaveModified(); };
    m_frame->beforeDestroy = [this] {
        m_app->SetMainFrame(nullptr);
        m_prompter.SetParent(nullptr);
        m_frame = nullptr;
    };
    RegisterDocumentType(GetProgramPath());

    // The command line: a setup data file named there is opened, otherwise
    // a new setup with the defaults. A file that cannot be opened ends
    // start-up (it has been reported).
    m_doc = std::make_unique<CQuillmarkDoc>(app);
    std::string file;
    for (const auto& a : args) {
        if (!a.empty() && a[0] != '-') {
            file = a;
            break;
        }
    }
    if (!file.empty()) {
        if (!app.OpenDocumentFile(file))
            return Fail();
    } else if (!m_doc->OnNewDocument()) {
        return Fail();
    }
    app.SetMainFrame(m_frame);
    m_prompter.SetParent(m_frame);
    InstallCommands();
    UpdateTitle();
    m_frame->Centre();
    m_frame->Show();
    m_frame->Raise();

    if (!app.CheckVantorel())
        return Fail();
    app.TestDataProtection();
    app.OfferLegacyImport();
    UpdateTitle();
    return true;
}

bool CAppShell::Fail()
{
    if (m_frame) {
        CMainFrame* frame = m_frame;
        m_app->SetMainFrame(nullptr);
        m_prompter.SetParent(nullptr);
        m_frame = nullptr;
        frame->beforeDestroy = nullptr;
        frame->Destroy();
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
    auto idle = [&app] { return app.GetCancelState(false) == CS_IDLE; };
    auto indexAllowed = [&app, idle] { return !app.IsBridgeWebs() && idle(); };

    frame.SetCommand(ID_FILE_CANCEL, {[&app] { app.OnFileCancel(); }, [&app] { return app.OnUpdateFileCancel(); }, {}});

    frame.SetCommand(ID_NAV_BACK, {[&view] { view.GoBack(); }, [&view] { return view.CanBack(); }, {}});
    frame.SetCommand(ID_NAV_FORWARD, {[&view] { view.GoForward(); }, [&view] { return view.CanForward(); }, {}});
    frame.SetCommand(ID_NAV_STOP, {[&view] { view.Stop(); }, [&view] { return view.CanStop(); }, {}});
    frame.SetCommand(ID_NAV_REFRESH, {[&view] { view.Refresh(); }, [&view] { return view.CanRefresh(); }, {}});

    frame.SetCommand(ID_INDEX_CREATE, {[&app] { app.OnIndexCreateIndex(); }, indexAllowed, {}});
    frame.SetCommand(ID_INDEX_WEBSITE, {[&app] { app.OnIndexWebsite(); }, indexAllowed, {}});
    frame.SetCommand(ID_INDEX_EDIT, {[&app] { app.OnIndexEditIndex(); }, indexAllowed, {}});
    frame.SetCommand(ID_INDEX_BROWSE, {[&app] { app.OnIndexBrowseWebsite(); }, indexAllowed, {}});
    frame.SetCommand(ID_INDEX_PUBLISH,
                     {[&app] { app.OnIndexPublishIndex(); }, [&app, indexAllowed] { return indexAllowed() && app.IsIndexReady(); }, {}});

    frame.SetCommand(ID_SETUP_SETUP, {[&app] { app.OnSetupSetup(); }, idle, {}});
    frame.SetCommand(ID_VIEW_HAND_RECORD_FOLDERS, {[&app] { app.OnViewHandRecordFolders(); }, {}, {}});
    frame.SetCommand(ID_SETUP_FILE_NEW, {[this] {
                                             if (m_doc->SaveModified() && m_doc->OnNewDocument()) {
                                                 m_doc->SetPathName({});
                                                 UpdateTitle();
                                             }
                                         },
                                         idle, {}});
    frame.SetCommand(ID_SETUP_FILE_OPEN, {[this] {
                                              if (!m_doc->SaveModified())
                                                  return;
                                              FileDialogRequest request;
                                              request.title = "Open";
                                              request.filter = "Quillmark Setup Data (*.qsu)|*.qsu||";
                                              request.defaultExtension = "qsu";
                                              request.initialFolder = m_app->Profile().GetString("Directory", "Setup");
                                              std::string path;
                                              int filter = 1;
                                              if (m_prompter.OpenFileDialog(request, path, filter) &&
                                                  m_app->OpenDocumentFile(path))
                                                  UpdateTitle();
                                          },
                                          idle, {}});
    frame.SetCommand(ID_SETUP_FILE_SAVE_AS, {[this] {
                                                 if (m_doc->DoSave({}))
                                                     UpdateTitle();
                                             },
                                             idle, {}});
}
