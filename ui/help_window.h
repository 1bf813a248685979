// The program's Help (F1, Help > Help Topics and the Help buttons of the
// dialogs): one window that answers what the other windows point to:
// Setup's "see Help" notes, the greyed Post Files Modified After, what each
// posting step does and what to do when one fails. The text has a margin
// round it, the window opens tall enough for the whole text where the
// screen allows, and Escape or Close closes it.
#pragma once

#include <wx/dialog.h>

#include <string>

class wxHtmlWindow;

// The parts of the Help that windows open it at.
namespace help {
constexpr char kConfirmPosting[] = "confirm-posting";
constexpr char kIdentify[] = "identify-score-file";
constexpr char kQuestions[] = "posting-questions";
constexpr char kComputerPage[] = "setup-computer";
constexpr char kWebsitePage[] = "setup-website";
constexpr char kFtpPage[] = "setup-ftp";
constexpr char kHistory[] = "history";
}  // namespace help

class CHelpWindow : public wxDialog {
public:
    // Opens at the part named by topic (one of help::), or at the top.
    explicit CHelpWindow(wxWindow* parent, const std::string& topic = {});
    // Shows the Help modal; returns when the user closes it.
    static int ShowHelp(wxWindow* parent, const std::string& topic = {});
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
    // Brings the topic's part to the top of the view, unless the user has
    // scrolled.
    void KeepTopicInView();
    wxHtmlWindow* m_view = nullptr;
    std::string m_topic;
    bool m_userScrolled = false;
    bool m_refitPending = false;
};
