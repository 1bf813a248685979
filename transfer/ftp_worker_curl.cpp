// FTPS through the curl program, and the child-process steps shared with
// SFTP.
#include "transfer/ftp_worker.h"

#include <chrono>
#include <cstdlib>

#include "platform/error_text.h"
#include "platform/line_splitter.h"
#include "platform/path_helpers.h"
#include "platform/text_helpers.h"

#include "platform/exceptions.h"
#include "transfer/curl_support.h"
#include "transfer/ftp_replies.h"
#include "transfer/ftp_settings.h"
#include "transfer/process_runner.h"
#include "transfer/secret_file.h"
#include "transfer/transfer_host.h"
#include "transfer/transfer_limits.h"
#include "transfer/url_string.h"

namespace {

// What of a verbose curl run goes to the transcript: curl's own lines, and
// for a failed run the server's last reply, which says why where curl's
// message may not ("Bad PASV/EPSV response: 550" for a refused store); the
// runner's closing line only when something stands above it.
std::string CurlTranscriptText(const CCurlVerboseText& run, bool ok)
{
    std::string own, closing;
    CLineSplitter lines(run.ownLines, LineEnds::Lf);
    TextLine piece;
    while (lines.Next(piece)) {
        const std::string line(piece.withEnd);
        const std::string bare = Trim(line);
        if (bare.rfind("curl has exited with code ", 0) == 0 || (!bare.empty() && bare.find_first_not_of('-') == std::string::npos))
            closing += line;
        else
            own += line;
    }
    if (!ok) {
        const std::string refusal = run.LastRefusal();
        if (!refusal.empty())
            own += "The server answered: " + ShownReason(refusal) + "\r\n";
    }
    if (own.empty())
        return ok ? std::string() : closing;
    return own + closing;
}

// A server that sent curl away before the login (a 421, which curl takes
// for a time-out) or asked for TLS there: its own words.
bool TurnedAwayBeforeLogin(const CCurlVerboseText& run, LoginFailure& failure)
{
    for (const CFtpExchange& e : run.exchanges) {
        for (const std::string& reply : e.replies) {
            if (reply.compare(0, 3, "230") == 0)
                return false;  // logged in
        }
    }
    const std::string refusal = run.LastRefusal();
    const int code = refusal.size() >= 3 ? std::atoi(refusal.substr(0, 3).c_str()) : 0;
    if (code != 421 && !SaysTlsRequired(code, refusal))
        return false;
    failure = LoginFailureFromInternetError(0, std::string(), code, refusal);
    return true;
}

}  // namespace

std::vector<std::string> CFTPWorker::ExtraParameters() const
{
    return m_pSettings ? SplitArguments(m_pSettings->GetParameters()) : std::vector<std::string>();
}

std::string CFTPWorker::CurlUrl(const std::string* name, bool directory) const
{
    std::string url = "ftp://" + m_pSettings->m_strServer;
    const std::string port = m_pSettings->GetPort();
    if (!port.empty())
        url += ":" + port;
    if (name) {
        std::string path;
        GetCurrentPath(path, false);
        path += *name;
        url += "/" + EncodePath(path);
        if (directory && url.back() != '/')
            url += '/';
    }
    return url;
}

bool CFTPWorker::RunCurl(const std::vector<std::string>& options, const std::string* name,
                         const std::vector<std::string>& trailing, bool directory, std::string* output)
{
    ITransferHost& app = m_host;
    m_curlRun = CCurlVerboseText();
    std::vector<std::string> extra = ExtraParameters();
    if (RefuseExtraParameters(extra))
        return false;
    // The credentials reach curl only through the netrc file, never on its
    // command line; the file is wiped and deleted when this scope ends,
    // however the run went.
    CSecretFile netrc;
    std::string netrcPath;
    if (!netrc.WriteNetrc(app, *m_pSettings, netrcPath))
        return false;
    // "-q", which curl takes only as its first argument, keeps the user's own
    // .curlrc out: options there ("insecure", "user") would switch off the
    // certificate check or replace the login.
    std::vector<std::string> argv{m_strCurlProgram, "-q", "--silent", "--show-error", "--ssl-reqd"};
    // curl's account of the exchange holds the server's own replies: why a
    // store was refused, whether a listing was cut short. Only what curl
    // itself says reaches the transcript, unless the extra parameters ask
    // for all of it.
    bool userVerbose = false;
    for (const std::string& a : extra)
        userVerbose = userVerbose || a == "-v" || a == "--verbose" || (a.size() > 1 && a[0] == '-' && a[1] != '-' &&
                                                                       a.find('v') != std::string::npos);
    argv.push_back("--verbose");
    if (!m_pSettings->m_bActiveFtp)
        argv.push_back("--ftp-pasv");
    argv.push_back("--netrc-file");
    argv.push_back(netrcPath);
    for (auto& a : extra)
        argv.push_back(std::move(a));
    argv.insert(argv.end(), options.begin(), options.end());
    argv.push_back(CurlUrl(name, directory));
    argv.insert(argv.end(), trailing.begin(), trailing.end());
    m_bCurlShowsAll = userVerbose;
    const size_t at = m_strTranscript.size();
    bool ok = RunProcess(argv, "curl", output);
    m_bCurlShowsAll = false;
    if (ok && directory && output) {
        // A listing the server cut short, or one of other folders, is no
        // listing of this folder.
        std::string why;
        if (!ListingCutShort(m_curlRun.LastReplyTo("LIST"), why) && ListingNamesOtherFolders(*output))
            why = "The server answered with the listings of other folders; nothing of the answer was used.";
        if (!why.empty()) {
            output->clear();
            if (m_strTranscript.size() == at)
                m_strTranscript += FormatCommandLine(argv) + "\r\n";
            m_strTranscript += why + "\r\n";
            m_host.WriteLog(why + "\n");
            ok = false;
        }
    }
    return ok;
}

