// The prompter of the test programs: a message the program would show is
// printed on standard output (where the test reads it) and answered OK;
// and their start, the way Quillmark starts.
#pragma once

#include <cstdio>
#include <string>

#include "app/prompter.h"
#include "app/quillmark_app.h"
#include "app/setup_data.h"

class CPrintingPrompter : public IPrompter {
public:
    int MessageBox(const std::string& text, unsigned style) override
    {
        std::printf("box: %s\n", text.c_str());
        std::fflush(stdout);
        return IDOK;
    }
};

// Makes app the application with prompter and takes the single-instance
// interlock, which also sweeps what earlier runs left; false when another
// run holds it (or it cannot be taken).
inline bool StartAsQuillmark(CQuillmarkApp& app, CPrintingPrompter& prompter)
{
    SetAppPtr(&app);
    app.SetPrompter(&prompter);
    return app.AcquireSingleInstanceLock();
}

// The programs that a test kills in the middle of a transfer: started as
// Quillmark, "swept" printed once the start has swept, and the FTP settings
// of the loopback server as user "club" over protocol.
inline CFTPSettings* StartForTransfer(CQuillmarkApp& app, CPrintingPrompter& prompter, int protocol)
{
    if (!StartAsQuillmark(app, prompter))
        return nullptr;
    std::printf("swept\n");
    std::fflush(stdout);
    CFTPSettings& ftp = app.Setup().m_Ftp;
    ftp.m_nProtocol = protocol;
    ftp.m_strServer = "127.0.0.1";
    ftp.m_strUser = "club";
    return &ftp;
}
