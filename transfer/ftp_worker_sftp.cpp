// SFTP through one sftp program per session, given its steps on its standard input.
#include "transfer/ftp_worker.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include "platform/error_text.h"
#include "platform/fd_io.h"
#include "transfer/ftp_settings.h"
#include "transfer/http_client.h"
#include "transfer/process_runner.h"
#include "transfer/sftp_session.h"
#include "transfer/transfer_host.h"

std::string CFTPWorker::SftpName(const std::string& text)
{
    return !text.empty() && text[0] == '-' ? "./" + text : text;
}

std::string CFTPWorker::QuotePath(const std::string& text)
{
    // sftp's batch reader takes \" and \\ inside double quotes; wildcard
    // characters inside quotes are already literal.
    std::string out = "\"";
    for (char c : SftpName(text)) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    out += '"';
    return out;
}

bool CFTPWorker::RunSftpCommand(const std::string& command, const std::string& a1, const std::string& a2,
                                std::string* output)
{
    for (const std::string* a : {&a1, &a2}) {
        if (!IsSendableName(*a))
            return RefuseName(*a, "CFTPWorker::RunSftpCommand", false);
    }
    std::string batch;
    GetCurrentPath(batch, false);
    batch += command;
    if (!a1.empty())
        batch += " " + QuotePath(a1);
    if (!a2.empty())
        batch += " " + QuotePath(a2);
    batch += "\n";
    return RunSftpBatch(batch, output);
}

bool CFTPWorker::RunSftpBatch(const std::string& batch, std::string* output)
{
    std::vector<std::string> extra = ExtraParameters();
    if (RefuseExtraParameters(extra))
        return false;
    const CFTPSettings& s = *m_pSettings;
    // A destination that looks like an option would be taken for one.
    if (s.m_strServer.empty() || s.m_strServer[0] == '-' || s.m_strUser.empty() || s.m_strUser[0] == '-' ||
        s.m_strServer.find_first_of(" \t\r\n") != std::string::npos ||
        s.m_strUser.find_first_of(" \t\r\n@") != std::string::npos) {
        SetLastServerResponse("The SFTP server or user name is not valid: " + s.m_strUser + "@" + s.m_strServer);
        m_host.ReportError(inet::ExtendedError, "CFTPWorker::RunSftpBatch");
        return false;
    }
    std::vector<std::string> argv{m_strSftpProgram};
    for (auto& a : extra)
        argv.push_back(std::move(a));
    // sftp takes the steps from its standard input; the batch file keeps
    // the record of every step the session was given.
    for (const char* o : {"-F", "/dev/null", "-oBatchMode=yes", "-oClearAllForwardings=yes", "-oForwardAgent=no",
                          "-oForwardX11=no", "-b", "-"})
        argv.push_back(o);
    const std::string port = s.GetPort();
    if (!port.empty()) {
        argv.push_back("-P");
        argv.push_back(port);
    }
    argv.push_back(s.m_strUser + "@" + s.m_strServer);
    const bool newSession = !m_pSftp || !m_pSftp->CanCarry(argv);
    if (newSession) {
        EndSftpSession();
        std::string batchPath;
        if (!m_host.GetTempFile(std::string(), "QMb", ".txt", batchPath, &m_nBatchRecord))
            return false;
        // Appended to, so that a record someone emptied goes on from its start.
        ::fcntl(m_nBatchRecord, F_SETFL, ::fcntl(m_nBatchRecord, F_GETFL) | O_APPEND);
    }
    // Written through the descriptor that made the file: the name could
    // have been swapped for a link to another file meanwhile.
    int error = 0;
    if (!WriteAll(m_nBatchRecord, batch.data(), batch.size(), &error)) {
        EndSftpSession();
        m_host.ReportError(error ? static_cast<uint32_t>(error) : EIO, "CFTPWorker::RunSftpBatch: write");
        return false;
    }
    if (newSession) {
        // Under a non-UTF-8 locale sftp prints the bytes of non-ASCII names
        // as octal escapes; names are UTF-8 here.
        m_pSftp = std::make_unique<CSftpSession>(m_host, argv, std::vector<std::string>{"LC_ALL=C.UTF-8"});
        if (!m_pSftp->Start()) {
            EndSftpSession();
            return false;
        }
    }
    std::string errors;
    const bool ok = m_pSftp->RunStep(batch, output, errors, m_nRunTimeLimitMs);
    if (!errors.empty())
        m_strTranscript += FormatCommandLine(argv) + "\r\n" + errors;
    if (!ok && !m_pSftp->StopReason().empty())
        StoppedRun("sftp", m_pSftp->StopReason());
    // A new session that ended on its first step never got past ssh's
    // connection and login: ssh said why.
    m_bSftpLoginFailed = false;
    LoginFailure failure;
    if (!ok && newSession && m_host.GetCancelState(false) != CS_CANCELLED && LoginFailureFromSsh(errors, failure)) {
        m_bSftpLoginFailed = true;
        ReportLoginFailure(failure);
    }
    return ok;
}

