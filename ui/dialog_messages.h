// Message boxes shown by the dialogs go through the application's prompter
// (so they are logged and answered like every other message of the
// program); without an application object a plain wx message box is shown.
#pragma once

#include <string>

#include <wx/string.h>

int ShowDialogMessage(const std::string& text, unsigned style);

// UTF-8 std::string <-> wxString.
inline wxString ToWx(const std::string& s) { return wxString::FromUTF8(s.data(), s.size()); }
inline std::string FromWx(const wxString& s) { return s.utf8_string(); }
// Windows line ends of stored texts as the toolkit shows them.
wxString ToDisplayLines(const std::string& text);
