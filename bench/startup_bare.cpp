// The yardstick of bench_startup: a bare wxFrame holding a wxWebView,
// nothing else. Prints "ready" once the frame is shown and the view has
// loaded its first page, then closes.
#include <wx/app.h>
#include <wx/frame.h>
#include <wx/sizer.h>
#include <wx/webview.h>

#include <cstdio>

class CBareApp : public wxApp {
public:
    bool OnInit() override
    {
        auto* frame = new wxFrame(nullptr, wxID_ANY, "Bare", wxDefaultPosition, wxSize(1000, 720));
        wxWebView* web = wxWebView::New(frame, wxID_ANY);
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        sizer->Add(web, 1, wxEXPAND);
        frame->SetSizer(sizer);
        web->Bind(wxEVT_WEBVIEW_LOADED, [frame](wxWebViewEvent&) {
            std::printf("ready\n");
            std::fflush(stdout);
            frame->CallAfter([frame] { frame->Close(); });
        });
        frame->Show();
        return true;
    }
};

wxIMPLEMENT_APP(CBareApp);
