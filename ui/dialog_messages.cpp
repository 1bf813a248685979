#include "ui/dialog_messages.h"

#include <wx/msgdlg.h>

#include "app/quillmark_app.h"

int ShowDialogMessage(const std::string& text, unsigned style)
{
    if (CQuillmarkApp* app = GetAppPtr())
        return app->Prompter().MessageBox(text, style);
    long wxStyle = wxOK;
    if ((style & 0xF) == MB_OKCANCEL)
        wxStyle = wxOK | wxCANCEL;
    if ((style & 0xF0) == MB_ICONERROR)
        wxStyle |= wxICON_ERROR;
    else if ((style & 0xF0) == MB_ICONINFORMATION)
        wxStyle |= wxICON_INFORMATION;
    if (style & MB_DEFBUTTON2)
        wxStyle |= wxCANCEL_DEFAULT;
    const int answer = wxMessageBox(ToDisplayLines(text), "Quillmark", wxStyle);
    return answer == wxOK ? IDOK : IDCANCEL;
}

wxString ToDisplayLines(const std::string& text)
{
    wxString s = ToWx(text);
    s.Replace("\r\n", "\n");
    return s;
}
