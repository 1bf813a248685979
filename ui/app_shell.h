// The window application around the core: owns the application object,
// the profile, the prompter, the setup document and the main window, and
// runs start-up and shut-down in their order. The program's wxApp (main.cpp)
// is a thin shell over it; the window tests drive it the same way.
#pragma once

#include <wx/event.h>

#include <memory>
#include <string>
#include <vector>

#include "ui/wx_prompter.h"

class CMainFrame;
class CQuillmarkApp;
class CQuillmarkDoc;
class CRecentFiles;
class CWxProfile;
class wxIdleEvent;

class CAppShell {
public:
    CAppShell();
    ~CAppShell();
    CAppShell(const CAppShell&) = delete;
    CAppShell& operator=(const CAppShell&) = delete;

    // Start-up with the program's arguments (a setup data file may be
    // named). false: start-up ended; whatever was made is gone again and
    // shut-down has run.
    bool Start(const std::vector<std::string>& args);
    // Shut-down (once; Start's failures have already run it).
    void Exit();

    CQuillmarkApp& App() { return *m_app; }
    CMainFrame* Frame() const { return m_frame; }
    CWxPrompter& Prompter() { return m_prompter; }
    CQuillmarkDoc* Document() const { return m_doc.get(); }
    // Set when the main window has gone (closed by the user or by Exit).
    bool FrameClosed() const { return m_frame == nullptr; }

private:
    bool Fail();
    void InstallCommands();
    void UpdateTitle();
    void ReportReadyAndExit();
    void OpenSetupFile(const std::string& path);
    // The document's file name changed (opened, saved under a new name):
    // title and recent files follow.
    void FollowDocumentPath();
    void OnFrameIdle(wxIdleEvent& event);

    std::unique_ptr<CQuillmarkApp> m_app;
    std::unique_ptr<CWxProfile> m_profile;
    CWxPrompter m_prompter;
    std::unique_ptr<CQuillmarkDoc> m_doc;
    std::unique_ptr<CRecentFiles> m_recent;
    std::string m_shownPath;
    CMainFrame* m_frame = nullptr;
    bool m_exited = false;
    // Calls handed over to the UI thread from a worker. A call still queued
    // when the shell goes is dropped with this handler; last, so that it
    // goes first.
    wxEvtHandler m_uiCalls;
};
