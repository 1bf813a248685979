// Starts the way Quillmark starts (the single-instance interlock, which
// sweeps what earlier runs left), then lists the remote folder over SFTP
// with the sftp program named in its first argument, through a worker that
// keeps its connection between steps. A test kills it while that program
// runs. Prints "swept" after start-up; exits 0 when the listing worked.
#include <cstdio>
#include <string>

#include "app/quillmark_app.h"
#include "printing_prompter.h"
#include "transfer/ftp_worker.h"

int main(int argc, char** argv)
{
    CQuillmarkApp app;
    CPrintingPrompter prompter;
    CFTPSettings* ftp = StartForTransfer(app, prompter, PROTOCOL_SFTP);
    if (!ftp)
        return 3;
    if (argc < 2)
        return 0;
    CFTPWorker worker(ftp, app);
    worker.SetSftpProgram(argv[1]);
    worker.KeepConnectionBetweenLogins();
    std::string listing;
    if (!worker.Login() || !worker.RunSftpCommand("ls -la", std::string(), std::string(), &listing))
        return 6;
    return 0;
}
