// The staging folder that holds the local index pages: a folder
// "Staging<n>" in the program's data folder whose name the setup keeps.
#include <cerrno>
#include <sys/stat.h>

#include "app/path_helpers.h"
#include "app/quillmark_app.h"
#include "app/text_helpers.h"
#include "platform/exceptions.h"

std::string CQuillmarkApp::GetIndexStagingFolder()
{
    int error = 0;
    std::string base;
    if (GetAppDataFolder(base, true)) {
        bool newName = false;
        if (m_Setup.m_strStagingFolder.empty()) {
            for (int n = 1; n <= 255 && !newName && error == 0; ++n) {
                const std::string name = StrFormat("Staging%d", n);
                struct stat st {};
                if (::lstat(JoinPath(base, name).c_str(), &st) == 0)
                    continue;
                if (errno != ENOENT) {
                    error = errno;
                    break;
                }
                m_Setup.m_strStagingFolder = name;
                newName = true;
            }
            if (!newName && error == 0)
                error = EEXIST;
        }
        if (error == 0) {
            const std::string path = JoinPath(base, m_Setup.m_strStagingFolder);
            if (!FolderExists(path) && ::mkdir(path.c_str(), 0700) != 0)
                error = errno;
            if (error == 0) {
                if (newName)
                    SaveProgramData();
                return path;
            }
        }
    } else {
        error = errno ? errno : ENOENT;
    }
    const std::string text =
        StrFormat("Cannot access staging directory (error code 0x%08X).", static_cast<unsigned>(error));
    if (m_pLog)
        m_pLog->WriteBlock(text, "Message Box");
    Prompter().MessageBox(text, MB_OK | MB_ICONERROR);
    throw CUserException();
}
