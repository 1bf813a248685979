#include "posting/command_table.h"

#include <map>
#include <mutex>

#include "app/quillmark_app.h"

const std::vector<CommandEntry>& CommandTable()
{
    using R = CommandRule;
    using O = CommandOwner;
    using A = CQuillmarkApp;
    static const std::vector<CommandEntry> table{
        {CMD_POST_GAMES, "Post Games (F4)", "F4", "Upload score files to web server", O::App,
         [](A& a, bool shift) { a.OnPostGames(shift); }, R::PostGames},
        {CMD_FILE_POST, "&Post...", "", "Open specific files for posting or reposting", O::App,
         [](A& a, bool) { a.OnFilePost(); }, R::Idle},
        {CMD_FILE_REPOST, "&Repost...", "Shift+F4", "Confirm specific files for posting or reposting", O::App,
         [](A& a, bool) { a.OnFileRepost(); }, R::Idle},
        {CMD_FILE_CANCEL, "&Cancel", "", "Abort the current operation", O::App,
         [](A& a, bool) { a.OnFileCancel(); }, R::CancelRunning},
        {CMD_SETUP_SETUP, "&Setup...", "", "Set Quillmark processing parameters", O::App,
         [](A& a, bool) { a.OnSetupSetup(); }, R::Idle},
        {CMD_FILE_NEW, "&New", "", nullptr, O::Window, nullptr, R::Idle},
        {CMD_FILE_OPEN, "&Open...", "", nullptr, O::Window, nullptr, R::Idle},
        {CMD_FILE_SAVE_AS, "&Save As...", "", nullptr, O::Window, nullptr, R::Idle},
        {CMD_FILE_MRU_FIRST, "", "", nullptr, O::Window, nullptr, R::RecentFiles},
        {CMD_SETUP_ERASE_UPLOAD_HISTORY, "&Erase Upload History", "", "Clear records of previously uploaded score files",
         O::App, [](A& a, bool) { a.OnSetupEraseUploadHistory(); }, R::EraseUploadHistory},
        {CMD_INDEX_CREATE_INDEX, "&Create Index", "", "Create local index page and display it", O::App,
         [](A& a, bool) { a.OnIndexCreateIndex(); }, R::IndexCommand},
        {CMD_INDEX_WEBSITE, "Index &Website", "", "Visit website to rebuild index data", O::App,
         [](A& a, bool) { a.OnIndexWebsite(); }, R::IndexCommand},
        {CMD_INDEX_EDIT_INDEX, "&Edit Index", "", "View and edit the index data", O::App,
         [](A& a, bool) { a.OnIndexEditIndex(); }, R::IndexCommand},
        {CMD_INDEX_BROWSE_WEBSITE, "&Browse Website Index Page", "", "Retrieve and display the website index page",
         O::App, [](A& a, bool) { a.OnIndexBrowseWebsite(); }, R::IndexCommand},
        {CMD_INDEX_PUBLISH_INDEX, "&Publish Index", "", "Upload index page to web server", O::App,
         [](A& a, bool) { a.OnIndexPublishIndex(); }, R::PublishIndex},
        {CMD_VIEW_HISTORY, "&History", "", "View the Upload History; add or remove entries", O::App, [](A& a, bool) { a.OnViewHistory(); }, R::Always},
        {CMD_VIEW_HAND_RECORD_FOLDERS, "H&and Record Folders", "", "View or remove the folders searched for hand records", O::App,
         [](A& a, bool) { a.OnViewHandRecordFolders(); }, R::Always},
        // An upload like any other: only one operation at a time.
        {CMD_HELP_UPLOAD_TEST_FILE, "Upload a &Test File", "", "Upload a small test page to check the Setup", O::App,
         [](A& a, bool) { a.OnHelpUploadTestFile(); }, R::Idle},
        {CMD_HELP, "&Help", "F1", "Show help for the current window", O::App, [](A& a, bool) { a.OnHelp(); }, R::Always},
    };
    return table;
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

namespace {

std::mutex g_attachedMutex;
std::map<unsigned, CommandHandler>& Attached()
{
    static std::map<unsigned, CommandHandler> handlers;
    return handlers;
}

CommandHandler HandlerOf(const CommandEntry& entry)
{
    switch (entry.owner) {
    case CommandOwner::App: return entry.handler;
    case CommandOwner::Window: return nullptr;
    case CommandOwner::Attached: {
        std::lock_guard<std::mutex> lock(g_attachedMutex);
        const auto it = Attached().find(entry.id);
        return it == Attached().end() ? nullptr : it->second;
    }
    }
    return nullptr;
}

}  // namespace

bool AttachCommandHandler(unsigned id, CommandHandler handler)
{
    const CommandEntry* entry = FindCommand(id);
    if (!entry || entry->owner != CommandOwner::Attached || entry->id != id)
        return false;
    std::lock_guard<std::mutex> lock(g_attachedMutex);
    Attached()[id] = handler;
    return true;
}

bool IsCommandAttached(unsigned id)
{
    const CommandEntry* entry = FindCommand(id);
    return entry && entry->owner == CommandOwner::Attached && HandlerOf(*entry) != nullptr;
}

CommandRun RunCommand(CQuillmarkApp& app, unsigned id, bool shiftHeld)
{
    const CommandEntry* entry = FindCommand(id);
    const CommandHandler handler = entry ? HandlerOf(*entry) : nullptr;
    if (!handler)
        return CommandRun::NotHandled;
    if (!IsCommandEnabled(app, id))
        return CommandRun::Disabled;
    handler(app, shiftHeld);
    return CommandRun::Done;
}
