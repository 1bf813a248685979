// CSizeBox: makes a dialog remember where the user left it. Attached once
// the dialog's controls and sizer exist; from then on it keeps the window
// at least as large as its sizer needs, restores the stored rectangle (and
// the columns of the dialog's first list control), follows where the window
// stands while it is on the screen, and stores that in the profile section
// when the window is hidden or destroyed. It lives exactly as long as the
// window.
#pragma once

#include <chrono>
#include <string>

#include <wx/gdicmn.h>
#include <wx/timer.h>

#include "ui/window_placement.h"

class wxListCtrl;
class wxTopLevelWindow;
class wxWindow;
class wxWindowDestroyEvent;
class wxShowEvent;

class CSizeBox {
public:
    // resizable: the stored size is restored as well as the position
    // (without it only the position is). An empty section loads and saves
    // nothing but still sets the minimum size.
    static CSizeBox* Attach(wxTopLevelWindow* window, const std::string& section,
                            bool resizable = true);
    ~CSizeBox();

    // Stores the placement and list columns now.
    void Save();
    const std::string& GetSection() const { return m_section; }
    wxSize GetMinSize() const { return m_minSize; }
    // Whether the restored placement is still on its way: the window
    // manager has not yet answered the move back to the stored corner, or
    // the window's frame is not yet known.
    bool IsPlacing() const;
    // The box attached to window, or null.
    static CSizeBox* Of(wxWindow* window);

    // The stored "WindowRect" of a section fitted to the displays and to
    // minSize; false when there is none, it does not parse or it cannot be
    // shown (then use the default placement).
    static bool LoadWindowRect(const std::string& section, wxRect& rect,
                               const wxSize& minSize = wxSize(0, 0));
    // Writes "WindowRect" from the window's rectangle on the screen and the
    // columns of its first list control; nothing for an empty section or a
    // window that is not on the screen.
    static void SaveWindowRect(wxWindow* window, const std::string& section);
    // The window's rectangle as the screen has it (its frame's corner and
    // its size); false when it is not on the screen.
    static bool ScreenRectOf(wxWindow* window, wxRect& rect);
    static void SaveListColumns(const std::string& section, wxListCtrl* list);
    static void LoadListColumns(const std::string& section, wxListCtrl* list);
    // The first list control among the window's descendants, or null.
    static wxListCtrl* FindListCtrl(wxWindow* window);

private:
    CSizeBox(wxTopLevelWindow* window, const std::string& section, bool resizable);
    void OnShow(wxShowEvent& event);
    // Notes where the window stands now, once the window manager's change
    // has arrived.
    void TrackLater();
    void Track();

    wxTopLevelWindow* m_window;
    std::string m_section;
    bool m_resizable;
    wxSize m_minSize;
    int m_suppress = 0;
    // Where the window last stood on the screen; empty until it was shown.
    wxRect m_placed;
    bool m_trackPending = false;
    // The restored corner, until the window is seen standing there (the
    // toolkit may show a window elsewhere than it was told); the number of
    // moves left to put it there.
    wxPoint m_restoreTo;
    int m_restoreMoves = 0;
    // A move back has been asked for, from where the window stood then
    // and when; a window manager that has not moved the window within
    // a few seconds is taken to have kept it there.
    bool m_moveSent = false;
    wxPoint m_movedFrom;
    std::chrono::steady_clock::time_point m_moveSentAt;
    // Looks again now and then while the window is shown: the toolkit does
    // not report every move the window manager makes.
    wxTimer m_watch;
};
