// The main window: menus, accelerators, the dialog bar (browser buttons,
// address line, "Post Games (F4)", status line, progress bar), the HTML
// view and the status bar. It is the core's status sink: status texts and
// progress from any thread end up here on the user-interface thread, and
// every answer tells the operation whether to go on.
#pragma once

#include <wx/frame.h>
#include <wx/panel.h>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "app/status_sink.h"
#include "ui/frame_close_state.h"

class CDisabledClickWatch;
class CQuillmarkApp;
class CQuillmarkView;
class wxButton;
class wxGauge;
class wxMenu;
class wxPanel;
class wxStaticText;
class wxTextCtrl;

// One command of the menus, the dialog bar and the accelerators.
struct FrameCommand {
    std::function<void()> run;
    std::function<bool()> enabled;  // null: always enabled
    std::function<bool()> checked;  // null: no check mark
};

// The dialog bar along the top of the main window.
class CQMDialogBar : public wxPanel {
public:
    explicit CQMDialogBar(wxWindow* parent);
    wxButton* back = nullptr;
    wxButton* forward = nullptr;
    wxButton* stop = nullptr;
    wxButton* refresh = nullptr;
    wxButton* postGames = nullptr;
    wxTextCtrl* address = nullptr;
    wxStaticText* statusLine = nullptr;
    wxGauge* progress = nullptr;
};

class CMainFrame : public wxFrame, public IStatusSink {
public:
    CMainFrame(CQuillmarkApp& app, const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize);
    ~CMainFrame() override;
    // Lets go of the application before the window is deleted (later, at
    // idle time, when the application may be gone).
    bool Destroy() override;

    // ---- IStatusSink (any thread) ---------------------------------------
    int StatusText(int pane, const std::string& text) override;
    int UploadProgress(bool show, int total, int done) override;
    std::string GetLastStatus() const override;
    bool PumpMessages() override;
    void WaitForInput(int ms) override;
    void RefreshControls() override;
    void NavigateView(const std::string& address, int flags) override;
    // Closing while an operation runs asks it to stop; the window closes
    // once it has ended. Every further request only waits for that, and
    // none does anything once the window is going.
    bool IsClosing() const override { return m_close.Closing(); }

    // ---- commands ----------------------------------------------------------
    // Installs the handler and enabling rule of a command id. A menu item or
    // button without a handler stays disabled.
    // Command numbers as the program knows them (CMD_POST_GAMES, ...).
    void SetCommand(unsigned command, FrameCommand handler);
    // Runs a command the way a menu choice does: nothing when it is absent
    // or disabled; false then. Exceptions are reported here.
    bool RunCommand(unsigned command);
    bool IsCommandEnabled(unsigned command) const;

    // "<document> - Quillmark".
    void SetDocumentTitle(const std::string& name);

    CQuillmarkView* GetView() const { return m_view; }
    // Setup > Setup File, whose end holds the recent files.
    wxMenu* GetSetupFileMenu() const { return m_setupFileMenu; }
    CQMDialogBar* GetDialogBar() const { return m_bar; }
    wxGauge* GetProgressCtrl() const;
    // The status pane texts as shown (0, 1: status bar; 2: status line;
    // 3: address line).
    std::string GetPaneText(int pane) const;

    // Asked before a close the user can still refuse (the setup not saved).
    std::function<bool()> canClose;
    // Called when the user's close goes ahead (saves the placement).
    std::function<void()> beforeDestroy;
    // Called whenever the window is destroyed, however that comes about.
    // None of the three is called after that.
    std::function<void()> onDestroy;

    // Clicks on the window while a modal dialog had disabled it (each rang
    // the bell and asked for attention for the dialog).
    int GetDisabledClicks() const { return m_disabledClicks; }

private:
    // UI thread only.
    void ShowPaneText(int pane, const std::string& text);
    int AnswerAfterPump(bool showCanceled);
    int ShowProgress(bool show, int total, int done);
    void BuildMenus();
    void BuildAccelerators();
    void OnCommand(wxCommandEvent& event);
    void OnUpdateCommand(wxUpdateUIEvent& event);
    void OnUpdatePostGames(wxUpdateUIEvent& event);
    void OnClose(wxCloseEvent& event);
    void OnActivate(wxActivateEvent& event);
    void RestoreKeyboardFocus();
    // F6 and Shift+F6: the keyboard to the next or the previous pane.
    void MovePaneFocus(bool forward);
    void OnDisabledClick();
    void OnIdle(wxIdleEvent& event);
    bool IsIdle() const;
    bool IsWindowIdEnabled(int id) const;
    bool RunWindowId(int id);

    CQuillmarkApp& m_app;
    CQMDialogBar* m_bar = nullptr;
    CQuillmarkView* m_view = nullptr;
    std::map<int, FrameCommand> m_commands;
    mutable std::mutex m_statusMutex;
    std::string m_lastStatus;
    CFrameCloseState m_close;
    // Commands on the stack (one runs inside another's message pump).
    int m_commandDepth = 0;
    wxMenu* m_setupFileMenu = nullptr;
    wxString m_indicators[3];
    std::unique_ptr<CDisabledClickWatch> m_disabledClickWatch;
    int m_disabledClicks = 0;
};
