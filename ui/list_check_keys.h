// The keyboard for lists with check boxes.
#pragma once

class wxListCtrl;

// Space (without Ctrl, Alt or Shift) ticks or clears the check box of the
// row that has the focus, as a click on the box does: the list raises its
// own checked or unchecked event, so whatever a click updates follows the
// key too. The focus and the selection stay where they are.
void ToggleCheckBoxWithSpace(wxListCtrl* list);
