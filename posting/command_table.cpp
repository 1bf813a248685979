#include "posting/command_table.h"

#include "app/quillmark_app.h"

const std::vector<CommandEntry>& CommandTable()
{
    using R = CommandRule;
    using A = CQuillmarkApp;
    static const std::vector<CommandEntry> table{
        {CMD_POST_GAMES, "", "F4", "", "Upload score files to web server", R::PostGames, nullptr, &A::OnPostGames,
         "Post Games"},
        {CMD_FILE_POST, "&Post...", "", "", "Open specific files for posting or reposting", R::Idle, &A::OnFilePost},
        {CMD_FILE_REPOST, "&Repost...", "Shift+F4", "", "Confirm specific files for posting or reposting", R::Idle,
         &A::OnFileRepost, nullptr, "Repost"},
        {CMD_FILE_CANCEL, "&Cancel", "", "", "Abort the current operation", R::CancelRunning, &A::OnFileCancel},
        {CMD_SETUP_SETUP, "&Setup...", "", "", "Set Quillmark processing parameters", R::Idle, &A::OnSetupSetup},
        {CMD_FILE_NEW, "&New", "", "Ctrl+N", "Start a new setup with the default settings", R::Idle},
        {CMD_FILE_OPEN, "&Open...", "", "Ctrl+O", "Open an existing setup data file", R::Idle},
        {CMD_FILE_SAVE_AS, "&Save As...", "", "", "Save the setup data under a new name", R::Idle},
        {CMD_FILE_MRU_FIRST, "", "", "", "", R::RecentFiles},
        {CMD_SETUP_ERASE_UPLOAD_HISTORY, "&Erase Upload History", "", "",
         "Clear records of previously uploaded score files", R::EraseUploadHistory, &A::OnSetupEraseUploadHistory},
        {CMD_INDEX_CREATE_INDEX, "&Create Index", "", "", "Create local index page and display it", R::IndexCommand,
         &A::OnIndexCreateIndex},
        {CMD_INDEX_WEBSITE, "Index &Website", "", "", "Visit website to rebuild index data", R::IndexCommand,
         &A::OnIndexWebsite},
        {CMD_INDEX_EDIT_INDEX, "&Edit Index", "", "", "View and edit the index data", R::IndexCommand,
         &A::OnIndexEditIndex},
        {CMD_INDEX_BROWSE_WEBSITE, "&Browse Website Index Page", "", "", "Retrieve and display the website index page",
         R::IndexCommand, &A::OnIndexBrowseWebsite},
        {CMD_INDEX_PUBLISH_INDEX, "&Publish Index", "", "", "Upload index page to web server", R::PublishIndex,
         &A::OnIndexPublishIndex},
        {CMD_VIEW_HISTORY, "&History", "", "", "View the Upload History; add or remove entries", R::Always,
         &A::OnViewHistory},
        {CMD_VIEW_HAND_RECORD_FOLDERS, "H&and Record Folders", "", "",
         "View or remove the folders searched for hand records", R::Always, &A::OnViewHandRecordFolders},
        // An upload like any other: only one operation at a time.
        {CMD_HELP_UPLOAD_TEST_FILE, "Upload a &Test File", "", "", "Upload a small test page to check the Setup",
         R::Idle, &A::OnHelpUploadTestFile},
        // No menu item of its own: Help Topics and the Help buttons run it.
        {CMD_HELP, "", "", "F1", "Show help for the current window", R::Always, &A::OnHelp},

        // The window's own.
        {ID_APP_EXIT, "E&xit", "", "", "Quit the application; prompts to save documents", R::Window},
        {ID_FILE_SAVE, "", "", "Ctrl+S", "", R::Window},
        {ID_VIEW_STATUS_BAR, "&Status Bar", "", "", "Show or hide the status bar", R::Window, nullptr, nullptr, "",
         true},
        {ID_VIEW_PROGRESS_BAR, "&Upload Progress Bar", "", "", "Show the progress of uploads and downloads",
         R::Window, nullptr, nullptr, "", true},
        {ID_NAV_BACK, "&Back", "Alt+Left", "", "Go back to web page displayed previously", R::Window, nullptr,
         nullptr, "Back"},
        {ID_NAV_FORWARD, "&Forward", "Alt+Right", "", "Go forward to web page displayed before going back",
         R::Window, nullptr, nullptr, "Forward"},
        {ID_NAV_STOP, "Sto&p", "Esc", "", "Stop loading the current web page", R::Window, nullptr, nullptr, "Stop"},
        {ID_NAV_REFRESH, "&Refresh", "F5", "", "Reload the current web page from its server", R::Window, nullptr,
         nullptr, "Refresh"},
        {ID_VIEW_LOGFILE, "&Logfile", "", "", "Open a window to view the Quillmark logfile", R::Window},
        {ID_VIEW_SOURCE, "Sour&ce", "", "", "View HTML source code of the currently displayed web page", R::Window},
        {ID_HELP_TOPICS, "&Help Topics...", "", "", "List Help topics", R::Window},
        {ID_APP_ABOUT, "&About Quillmark...", "", "", "Display program information, version number and copyright",
         R::Window},
        {ID_NEXT_PANE, "", "", "F6", "", R::Window},
        {ID_PREV_PANE, "", "", "Shift+F6", "", R::Window},
    };
    return table;
}

