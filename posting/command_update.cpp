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

void CQuillmarkApp::OnUpdatePostGames(ICmdUI& ui, bool shiftHeld)
{
    if (m_strPostGamesCaption.empty()) {
        // "Post Games (F4)" gives "Repost (Shift+F4)".
        m_strPostGamesCaption = ui.GetText();
        const size_t paren = m_strPostGamesCaption.find('(');
        m_strRepostCaption = paren == std::string::npos
                                 ? std::string("Repost")
                                 : "Repost (Shift+" + m_strPostGamesCaption.substr(paren + 1);
    }
    ui.Enable(IsIdle());
    const std::string& caption = shiftHeld ? m_strRepostCaption : m_strPostGamesCaption;
    if (ui.GetText() != caption)
        ui.SetText(caption);
}

void CQuillmarkApp::OnUpdateEraseUploadHistory(ICmdUI& ui) const
{
    ui.Enable(IsIdle() && !m_History.IsEmpty());
}
