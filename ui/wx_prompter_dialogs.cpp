// The prompter's dialogs over score files: each is built here, filled from
// the core's request, shown modally on the user-interface thread and read
// back into the answer after OK.
#include "ui/wx_prompter.h"

#include "ui/confirm_dialog.h"
#include "ui/history_dialog.h"
#include "ui/id_file_dialog.h"
#include "ui/ui_thread.h"

namespace {

wxWindow* DialogParent(wxWindow* parent)
{
    return parent && parent->IsShown() && !parent->IsBeingDeleted() ? parent : nullptr;
}

}  // namespace

IdentifyResult CWxPrompter::IdentifyScoreFile(const IdentifyRequest& request, IdentifyAnswer& answer)
{
    return ui::RunOnUiThread<IdentifyResult>(
        [&] {
            CIDFileDialog dialog(DialogParent(GetParent()));
            dialog.m_fileName = request.path;
            dialog.m_fileIsLocal = request.local;
            dialog.m_fileText = request.content.empty() ? nullptr : request.content.c_str();
            dialog.m_event = request.event;
            dialog.m_sessionDate = request.sessionDate;
            dialog.m_sessionTime = request.sessionTimeIndex;
            dialog.m_limit = request.mpLimits;
            dialog.m_section = request.section;
            const int result = dialog.ShowModal();
            if (result == CIDFileDialog::ID_SKIP)
                return IdentifyResult::Skip;
            if (result != wxID_OK)
                return IdentifyResult::Cancel;
            answer.event = dialog.m_event;
            answer.sessionDate = dialog.m_sessionDate;
            answer.sessionTimeIndex = dialog.m_sessionTime;
            answer.mpLimits = dialog.m_limit;
            answer.section = dialog.m_section;
            return IdentifyResult::Ok;
        },
        IdentifyResult::Cancel);
}

bool CWxPrompter::ConfirmPosting(const ConfirmPostingRequest& request, ConfirmPostingAnswer& answer)
{
    return ui::RunOnUiThread<bool>(
        [&] {
            CConfirmDialog dialog(DialogParent(GetParent()));
            dialog.m_request = &request;
            if (dialog.ShowModal() != wxID_OK)
                return false;
            answer = dialog.m_answer;
            return true;
        },
        false);
}

int CWxPrompter::ViewHistory(const HistoryRequest& request, HistoryAnswer& answer)
{
    return ui::RunOnUiThread<int>(
        [&] {
            CHistoryDialog dialog(DialogParent(GetParent()));
            dialog.m_request = &request;
            const int result = dialog.ShowModal();
            answer.modified = dialog.m_modified;
            return result == wxID_OK ? IDOK : IDCANCEL;
        },
        IDCANCEL);
}
