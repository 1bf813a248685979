#include "ui/text_dialog.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/fontdlg.h>
#include <wx/msgdlg.h>
#include <wx/radiobox.h>
#include <wx/richtooltip.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/textctrl.h>
#include <wx/toolbar.h>
#include <wx/utils.h>

#include "app/quillmark_app.h"
#include "platform/text_encoding.h"
#include "ui/size_box.h"

namespace {

const char kFontSection[] = "TextDialog";
const char kFontValue[] = "LogFont";

wxString FromUtf8(const std::string& text)
{
    return wxString::FromUTF8(SanitizeUtf8(text));
}

std::wstring WideFromUtf8(const std::string& text)
{
    return FromUtf8(text).ToStdWstring();
}

// The last path component of a caption ("/a/b/log.txt" -> "log.txt").
wxString LastComponent(const std::string& caption)
{
    const size_t slash = caption.find_last_of("/\\");
    return FromUtf8(slash == std::string::npos ? caption : caption.substr(slash + 1));
}

}  // namespace

// ---------------------------------------------------------------------------
// CQMFindDialog

CQMFindDialog::CQMFindDialog(CTextDialog* viewer, wxFindReplaceData* data,
                             const std::string& section)
    : wxFindReplaceDialog(viewer, data, "Find", 0), m_viewer(viewer)
{
    m_findText = m_textFind;
    Bind(wxEVT_CHAR_HOOK, &CQMFindDialog::OnCharHook, this);
    CSizeBox::Attach(this, section, false);
}

void CQMFindDialog::SelectFindText()
{
    if (!m_findText)
        return;
    m_findText->SetSelection(-1, -1);
    m_findText->ShowPosition(0);
    m_findText->SetFocus();
}

void CQMFindDialog::ReadControls()
{
    wxFindReplaceData* data = m_FindReplaceData;
    if (!data)
        return;
    int flags = data->GetFlags();
    auto setBit = [&flags](int bit, bool on) { flags = on ? (flags | bit) : (flags & ~bit); };
    if (m_textFind)
        data->SetFindString(m_textFind->GetValue());
    if (m_chkWord)
        setBit(wxFR_WHOLEWORD, m_chkWord->GetValue());
    if (m_chkCase)
        setBit(wxFR_MATCHCASE, m_chkCase->GetValue());
    if (m_radioDir)
        setBit(wxFR_DOWN, m_radioDir->GetSelection() == 1);  // Up, Down
    data->SetFlags(flags);
}

void CQMFindDialog::OnCharHook(wxKeyEvent& event)
{
    // The viewer's keys work while the find window has the focus.
    const int key = event.GetKeyCode();
    if (key == WXK_F3 && !event.ControlDown() && !event.AltDown()) {
        m_viewer->FindNext(false, event.ShiftDown());
        return;
    }
    if ((key == 'F' || key == 'f') && event.GetModifiers() == wxMOD_CONTROL) {
        m_viewer->FindText();
        return;
    }
    event.Skip();
}

// ---------------------------------------------------------------------------
// CTextDialog

CTextDialog::CTextDialog(wxWindow* parent) : m_parent(parent), m_textColour(*wxBLACK) {}

CTextDialog::~CTextDialog()
{
    // The find window points at this viewer's find data: it goes first.
    delete m_findDialog;
    m_findDialog = nullptr;
}

bool CTextDialog::Create()
{
    m_modeless = true;
    return CreateWindow();
}

int CTextDialog::DoModal()
{
    m_modeless = false;
    if (!CreateWindow())
        return wxID_CANCEL;
    return ShowModal();
}

CTextDialog* CTextDialog::ShowModeless(wxWindow* parent, const std::string& caption,
                                       const std::string& text, const std::string& section,
                                       bool fixedFont)
{
    auto* viewer = new CTextDialog(parent);
    viewer->SetCaption(caption);
    viewer->SetText(text);
    viewer->SetSection(section);
    viewer->SetFixedFont(fixedFont);
    if (!viewer->Create()) {
        delete viewer;
        return nullptr;
    }
    viewer->Show();
    return viewer;
}

