// The program's Help (F1, Help > Help Topics and the Help buttons of the
// dialogs): one window that answers what the other windows point to:
// Setup's "see Help" notes, the greyed Post Files Modified After, what each
// posting step does and what to do when one fails. The text has a margin
// round it, the window opens tall enough for the whole text where the
// screen allows, and Escape or Close closes it.
#pragma once

#include <wx/dialog.h>

class wxHtmlWindow;

class CHelpWindow : public wxDialog {
public:
    explicit CHelpWindow(wxWindow* parent);
    // Shows the Help modal; returns when the user closes it.
    static int ShowHelp(wxWindow* parent);
    // The help as the window shows it (HTML).
    static const char* Page();
    wxHtmlWindow* GetView() const { return m_view; }
    // The tallest height of the text view (its border included) up to limit
    // whose bottom edge falls between lines of the laid-out page; the whole
    // page when it fits.
    int WholeLinesHeight(int limit) const;
    bool Layout() override;

private:
    void FitViewToWholeLines();
    wxHtmlWindow* m_view = nullptr;
    bool m_refitPending = false;
};
