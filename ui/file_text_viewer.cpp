#include "ui/file_text_viewer.h"

#include "ui/text_dialog.h"

CTextDialog* ShowFileText(CTextDialog* viewer, const std::string& caption, const std::string& text)
{
    if (!viewer) {
        viewer = new CTextDialog(nullptr);
        viewer->SetSection("ViewFile");
        viewer->SetFixedFont(true);
        viewer->SetText(text);
        viewer->SetCaption(caption);
        if (!viewer->Create()) {
            delete viewer;
            return nullptr;
        }
    } else {
        viewer->SetText(text);
        viewer->SetCaption(caption);
    }
    viewer->Show();
    viewer->Raise();
    return viewer;
}
