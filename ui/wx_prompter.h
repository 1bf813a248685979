// The prompter of the window application: the core's questions and
// messages as real dialogs, always shown on the user-interface thread (a
// call from a worker is handed over and the worker waits for the answer).
#pragma once

#include <functional>

#include "app/prompter.h"

class wxWindow;

class CWxPrompter : public IPrompter {
public:
    // The window the dialogs belong to (the main frame once it exists).
    void SetParent(wxWindow* parent) { m_parent = parent; }
    wxWindow* GetParent() const { return m_parent; }

    int MessageBox(const std::string& text, unsigned style) override;
    int YesToAllBox(const std::string& text) override;
    bool SaveFileDialog(const FileDialogRequest& request, std::string& path) override;
    bool OpenFileDialog(const FileDialogRequest& request, std::string& path, int& filterIndex) override;
    bool OpenFilesDialog(const FileDialogRequest& request, std::vector<std::string>& paths) override;
    void ShowText(const std::string& caption, const std::string& text, const std::string& profileSection,
                  bool withCancel) override;
    void ShowHelp(const std::string& topic = {}) override;

    // The dialogs of ui/wx_prompter_dialogs.cpp: Identify Score File,
    // Confirm Posting (and Add Score Files) and History.
    IdentifyResult IdentifyScoreFile(const IdentifyRequest& request, IdentifyAnswer& answer) override;
    bool ConfirmPosting(const ConfirmPostingRequest& request, ConfirmPostingAnswer& answer) override;
    int ViewHistory(const HistoryRequest& request, HistoryAnswer& answer) override;

    // The Setup sheet, Index, hand-record folders and wireless-database
    // dialogs (ui/wx_prompter_setup_dialogs.cpp).
    bool EditSetup(SetupSheetValues& values) override;
    bool EditIndex(const std::vector<CScoreFile*>& entries, std::vector<bool>& toggles) override;
    bool HandRecordFolders(const HandRecordFoldersRequest& request, HandRecordFoldersAnswer& answer) override;
    int WirelessDatabase(const WirelessDatabaseRequest& request, std::string& path) override;

    // The file-dialog wildcard of a filter such as "Name (*.x)|*.x|...||".
    static std::string Wildcard(const std::string& filter);
    // The chosen file name with the default extension added when it has
    // none (".qsu" for "Setup"); extension without the dot or with it.
    static std::string WithDefaultExtension(const std::string& path, const std::string& extension);

private:
    wxWindow* m_parent = nullptr;
};
