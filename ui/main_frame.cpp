#include "ui/main_frame.h"

#include <wx/accel.h>
#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/image.h>
#include <wx/menu.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>
#include <wx/utils.h>
#include <wx/webview.h>
#include <wx/weakref.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "app/command_ui.h"
#include "app/error_report.h"
#include "app/quillmark_app.h"
#include "platform/exceptions.h"
#include "ui/command_ids.h"
#include "ui/disabled_click.h"
#include "ui/quillmark_view.h"
#include "ui/ui_thread.h"

namespace {

// A browser button: its caption from the command's row.
wxButton* NavButton(wxWindow* parent, unsigned command, const wxArtID& art)
{
    auto* button = new wxButton(parent, WindowIdOf(command), wxString::FromUTF8(FindCommand(command)->caption));
    const wxBitmap bitmap = wxArtProvider::GetBitmap(art, wxART_BUTTON, wxSize(16, 16));
    if (bitmap.IsOk()) {
        button->SetBitmap(bitmap);
        // Greyed with the button: a coloured image (Stop's red) would
        // otherwise look pressable while the button is disabled.
        button->SetBitmapDisabled(wxBitmap(bitmap.ConvertToImage().ConvertToGreyscale().ConvertToDisabled()));
    }
    return button;
}

}  // namespace

// ---- dialog bar -------------------------------------------------------------

CQMDialogBar::CQMDialogBar(wxWindow* parent) : wxPanel(parent, 130)
{
    back = NavButton(this, ID_NAV_BACK, wxART_GO_BACK);
    forward = NavButton(this, ID_NAV_FORWARD, wxART_GO_FORWARD);
    stop = NavButton(this, ID_NAV_STOP, wxART_STOP);
    refresh = NavButton(this, ID_NAV_REFRESH, wxART_REFRESH);
    address = new wxTextCtrl(this, IDC_ADDRESS, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                             wxTE_READONLY);
    postGames = new wxButton(this, WindowIdOf(CMD_POST_GAMES), wxString::FromUTF8(CommandCaption(*FindCommand(CMD_POST_GAMES))));
    postGames->SetDefault();
    statusLine = new wxStaticText(this, IDC_STATUS_LINE, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                                  wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_END);
    wxFont bold = statusLine->GetFont();
    bold.SetWeight(wxFONTWEIGHT_BOLD);
    statusLine->SetFont(bold);
    progress = new wxGauge(this, IDC_PROGRESS, 100, wxDefaultPosition, wxSize(-1, FromDIP(16)));
    progress->Hide();

    auto* row1 = new wxBoxSizer(wxHORIZONTAL);
    for (wxButton* b : {back, forward, stop, refresh})
        row1->Add(b, 0, wxRIGHT | wxALIGN_CENTER_VERTICAL, FromDIP(6));
    row1->Add(address, 1, wxALIGN_CENTER_VERTICAL);

    // Post Games stays at its width; the status line takes the rest. The
    // progress bar keeps its room while hidden so nothing jumps.
    auto* row2 = new wxBoxSizer(wxHORIZONTAL);
    row2->Add(postGames, 0, wxRIGHT | wxALIGN_CENTER_VERTICAL, FromDIP(12));
    row2->Add(statusLine, 1, wxALIGN_CENTER_VERTICAL);

    auto* all = new wxBoxSizer(wxVERTICAL);
    all->Add(row1, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, FromDIP(6));
    all->Add(row2, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, FromDIP(6));
    all->Add(progress, 0, wxEXPAND | wxALL | wxRESERVE_SPACE_EVEN_IF_HIDDEN, FromDIP(6));
    SetSizer(all);
}

// ---- frame ------------------------------------------------------------------

