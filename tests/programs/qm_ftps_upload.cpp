// Starts the way Quillmark starts (the single-instance interlock, which
// sweeps what earlier runs left), then makes temporary files and uploads one
// over FTPS with the curl program named in its first argument, the password
// taken from QM_TEST_PASSWORD. A test kills it while that program runs.
// Prints "swept" after start-up; exits 0 when the upload worked.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/quillmark_app.h"
#include "printing_prompter.h"
#include "platform/path_helpers.h"
#include "transfer/ftp_worker.h"

int main(int argc, char** argv)
{
    CQuillmarkApp app;
    CPrintingPrompter prompter;
    CFTPSettings* settings = StartForTransfer(app, prompter, PROTOCOL_FTPS);
    if (!settings)
        return 3;
    if (argc < 3)
        return 0;
    app.TestDataProtection();
    const char* password = std::getenv("QM_TEST_PASSWORD");
    if (!password || !app.SetFtpPassword(password))
        return 4;
    CFTPSettings& ftp = *settings;
    ftp.m_strPort[PROTOCOL_FTPS] = argv[2];
    std::string page, folder;
    if (!app.GetTempFile(std::string(), "QMt", ".txt", page))
        return 5;
    folder = app.GetTempDirectory("QMm");
    CFTPWorker worker(&ftp, app);
    worker.SetCurlProgram(argv[1]);
    if (!worker.Login())
        return 6;
    return worker.UploadFile(page, "page.htm") ? 0 : 7;
}