int CTextDialog::ShowModalText(wxWindow* parent, const std::string& caption,
                               const std::string& text, const std::string& section,
                               bool withCancel, bool fixedFont)
{
    CTextDialog viewer(parent);
    viewer.SetCaption(caption);
    viewer.SetText(text);
    viewer.SetSection(section);
    viewer.SetCancelButton(withCancel);
    viewer.SetFixedFont(fixedFont);
    return viewer.DoModal();
}

bool CTextDialog::CreateWindow()
{
    if (m_created)
        return true;
    if (m_section.empty())
        m_section = "TextDialog";
    m_findSection = m_section + "_Find";
    if (!wxDialog::Create(m_parent, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize,
                          wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER))
        return false;
    m_created = true;
    SetCaption(m_caption);

    auto* mainSizer = new wxBoxSizer(wxVERTICAL);
    if (m_withToolBar) {
        BuildToolBar();
        mainSizer->Add(m_toolBar, 0, wxEXPAND);
    }
    long style = wxTE_MULTILINE | wxTE_READONLY | wxTE_NOHIDESEL;
    if (m_noWrap)
        style |= wxTE_DONTWRAP | wxHSCROLL;
    else
        style |= wxTE_BESTWRAP;  // at a blank, else anywhere (paths have no blanks)
    m_edit = new wxTextCtrl(this, ID_TEXT, wxString(), wxDefaultPosition,
                            ConvertDialogToPixels(wxSize(120, 40)), style);
    m_edit->SetBackgroundColour(wxColour(240, 240, 240));
    // The user moves the selection with the mouse and the keys.
    m_edit->Bind(wxEVT_LEFT_UP, [this](wxMouseEvent& event) {
        event.Skip();
        RememberSelection();
    });
    m_edit->Bind(wxEVT_KEY_UP, [this](wxKeyEvent& event) {
        event.Skip();
        RememberSelection();
    });
    auto* textRow = new wxBoxSizer(wxHORIZONTAL);
    textRow->Add(m_edit, 1, wxEXPAND);
    mainSizer->Add(textRow, 1, wxEXPAND);
    AddExtraControls(mainSizer, textRow);
    SetSizer(mainSizer);
    SetSize(ConvertDialogToPixels(m_sizeDU));

    // The find settings of this use.
    IProfile& profile = theApp().Profile();
    m_findString = FromUtf8(profile.GetString(m_findSection, "FindString"));
    m_findFlags = MaskFindFlags(profile.GetInt(m_findSection, "FindFlags", FIND_DOWN));

    if (m_withToolBar) {
        wxAcceleratorEntry keys[3];
        keys[0].Set(wxACCEL_CTRL, 'F', wxID_FIND);
        keys[1].Set(wxACCEL_NORMAL, WXK_F3, ID_FIND_NEXT);
        keys[2].Set(wxACCEL_SHIFT, WXK_F3, ID_FIND_PREVIOUS);
        SetAcceleratorTable(wxAcceleratorTable(3, keys));
        Bind(wxEVT_MENU, [this](wxCommandEvent&) { FindText(); }, wxID_FIND);
        Bind(wxEVT_MENU, [this](wxCommandEvent&) { FindNext(false, false); }, ID_FIND_NEXT);
        Bind(wxEVT_MENU, [this](wxCommandEvent&) { FindNext(false, true); }, ID_FIND_PREVIOUS);
        Bind(wxEVT_MENU, [this](wxCommandEvent&) { ChooseFont(); }, ID_CHOOSE_FONT);
        Bind(wxEVT_MENU, [this](wxCommandEvent&) { SaveAs(); }, ID_SAVE_AS);
    }
    auto abort = [this](wxCommandEvent&) {
        // Cancels the running operation, then closes like the close box.
        if (CQuillmarkApp* app = GetAppPtr())
            app->OnFileCancel();
        CloseViewer();
    };
    Bind(wxEVT_MENU, abort, ID_ABORT);
    Bind(wxEVT_BUTTON, abort, ID_ABORT);
    Bind(wxEVT_CLOSE_WINDOW, &CTextDialog::OnClose, this);
    Bind(wxEVT_CHAR_HOOK, &CTextDialog::OnCharHook, this);
    Bind(wxEVT_FIND, &CTextDialog::OnFindEvent, this);
    Bind(wxEVT_FIND_NEXT, &CTextDialog::OnFindEvent, this);
    Bind(wxEVT_FIND_CLOSE, &CTextDialog::OnFindEvent, this);

    CSizeBox::Attach(this, m_section, true);
    LoadFont();
    ShowTextInEdit(true);
    m_edit->SetFocus();
    return true;
}