CMainFrame::CMainFrame(CQuillmarkApp& app, const wxPoint& pos, const wxSize& size)
    : wxFrame(nullptr, wxID_ANY, "Untitled - Quillmark", pos, size), m_app(app)
{
    SetMinSize(wxSize(480, 320));
    BuildMenus();

    m_bar = new CQMDialogBar(this);
    m_view = new CQuillmarkView(this, m_app);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(m_bar, 0, wxEXPAND);
    sizer->Add(m_view, 1, wxEXPAND);
    SetSizer(sizer);

    // Pane 0: menu prompts and status pane 0; pane 1: the 150-pixel pane of
    // the internet session's texts; then the key indicators.
    wxStatusBar* bar = CreateStatusBar(5);
    const int widths[5] = {-1, FromDIP(150), FromDIP(40), FromDIP(40), FromDIP(40)};
    bar->SetStatusWidths(5, widths);
    SetStatusBarPane(0);

    BuildAccelerators();

    Bind(wxEVT_MENU, &CMainFrame::OnCommand, this);
    Bind(wxEVT_BUTTON, &CMainFrame::OnCommand, this);
    Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateCommand, this);
    m_bar->postGames->Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdatePostGames, this);
    Bind(wxEVT_CLOSE_WINDOW, &CMainFrame::OnClose, this);
    Bind(wxEVT_IDLE, &CMainFrame::OnIdle, this);
    Bind(wxEVT_ACTIVATE, &CMainFrame::OnActivate, this);
    m_disabledClickWatch = std::make_unique<CDisabledClickWatch>(this, [this] { OnDisabledClick(); });

    // The frame's own commands.
    SetCommand(ID_APP_EXIT, {[this] { Close(); }, {}, {}});
    SetCommand(ID_VIEW_STATUS_BAR, {[this] {
                                        GetStatusBar()->Show(!GetStatusBar()->IsShown());
                                        SendSizeEvent();
                                    },
                                    {},
                                    [this] { return GetStatusBar()->IsShown(); }});
    SetCommand(ID_NEXT_PANE, {[this] { MovePaneFocus(true); }, {}, {}});
    SetCommand(ID_PREV_PANE, {[this] { MovePaneFocus(false); }, {}, {}});
    Layout();
}

CMainFrame::~CMainFrame()
{
    m_disabledClickWatch.reset();
    if (!m_close.IsGone() && m_app.MainFrame() == this)
        m_app.SetMainFrame(nullptr);
}

bool CMainFrame::Destroy()
{
    if (!m_close.IsGone()) {
        m_close.Set(CFrameCloseState::Gone);
        m_view->Detach();
        m_commands.clear();
        if (m_app.MainFrame() == this)
            m_app.SetMainFrame(nullptr);
        // The owner's callbacks run for the last time here: nothing of the
        // window calls them once it is on its way out.
        canClose = nullptr;
        beforeDestroy = nullptr;
        if (const auto destroyed = std::move(onDestroy)) {
            onDestroy = nullptr;
            destroyed();
        }
        // Viewers owned by the window (page source, log) go now, while the
        // application they save their placement in is still there.
        const wxWindowList children = GetChildren();
        for (wxWindow* child : children) {
            if (child->IsTopLevel())
                delete child;
        }
    }
    return wxFrame::Destroy();
}

namespace {

// A menu item of a command: its text, shortcut and prompt come from the
// command table.
void AppendCommand(wxMenu* menu, unsigned id)
{
    const CommandEntry* entry = FindCommand(id);
    wxString label = wxString::FromUTF8(entry->menuText);
    if (*entry->shortcut)
        label += "\t" + wxString::FromUTF8(entry->shortcut);
    menu->Append(WindowIdOf(id), label, wxString::FromUTF8(entry->prompt),
                 entry->checkItem ? wxITEM_CHECK : wxITEM_NORMAL);
}

// The Edit items belong to the focused text control and keep wx's own ids;
// beside the key each shows, the first three have a second one.
struct CEditItem {
    int id;
    const char* text;
    const char* shortcut;
    const char* hiddenKey;
    const char* prompt;
};
const CEditItem kEditItems[] = {
    {wxID_UNDO, "&Undo", "Ctrl+Z", "", "Undo the last action"},
    {wxID_CUT, "Cu&t", "Ctrl+X", "Shift+Delete", "Cut the selection and put it on the Clipboard"},
    {wxID_COPY, "&Copy", "Ctrl+C", "Ctrl+Insert", "Copy the selection and put it on the Clipboard"},
    {wxID_PASTE, "&Paste", "Ctrl+V", "Shift+Insert", "Insert Clipboard contents"},
};

wxAcceleratorEntry KeyEntry(const std::string& key, int id)
{
    wxAcceleratorEntry entry;
    if (!entry.FromString(wxString::FromUTF8(key)))
        throw std::logic_error("unknown key " + key);
    entry.Set(entry.GetFlags(), entry.GetKeyCode(), id);
    return entry;
}

// Window ids of commands (menu items, accelerators, buttons), as opposed to
// the other controls of the window.
bool IsCommandWindowId(int id)
{
    return (id >= WindowIdOf(32768) && id < WindowIdOf(33000)) || (id >= WindowIdOf(57600) && id < WindowIdOf(57700)) ||
           id == WindowIdOf(ID_VIEW_STATUS_BAR);
}

}  // namespace

