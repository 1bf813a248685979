// CTextDialog: the program's one window for showing text (the log, the
// transfer log, a score file, a page's source). A resizable read-only text
// with a toolbar (Find, Find Previous, Find Next, Choose font, Save As),
// keys Ctrl+F, F3 and Shift+F3, one font and colour shared by every viewer,
// and Save As to a UTF-8 file. Modeless (kept by its creator, hidden when
// closed) or modal. Each use names a profile section for its placement and
// find settings.
#pragma once

#include <string>

#include <wx/dialog.h>
#include <wx/fdrepdlg.h>

#include "ui/text_search.h"

class wxSizer;
class wxTextCtrl;
class wxToolBar;
class CSizeBox;
class CTextDialog;

// The find window: a find-only wxFindReplaceDialog whose position is kept
// under the viewer's find section.
class CQMFindDialog : public wxFindReplaceDialog {
public:
    CQMFindDialog(CTextDialog* viewer, wxFindReplaceData* data, const std::string& section);
    // Selects the whole find-what text and gives it the focus.
    void SelectFindText();
    // Copies the controls' current state (text, direction, whole word,
    // match case) into the find data, as a Find Next press would.
    void ReadControls();
    wxTextCtrl* GetFindText() const { return m_findText; }

private:
    void OnCharHook(wxKeyEvent& event);
    CTextDialog* m_viewer;
    wxTextCtrl* m_findText = nullptr;
};

class CTextDialog : public wxDialog {
public:
    // Command ids of the toolbar and keys (Find is wxID_FIND).
    enum {
        ID_TEXT = 1066,
        ID_FIND_NEXT = wxID_HIGHEST + 1,
        ID_FIND_PREVIOUS,
        ID_CHOOSE_FONT,
        ID_SAVE_AS,
        ID_ABORT,
    };

    // Nothing is shown until Create (modeless) or DoModal (modal); set the
    // text, caption, section and options first.
    explicit CTextDialog(wxWindow* parent = nullptr);
    ~CTextDialog() override;

    // ---- inputs (before creation; SetText/SetCaption also after) ---------
    // UTF-8 text; line ends are made CR LF. Closes the find window and puts
    // the caret at the end.
    void SetText(const std::string& text);
    // Appends UTF-8 text and scrolls so that the newest line shows.
    void AppendText(const std::string& text);
    void ScrollToEnd();
    // Title: caption + " - " (when not empty) + "Quillmark".
    void SetCaption(const std::string& caption);
    // Profile section of the placement ("" means "TextDialog"); the find
    // settings go to section + "_Find".
    void SetSection(const std::string& section) { m_section = section; }
    // A toolbar "Cancel" button that cancels the running operation.
    void SetCancelButton(bool on) { m_cancelButton = on; }
    // true: lines run on past the window's edge behind a horizontal scroll
    // bar; by default long lines (log entries with whole paths) wrap at the
    // edge and their continuation is indented.
    void SetNoWrap(bool on) { m_noWrap = on; }
    // Without a saved font: a fixed-pitch font of 8 points.
    void SetFixedFont(bool on) { m_fixedFont = on; }
    // A modeless viewer is destroyed instead of hidden when closed.
    void SetDestroyOnClose(bool on) { m_destroyOnClose = on; }

    // ---- showing ---------------------------------------------------------
    // Creates the viewer modeless (not yet shown: call Show()). false when
    // the window could not be made.
    bool Create();
    // Creates the viewer and shows it modal; wxID_CANCEL when closed.
    int DoModal();
    // A new modeless viewer, shown; wx owns it (it is hidden when closed,
    // destroyed with its parent).
    static CTextDialog* ShowModeless(wxWindow* parent, const std::string& caption,
                                     const std::string& text, const std::string& section,
                                     bool fixedFont = true);
    // A modal viewer on the stack; returns when the user closes it.
    static int ShowModalText(wxWindow* parent, const std::string& caption,
                             const std::string& text, const std::string& section,
                             bool withCancel = false, bool fixedFont = false);

    // ---- state -----------------------------------------------------------
    // The text with CR LF line ends (as saved).
    const std::wstring& GetText() const { return m_text; }
    const std::string& GetSection() const { return m_section; }
    const std::string& GetFindSection() const { return m_findSection; }
    wxTextCtrl* GetEdit() const { return m_edit; }
    wxToolBar* GetToolBar() const { return m_toolBar; }
    CQMFindDialog* GetFindDialog() const { return m_findDialog; }
    const wxString& GetFindString() const { return m_findString; }
    int GetFindFlags() const { return m_findFlags; }
    bool IsModeless() const { return m_modeless; }
    // The selection the next search starts from (the edit's own, or the
    // last one known while another window holds the display's selection).
    void GetSearchSelection(long& from, long& to);
    // The colour of the text (the saved one, else black).
    const wxColour& GetTextColour() const { return m_textColour; }

    // ---- commands (the toolbar and keys run these) -----------------------
    void FindText();                       // Ctrl+F
    bool FindNext(bool fromFindWindow, bool backward);
    void ChooseFont();
    void SaveAs();
    // Writes the text as UTF-8 with a byte-order mark and CR LF line ends.
    // false with the message shown to the user in error.
    bool SaveTextTo(const std::string& path, std::string& error) const;
    // Gives the edit the font and colour; with save, stores them for every
    // viewer.
    void ApplyFont(const wxFont& font, const wxColour& colour, bool save);

protected:
    // Hook for subclasses that add controls beside the text (textRow, a
    // horizontal sizer holding the text) or below it (mainSizer); called
    // inside Create before the layout is fixed.
    virtual void AddExtraControls(wxSizer* mainSizer, wxSizer* textRow) {}
    // Whether the toolbar is made; whether Escape is ignored (the viewer)
    // or closes the dialog.
    bool m_withToolBar = true;
    bool m_ignoreEscape = true;
    // The first size, in dialog units.
    wxSize m_sizeDU{313, 183};
    wxTextCtrl* m_edit = nullptr;

private:
    bool CreateWindow();
    void BuildToolBar();
    void LoadFont();
    void ShowTextInEdit(bool caretToEnd);
    // Indents the continuation of wrapped lines from position from on.
    void IndentContinuations(long from);
    void OnClose(wxCloseEvent& event);
    void OnCharHook(wxKeyEvent& event);
    void OnFindEvent(wxFindDialogEvent& event);
    void CloseFindDialog();
    void SelectRange(long from, long to);
    void RememberSelection();
    void CloseViewer();

    wxWindow* m_parent;
    std::wstring m_text;
    std::string m_caption;
    std::string m_section;
    std::string m_findSection;
    bool m_cancelButton = false;
    bool m_noWrap = false;
    bool m_fixedFont = false;
    bool m_destroyOnClose = false;
    bool m_modeless = false;
    bool m_created = false;
    wxToolBar* m_toolBar = nullptr;
    wxColour m_textColour;
    wxFindReplaceData m_findData;
    CQMFindDialog* m_findDialog = nullptr;
    wxString m_findString;
    int m_findFlags = FIND_DOWN;
    long m_selFrom = 0, m_selTo = 0;
};
