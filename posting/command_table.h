// The commands of the menus, the dialog bar and the accelerators: one row per
// command with its menu text, its caption on a button, its keys, its
// status-bar prompt and, for the application object's commands, its handler
// and enabling rule. The window builds its menus, the Post Games button with
// its Repost caption, and its accelerators from the rows, and routes the
// application's commands and their updates here. A text or key is written
// in its row only.
#pragma once

#include <string>
#include <vector>

class CQuillmarkApp;
class ICmdUI;

enum CommandId : unsigned {
    CMD_POST_GAMES = 32769,
    CMD_FILE_CANCEL = 32780,
    CMD_SETUP_ERASE_UPLOAD_HISTORY = 32801,
    CMD_INDEX_PUBLISH_INDEX = 32809,
    CMD_INDEX_CREATE_INDEX = 32811,
    CMD_INDEX_WEBSITE = 32812,
    CMD_FILE_POST = 32815,
    CMD_SETUP_SETUP = 32818,
    CMD_FILE_REPOST = 32821,
    CMD_VIEW_HISTORY = 32822,
    CMD_INDEX_EDIT_INDEX = 32824,
    CMD_INDEX_BROWSE_WEBSITE = 32825,
    CMD_VIEW_HAND_RECORD_FOLDERS = 32828,
    CMD_HELP_UPLOAD_TEST_FILE = 32830,
    CMD_FILE_NEW = 57600,
    CMD_FILE_OPEN = 57601,
    CMD_FILE_SAVE_AS = 57604,
    CMD_FILE_MRU_FIRST = 57616,
    CMD_FILE_MRU_LAST = 57631,
    CMD_HELP = 57670,
};

// The window's own commands: the browser buttons, View and Help items, Exit,
// Save and the pane keys.
enum WindowCommand : unsigned {
    ID_NAV_BACK = 32779,
    ID_NAV_STOP = 32781,
    ID_NAV_REFRESH = 32783,
    ID_NAV_FORWARD = 32784,
    ID_VIEW_LOGFILE = 32813,
    ID_VIEW_SOURCE = 32816,
    ID_VIEW_PROGRESS_BAR = 32823,
    ID_FILE_SAVE = 57603,
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,
    ID_HELP_TOPICS = 57667,
    ID_NEXT_PANE = 57680,
    ID_PREV_PANE = 57681,
    ID_VIEW_STATUS_BAR = 59393,
};

// When a command is enabled.
enum class CommandRule {
    Always,
    Idle,                // no operation running
    CancelRunning,       // an operation running and not yet cancelled
    RecentFiles,         // the window's own rule, and greyed while not idle
    IndexCommand,        // not BridgeWebs and idle
    PublishIndex,        // and the local index pages are built
    PostGames,           // idle; the caption follows the Shift key
    EraseUploadHistory,  // idle and the Upload History not empty
    Window,              // the window's own command: the window decides
};

// The handler of a command: a member of the application object. Post Games
// takes whether the Shift key was down when the command came (it then
// reposts); the others take nothing.
using CommandHandler = void (CQuillmarkApp::*)();
using ShiftCommandHandler = void (CQuillmarkApp::*)(bool shiftHeld);

// One command. A row without a handler is the window's own command (New,
// Open, Save As, recent files, the browser buttons, View and Help items):
// the table gives its texts, keys and rule, the window runs it.
struct CommandEntry {
    unsigned id;
    const char* menuText;  // the menu item's text, "&" before the mnemonic; "" none
    // The key shown beside the text (after a tab in the menu, in brackets on
    // a button) and bound to the command; "" none.
    const char* shortcut;
    // A key bound to the command but not shown; "" none.
    const char* hiddenKey;
    const char* prompt;  // the status-bar prompt; "" none
    CommandRule rule;
    CommandHandler handler = nullptr;
    ShiftCommandHandler shiftHandler = nullptr;
    const char* caption = "";  // the text on a button ("Post Games"); "" none
    bool checkItem = false;    // a menu item with a check mark

    bool IsWindowCommand() const { return !handler && !shiftHandler; }
};

const std::vector<CommandEntry>& CommandTable();
// The row of an id (every recent-file id finds the recent-file row); null
// for ids the application object does not handle.
const CommandEntry* FindCommand(unsigned id);

// A command's button caption with its key in brackets ("Post Games (F4)");
// the caption alone when it has no key.
std::string CommandCaption(const CommandEntry& entry);
// Every key bound to a command, shown or not ("F4", "Shift+F4").
std::vector<std::string> CommandKeys(const CommandEntry& entry);

// Whether the command's rule enables it now (the window's own part of the
// recent-file rule aside).
bool IsCommandEnabled(CQuillmarkApp& app, unsigned id);

// Applies the command's rule to ui (for Post Games also its caption).
void UpdateCommand(CQuillmarkApp& app, unsigned id, ICmdUI& ui, bool shiftHeld);

enum class CommandRun {
    Done,        // the handler ran
    Disabled,    // the rule does not enable it now: nothing ran
    NotHandled,  // not a command of the application object, or the window's own
};
// Runs the command's handler when its rule enables it. The rule is checked
// again here, so an accelerator pressed before the window refreshed its
// commands cannot start a second operation.
CommandRun RunCommand(CQuillmarkApp& app, unsigned id, bool shiftHeld = false);
