// The window's side of a command's enabling, as the core sees it: a menu
// item, a toolbar or dialog-bar button. The window hands one to the update
// handlers each time it refreshes its commands; tests record what was set.
#pragma once

#include <string>

class ICmdUI {
public:
    virtual ~ICmdUI() = default;
    virtual void Enable(bool on) = 0;
    virtual void SetText(const std::string& text) {}
    // The control's caption as the window shows it now.
    virtual std::string GetText() const { return {}; }
};
