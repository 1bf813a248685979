// CAboutDlg: Help > About Quillmark: the version, the copyright line and a
// link to the maker's website.
#pragma once

#include <string>

#include <wx/dialog.h>

class wxHyperlinkCtrl;
class wxStaticText;

class CAboutDlg : public wxDialog {
public:
    explicit CAboutDlg(wxWindow* parent);
    // "Quillmark Version 1.2" from the build's version numbers.
    static std::string VersionLine();
    static std::string CopyrightLine();
    static const char* WebsiteUrl();

    wxStaticText* GetVersionText() const { return m_version; }
    wxHyperlinkCtrl* GetLink() const { return m_link; }

private:
    wxStaticText* m_version = nullptr;
    wxHyperlinkCtrl* m_link = nullptr;
};

// View > Upload Progress Bar: turns the "Settings"/"ShowProgressBar"
// setting over and writes it at once; the next upload reads it.
void ToggleUploadProgressBar();
// The menu item's check mark.
bool IsUploadProgressBarChecked();