void CMainFrame::BuildMenus()
{
    auto* file = new wxMenu;
    AppendCommand(file, CMD_FILE_CANCEL);
    AppendCommand(file, CMD_FILE_REPOST);
    AppendCommand(file, CMD_FILE_POST);
    file->AppendSeparator();
    AppendCommand(file, ID_APP_EXIT);

    auto* edit = new wxMenu;
    for (const CEditItem& item : kEditItems) {
        edit->Append(item.id, wxString(item.text) + "\t" + item.shortcut, item.prompt);
        if (item.id == wxID_UNDO)
            edit->AppendSeparator();
    }

    auto* view = new wxMenu;
    AppendCommand(view, ID_VIEW_STATUS_BAR);
    AppendCommand(view, ID_VIEW_PROGRESS_BAR);
    view->AppendSeparator();
    AppendCommand(view, ID_NAV_BACK);
    AppendCommand(view, ID_NAV_FORWARD);
    AppendCommand(view, ID_NAV_STOP);
    AppendCommand(view, ID_NAV_REFRESH);
    view->AppendSeparator();
    AppendCommand(view, CMD_VIEW_HAND_RECORD_FOLDERS);
    AppendCommand(view, CMD_VIEW_HISTORY);
    AppendCommand(view, ID_VIEW_LOGFILE);
    AppendCommand(view, ID_VIEW_SOURCE);

    auto* index = new wxMenu;
    AppendCommand(index, CMD_INDEX_WEBSITE);
    AppendCommand(index, CMD_INDEX_CREATE_INDEX);
    AppendCommand(index, CMD_INDEX_PUBLISH_INDEX);
    index->AppendSeparator();
    AppendCommand(index, CMD_INDEX_EDIT_INDEX);
    AppendCommand(index, CMD_INDEX_BROWSE_WEBSITE);

    auto* setupFile = new wxMenu;
    AppendCommand(setupFile, CMD_FILE_OPEN);
    AppendCommand(setupFile, CMD_FILE_SAVE_AS);
    AppendCommand(setupFile, CMD_FILE_NEW);
    setupFile->AppendSeparator();
    AppendCommand(setupFile, CMD_SETUP_ERASE_UPLOAD_HISTORY);
    setupFile->AppendSeparator();
    m_setupFileMenu = setupFile;  // the recent files go at its end
    auto* setup = new wxMenu;
    AppendCommand(setup, CMD_SETUP_SETUP);
    setup->AppendSubMenu(setupFile, "Setu&p File", "Open, save or start a setup data file; erase the Upload History");

    auto* help = new wxMenu;
    AppendCommand(help, ID_HELP_TOPICS);
    AppendCommand(help, CMD_HELP_UPLOAD_TEST_FILE);
    AppendCommand(help, ID_APP_ABOUT);

    auto* bar = new wxMenuBar;
    bar->Append(file, "&File");
    bar->Append(edit, "&Edit");
    bar->Append(view, "&View");
    bar->Append(index, "&Index");
    bar->Append(setup, "&Setup");
    bar->Append(help, "&Help");
    SetMenuBar(bar);
}

void CMainFrame::BuildAccelerators()
{
    // Every key of every command, shown in a menu or not, and the Edit
    // items' second keys (the keys they show work through the menu).
    std::vector<wxAcceleratorEntry> entries;
    for (const CommandEntry& command : CommandTable()) {
        for (const std::string& key : CommandKeys(command))
            entries.push_back(KeyEntry(key, WindowIdOf(command.id)));
    }
    for (const CEditItem& item : kEditItems) {
        if (*item.hiddenKey)
            entries.push_back(KeyEntry(item.hiddenKey, item.id));
    }
    SetAcceleratorTable(wxAcceleratorTable(static_cast<int>(entries.size()), entries.data()));
}

// ---- commands ----------------------------------------------------------------

void CMainFrame::SetCommand(unsigned command, FrameCommand handler)
{
    m_commands[WindowIdOf(command)] = std::move(handler);
}

