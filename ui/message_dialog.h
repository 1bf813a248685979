// CMessageDialog: the question box of a posting run with Yes, Yes to All,
// No (the default), Cancel and Help, on the text viewer so that a long
// question scrolls and can be searched and copied.
#pragma once

#include <functional>
#include <string>

#include "ui/text_dialog.h"

class CMessageDialog : public CTextDialog {
public:
    enum { ID_YES_TO_ALL = 1088 };

    explicit CMessageDialog(wxWindow* parent = nullptr);
    // The question (UTF-8).
    void SetMessage(const std::string& text) { SetText(text); }
    // What Help does (the dialog stays open); without one Help is disabled.
    void SetHelpHandler(std::function<void()> handler) { m_onHelp = std::move(handler); }
    // Shows the dialog; returns IDYES (6), IDYESTOALL (1088), IDNO (7) or
    // IDCANCEL (2). Enter answers No, Escape Cancel.
    int Ask();

    // The core's Yes-to-All box: one call for the prompter.
    static int YesToAllBox(wxWindow* parent, const std::string& text,
                           std::function<void()> onHelp = {});

protected:
    void AddExtraControls(wxSizer* mainSizer, wxSizer* textRow) override;

private:
    std::function<void()> m_onHelp;
};
