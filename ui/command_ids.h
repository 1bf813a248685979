// Command and control ids of the main window. The commands of the
// application object come from its command table (posting/command_table.h);
// these are the window's own: the browser buttons, View and Help items,
// Exit, the status bar and the dialog-bar controls. The Edit items use wx's
// own ids so that text controls handle them.
#pragma once

#include "posting/command_table.h"

// The program's command numbers (32769 Post Games, 57600 New, ...) lie above
// the window ids wx accepts (below 32767); menus and controls use the
// number less 30000 (32xxx) or 50000 (57xxx, 59xxx).
constexpr int WindowIdOf(unsigned command)
{
    return command >= 50000 ? static_cast<int>(command) - 50000
                            : command >= 32768 ? static_cast<int>(command) - 30000 : static_cast<int>(command);
}

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

// Dialog-bar controls.
enum : int {
    IDC_STATUS_LINE = 1001,
    IDC_PROGRESS = 1028,
    IDC_ADDRESS = 1065,
};