void CFTPWorker::EndSftpSession()
{
    if (m_nBatchRecord >= 0) {
        ::close(m_nBatchRecord);
        m_nBatchRecord = -1;
    }
    if (!m_pSftp)
        return;
    std::string errors;
    m_pSftp->Close(errors);
    m_pSftp.reset();
    m_strTranscript += errors;
}

bool CFTPWorker::UploadSftp(const std::string& localPath, const std::string& target, const std::string& folder)
{
    if (!IsSendableName(localPath))
        return RefuseName(localPath, "CFTPWorker::UploadFile: SFTP(put)", true);
    // The website tells which folders and files exist already; one
    // connection to it serves the session's uploads while the server keeps it.
    const std::string probeBase = m_strWebProbeBase.empty() ? "http://" + m_pSettings->m_strServer : m_strWebProbeBase;
    if (!m_pWebProbe || m_pWebProbe->Base() != CHttpProbe::TrimmedBase(probeBase))
        m_pWebProbe = std::make_unique<CHttpProbe>(probeBase);
    CHttpProbe& probe = *m_pWebProbe;
    std::string batch;
    GetCurrentPath(batch, false);
    std::vector<std::string> prefixes;
    for (size_t i = 1; i < folder.size(); ++i) {
        if (folder[i] == '/')
            prefixes.push_back(folder.substr(0, i));
    }
    if (!folder.empty())
        prefixes.push_back(folder);
    // A folder an earlier upload of this worker went into is there already.
    const std::string cdLine = batch;
    for (const auto& prefix : prefixes) {
        if (m_madeFolders.count(cdLine + prefix))
            continue;
        bool exists = false;
        if (!WebPathExists(&probe, prefix, exists)) {
            m_host.ReportError(inet::ExtendedError, "CFTPWorker::UploadFile: CFTPWorker::WebPathExists");
            return false;
        }
        // "-": a folder the website did not show but that exists all the
        // same does not stop the batch.
        if (!exists)
            batch += "-mkdir " + QuotePath(prefix) + "\n";
    }
    bool exists = false;
    if (!WebPathExists(&probe, target, exists)) {
        m_host.ReportError(inet::ExtendedError, "CFTPWorker::UploadFile: CFTPWorker::WebPathExists");
        return false;
    }
    if (exists)
        batch += "rm " + QuotePath(target) + "\n";
    batch += "put " + QuotePath(localPath) + " " + QuotePath(target) + "\n";
    if (RunSftpBatch(batch, nullptr)) {
        for (const auto& prefix : prefixes)
            m_madeFolders.insert(cdLine + prefix);
        return true;
    }
    if (m_host.GetCancelState(false) != CS_CANCELLED && !m_bSftpLoginFailed) {
        SetLastServerResponse("sftp could not upload " + target + " (see the transfer log)");
        m_host.ReportError(inet::ExtendedError, "CFTPWorker::UploadFile: SFTP(put)");
    }
    return false;
}