void CTextDialog::BuildToolBar()
{
    m_toolBar = new wxToolBar(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                              wxTB_HORIZONTAL | wxTB_FLAT | wxTB_NODIVIDER);
    auto art = [](const wxArtID& id, const wxArtID& fallback) {
        wxBitmap bitmap = wxArtProvider::GetBitmap(id, wxART_TOOLBAR);
        return bitmap.IsOk() ? bitmap : wxArtProvider::GetBitmap(fallback, wxART_TOOLBAR);
    };
    m_toolBar->AddTool(wxID_FIND, "Find", art(wxART_FIND, wxART_FIND), "Find (Ctrl+F)");
    m_toolBar->AddTool(ID_FIND_PREVIOUS, "Find Previous", art(wxART_GO_UP, wxART_GO_UP),
                       "Find Previous (Shift+F3)");
    m_toolBar->AddTool(ID_FIND_NEXT, "Find Next", art(wxART_GO_DOWN, wxART_GO_DOWN),
                       "Find Next (F3)");
    m_toolBar->AddTool(ID_CHOOSE_FONT, "Choose font",
                       art("preferences-desktop-font", wxART_EDIT), "Choose font");
    m_toolBar->AddTool(ID_SAVE_AS, "Save As", art(wxART_FILE_SAVE_AS, wxART_FILE_SAVE),
                       "Save As");
    if (m_cancelButton) {
        m_toolBar->AddSeparator();
        auto* cancel = new wxButton(m_toolBar, ID_ABORT, "Cancel");
        cancel->SetToolTip("Abort the current operation");
        m_toolBar->AddControl(cancel);
    }
    m_toolBar->Realize();
}

void CTextDialog::LoadFont()
{
    SavedFont saved;
    if (ParseSavedFont(theApp().Profile().GetString(kFontSection, kFontValue), saved)) {
        wxFontInfo info(FontHeightToPoints(saved.height));
        info.FaceName(FromUtf8(saved.faceName))
            .Italic(saved.italic != 0)
            .Underlined(saved.underline != 0)
            .Strikethrough(saved.strikeOut != 0);
        if ((saved.pitchAndFamily & 0xF0) == 0x30)
            info.Family(wxFONTFAMILY_TELETYPE);
        wxFont font(info);
        if (saved.weight > 0)
            font.SetNumericWeight(saved.weight);
        if (font.IsOk()) {
            ApplyFont(font, wxColour(static_cast<unsigned long>(saved.colour)), false);
            return;
        }
    }
    if (m_fixedFont)
        ApplyFont(wxFont(wxFontInfo(8).Family(wxFONTFAMILY_TELETYPE).FaceName("Courier New")),
                  *wxBLACK, false);
    else
        m_edit->SetForegroundColour(m_textColour);
}

void CTextDialog::ApplyFont(const wxFont& font, const wxColour& colour, bool save)
{
    if (!font.IsOk())
        return;
    m_textColour = colour.IsOk() ? colour : *wxBLACK;
    if (m_edit) {
        m_edit->SetFont(font);
        m_edit->SetForegroundColour(m_textColour);
        m_edit->Refresh();
    }
    if (!save)
        return;
    SavedFont saved;
    saved.colour = static_cast<uint32_t>(m_textColour.GetRGB()) & 0xFFFFFFu;
    saved.height = PointsToFontHeight(font.GetPointSize());
    saved.weight = font.GetNumericWeight();
    saved.italic = font.GetStyle() != wxFONTSTYLE_NORMAL;
    saved.underline = font.GetUnderlined();
    saved.strikeOut = font.GetStrikethrough();
    saved.charSet = 1;  // default character set
    saved.pitchAndFamily = font.IsFixedWidth() ? 0x31 : 0;
    saved.faceName = font.GetFaceName().ToStdString(wxConvUTF8).substr(0, 31);
    theApp().Profile().WriteString(kFontSection, kFontValue, FormatSavedFont(saved));
}

