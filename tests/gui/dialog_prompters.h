// Prompters for the window tests that show the real dialog for one of the
// core's calls and let the test work it; every other question is answered
// from the script.
#pragma once

#include <functional>

#include "dialog_driver.h"
#include "support/test_app.h"
#include "ui/confirm_dialog.h"

// Confirm Posting (and Add Score Files).
class CConfirmDialogPrompter : public CScriptedPrompter {
public:
    std::function<void(CConfirmDialog&)> script;
    int result = 0;

    bool ConfirmPosting(const ConfirmPostingRequest& request, ConfirmPostingAnswer& answer) override
    {
        CConfirmDialog dlg;
        dlg.m_request = &request;
        result = RunModal(dlg, [&] { script(dlg); });
        if (result != wxID_OK)
            return false;
        answer = dlg.m_answer;
        return true;
    }
};

