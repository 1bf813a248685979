#include "support/test_app.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/path_helpers.h"

int CScriptedPrompter::Next()
{
    if (m_answers.empty())
        return defaultAnswer;
    const int a = m_answers.front();
    m_answers.pop_front();
    return a;
}

int CScriptedPrompter::MessageBox(const std::string& text, unsigned style)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_shown.push_back({"box", text, style});
    return Next();
}

int CScriptedPrompter::YesToAllBox(const std::string& text)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_shown.push_back({"yestoall", text, 0});
    return Next();
}

IdentifyResult CScriptedPrompter::IdentifyScoreFile(const IdentifyRequest& request, IdentifyAnswer& answer)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_shown.push_back({"identify", request.path, 0});
    answer = identifyAnswer;
    return identifyResult;
}

bool CScriptedPrompter::SaveFileDialog(const FileDialogRequest& request, std::string& path)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_shown.push_back({"save", request.initialFolder + "|" + request.initialName, 0});
    if (fileDialogPath.empty())
        return false;
    path = fileDialogPath;
    return true;
}

bool CScriptedPrompter::OpenFileDialog(const FileDialogRequest& request, std::string& path, int& filterIndex)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_shown.push_back({"open", request.title, 0});
    if (fileDialogPath.empty())
        return false;
    path = fileDialogPath;
    filterIndex = fileDialogFilter;
    return true;
}

bool CScriptedPrompter::ConfirmPosting(const ConfirmPostingRequest& request, ConfirmPostingAnswer& answer)
{
    std::function<bool(const ConfirmPostingRequest&, ConfirmPostingAnswer&)> hook;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_shown.push_back({"confirm", std::to_string(request.rows.size()) + " rows", 0});
        confirmRequest = request;
        hook = onConfirm;
    }
    answer.checked.clear();
    answer.handRecordPaths.clear();
    for (const ConfirmPostingRow& row : request.rows) {
        answer.checked.push_back(row.checked);
        answer.handRecordPaths.push_back(row.handRecordPath);
    }
    return hook ? hook(request, answer) : true;
}

int CScriptedPrompter::WirelessDatabase(const WirelessDatabaseRequest& request, std::string& path)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_shown.push_back({"wireless", request.message + "|" + request.path, request.error});
    if (wirelessAnswers.empty())
        return IDCANCEL;
    const auto answer = wirelessAnswers.front();
    wirelessAnswers.pop_front();
    path = answer.second.empty() ? request.path : answer.second;
    return answer.first;
}

bool CScriptedPrompter::OpenFilesDialog(const FileDialogRequest& request, std::vector<std::string>& paths)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_shown.push_back({"openmany", request.title + "|" + request.initialFolder + "|" + request.filter, 0});
    paths = fileDialogPaths;
    return !paths.empty();
}

void CScriptedPrompter::ShowText(const std::string& caption, const std::string& text,
                                 const std::string& profileSection, bool withCancel)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_shown.push_back({"text", caption, 0});
    textsShown.emplace_back(caption, text);
}

bool CScriptedPrompter::EditSetup(SetupSheetValues& values)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_shown.push_back({"setup", "Quillmark Setup", 0});
    }
    // Unlocked: the answer may look at what was shown.
    return setupAnswer ? setupAnswer(values) : false;
}

std::vector<CScriptedPrompter::ShownItem> CScriptedPrompter::Shown() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_shown;
}

std::vector<std::string> CScriptedPrompter::Texts() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::string> out;
    for (const auto& s : m_shown)
        out.push_back(s.text);
    return out;
}

void CScriptedPrompter::Clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_shown.clear();
    m_answers.clear();
}

int CRecordingStatusSink::StatusText(int pane, const std::string& text)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_texts.emplace_back(pane, text);
    if (pane == 2)
        m_last = text;
    ++m_count;
    return (cancelAt > 0 && m_count >= cancelAt) ? 0 : 1;
}

