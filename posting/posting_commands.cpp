// The posting-side commands besides the posting run: Upload a Test File,
// Erase Upload History, History, Hand Record Folders and Help.
#include "posting/posting_commands.h"

#include <cerrno>
#include <cstdio>
#include <ctime>

#include "app/transfer_parameter_check.h"
#include "app/error_report.h"
#include "app/quillmark_app.h"
#include "platform/exceptions.h"
#include "platform/text_encoding.h"
#include "platform/text_helpers.h"
#include "transfer/ftp_worker.h"

const char* const kEraseHistoryQuestion =
    "Are you sure you want to erase the Upload History?\r\n\r\n"
    "Quillmark uses its Upload History to detect duplicate posting\r\n"
    "of result files, and similar situations.\r\n\r\n";

namespace {

const char kTestFileName[] = "TestFile.txt";

}  // namespace

std::string TestFileAddress(const CFTPSettings& s)
{
    std::string address = ToLowerAscii(s.GetProtocolName()) + "://" + s.m_strUser + "@" + s.m_strServer;
    const std::string port = s.GetPort();
    if (!port.empty())
        address += ":" + port;
    if (!s.m_strDirectory.empty())
        address += "/" + s.m_strDirectory;
    return address + "/" + kTestFileName;
}

std::string TestFileText(int64_t now, const std::string& address)
{
    const time_t t = static_cast<time_t>(now);
    struct tm local {};
    char created[128] = "";
    if (::localtime_r(&t, &local))
        std::strftime(created, sizeof created, "Quillmark test file created %a %b %d %H:%M:%S %Y %z\n", &local);
    return std::string(created) + "Uploaded " + address + "\n";
}

void CQuillmarkApp::OnHelpUploadTestFile()
{
    if (RefuseTransferParameters(*this))
        return;
    // Busy like every operation: Cancel stops it and the other commands
    // wait for it.
    CBusyGuard busy(*this);
    CFTPWorker worker(&m_Setup.m_Ftp, *this);
    const std::string address = TestFileAddress(m_Setup.m_Ftp);

    // Each step runs only when everything before it worked, so the outcome
    // is the first failure's.
    auto upload = [&]() -> bool {
        // The frame answers 0 once Cancel has been pressed.
        if (!SetStatusTextFormat("Uploading %s", address.c_str()) && m_pMainFrame)
            return false;
        if (!worker.Login() || !IsNotCanceled(true))
            return false;
        std::string local;
        if (!GetTempFile(std::string(), "QMt", ".txt", local))
            return false;
        const std::string text = Utf8ToCp1252(TestFileText(Now(), address));
        errno = 0;
        FILE* f = std::fopen(local.c_str(), "we");
        bool written = f && std::fwrite(text.data(), 1, text.size(), f) == text.size();
        int error = errno;
        if (f && std::fclose(f) != 0) {
            if (written)
                error = errno;
            written = false;
        }
        if (!written) {
            ReportError(static_cast<uint32_t>(error ? error : EIO), "CQuillmarkApp::OnHelpUploadTestFile");
            return false;
        }
        if (!IsNotCanceled(true))
            return false;
        return worker.UploadFile(local, kTestFileName);
    };
    bool ok = false;
    try {
        ok = upload();
    } catch (const CException& e) {
        // Reported here, so the outcome line and the transcript still follow.
        ReportException(e, "CQuillmarkApp::OnHelpUploadTestFile");
    }
    worker.Disconnect();
    SetStatusTextFormat("%s uploading %s", ok ? "Success" : "Failure", address.c_str());
    worker.ShowLog();
}

void CQuillmarkApp::OnSetupEraseUploadHistory()
{
    if (Prompter().MessageBox(kEraseHistoryQuestion, MB_OKCANCEL) != IDOK)
        return;
    m_History.RemoveAll();
    SaveData(true);
    if (m_pLog)
        m_pLog->Write("History erased\n");
}

void CQuillmarkApp::OnViewHistory()
{
    CColScoreFile copy(m_History);
    HistoryRequest request;
    request.history = &copy;
    HistoryAnswer answer;
    if (Prompter().ViewHistory(request, answer) != IDOK) {
        if (m_pLog)
            m_pLog->Write("View History: Changes canceled\n");
        return;
    }
    if (answer.modified <= 0)
        return;
    // History can be opened while a posting run waits in its message loop;
    // that run holds records of the Upload History and adds to it, so the
    // copy must not replace it then.
    if (!IsIdle()) {
        MessageBoxLogged("The Upload History cannot be changed while an operation is running.\r\n"
                         "Your changes were not saved.",
                         MB_OK | MB_ICONEXCLAMATION);
        if (m_pLog)
            m_pLog->Write("View History: Changes canceled\n");
        return;
    }
    m_History = copy;
    SaveData(true);
    if (m_pLog)
        m_pLog->Write("View History: Changes committed\n");
}

void CQuillmarkApp::OnViewHandRecordFolders()
{
    CSearchPath& path = GetHandRecordSearchPath();
    HandRecordFoldersRequest request;
    request.folders.assign(path.Folders().begin(), path.Folders().end());
    HandRecordFoldersAnswer answer;
    if (!Prompter().HandRecordFolders(request, answer) || answer.removed <= 0)
        return;
    path.RemoveAll();
    for (const std::string& folder : answer.folders)
        path.Append(folder);
    SaveData(false);
}

void CQuillmarkApp::OnHelp()
{
    Prompter().ShowHelp();
}
