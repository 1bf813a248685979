// The modeless viewer that the score-file dialogs open beside them (View
// File, View Score File): one per dialog, made on first use without a
// parent, reused with new text afterwards, hidden when closed and destroyed
// by the dialog that made it.
#pragma once

#include <string>

class CTextDialog;

// Shows text (UTF-8) in viewer, making it first when viewer is null;
// returns the viewer (null when it could not be made).
CTextDialog* ShowFileText(CTextDialog* viewer, const std::string& caption, const std::string& text);