void CTextDialog::ShowTextInEdit(bool caretToEnd)
{
    if (!m_edit)
        return;
    m_edit->ChangeValue(ToControlLineEnds(m_text));
    IndentContinuations(0);
    if (caretToEnd) {
        const long end = m_edit->GetLastPosition();
        SelectRange(end, end);
    }
}

void CTextDialog::SetText(const std::string& text)
{
    CloseFindDialog();
    m_text = NormalizeLineEnds(WideFromUtf8(text));
    ShowTextInEdit(true);
}

void CTextDialog::AppendText(const std::string& text)
{
    const std::wstring more = NormalizeLineEnds(WideFromUtf8(text));
    m_text += more;
    if (m_edit) {
        const long from = m_edit->GetLastPosition();
        m_edit->AppendText(ToControlLineEnds(more));
        IndentContinuations(from);
        ScrollToEnd();
    }
}

void CTextDialog::IndentContinuations(long from)
{
    // A wrapped line's continuation stands a little to the right, so that
    // it is not taken for a line (a log entry) of its own.
    if (m_noWrap || !m_edit || from >= m_edit->GetLastPosition())
        return;
    wxTextAttr hanging;
    hanging.SetLeftIndent(0, 50);  // tenths of a millimetre
    m_edit->SetStyle(from, m_edit->GetLastPosition(), hanging);
}

void CTextDialog::ScrollToEnd()
{
    if (!m_edit)
        return;
    const long end = m_edit->GetLastPosition();
    SelectRange(end, end);
    m_edit->ShowPosition(end);
}

void CTextDialog::SelectRange(long from, long to)
{
    m_edit->SetSelection(from, to);
    m_selFrom = from;
    m_selTo = to;
}

void CTextDialog::RememberSelection()
{
    if (m_edit)
        m_edit->GetSelection(&m_selFrom, &m_selTo);
}

void CTextDialog::GetSearchSelection(long& from, long& to)
{
    // Only one selection exists on the display: when the find window
    // selects its text, the edit's selection is dropped. Without the focus
    // the user cannot have moved it, so the remembered one holds.
    long liveFrom = 0, liveTo = 0;
    m_edit->GetSelection(&liveFrom, &liveTo);
    if (liveFrom != liveTo || FindFocus() == m_edit) {
        m_selFrom = liveFrom;
        m_selTo = liveTo;
    }
    from = m_selFrom;
    to = m_selTo;
}

void CTextDialog::SetCaption(const std::string& caption)
{
    m_caption = caption;
    if (m_created)
        SetTitle(FromUtf8(caption.empty() ? "Quillmark" : caption + " - Quillmark"));
}

void CTextDialog::FindText()
{
    if (!m_edit)
        return;
    long from = 0, to = 0;
    GetSearchSelection(from, to);
    if (from != to)
        m_findString = m_edit->GetRange(std::min(from, to), std::max(from, to));
    if (m_findDialog) {
        if (m_findDialog->GetFindText())
            m_findDialog->GetFindText()->SetValue(m_findString);
        m_findDialog->SelectFindText();
        m_findDialog->Show();
        m_findDialog->Raise();
        return;
    }
    m_findData.SetFindString(m_findString);
    m_findData.SetFlags(m_findFlags);
    auto* dialog = new CQMFindDialog(this, &m_findData, m_findSection);
    if (!dialog->GetHandle()) {
        delete dialog;
        return;
    }
    m_findDialog = dialog;
    const wxString name = LastComponent(m_caption);
    if (!name.empty())
        dialog->SetTitle(dialog->GetTitle() + " - " + name);
    dialog->SelectFindText();
    dialog->Show();
}

