// A modeless window showing a score file's text in a fixed font, opened
// beside the dialogs that list score files. Closing it only hides it, so the
// dialog that owns it can show it again with new text; the owner destroys it.
#pragma once

#include <wx/dialog.h>

class wxTextCtrl;

class CFileTextViewer : public wxDialog {
public:
    CFileTextViewer();
    // Replaces the text and caption, shows the window and raises it.
    void ShowText(const wxString& caption, const wxString& text);
    wxString GetText() const;

private:
    wxTextCtrl* m_text = nullptr;
};
