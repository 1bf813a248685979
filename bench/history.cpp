// Saving and loading the Upload History through "ProgramData.bin": 10,000
// and 100,000 records (loading must grow linearly). The last line gives the
// figures for 100,000.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "app/app_folders.h"
#include "platform/path_helpers.h"
#include "app/quillmark_app.h"
#include "platform/text_helpers.h"

namespace {

class CSilentPrompter : public IPrompter {
public:
    int MessageBox(const std::string& text, unsigned) override
    {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        return IDOK;
    }
};

void Fill(CColScoreFile& history, int count)
{
    history.RemoveAll();
    for (int i = 0; i < count; ++i) {
        CScoreFile record;
        record.SetPath(StrFormat("C:\\ACBLSCOR\\GAMEFILE\\%06d.txt", i));
        record.SetHandRecordPath(StrFormat("/home/club/hands/%06d.pbn", i));
        record.SetPosted(StrFormat("2023%04danlmb.htm", i % 10000), i % 3);
        record.SetModifiedTime(1600000000 + i * 3600LL);
        record.SetPostedTime(1600000000 + i * 3600LL + 600);
        record.SetSize(20000 + static_cast<uint64_t>(i));
        record.SetDescriptor(SFD_EVENT, "Tuesday Afternoon Pairs");
        record.SetDescriptor(SFD_SESSION, "Tuesday Aft");
        record.SetDescriptor(SFD_SECTION, "A B");
        record.SetDescriptor(SFD_DATE, "September 5, 2023");
        record.SetDescriptor(SFD_MP_LIMITS, "NLM 750");
        CHash256 digest;
        for (int b = 0; b < 32; ++b)
            digest.Data()[b] = static_cast<uint8_t>(b < 4 ? (i >> (8 * b)) : 0x5A);
        record.SetDigest(digest);
        history.Add(record);
    }
}

struct Figures {
    long long saveMs, loadMs, bytes;
};

Figures Run(CQuillmarkApp& app, int count, const std::string& folder)
{
    using Clock = std::chrono::steady_clock;
    Fill(app.GetHistory(), count);
    const auto s0 = Clock::now();
    if (!app.SaveData(true))
        std::fprintf(stderr, "save failed\n");
    const auto s1 = Clock::now();
    app.LoadAppData();
    const auto s2 = Clock::now();
    if (app.GetHistory().GetCount() != count)
        std::fprintf(stderr, "loaded %lld of %d records\n", static_cast<long long>(app.GetHistory().GetCount()), count);
    struct stat st {};
    ::stat(JoinPath(folder, "ProgramData.bin").c_str(), &st);
    return {std::chrono::duration_cast<std::chrono::milliseconds>(s1 - s0).count(),
            std::chrono::duration_cast<std::chrono::milliseconds>(s2 - s1).count(),
            static_cast<long long>(st.st_size)};
}

}  // namespace

int main()
{
    char pattern[] = "/tmp/qmbench-XXXXXX";
    const char* folder = ::mkdtemp(pattern);
    if (!folder)
        return 1;
    ::setenv("QUILLMARK_DATA_DIR", folder, 1);
    CQuillmarkApp app;
    SetAppPtr(&app);
    CSilentPrompter prompter;
    app.SetPrompter(&prompter);

    const Figures small = Run(app, 10000, folder);
    std::printf("history records=10000 save_ms=%lld load_ms=%lld bytes=%lld\n", small.saveMs, small.loadMs, small.bytes);
    const Figures large = Run(app, 100000, folder);
    std::printf("history records=100000 save_ms=%lld load_ms=%lld bytes=%lld\n", large.saveMs, large.loadMs, large.bytes);
    std::printf("history load_ratio=%.1f (100000 vs 10000 records; linear is 10)\n",
                small.loadMs > 0 ? static_cast<double>(large.loadMs) / static_cast<double>(small.loadMs) : 0.0);
    DeleteFolderTree(folder);
    std::printf("history save_ms=%lld load_ms=%lld bytes=%lld\n", large.saveMs, large.loadMs, large.bytes);
    return 0;
}