std::string CommandCaption(const CommandEntry& entry)
{
    std::string caption = entry.caption;
    if (*entry.shortcut)
        caption += std::string(" (") + entry.shortcut + ")";
    return caption;
}

std::vector<std::string> CommandKeys(const CommandEntry& entry)
{
    std::vector<std::string> keys;
    for (const char* key : {entry.shortcut, entry.hiddenKey}) {
        if (*key)
            keys.emplace_back(key);
    }
    return keys;
}

const CommandEntry* FindCommand(unsigned id)
{
    if (id >= CMD_FILE_MRU_FIRST && id <= CMD_FILE_MRU_LAST)
        id = CMD_FILE_MRU_FIRST;
    for (const CommandEntry& entry : CommandTable()) {
        if (entry.id == id)
            return &entry;
    }
    return nullptr;
}

namespace {

// Records what an update handler sets.
class CEnableProbe : public ICmdUI {
public:
    void Enable(bool on) override { enabled = on; }
    bool enabled = true;
};

}  // namespace

void UpdateCommand(CQuillmarkApp& app, unsigned id, ICmdUI& ui, bool shiftHeld)
{
    const CommandEntry* entry = FindCommand(id);
    if (!entry)
        return;
    switch (entry->rule) {
    case CommandRule::Always: ui.Enable(true); break;
    case CommandRule::Idle: app.OnUpdateIdleOnly(ui); break;
    case CommandRule::CancelRunning: app.OnUpdateFileCancel(ui); break;
    case CommandRule::RecentFiles:
        // The window's own rule stands while idle.
        if (!app.IsIdle())
            ui.Enable(false);
        break;
    case CommandRule::IndexCommand: app.OnUpdateIndexCommand(ui); break;
    case CommandRule::PublishIndex: app.OnUpdatePublishIndex(ui); break;
    case CommandRule::PostGames: app.OnUpdatePostGames(ui, shiftHeld); break;
    case CommandRule::EraseUploadHistory: app.OnUpdateEraseUploadHistory(ui); break;
    case CommandRule::Window: break;
    }
}

bool IsCommandEnabled(CQuillmarkApp& app, unsigned id)
{
    const CommandEntry* entry = FindCommand(id);
    if (!entry)
        return false;
    CEnableProbe probe;
    if (entry->rule == CommandRule::PostGames)
        app.OnUpdateIdleOnly(probe);  // the same rule, without touching the captions
    else
        UpdateCommand(app, id, probe, false);
    return probe.enabled;
}

CommandRun RunCommand(CQuillmarkApp& app, unsigned id, bool shiftHeld)
{
    const CommandEntry* entry = FindCommand(id);
    if (!entry || entry->IsWindowCommand())
        return CommandRun::NotHandled;
    if (!IsCommandEnabled(app, id))
        return CommandRun::Disabled;
    if (entry->shiftHandler)
        (app.*entry->shiftHandler)(shiftHeld);
    else
        (app.*entry->handler)();
    return CommandRun::Done;
}
