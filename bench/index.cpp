// Builds the local index pages (multi-page index: main page, one page per
// month, the month list) for 1,200 and for 12,000 index entries spread over
// ten years, and prints the time of each build (best of three). A
// single-page index of the same entries is timed as well.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "platform/date_helpers.h"
#include "app/quillmark_app.h"
#include "platform/text_helpers.h"
#include "posting/index_pages.h"
#include "posting/score_file.h"

namespace {

const char* const kTemplate =
    "<!DOCTYPE html>\r\n<html>\r\n<head><meta charset=\"utf-8\"><title>Résultats — Club</title>\r\n"
    "<style>table{border-collapse:collapse} td{padding:2px 6px}</style></head>\r\n<body>\r\n"
    "<h1>Results · Bridgeclub Zürich</h1>\r\n<table class=\"results\">\r\n<!--quillmark:index-->\r\n"
    "<!--quillmark:indexend-->\r\n</table>\r\n<p>Footer</p>\r\n</body>\r\n</html>\r\n";

void FillEntries(CQuillmarkApp& app, int count)
{
    CColScoreFile& entries = app.GetIndexEntries();
    entries.RemoveAll();
    const int64_t first = LocalMidnight(2015, 1, 1);
    const int64_t last = LocalMidnight(2024, 12, 31);
    const char* const sections[] = {"A", "B", "C"};
    for (int i = 0; i < count; ++i) {
        // Evenly over the ten years, newest last; three sections a session.
        const int64_t t = first + (last - first) * (i / 3) / (count / 3 + 1) + 12 * 3600;
        int y = 0, m = 0, d = 0;
        LocalDateOf(t, y, m, d);
        CScoreFile e;
        e.SetSessionDate(LocalMidnight(y, m, d));
        const int timeIndex = i % 4;
        e.SetDescriptor(SFD_EVENT, i % 5 == 0 ? "Łódź Invitational Pairs" : "Club Pairs");
        e.SetDescriptor(SFD_SECTION, sections[i % 3]);
        e.SetDescriptor(SFD_SESSION, std::string(CScoreFile::kWeekdayNames[LocalWeekday(e.GetSessionDate())]) + " " +
                                         CScoreFile::kShortSessionNames[timeIndex]);
        e.SetDescriptor(SFD_MP_LIMITS, "None");
        const std::string path = StrFormat("%04d\\%02d\\%04d%02d%02d%cn%s.htm", y, m, y, m, d,
                                           CScoreFile::kSessionLetters[timeIndex], sections[i % 3]);
        e.SetPath(path);
        e.SetPosted(path, 0);
        e.SetPdfHandRecordUploaded(i % 2 == 0);
        e.SetHidden(i % 50 == 49);
        entries.Add(e);
    }
}

long BuildMs(CQuillmarkApp& app, const std::string& text)
{
    long best = -1;
    for (int round = 0; round < 3; ++round) {
        const auto start = std::chrono::steady_clock::now();
        const IndexResult result = app.BuildLocalIndexPages(true, text);
        const auto end = std::chrono::steady_clock::now();
        if (result != IndexResult::Succeeded) {
            std::fprintf(stderr, "index build failed: %s\n", GetIndexResultWord(result));
            std::exit(1);
        }
        const long ms = static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(end - start).count());
        best = best < 0 ? ms : std::min(best, ms);
    }
    return best;
}

}  // namespace

int main()
{
    char folder[] = "/tmp/qmbench-index-XXXXXX";
    if (!::mkdtemp(folder)) {
        std::perror("mkdtemp");
        return 1;
    }
    ::setenv("QUILLMARK_DATA_DIR", folder, 1);
    CQuillmarkApp app;
    SetAppPtr(&app);
    CSetupData& setup = app.Setup();
    setup.m_strWebsiteUrl = "https://bridge.example.org";
    setup.m_strWebsiteScoreFileDirectory = "results";
    setup.m_strIndexTemplate = "index_template.htm";
    setup.m_strIndexFile = "index.htm";
    setup.SetFlags(SF_LINK_PDF_HAND_RECORDS | SF_LINK_HAND_RECORDS);
    const std::string text = kTemplate;

    for (int count : {1200, 12000}) {
        FillEntries(app, count);
        std::printf("index single-page entries=%d ms=%ld\n", count, BuildMs(app, text));
    }
    setup.SetFlags(setup.GetFlags() | SF_MULTI_PAGE_INDEX);
    long small = 0, large = 0;
    FillEntries(app, 1200);
    small = BuildMs(app, text);
    std::printf("index entries=1200 ms=%ld pages=%zu\n", small, app.GetIndexPages().m_Pages.size());
    FillEntries(app, 12000);
    large = BuildMs(app, text);
    std::printf("index pages=%zu for 12000 entries\n", app.GetIndexPages().m_Pages.size());

    const std::string staging = app.GetStagingFolder();
    for (const auto& page : app.GetIndexPages().m_Pages)
        ::unlink((staging + "/" + page.m_strFileName).c_str());
    ::rmdir(staging.c_str());
    ::rmdir(folder);
    SetAppPtr(nullptr);
    std::printf("index entries=12000 ms=%ld\n", large);
    return 0;
}
