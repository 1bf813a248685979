// libFuzzer target for the setup data stream of every schema: the input is
// a setup data file (schema number first), read as the document reads it;
// conversions are declined by the default prompter, so a first byte below
// 12 mostly exercises the refusal, and the legacy layout is reached by
// reading the input as "Setup.bin" when its first byte is odd.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/quillmark_app.h"
#include "app/setup_file.h"
#include "platform/archive.h"
#include "platform/exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static CQuillmarkApp* app = [] {
        auto* a = new CQuillmarkApp();
        SetAppPtr(a);
        return a;
    }();
    static CQuillmarkDoc doc(*app);
    if (size == 0)
        return 0;
    const bool legacy = data[0] & 1;
    CArchive in(std::vector<uint8_t>(data + 1, data + size), "fuzz.qsu");
    try {
        if (legacy)
            app->SerializeSetup(in, 0, 0);
        else
            doc.Serialize(in);
    } catch (const CException&) {
    }
    return 0;
}
