#include "gui/setup_dialog_driver.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/dialog.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>
#include <wx/utils.h>
#include <wx/wx.h>

#include "ui/dialog_services.h"

namespace setupdrv {

void Settle(int rounds)
{
    Pump(rounds * 10);
}

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
    SetChooserHook([this](const char* kind, const FileChooserRequest& request, wxString& path) {
        chooserKinds.push_back(kind);
        chooserStarts.push_back(request.start);
        if (answers.empty() || answers.front().empty()) {
            if (!answers.empty())
                answers.erase(answers.begin());
            return false;
        }
        path = answers.front();
        answers.erase(answers.begin());
        return true;
    });
}

CDialogScript::~CDialogScript()
{
    SetMessageHook(nullptr);
    SetChooserHook(nullptr);
}

}  // namespace setupdrv
