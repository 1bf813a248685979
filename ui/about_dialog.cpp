#include "ui/about_dialog.h"

#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/hyperlink.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "app/quillmark_app.h"
#include "platform/path_helpers.h"

#ifndef QM_VERSION_MAJOR
#define QM_VERSION_MAJOR 0
#define QM_VERSION_MINOR 0
#define QM_VERSION_PATCH 0
#endif

std::string CAboutDlg::VersionLine()
{
    const unsigned long high = (static_cast<unsigned long>(QM_VERSION_MAJOR) << 16) | QM_VERSION_MINOR;
    const unsigned long low = static_cast<unsigned long>(QM_VERSION_PATCH) << 16;
    return "Quillmark Version " + FormatVersion(low, high);
}

std::string CAboutDlg::CopyrightLine()
{
    return "Copyright \xC2\xA9 2026 Ostervale. All rights reserved.";
}

const char* CAboutDlg::WebsiteUrl()
{
    return "https://www.ostervale.example/quillmark/";
}

CAboutDlg::CAboutDlg(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, "About Quillmark", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE)
{
    auto* icon = new wxStaticBitmap(this, wxID_ANY,
                                    wxArtProvider::GetBitmap(wxART_INFORMATION, wxART_MESSAGE_BOX));
    m_version = new wxStaticText(this, wxID_ANY, VersionLine());
    auto* copyright = new wxStaticText(this, wxID_ANY, wxString::FromUTF8(CopyrightLine()));
    m_link = new wxHyperlinkCtrl(this, wxID_ANY, "Visit the Ostervale website for news and help",
                                 WebsiteUrl());
    auto* ok = new wxButton(this, wxID_OK, "OK");
    ok->SetDefault();

    auto* texts = new wxBoxSizer(wxVERTICAL);
    texts->Add(m_version, 0, wxBOTTOM, 8);
    texts->Add(copyright, 0, wxBOTTOM, 12);
    texts->Add(m_link, 0);
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->Add(icon, 0, wxALL, 12);
    row->Add(texts, 1, wxTOP | wxBOTTOM, 12);
    row->Add(ok, 0, wxALL, 12);
    SetSizerAndFit(row);
    ok->SetFocus();
    CentreOnParent();
}

void ToggleUploadProgressBar()
{
    CQuillmarkApp& app = theApp();
    app.m_bShowProgressBar = !app.m_bShowProgressBar;
    app.Profile().WriteInt("Settings", "ShowProgressBar", app.m_bShowProgressBar ? 1 : 0);
}

bool IsUploadProgressBarChecked()
{
    return theApp().IsProgressBarShown() != 0;
}
