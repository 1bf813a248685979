// The four small images shown beside the fields of the Identify Score File
// dialog, one per field state. They are cut from one strip made once and
// scaled to the screen's resolution.
#pragma once

#include <wx/bitmap.h>

enum FieldState : int {
    FIELD_EMPTY_ALLOWED = 0,  // empty, and that is allowed
    FIELD_WARNING = 1,        // not used by the dialogs so far
    FIELD_INVALID = 2,
    FIELD_VALID = 3,
};

// The image for a state (0..3); an empty bitmap for any other value.
const wxBitmap& GetFieldStateBitmap(int state);
