// Feedback for a click on the main window while a modal dialog or message
// box has disabled it: the bell rings and the dialog in front asks for the
// user's attention, so the click is not simply lost. The toolkit delivers
// no mouse events to a disabled window, so the clicks are watched where
// they arrive from the display server.
#pragma once

#include <functional>

class wxTopLevelWindow;

class CDisabledClickWatch {
public:
    // Watches clicks on window for as long as the object lives; onClick
    // runs (on the user-interface thread) for each click that lands on the
    // window while it is disabled or a modal dialog is open.
    CDisabledClickWatch(wxTopLevelWindow* window, std::function<void()> onClick);
    ~CDisabledClickWatch();
    CDisabledClickWatch(const CDisabledClickWatch&) = delete;
    CDisabledClickWatch& operator=(const CDisabledClickWatch&) = delete;

    // Whether a click at a screen point lands on the window while it is
    // disabled and not on another of the program's windows in front of it.
    bool IsDisabledClick(int xRoot, int yRoot) const;
    void OnClick() const;

private:
    wxTopLevelWindow* m_window;
    std::function<void()> m_onClick;
    bool m_installed = false;
};
