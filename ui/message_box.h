// The program's message box: the text, an icon and the buttons that a
// MB_* style asks for (OK, OK/Cancel, Abort/Retry/Ignore, Yes/No/Cancel,
// Yes/No, Retry/Cancel). A wxDialog of our own rather than the native box,
// so that every button set exists and the result is the button's ID* value.
#pragma once

#include <wx/dialog.h>

#include <string>
#include <vector>

class CQMMessageBox : public wxDialog {
public:
    struct Button {
        int result;          // IDOK, IDYES, ... (app/prompter.h)
        wxString label;
    };

    // style: MB_* buttons | icon | default button.
    CQMMessageBox(wxWindow* parent, const std::string& text, unsigned style);
    // Any set of buttons; defaultIndex selects the default one, escapeResult
    // is what Escape answers (0: Escape does nothing).
    CQMMessageBox(wxWindow* parent, const std::string& text, unsigned icon,
                  const std::vector<Button>& buttons, size_t defaultIndex, int escapeResult);

    // The message as shown (line ends made plain).
    wxString GetMessage() const { return m_message; }
    // The button that answers result, or null.
    wxWindow* FindButton(int result) const;

    // The buttons of a style, the index of the default one, and the Escape
    // answer (0 when Escape does nothing).
    static std::vector<Button> ButtonsFor(unsigned style, size_t& defaultIndex, int& escapeResult);

private:
    void Build(const std::string& text, unsigned icon, const std::vector<Button>& buttons,
               size_t defaultIndex, int escapeResult);
    wxString m_message;
    std::vector<std::pair<int, wxWindow*>> m_buttons;
};
