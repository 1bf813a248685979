// The commands of the menus, the dialog bar and the accelerators that the
// application object handles: one row per command with its menu text, its
// status-bar prompt, its handler and its enabling rule. The window builds
// its menus from the rows and routes every command and every update here.
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
};

// The handler of a command: a member of the application object. Post Games
// takes whether the Shift key was down when the command came (it then
// reposts); the others take nothing.
using CommandHandler = void (CQuillmarkApp::*)();
using ShiftCommandHandler = void (CQuillmarkApp::*)(bool shiftHeld);

// One command. A row without a handler is the window's own command (New,
// Open, Save As, recent files): the table gives its text and rule, the
// window runs it. The menu texts, shortcuts and prompts of these rows live
// here only.
struct CommandEntry {
    unsigned id;
    const char* menuText;     // the menu item's or the control's text, "&" before the mnemonic
    const char* accelerator;  // "F4", "Shift+F4", "F1"; "" for none
    const char* prompt;       // the status-bar prompt; "" none
    CommandRule rule;
    CommandHandler handler = nullptr;
    ShiftCommandHandler shiftHandler = nullptr;

    bool IsWindowCommand() const { return !handler && !shiftHandler; }
};

const std::vector<CommandEntry>& CommandTable();
// The row of an id (every recent-file id finds the recent-file row); null
// for ids the application object does not handle.
const CommandEntry* FindCommand(unsigned id);

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
