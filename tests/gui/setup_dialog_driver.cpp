#include "gui/setup_dialog_driver.h"

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>

#include "ui/dialog_services.h"

namespace setupdrv {

void ClickId(wxWindow* dialog, int id)
{
    Click(dialog->FindWindow(id));
}

void Tick(wxCheckBox* box, bool value)
{
    box->SetValue(value);
    wxCommandEvent event(wxEVT_CHECKBOX, box->GetId());
    event.SetEventObject(box);
    event.SetInt(value ? 1 : 0);
    box->ProcessWindowEvent(event);
}

void Choose(wxChoice* choice, int index)
{
    choice->SetSelection(index);
    wxCommandEvent event(wxEVT_CHOICE, choice->GetId());
    event.SetEventObject(choice);
    event.SetInt(index);
    choice->ProcessWindowEvent(event);
}

void Type(wxTextCtrl* edit, const wxString& text)
{
    TypeText(edit, text.utf8_string());
}

void Shot(wxWindow* window, const std::string& name)
{
    const wxRect area = window->GetScreenRect();
    wxUIActionSimulator().MouseMove(area.GetRight() + 40, area.GetBottom() + 40);
    window->Raise();
    window->Refresh();
    window->Update();
    SaveShot(window, name);
}

CDialogScript::CDialogScript()
{
    SetMessageHook([this](const wxString& text, long) {
        messages.push_back(text);
        return wxID_OK;
    });
    SetChooserHook([this](const char* kind, const FileChooserRequest&, wxString& path) {
        chooserKinds.push_back(kind);
        const wxString answer = answers.empty() ? wxString() : answers.front();
        if (!answers.empty())
            answers.erase(answers.begin());
        if (answer.empty())
            return false;
        path = answer;
        return true;
    });
}

CDialogScript::~CDialogScript()
{
    SetMessageHook(nullptr);
    SetChooserHook(nullptr);
}

}  // namespace setupdrv
