#include "ui/list_check_keys.h"

#include <wx/listctrl.h>

void ToggleCheckBoxWithSpace(wxListCtrl* list)
{
    // The rows' own window has the keyboard; a handler bound to it runs
    // before the list's, which would take Space as a selection key.
    list->GetMainWindowOfCompositeControl()->Bind(wxEVT_KEY_DOWN, [list](wxKeyEvent& event) {
        if (event.GetKeyCode() != WXK_SPACE || event.HasAnyModifiers() || !list->HasCheckBoxes()) {
            event.Skip();
            return;
        }
        const long row = list->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_FOCUSED);
        if (row < 0 || row >= list->GetItemCount()) {
            event.Skip();
            return;
        }
        list->CheckItem(row, !list->IsItemChecked(row));
    });
}
