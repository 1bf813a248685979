#include "app/quillmark_app.h"

bool CQuillmarkApp::SaveData(bool withProgramData)
{
    return false;
}
