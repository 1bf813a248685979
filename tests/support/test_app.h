// Test stand-ins for the user: a prompter that answers with scripted
// buttons and records every text, a status sink that records what the
// frame would show, and a fixture that builds an application object in a
// private data folder.
#pragma once

#include <gtest/gtest.h>

#include <cerrno>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "app/quillmark_app.h"

class CScriptedPrompter : public IPrompter {
public:
    struct ShownItem {
        // "box", "yestoall", "identify", "save", "open", "openmany",
        // "confirm", "wireless", "text", "setup"
        std::string kind;
        std::string text;
        unsigned style = 0;
    };

    // Answers are used in order; when none is left, defaultAnswer is given.
    void Answer(int button) { m_answers.push_back(button); }
    int defaultAnswer = IDOK;

    IdentifyResult identifyResult = IdentifyResult::Cancel;
    IdentifyAnswer identifyAnswer;
    std::string fileDialogPath;  // empty: the dialog is cancelled
    int fileDialogFilter = 1;
    std::vector<std::string> fileDialogPaths;  // multiple selection; empty: cancelled

    // Confirm Posting: the request last shown, and how to answer it (by
    // default OK with every row as it was shown).
    ConfirmPostingRequest confirmRequest;
    std::function<bool(const ConfirmPostingRequest&, ConfirmPostingAnswer&)> onConfirm;
    // The wireless-database dialog: answers in order (IDCANCEL when none is
    // left) with the path to try next (empty: the one shown).
    std::deque<std::pair<int, std::string>> wirelessAnswers;
    // Texts shown in the text viewer (caption, text).
    std::vector<std::pair<std::string, std::string>> textsShown;
    // The Setup sheet: edits the values it is shown and returns true for OK;
    // unset, the sheet is cancelled.
    std::function<bool(SetupSheetValues&)> setupAnswer;

    int MessageBox(const std::string& text, unsigned style) override;
    int YesToAllBox(const std::string& text) override;
    IdentifyResult IdentifyScoreFile(const IdentifyRequest& request, IdentifyAnswer& answer) override;
    bool SaveFileDialog(const FileDialogRequest& request, std::string& path) override;
    bool OpenFileDialog(const FileDialogRequest& request, std::string& path, int& filterIndex) override;
    bool ConfirmPosting(const ConfirmPostingRequest& request, ConfirmPostingAnswer& answer) override;
    int WirelessDatabase(const WirelessDatabaseRequest& request, std::string& path) override;
    bool OpenFilesDialog(const FileDialogRequest& request, std::vector<std::string>& paths) override;
    void ShowText(const std::string& caption, const std::string& text, const std::string& profileSection,
                  bool withCancel) override;
    bool EditSetup(SetupSheetValues& values) override;

    std::vector<ShownItem> Shown() const;
    std::vector<std::string> Texts() const;
    // The last item shown; a test failure (not a crash) and an empty item
    // when nothing was.
    ShownItem LastShown() const;
    std::string LastText() const { return LastShown().text; }
    void Clear();

private:
    int Next();
    mutable std::mutex m_mutex;
    std::deque<int> m_answers;
    std::vector<ShownItem> m_shown;
};

class CRecordingStatusSink : public IStatusSink {
public:
    int StatusText(int pane, const std::string& text) override;
    int UploadProgress(bool show, int total, int done) override;
    std::string GetLastStatus() const override;
    void NavigateView(const std::string& address, int) override { navigated.push_back(address); }
    std::vector<std::string> navigated;

    // Answer 0 (cancelled) from the n-th status or progress message on
    // (counting from 1); 0 never.
    int cancelAt = 0;
    std::vector<std::pair<int, std::string>> Texts() const;
    // The last (pane, text); a test failure and an empty pair when none.
    std::pair<int, std::string> LastText() const;

private:
    mutable std::mutex m_mutex;
    int m_count = 0;
    std::string m_last;
    std::vector<std::pair<int, std::string>> m_texts;
};

class CFixedClock : public IClock {
public:
    int64_t now = 1700000000;
    int64_t Now() const override { return now; }
};

// A temporary folder removed with everything in it at the end.
class CTempFolder {
public:
    CTempFolder();
    ~CTempFolder();
    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const;
    // Writes bytes to a file in the folder and returns its path.
    std::string Write(const std::string& name, const std::string& bytes) const;

private:
    std::string m_path;
};

std::string ReadWholeFile(const std::string& path);
// Writes size bytes of pseudo-random data (the same bytes for the same
// seed); false when the file could not be written.
bool WriteRandomFile(const std::string& path, size_t size, uint64_t seed);

// The web names of the Upload History as a fresh start reads it from the
// program data folder (in file order).
std::vector<std::string> HistoryWebNamesOnDisk(IPrompter& prompter);

// A data protector that always fails, as when no key can be made. Like the
// real one it empties its output first, so that a caller protecting
// straight into the stored password loses it here as it would there.
class CFailingProtector : public IDataProtector {
public:
    bool Protect(const uint8_t*, size_t, const std::string&, const uint8_t*, size_t, std::vector<uint8_t>& blob,
                 uint32_t& error) override
    {
        blob.clear();
        error = EACCES;
        return false;
    }
    bool Unprotect(const std::vector<uint8_t>&, const uint8_t*, size_t, CSecretBytes& plain, uint32_t& error) override
    {
        plain.Clear();
        error = EACCES;
        return false;
    }
};

// A fixture with an application object installed as theApp(), a private
// data folder (QUILLMARK_DATA_DIR) and temporary folder (TMPDIR), the log
// created in the data folder, a scripted prompter and a recording frame.
class AppTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::string LogText() const;

    CTempFolder folder;
    std::string dataDir;
    std::string tempDir;
    CScriptedPrompter prompter;
    CRecordingStatusSink frame;
    CFileProfile profile;
    std::unique_ptr<CQuillmarkApp> app;

private:
    std::string m_oldData, m_oldTmp;
    bool m_hadData = false, m_hadTmp = false;
};