bool CTextDialog::FindNext(bool fromFindWindow, bool backward)
{
    if (!m_edit)
        return false;
    if (m_findDialog) {
        m_findDialog->SelectFindText();
        m_findDialog->ReadControls();
        m_findString = m_findData.GetFindString();
        m_findFlags = MaskFindFlags(m_findData.GetFlags());
        IProfile& profile = theApp().Profile();
        profile.WriteString(m_findSection, "FindString", m_findString.ToStdString(wxConvUTF8));
        profile.WriteInt(m_findSection, "FindFlags", m_findFlags);
    }
    if (fromFindWindow)
        backward = (m_findFlags & FIND_DOWN) == 0;
    long from = 0, to = 0;
    GetSearchSelection(from, to);
    const std::wstring text = m_edit->GetValue().ToStdWstring();
    const std::wstring find = m_findString.ToStdWstring();
    const long pos = FindInText(text, find, from, to, backward, m_findFlags);
    if (pos >= 0) {
        SelectRange(pos, pos + static_cast<long>(find.size()));
        m_edit->ShowPosition(pos);
        return true;
    }
    if (m_findDialog && m_findDialog->GetFindText()) {
        wxRichToolTip tip("Not Found", "The specified text was not found");
        tip.SetIcon(wxICON_ERROR);
        tip.ShowFor(m_findDialog->GetFindText());
    }
    wxBell();
    return false;
}

void CTextDialog::OnFindEvent(wxFindDialogEvent& event)
{
    if (!m_findDialog)
        return;
    if (event.GetEventType() == wxEVT_FIND_CLOSE) {
        wxFindReplaceDialog* dialog = m_findDialog;
        m_findDialog = nullptr;
        dialog->Destroy();
        return;
    }
    FindNext(true, false);
}

void CTextDialog::CloseFindDialog()
{
    if (!m_findDialog)
        return;
    wxFindReplaceDialog* dialog = m_findDialog;
    m_findDialog = nullptr;
    dialog->Destroy();
}

void CTextDialog::ChooseFont()
{
    wxFontData data;
    data.SetInitialFont(m_edit->GetFont());
    data.SetColour(m_textColour);
    data.EnableEffects(true);
    wxFontDialog dialog(this, data);
    if (dialog.ShowModal() != wxID_OK)
        return;
    const wxFontData& chosen = dialog.GetFontData();
    ApplyFont(chosen.GetChosenFont(), chosen.GetColour(), true);
}

void CTextDialog::SaveAs()
{
    const int64_t now = GetAppPtr() ? theApp().Now() : static_cast<int64_t>(::time(nullptr));
    wxFileDialog dialog(this, "Save As", wxString(), FromUtf8(DefaultSaveName(m_section, now)),
                        "Text files (*.txt)|*.txt", wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    if (dialog.ShowModal() != wxID_OK)
        return;
    wxString path = dialog.GetPath();
    // Some dialogs give the folder and the name but no joined path.
    if (path.empty() && !dialog.GetFilename().empty())
        path = wxFileName(dialog.GetDirectory(), dialog.GetFilename()).GetFullPath();
    if (path.empty())
        return;
    if (wxFileName(path).GetExt().empty())
        path += ".txt";
    std::string error;
    if (!SaveTextTo(path.ToStdString(wxConvUTF8), error))
        wxMessageBox(FromUtf8(error), "Quillmark", wxOK | wxICON_ERROR, this);
}

bool CTextDialog::SaveTextTo(const std::string& path, std::string& error) const
{
    auto fail = [&](int code) {
        error = path + ": " + std::strerror(code);
        return false;
    };
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return fail(errno);
    std::string bytes = "\xEF\xBB\xBF";
    bytes += wxString(m_text).ToStdString(wxConvUTF8);
    if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
        const int code = errno ? errno : EIO;
        std::fclose(file);
        return fail(code);
    }
    if (std::fclose(file) != 0)
        return fail(errno);
    return true;
}

void CTextDialog::CloseViewer()
{
    CloseFindDialog();
    if (IsModal())
        EndModal(wxID_CANCEL);
    else if (m_destroyOnClose)
        Destroy();
    else
        Hide();
}

void CTextDialog::OnClose(wxCloseEvent& event)
{
    if (!event.CanVeto()) {
        event.Skip();
        return;
    }
    CloseViewer();
}

void CTextDialog::OnCharHook(wxKeyEvent& event)
{
    const int key = event.GetKeyCode();
    if (key == WXK_ESCAPE && m_ignoreEscape)
        return;
    if ((key == 'A' || key == 'a') && event.GetModifiers() == wxMOD_CONTROL && m_edit &&
        FindFocus() == m_edit) {
        m_edit->SetSelection(-1, -1);
        return;
    }
    event.Skip();
}
