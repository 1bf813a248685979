// Upload speed on loopback, side by side with the command-line programs:
//   ftp ratio   256 MiB plain FTP through CFTPWorker against `curl -T`
//   sftp ratio  256 MiB through the runner against `sftp -b` run directly
//   small ratio 200 files of 4 KiB through one worker against 200 curl runs
// Ratios are speed ratios (the other program's time over ours): above 1
// means we are faster. Each time is the best of five rounds (two for the
// 200 files), ours and theirs taken in turns.
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

#include "app/quillmark_app.h"
#include "support/quiet_status_sink.h"
#include "support/servers.h"
#include "support/test_app.h"
#include "transfer/ftp_worker.h"

namespace {

double Seconds(const std::function<bool()>& run, bool& ok)
{
    const auto start = std::chrono::steady_clock::now();
    ok = run() && ok;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The best time of each of two runs, taken in turns so that a change in
// the machine's load falls on both alike.
std::pair<double, double> BestOfEach(int rounds, const std::function<bool()>& ours,
                                     const std::function<bool()>& theirs, bool& ok)
{
    double a = 1e9, b = 1e9;
    for (int i = 0; i < rounds; ++i) {
        a = std::min(a, Seconds(ours, ok));
        b = std::min(b, Seconds(theirs, ok));
    }
    return {a, b};
}


}  // namespace

int main()
{
    CTempFolder folder;
    const std::string site = folder.File("site");
    ::mkdir(site.c_str(), 0755);
    ::mkdir((site + "/ours").c_str(), 0755);
    ::mkdir((site + "/curl").c_str(), 0755);
    ::setenv("TMPDIR", folder.Path().c_str(), 1);
    ::setenv("QUILLMARK_DATA_DIR", folder.Path().c_str(), 1);

    const std::string user = "bench", password = "bench pass";
    loopback::CFtpServer ftp;
    loopback::CSshServer ssh;
    if (!ftp.Start(site, user, password, {}, folder.File("ftp.log")) ||
        !ssh.Start(folder.File("ssh"), folder.File("sshd.log"))) {
        std::printf("servers did not start\n");
        return 1;
    }

    CQuillmarkApp app;
    SetAppPtr(&app);
    CQuietStatusSink frame;
    IPrompter prompter;
    app.SetMainFrame(&frame);
    app.SetPrompter(&prompter);
    app.TestDataProtection();
    if (!app.SetFtpPassword(password)) {
        std::printf("the FTP password cannot be stored\n");
        return 1;
    }
    CFTPSettings& s = app.Setup().m_Ftp;
    s.m_strServer = "127.0.0.1";
    s.m_strUser = user;

    const size_t big = size_t(256) << 20;
    const std::string bigFile = folder.File("big.bin");
    if (!WriteRandomFile(bigFile, big, 42)) {
        std::printf("cannot write the test file\n");
        return 1;
    }
    const std::string url = "ftp://127.0.0.1:" + std::to_string(ftp.Port());
    const std::string creds = user + ":" + "bench%20pass";
    bool ok = true;

    // ---- plain FTP, 256 MiB ------------------------------------------------
    s.m_nProtocol = PROTOCOL_FTP;
    s.m_strPort[0] = std::to_string(ftp.Port());
    s.m_strDirectory = "ours";
    const auto [oursFtp, curlFtp] = BestOfEach(
        5,
        [&] {
            CFTPWorker w(&s, app);
            return w.UploadFile(bigFile, "big.bin");
        },
        [&] {
            return loopback::RunProgram({"curl", "-s", "-S", "-T", bigFile,
                                         "ftp://" + creds + "@127.0.0.1:" + std::to_string(ftp.Port()) +
                                             "/curl/big.bin"}) == 0;
        },
        ok);
    std::printf("ftp ratio=%.2f (ours %.3f s, curl -T %.3f s, 256 MiB, %.0f MB/s)\n", curlFtp / oursFtp, oursFtp,
                curlFtp, big / oursFtp / 1e6);

    // ---- SFTP, 256 MiB ---------------------------------------------------------
    const std::string sftpDir = folder.File("sftp");
    ::mkdir(sftpDir.c_str(), 0755);
    s.m_nProtocol = PROTOCOL_SFTP;
    s.m_strUser = loopback::CurrentUser();
    s.m_strPort[2] = std::to_string(ssh.Port());
    s.m_strDirectory = sftpDir;
    const std::string keyOptions =
        "-i " + ssh.dir + "/userkey -oStrictHostKeyChecking=no -oUserKnownHostsFile=/dev/null";
    s.m_strParameters[2] = keyOptions;
    const std::string batch = folder.Write("direct.txt", "cd \"" + sftpDir + "\"\nput \"" + bigFile + "\" \"direct.bin\"\n");
    const auto [oursSftp, directSftp] = BestOfEach(
        5,
        [&] {
            CFTPWorker w(&s, app);
            return w.Login() && w.RunSftpCommand("put", bigFile, "ours.bin", nullptr);
        },
        [&] {
            return loopback::RunProgram({"sftp", "-i", ssh.dir + "/userkey", "-oStrictHostKeyChecking=no",
                                         "-oUserKnownHostsFile=/dev/null", "-F", "/dev/null", "-oBatchMode=yes",
                                         "-b", batch, "-P", std::to_string(ssh.Port()),
                                         loopback::CurrentUser() + "@127.0.0.1"}) == 0;
        },
        ok);
    std::printf("sftp ratio=%.2f (ours %.3f s, sftp -b %.3f s, 256 MiB)\n", directSftp / oursSftp, oursSftp,
                directSftp);

    // ---- 200 small files -------------------------------------------------------
    std::vector<std::string> small;
    for (int i = 0; i < 200; ++i)
        small.push_back(folder.Write("s" + std::to_string(i) + ".htm", std::string(4096, char('a' + i % 26))));
    s.m_nProtocol = PROTOCOL_FTP;
    s.m_strUser = user;
    s.m_strDirectory = "ours";
    const auto [oursSmall, curlSmall] = BestOfEach(
        2,
        [&] {
            CFTPWorker w(&s, app);
            bool all = w.Login();
            for (size_t i = 0; all && i < small.size(); ++i)
                all = w.UploadFile(small[i], "small/s" + std::to_string(i) + ".htm");
            return all;
        },
        [&] {
            bool all = true;
            for (size_t i = 0; all && i < small.size(); ++i)
                all = loopback::RunProgram({"curl", "-s", "-S", "--ftp-create-dirs", "-T", small[i],
                                            url.substr(0, 6) + creds + "@" + url.substr(6) + "/curl/small/s" +
                                                std::to_string(i) + ".htm"}) == 0;
            return all;
        },
        ok);
    std::printf("small ratio=%.2f (ours %.3f s, 200 curl runs %.3f s, 200 x 4 KiB)\n", curlSmall / oursSmall,
                oursSmall, curlSmall);
    if (!ok)
        std::printf("note: some transfers failed; figures are not meaningful\n");
    SetAppPtr(nullptr);
    return ok ? 0 : 1;
}
