// The plain-FTP internet session is owned by the FTP settings through a
// unique_ptr; its destructor must be visible where the settings are
// destroyed. The transfer code defines CQMSession; until then this
// placeholder keeps the settings complete.
#pragma once

#if __has_include("transfer/qm_session.h")
#include "transfer/qm_session.h"
#else
class CQMSession {
public:
    virtual ~CQMSession() = default;
};
#endif