int CRecordingStatusSink::UploadProgress(bool show, int total, int done)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_count;
    return (cancelAt > 0 && m_count >= cancelAt) ? 0 : 1;
}

std::string CRecordingStatusSink::GetLastStatus() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_last;
}

CScriptedPrompter::ShownItem CScriptedPrompter::LastShown() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_shown.empty()) {
        ADD_FAILURE() << "nothing was shown to the user";
        return {};
    }
    return m_shown.back();
}

std::pair<int, std::string> CRecordingStatusSink::LastText() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_texts.empty()) {
        ADD_FAILURE() << "no status text was shown";
        return {};
    }
    return m_texts.back();
}

std::vector<std::pair<int, std::string>> CRecordingStatusSink::Texts() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_texts;
}

CTempFolder::CTempFolder()
{
    const char* base = std::getenv("QM_TEST_TMP");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/qmtest-XXXXXX";
    char* made = ::mkdtemp(&pattern[0]);
    if (!made)
        throw std::runtime_error("mkdtemp failed");
    m_path = made;
}

CTempFolder::~CTempFolder()
{
    const std::string cmd = m_path;
    // Remove the tree without a shell.
    pid_t pid = fork();
    if (pid == 0) {
        execlp("rm", "rm", "-rf", "--", cmd.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    if (pid > 0) {
        int status = 0;
        waitpid(pid, &status, 0);
    }
}

std::string CTempFolder::File(const std::string& name) const
{
    return JoinPath(m_path, name);
}

std::string CTempFolder::Write(const std::string& name, const std::string& bytes) const
{
    const std::string path = File(name);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void AppTest::SetUp()
{
    dataDir = folder.File("data");
    tempDir = folder.File("tmp");
    ::mkdir(dataDir.c_str(), 0700);
    ::mkdir(tempDir.c_str(), 0700);
    if (const char* v = std::getenv("QUILLMARK_DATA_DIR")) { m_hadData = true; m_oldData = v; }
    if (const char* v = std::getenv("TMPDIR")) { m_hadTmp = true; m_oldTmp = v; }
    ::setenv("QUILLMARK_DATA_DIR", dataDir.c_str(), 1);
    ::setenv("TMPDIR", tempDir.c_str(), 1);
    app = std::make_unique<CQuillmarkApp>();
    SetAppPtr(app.get());
    app->SetPrompter(&prompter);
    app->SetMainFrame(&frame);
    app->SetProfile(&profile);
    app->CreateLog(JoinPath(dataDir, "QuillmarkLogfile.txt"));
}

void AppTest::TearDown()
{
    app.reset();
    SetAppPtr(nullptr);
    if (m_hadData) ::setenv("QUILLMARK_DATA_DIR", m_oldData.c_str(), 1); else ::unsetenv("QUILLMARK_DATA_DIR");
    if (m_hadTmp) ::setenv("TMPDIR", m_oldTmp.c_str(), 1); else ::unsetenv("TMPDIR");
}

std::string AppTest::LogText() const
{
    return ReadWholeFile(JoinPath(dataDir, "QuillmarkLogfile.txt"));
}

bool WriteRandomFile(const std::string& path, size_t size, uint64_t seed)
{
    std::mt19937_64 rng(seed);
    std::vector<uint64_t> block(1 << 17);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = true;
    for (size_t done = 0; ok && done < size; done += block.size() * 8) {
        for (auto& v : block)
            v = rng();
        const size_t n = std::min(block.size() * 8, size - done);
        ok = std::fwrite(block.data(), 1, n, f) == n;
    }
    return std::fclose(f) == 0 && ok;
}

std::vector<std::string> HistoryWebNamesOnDisk(IPrompter& prompter)
{
    CQuillmarkApp reader;
    reader.SetPrompter(&prompter);
    reader.LoadAppData();
    std::vector<std::string> names;
    for (int64_t i = 0; i < reader.GetHistory().GetCount(); ++i)
        names.push_back(reader.GetHistory()[i].GetWebName());
    return names;
}
