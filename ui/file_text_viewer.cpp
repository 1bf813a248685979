#include "ui/file_text_viewer.h"

#include <wx/sizer.h>
#include <wx/textctrl.h>

CFileTextViewer::CFileTextViewer()
    : wxDialog(nullptr, wxID_ANY, "View File", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER)
{
    m_text = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                            wxTE_MULTILINE | wxTE_READONLY | wxTE_DONTWRAP | wxHSCROLL);
    m_text->SetFont(wxFont(wxFontInfo(10).Family(wxFONTFAMILY_TELETYPE)));
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(m_text, 1, wxEXPAND);
    SetSizer(sizer);
    SetSize(FromDIP(wxSize(640, 480)));
    // Close hides: the owner reuses the window.
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& event) {
        if (event.CanVeto()) {
            event.Veto();
            Hide();
        } else {
            Destroy();
        }
    });
    SetEscapeId(wxID_NONE);
    Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& event) {
        if (event.GetKeyCode() == WXK_ESCAPE)
            Hide();
        else
            event.Skip();
    });
}

void CFileTextViewer::ShowText(const wxString& caption, const wxString& text)
{
    SetTitle(caption);
    m_text->SetValue(text);
    Show();
    Raise();
}

wxString CFileTextViewer::GetText() const
{
    return m_text->GetValue();
}
