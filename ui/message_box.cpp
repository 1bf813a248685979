#include "ui/message_box.h"

#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "app/prompter.h"

namespace {

// Button window ids: the result plus a base well away from wx's own ids.
constexpr int kButtonIdBase = 20000;

wxString PlainLines(const std::string& text)
{
    wxString s = wxString::FromUTF8(text);
    s.Replace("\r\n", "\n");
    s.Replace("\r", "\n");
    return s;
}

}  // namespace

std::vector<CQMMessageBox::Button> CQMMessageBox::ButtonsFor(unsigned style, size_t& defaultIndex,
                                                             int& escapeResult)
{
    std::vector<Button> buttons;
    escapeResult = 0;
    switch (style & 0xF) {
    case MB_OKCANCEL:
        buttons = {{IDOK, "OK"}, {IDCANCEL, "Cancel"}};
        escapeResult = IDCANCEL;
        break;
    case MB_ABORTRETRYIGNORE:
        buttons = {{IDABORT, "&Abort"}, {IDRETRY, "&Retry"}, {IDIGNORE, "&Ignore"}};
        break;
    case MB_YESNOCANCEL:
        buttons = {{IDYES, "&Yes"}, {IDNO, "&No"}, {IDCANCEL, "Cancel"}};
        escapeResult = IDCANCEL;
        break;
    case MB_YESNO:
        buttons = {{IDYES, "&Yes"}, {IDNO, "&No"}};
        break;
    case MB_RETRYCANCEL:
        buttons = {{IDRETRY, "&Retry"}, {IDCANCEL, "Cancel"}};
        escapeResult = IDCANCEL;
        break;
    case MB_OK:
    default:
        buttons = {{IDOK, "OK"}};
        escapeResult = IDOK;
        break;
    }
    defaultIndex = (style >> 8) & 0xF;
    if (defaultIndex >= buttons.size())
        defaultIndex = 0;
    return buttons;
}

CQMMessageBox::CQMMessageBox(wxWindow* parent, const std::string& text, unsigned style)
    : wxDialog(parent, wxID_ANY, "Quillmark")
{
    size_t defaultIndex = 0;
    int escapeResult = 0;
    const auto buttons = ButtonsFor(style, defaultIndex, escapeResult);
    Build(text, style & 0xF0, buttons, defaultIndex, escapeResult);
}

CQMMessageBox::CQMMessageBox(wxWindow* parent, const std::string& text, unsigned icon,
                             const std::vector<Button>& buttons, size_t defaultIndex, int escapeResult)
    : wxDialog(parent, wxID_ANY, "Quillmark")
{
    Build(text, icon & 0xF0, buttons, defaultIndex, escapeResult);
}

void CQMMessageBox::Build(const std::string& text, unsigned icon, const std::vector<Button>& buttons,
                          size_t defaultIndex, int escapeResult)
{
    m_message = PlainLines(text);
    auto* top = new wxBoxSizer(wxHORIZONTAL);
    wxArtID art;
    switch (icon) {
    case MB_ICONERROR: art = wxART_ERROR; break;
    case MB_ICONQUESTION: art = wxART_QUESTION; break;
    case MB_ICONEXCLAMATION: art = wxART_WARNING; break;
    case MB_ICONINFORMATION: art = wxART_INFORMATION; break;
    default: break;
    }
    if (!art.empty())
        top->Add(new wxStaticBitmap(this, wxID_ANY, wxArtProvider::GetBitmap(art, wxART_MESSAGE_BOX)), 0,
                 wxALL, 12);
    auto* label = new wxStaticText(this, wxID_ANY, m_message);
    label->Wrap(FromDIP(520));
    top->Add(label, 1, wxALL | wxEXPAND, 12);

    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->AddStretchSpacer();
    for (size_t i = 0; i < buttons.size(); ++i) {
        const int result = buttons[i].result;
        auto* button = new wxButton(this, kButtonIdBase + result, buttons[i].label);
        button->Bind(wxEVT_BUTTON, [this, result](wxCommandEvent&) { EndModal(result); });
        row->Add(button, 0, wxALL, 4);
        m_buttons.emplace_back(result, button);
        if (i == defaultIndex) {
            button->SetDefault();
            button->SetFocus();
        }
    }
    row->AddStretchSpacer();

    auto* all = new wxBoxSizer(wxVERTICAL);
    all->Add(top, 1, wxEXPAND);
    all->Add(row, 0, wxEXPAND | wxALL, 8);
    SetSizerAndFit(all);
    // Escape: the Cancel answer where the box has one (OK for a lone OK).
    SetEscapeId(escapeResult ? kButtonIdBase + escapeResult : wxID_NONE);
    Bind(wxEVT_CLOSE_WINDOW, [this, escapeResult](wxCloseEvent& e) {
        if (escapeResult)
            EndModal(escapeResult);
        else
            e.Veto();
    });
    CentreOnParent();
}

wxWindow* CQMMessageBox::FindButton(int result) const
{
    for (const auto& [r, w] : m_buttons) {
        if (r == result)
            return w;
    }
    return nullptr;
}
