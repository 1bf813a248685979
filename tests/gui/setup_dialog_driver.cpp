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

int RunModal(wxDialog& dialog, std::function<void()> script)
{
    wxTheApp->CallAfter([&dialog, script] {
        Settle();
        script();
        Settle();
        if (dialog.IsModal()) {
            ADD_FAILURE() << "the dialog was left open";
            dialog.EndModal(wxID_CANCEL);
        }
    });
    return dialog.ShowModal();
}

void Settle(int rounds)
{
    for (int i = 0; i < rounds; ++i) {
        wxTheApp->Yield(true);
        wxMilliSleep(10);
    }
}

void Click(wxWindow* button)
{
    ASSERT_NE(button, nullptr);
    wxCommandEvent event(wxEVT_BUTTON, button->GetId());
    event.SetEventObject(button);
    button->ProcessWindowEvent(event);
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
    // SetValue sends the control's own wxEVT_TEXT.
    edit->SetValue(text);
}

void Shot(wxWindow* window, const std::string& name)
{
    const std::string dir = QM_SHOTS_DIR;
    ::mkdir(dir.c_str(), 0755);
    // The pointer off the window, so no control is drawn highlighted.
    const wxRect area = window->GetScreenRect();
    wxUIActionSimulator().MouseMove(area.GetRight() + 40, area.GetBottom() + 40);
    window->Raise();
    window->Refresh();
    window->Update();
    Settle(10);
    const wxRect r = window->GetScreenRect();
    const std::string cmd = "import -window root -crop " + std::to_string(r.width) + "x" +
                            std::to_string(r.height) + "+" + std::to_string(r.x) + "+" + std::to_string(r.y) +
                            " '" + dir + "/" + name + ".png' 2>/dev/null";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
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