bool CFTPWorker::UploadFtps(const std::string& localPath, const std::string& target)
{
    // curl makes missing folders. What stands under the name goes first, in
    // the same run, in the target's folder, right before the store: some
    // servers will not store over a file (a read-only page, ProFTPD's
    // AllowOverwrite off), some write through a link that stands there to
    // wherever it points. A removal that fails is no failure (nothing
    // there yet); a folder under the name stays, and the store then fails.
    const std::string name = GetFileNameOnly(target);
    if (RunCurl({"--ftp-create-dirs", "-Q", "+*DELE " + name, "-T", localPath}, &target, {}, false, nullptr))
        return true;
    // The server's reply says why, where curl's message may not ("Bad
    // PASV/EPSV response: 550" for a refused store).
    const std::string refusal = m_curlRun.LastRefusal();
    if (!refusal.empty() && !m_loginFailure && m_host.GetCancelState(false) != CS_CANCELLED) {
        SetLastServerResponse("The server refused to store " + target + ": " + ShownReason(refusal));
        m_host.ReportError(inet::ExtendedError, "CFTPWorker::UploadFile: curl");
    }
    return false;
}

bool CFTPWorker::RunProcess(const std::vector<std::string>& argv, const std::string& program,
                            std::string* output, const std::vector<std::string>& environment)
{
    CProcessRunner runner(m_host);
    // A note on why the run was stopped goes after the run's own lines.
    const size_t at = m_strTranscript.size();
    const bool ok = RunAndWait(runner, argv, program, output, environment);
    std::string said = runner.GetOutput();
    if (program == "curl") {
        m_curlRun = ReadCurlVerbose(said);
        if (!m_bCurlShowsAll)
            said = CurlTranscriptText(m_curlRun, ok);
    }
    if (!said.empty() || m_strTranscript.size() > at)
        m_strTranscript.insert(at, FormatCommandLine(argv) + "\r\n" + said);
    // curl connects and logs in at every run: a server it could not reach
    // or a login the server refused is told as a plain-FTP login tells it,
    // not only in the transcript.
    LoginFailure failure;
    if (!ok && program == "curl" && !runner.IsRunning() &&
        (TurnedAwayBeforeLogin(m_curlRun, failure) ||
         LoginFailureFromCurl(runner.GetExitCode(), m_curlRun.ownLines, failure)))
        ReportLoginFailure(failure);
    return ok;
}

bool CFTPWorker::RunAndWait(CProcessRunner& runner, const std::vector<std::string>& argv,
                            const std::string& program, std::string* output,
                            const std::vector<std::string>& environment)
{
    ITransferHost& app = m_host;
    if (!runner.Start(argv, std::string(), program, environment))
        return false;
    // curl and sftp never get input.
    runner.CloseStdin();
    const int64_t limitMs = m_nRunTimeLimitMs > 0 ? m_nRunTimeLimitMs : TransferLimits().requestMs;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    std::string line;
    while (runner.IsRunning()) {
        // Wakes at once on output or the program's end; the window is
        // served at least every 50 ms.
        runner.WaitForActivity(50);
        if (app.GetCancelState(true) == CS_CANCELLED) {
            runner.Terminate();
            return false;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            runner.Terminate();
            return StoppedRun(program, StrFormat("did not finish within %s", TimeLimitText(limitMs).c_str()));
        }
        CProcessRunner::ReadResult r;
        while ((r = runner.ReadLine(line, std::string(), false)) == CProcessRunner::RL_LINE) {
            if (output) {
                *output += line;
                *output += '\n';
            }
        }
        if (r == CProcessRunner::RL_ERROR) {
            if (!runner.OutputLimitReached())
                return false;
            runner.Terminate();
            if (output)
                output->clear();  // nothing is made of a cut listing
            return StoppedRun(program, StrFormat("wrote more than %s",
                                                 ByteLimitText(runner.GetOutputLimit()).c_str()));
        }
        if (output)
            *output += line;
    }
    return runner.GetExitCode() == 0;
}

bool CFTPWorker::StoppedRun(const std::string& program, const std::string& why)
{
    const std::string text = program + " " + why + " and was stopped.";
    m_strTranscript += text + "\r\n";
    m_host.WriteLog(text + "\n");
    return false;
}