bool CMainFrame::IsCommandEnabled(unsigned command) const
{
    return IsWindowIdEnabled(WindowIdOf(command));
}

bool CMainFrame::RunCommand(unsigned command)
{
    return RunWindowId(WindowIdOf(command));
}

bool CMainFrame::IsWindowIdEnabled(int id) const
{
    const auto it = m_commands.find(id);
    if (it == m_commands.end() || !it->second.run)
        return false;
    return !it->second.enabled || it->second.enabled();
}

bool CMainFrame::RunWindowId(int id)
{
    if (!IsWindowIdEnabled(id))
        return false;
    const auto run = m_commands[id].run;
    // The window stays while a command runs: a close asked for meanwhile
    // waits for its end (a command pumps messages while it works).
    ++m_commandDepth;
    try {
        run();
    } catch (const CUserException&) {
        // Already reported by the operation.
    } catch (const CException& e) {
        ReportException(e, "CMainFrame::OnCommand");
    } catch (const std::exception& e) {
        m_app.ShowErrorMessage(e.what());
    } catch (...) {
        --m_commandDepth;
        throw;
    }
    --m_commandDepth;
    RefreshControls();
    return true;
}

void CMainFrame::OnCommand(wxCommandEvent& event)
{
    const int id = event.GetId();
    if (m_commands.count(id) == 0) {
        event.Skip();  // the Edit items belong to the focused text control
        return;
    }
    RunWindowId(id);
}

void CMainFrame::OnUpdateCommand(wxUpdateUIEvent& event)
{
    const int id = event.GetId();
    const auto it = m_commands.find(id);
    if (it == m_commands.end()) {
        // Edit items: the focused control decides; everything else without
        // a handler is disabled.
        if (id == wxID_UNDO || id == wxID_CUT || id == wxID_COPY || id == wxID_PASTE)
            event.Skip();
        else if (IsCommandWindowId(id))
            event.Enable(false);
        return;
    }
    event.Enable(IsWindowIdEnabled(id));
    if (it->second.checked)
        event.Check(it->second.checked());
}

namespace {

// The core's update handlers set the state of a menu item or control
// through this.
class CWxCmdUI : public ICmdUI {
public:
    CWxCmdUI(wxUpdateUIEvent& event, wxWindow* control) : m_event(event), m_control(control) {}
    void Enable(bool on) override { m_event.Enable(on); }
    void SetText(const std::string& text) override { m_event.SetText(wxString::FromUTF8(text)); }
    std::string GetText() const override
    {
        return m_control ? std::string(m_control->GetLabel().utf8_str()) : std::string();
    }

private:
    wxUpdateUIEvent& m_event;
    wxWindow* m_control;
};

}  // namespace

void CMainFrame::OnUpdatePostGames(wxUpdateUIEvent& event)
{
    if (m_close.IsGone())
        return;
    // The caption follows the Shift key; the button works only with a
    // handler behind it.
    CWxCmdUI ui(event, m_bar->postGames);
    UpdateCommand(m_app, CMD_POST_GAMES, ui, wxGetKeyState(WXK_SHIFT));
    if (!IsCommandEnabled(CMD_POST_GAMES))
        event.Enable(false);
}

bool CMainFrame::IsIdle() const
{
    if (m_close.IsGone())
        return true;
    return m_commandDepth == 0 && m_app.GetCancelState(false) == CS_IDLE;
}

// ---- status sink -------------------------------------------------------------

void CMainFrame::ShowPaneText(int pane, const std::string& text)
{
    const wxString s = wxString::FromUTF8(text);
    switch (pane) {
    case 0:
    case 1:
        if (GetStatusBar())
            GetStatusBar()->SetStatusText(s, pane);
        break;
    case 2: {
        {
            std::lock_guard<std::mutex> lock(m_statusMutex);
            m_lastStatus = text;
        }
        m_bar->statusLine->SetLabelText(s);
        m_bar->statusLine->Update();
        break;
    }
    case 3:
        m_bar->address->ChangeValue(s);
        break;
    default:
        break;  // not shown
    }
}

int CMainFrame::AnswerAfterPump(bool showCanceled)
{
    PumpMessages();
    if (m_app.GetCancelState(false) == CS_CANCELLED) {
        if (showCanceled)
            ShowPaneText(2, "Canceled");
        return 0;
    }
    return 1;
}

