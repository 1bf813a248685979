// Command and control ids of the main window. The commands, the
// application's and the window's own, come from the command table
// (posting/command_table.h); these are the dialog-bar controls. The Edit
// items use wx's own ids so that text controls handle them.
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

// Dialog-bar controls.
enum : int {
    IDC_STATUS_LINE = 1001,
    IDC_PROGRESS = 1028,
    IDC_ADDRESS = 1065,
};
