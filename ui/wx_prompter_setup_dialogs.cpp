// The prompter's dialogs of Setup, the index, the hand-record folders and
// the wireless database: built, filled and read back on the UI thread.
#include "app/quillmark_app.h"
#include "ui/dialog_commands.h"
#include "ui/ui_thread.h"
#include "ui/wx_prompter.h"

#include <wx/window.h>

namespace {

wxWindow* UsableParent(wxWindow* parent)
{
    return parent && parent->IsShown() && !parent->IsBeingDeleted() ? parent : nullptr;
}

}  // namespace

bool CWxPrompter::EditSetup(SetupSheetValues& values)
{
    return ui::RunOnUiThread<bool>([&] { return ShowSetupSheet(UsableParent(m_parent), values); }, false);
}

bool CWxPrompter::EditIndex(const std::vector<CScoreFile*>& entries, std::vector<bool>& toggles)
{
    return ui::RunOnUiThread<bool>([&] { return ShowIndexDialog(UsableParent(m_parent), entries, toggles); },
                                   false);
}

bool CWxPrompter::HandRecordFolders(const HandRecordFoldersRequest& request, HandRecordFoldersAnswer& answer)
{
    return ui::RunOnUiThread<bool>(
        [&] {
            return ShowHandRecordFolders(UsableParent(m_parent), request.folders, answer.folders, answer.removed);
        },
        false);
}

int CWxPrompter::WirelessDatabase(const WirelessDatabaseRequest& request, std::string& path)
{
    return ui::RunOnUiThread<int>(
        [&] {
            path = request.path;
            bool doNotShowAgain = false;
            const int result =
                ShowWirelessDialog(UsableParent(m_parent), request.error, request.message, path, doNotShowAgain);
            // The alert follows the box as it was when the dialog closed;
            // saved once, and only when that changed it.
            if (CQuillmarkApp* app = GetAppPtr())
                app->ApplyDoNotShowWirelessAlert(doNotShowAgain);
            return result;
        },
        IDCANCEL);
}