int CMainFrame::StatusText(int pane, const std::string& text)
{
    wxWeakRef<CMainFrame> self(this);
    return ui::RunOnUiThread<int>(
        [self, pane, text] {
            if (!self || self->m_close.IsGone())
                return 0;
            self->ShowPaneText(pane, text);
            return self->AnswerAfterPump(true);
        },
        0);
}

int CMainFrame::ShowProgress(bool show, int total, int done)
{
    wxGauge* gauge = m_bar->progress;
    if (!show) {
        gauge->Hide();
        return AnswerAfterPump(false);
    }
    // A pair that makes no sense shows activity rather than a position:
    // no total, and a done count outside 0..total is held at its ends.
    if (total <= 0) {
        gauge->Pulse();
    } else {
        if (gauge->GetRange() != total)
            gauge->SetRange(total);
        gauge->SetValue(std::clamp(done, 0, total));
    }
    if (!gauge->IsShown())
        gauge->Show();
    gauge->Update();
    return AnswerAfterPump(false);
}

int CMainFrame::UploadProgress(bool show, int total, int done)
{
    wxWeakRef<CMainFrame> self(this);
    return ui::RunOnUiThread<int>(
        [self, show, total, done] {
            return self && !self->m_close.IsGone() ? self->ShowProgress(show, total, done) : 0;
        },
        0);
}

std::string CMainFrame::GetLastStatus() const
{
    std::lock_guard<std::mutex> lock(m_statusMutex);
    return m_lastStatus;
}

bool CMainFrame::PumpMessages()
{
    if (!wxThread::IsMain() || !wxTheApp)
        return true;
    // Inside another pump (a status text answered while an outer one
    // dispatches) wx does not yield again; the work handed over by workers
    // is still answered, so no worker waits for ever.
    if (!wxTheApp->Yield(true))
        wxTheApp->ProcessPendingEvents();
    return true;
}

void CMainFrame::WaitForInput(int ms)
{
    if (!wxThread::IsMain()) {
        IStatusSink::WaitForInput(ms);
        return;
    }
    // Window input is picked up by the next pump; work handed over by a
    // worker wakes the wait at once.
    ui::WaitForPostedWork(std::min(ms, 10));
}

void CMainFrame::RefreshControls()
{
    if (!wxThread::IsMain()) {
        CallAfter([this] { RefreshControls(); });
        return;
    }
    if (m_close.IsGone())
        return;
    UpdateWindowUI(wxUPDATE_UI_RECURSE);
    // The close the user asked for during the operation, once: the end of
    // an operation refreshes more than once (its busy level, then the
    // command that ran it).
    if (m_close.Get() == CFrameCloseState::CloseAfterRun && IsIdle()) {
        m_close.Set(CFrameCloseState::CloseQueued);
        CallAfter([this] {
            if (m_close.Get() != CFrameCloseState::CloseQueued)
                return;
            m_close.Set(CFrameCloseState::CloseAfterRun);
            if (IsIdle())
                Close();
        });
    }
}

void CMainFrame::NavigateView(const std::string& address, int flags)
{
    if (!wxThread::IsMain()) {
        CallAfter([this, address, flags] { NavigateView(address, flags); });
        return;
    }
    if (m_close.IsGone())
        return;
    m_view->NavigateTo(address, flags);
}

wxGauge* CMainFrame::GetProgressCtrl() const
{
    return m_bar ? m_bar->progress : nullptr;
}

std::string CMainFrame::GetPaneText(int pane) const
{
    switch (pane) {
    case 0:
    case 1:
        return GetStatusBar() ? std::string(GetStatusBar()->GetStatusText(pane).utf8_str()) : std::string();
    case 2:
        return std::string(m_bar->statusLine->GetLabelText().utf8_str());
    case 3:
        return std::string(m_bar->address->GetValue().utf8_str());
    default:
        return {};
    }
}

void CMainFrame::SetDocumentTitle(const std::string& name)
{
    SetTitle(wxString::FromUTF8(name) + " - Quillmark");
}

// ---- closing and idle -----------------------------------------------------------

