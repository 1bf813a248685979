// Command and control ids of the main window: menus, dialog bar,
// accelerators and the status panes. The Edit items use wx's own ids so
// that text controls handle them.
#pragma once

// The program's command numbers (32769 Post Games, 57600 New, ...) lie above
// the window ids wx accepts (below 32767); menus and controls use the
// number less 30000 (32xxx) or 50000 (57xxx, 59xxx).
constexpr int WindowIdOf(int command)
{
    return command >= 50000 ? command - 50000 : command >= 32768 ? command - 30000 : command;
}

enum : int {
    ID_POST_GAMES = WindowIdOf(32769),
    ID_INDICATOR_NETSTAT = WindowIdOf(32770),
    ID_NAV_BACK = WindowIdOf(32779),
    ID_FILE_CANCEL = WindowIdOf(32780),
    ID_NAV_STOP = WindowIdOf(32781),
    ID_NAV_REFRESH = WindowIdOf(32783),
    ID_NAV_FORWARD = WindowIdOf(32784),
    ID_SETUP_ERASE_HISTORY = WindowIdOf(32801),
    ID_INDEX_PUBLISH = WindowIdOf(32809),
    ID_INDEX_CREATE = WindowIdOf(32811),
    ID_INDEX_WEBSITE = WindowIdOf(32812),
    ID_VIEW_LOGFILE = WindowIdOf(32813),
    ID_FILE_POST = WindowIdOf(32815),
    ID_VIEW_SOURCE = WindowIdOf(32816),
    ID_SETUP_SETUP = WindowIdOf(32818),
    ID_FILE_REPOST = WindowIdOf(32821),
    ID_VIEW_HISTORY = WindowIdOf(32822),
    ID_VIEW_PROGRESS_BAR = WindowIdOf(32823),
    ID_INDEX_EDIT = WindowIdOf(32824),
    ID_INDEX_BROWSE = WindowIdOf(32825),
    ID_VIEW_HAND_RECORD_FOLDERS = WindowIdOf(32828),
    ID_HELP_UPLOAD_TEST_FILE = WindowIdOf(32830),

    ID_SETUP_FILE_NEW = WindowIdOf(57600),
    ID_SETUP_FILE_OPEN = WindowIdOf(57601),
    ID_SETUP_FILE_SAVE = WindowIdOf(57603),
    ID_SETUP_FILE_SAVE_AS = WindowIdOf(57604),
    ID_FILE_MRU_FIRST = WindowIdOf(57616),
    ID_FILE_MRU_LAST = WindowIdOf(57631),
    ID_APP_ABOUT = WindowIdOf(57664),
    ID_APP_EXIT = WindowIdOf(57665),
    ID_HELP_TOPICS = WindowIdOf(57667),
    ID_HELP = WindowIdOf(57670),
    ID_NEXT_PANE = WindowIdOf(57680),
    ID_PREV_PANE = WindowIdOf(57681),
    ID_VIEW_STATUS_BAR = WindowIdOf(59393),

    // Dialog-bar controls.
    IDC_STATUS_LINE = 1001,
    IDC_PROGRESS = 1028,
    IDC_ADDRESS = 1065,
};
