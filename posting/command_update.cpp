// The enabling rules of the posting-side, index and setup-file commands.
// "Idle" is the cancel state 0: no operation is running.
#include "app/quillmark_app.h"
#include "posting/command_table.h"

void CQuillmarkApp::OnUpdateIdleOnly(ICmdUI& ui) const
{
    ui.Enable(IsIdle());
}

void CQuillmarkApp::OnUpdateFileCancel(ICmdUI& ui) const
{
    // Not once Cancel has been pressed: the operation is already stopping.
    ui.Enable(m_nCancelState == CS_RUNNING);
}

void CQuillmarkApp::OnUpdateRecentFileMenu(const std::function<bool(unsigned id)>& disableItem) const
{
    if (IsIdle())
        return;
    for (unsigned id = CMD_FILE_MRU_FIRST; id <= CMD_FILE_MRU_LAST; ++id) {
        if (!disableItem(id))
            break;
    }
}

void CQuillmarkApp::OnUpdateIndexCommand(ICmdUI& ui) const
{
    ui.Enable(!IsBridgeWebs() && IsIdle());
}

void CQuillmarkApp::OnUpdatePublishIndex(ICmdUI& ui) const
{
    ui.Enable(!IsBridgeWebs() && IsIdle() && IsIndexReady());
}

void CQuillmarkApp::OnUpdatePostGames(ICmdUI& ui, bool shiftHeld) const
{
    ui.Enable(IsIdle());
    // "Post Games (F4)", and "Repost (Shift+F4)" while Shift is held: each
    // from its command's row.
    const std::string caption = CommandCaption(*FindCommand(shiftHeld ? CMD_FILE_REPOST : CMD_POST_GAMES));
    if (ui.GetText() != caption)
        ui.SetText(caption);
}

void CQuillmarkApp::OnUpdateEraseUploadHistory(ICmdUI& ui) const
{
    ui.Enable(IsIdle() && !m_History.IsEmpty());
}