void CMainFrame::OnClose(wxCloseEvent& event)
{
    // The window is on its way out already: a later request (the window
    // manager's, one queued at the end of an operation) has nothing to do.
    if (m_close.IsGone())
        return;
    if (!IsIdle() && event.CanVeto()) {
        // An operation runs inside a command: ask it to stop and close when
        // it has ended, so nothing it is writing is cut short.
        event.Veto();
        if (!m_close.Closing()) {
            m_close.Set(CFrameCloseState::CloseAfterRun);
            if (m_app.GetCancelState(false) == CS_RUNNING)
                m_app.OnFileCancel();
        }
        return;
    }
    if (event.CanVeto() && canClose && !canClose()) {
        event.Veto();
        m_close.Set(CFrameCloseState::Open);
        return;
    }
    if (beforeDestroy)
        beforeDestroy();
    m_close.Set(CFrameCloseState::Open);
    m_view->Detach();
    m_view->NavigateTo("about:blank", 0);
    Destroy();
}

void CMainFrame::OnActivate(wxActivateEvent& event)
{
    event.Skip();
    if (event.GetActive() && !m_close.IsGone()) {
        wxWeakRef<CMainFrame> self(this);
        CallAfter([self] {
            if (self)
                self->RestoreKeyboardFocus();
        });
    }
}

void CMainFrame::RestoreKeyboardFocus()
{
    // The toolkit leaves no control with the keyboard when the window first
    // comes up (the control it chose is then disabled), when the focused
    // control is disabled and when a dialog that disabled the window has
    // gone; then no key reaches the window's accelerators. The HTML view
    // takes the keyboard, as the window's main part.
    if (m_close.IsGone() || !m_view || !IsShown() || !IsEnabled() || !IsActive())
        return;
    wxWindow* focus = FindFocus();
    if (focus && focus != this && wxGetTopLevelParent(focus) == this)
        return;
    m_view->GetWebView()->SetFocus();
}

void CMainFrame::MovePaneFocus(bool forward)
{
    // The panes in keyboard order: the dialog bar's address line, then the
    // page. Only those that can take the keyboard now count.
    std::vector<wxWindow*> panes;
    for (wxWindow* pane : {static_cast<wxWindow*>(m_bar->address), static_cast<wxWindow*>(m_view->GetWebView())}) {
        if (pane && pane->IsShownOnScreen() && pane->IsEnabled())
            panes.push_back(pane);
    }
    if (panes.empty())
        return;
    // The pane that holds the keyboard now: the one the focused control is
    // or lies in. A button of the dialog bar belongs to the bar's pane.
    wxWindow* focus = FindFocus();
    auto within = [focus](wxWindow* w) { return focus && (focus == w || w->IsDescendant(focus)); };
    const int count = static_cast<int>(panes.size());
    int current = -1;
    for (int i = 0; i < count; ++i) {
        if (within(panes[static_cast<size_t>(i)]))
            current = i;
    }
    if (current < 0 && within(m_bar) && panes.front() == m_bar->address)
        current = 0;
    int next = 0;
    if (current < 0)
        next = forward ? 0 : count - 1;
    else
        next = (current + (forward ? 1 : count - 1)) % count;
    panes[static_cast<size_t>(next)]->SetFocus();
}

void CMainFrame::OnDisabledClick()
{
    // The click went nowhere: say so, and point at the window that waits
    // for an answer.
    ++m_disabledClicks;
    wxBell();
    wxWindow* front = wxGetActiveWindow();
    if (!front || front == this) {
        for (wxWindow* w : wxTopLevelWindows) {
            if (w != this && w->IsShown() && w->IsEnabled())
                front = w;
        }
    }
    if (auto* top = wxDynamicCast(front, wxTopLevelWindow); top && top != this) {
        top->Raise();
        top->RequestUserAttention(wxUSER_ATTENTION_INFO);
    }
}

void CMainFrame::OnIdle(wxIdleEvent& event)
{
    event.Skip();
    if (m_close.IsGone())
        return;
    RestoreKeyboardFocus();
    wxStatusBar* bar = GetStatusBar();
    if (!bar)
        return;
    const wxString texts[3] = {wxGetKeyState(WXK_CAPITAL) ? "CAP" : "", wxGetKeyState(WXK_NUMLOCK) ? "NUM" : "",
                               wxGetKeyState(WXK_SCROLL) ? "SCRL" : ""};
    for (int i = 0; i < 3; ++i) {
        if (texts[i] != m_indicators[i]) {
            m_indicators[i] = texts[i];
            bar->SetStatusText(texts[i], 2 + i);
        }
    }
}
