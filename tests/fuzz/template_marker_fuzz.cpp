// libFuzzer target for the template marker reader: a downloaded results-page
// template is counted for its insert markers as a posting run does, and an
// index template is split at its index marker. The first input byte
// chooses which.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/quillmark_app.h"
#include "posting/index_pages.h"
#include "posting/page_markers.h"
#include "posting/template_file.h"
#include "support/quiet_status_sink.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static CQuietStatusSink frame;
    static CQuillmarkApp* app = [] {
        auto* a = new CQuillmarkApp();
        a->SetMainFrame(&frame);
        SetAppPtr(a);
        return a;
    }();
    if (size == 0)
        return 0;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    if (data[0] & 1) {
        CIndexTemplate split(text);
        // What the split keeps is never more than the template and the
        // one end-marker line it may add.
        if (split.head.size() + split.tail.size() > 2 * text.size() + 64)
            std::abort();
    } else {
        CTemplateFile templ;
        templ.SetTemplate((data[0] & 2) ? "http://club.example/results/template.htm" : "http://club.example/t",
                          text);
        const PostResult result = templ.Parse(false, nullptr);
        if (result != PostResult::Success && result != PostResult::Failed)
            std::abort();
        if (templ.GetFound() < 0)
            std::abort();
    }
    IsMarkerLine(text, kInsertMarker);
    (void)app;
    return 0;
}
