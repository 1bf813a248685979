// Saves the program data over and over, alternating between two Upload
// Histories, until it is killed. First it writes the two expected files as
// "A.bin" and "B.bin" beside "ProgramData.bin" and prints "ready" once the
// first save is done.
#include <cstdio>

#include "app/mirror_file.h"
#include "platform/path_helpers.h"
#include "app/quillmark_app.h"
#include "platform/text_helpers.h"

namespace {

void Fill(CColScoreFile& history, int count, char tag)
{
    history.RemoveAll();
    for (int i = 0; i < count; ++i) {
        CScoreFile record;
        record.SetPath(StrFormat("/scores/%c/%06d.txt", tag, i));
        record.SetDescriptor(SFD_EVENT, std::string(100, tag));
        history.Add(record);
    }
}

}  // namespace

int main()
{
    CQuillmarkApp app;
    SetAppPtr(&app);
    std::string folder;
    if (!app.GetAppDataFolder(folder, true))
        return 2;
    const std::string target = JoinPath(folder, "ProgramData.bin");
    for (char tag : {'A', 'B'}) {
        Fill(app.GetHistory(), tag == 'A' ? 4000 : 3000, tag);
        if (!app.SaveData(true))
            return 3;
        int error = 0;
        const std::string bytes = [&] {
            FILE* f = std::fopen(target.c_str(), "rb");
            std::string b;
            char buf[65536];
            size_t n;
            while (f && (n = std::fread(buf, 1, sizeof buf, f)) > 0)
                b.append(buf, n);
            if (f)
                std::fclose(f);
            return b;
        }();
        if (!SaveFileAtomically(JoinPath(folder, std::string(1, tag) + ".bin"),
                                std::vector<uint8_t>(bytes.begin(), bytes.end()), error))
            return 4;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    CColScoreFile a, b;
    Fill(a, 4000, 'A');
    Fill(b, 3000, 'B');
    for (unsigned i = 0;; ++i) {
        app.GetHistory() = (i & 1) ? a : b;
        app.SaveData(true);
    }
}
