// The scan for new score files (list, test times, read, parse, digest, look
// up) over 10,000 score files of about 4 KiB, against sha256sum reading and
// hashing the same files. Prints its figures; the last line is
// "scan ratio=<sha256sum seconds / scan seconds>".
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/quillmark_app.h"
#include "platform/text_helpers.h"
#include "posting/score_file_collection.h"

extern char** environ;

namespace {

constexpr int kFiles = 10000;
constexpr size_t kBatch = 2500;  // files per sha256sum run, as xargs would pass them
constexpr int kRounds = 5;  // the best of these counts (the machine may be busy)

// CPU seconds (user + system) of this process or of its waited-for children.
double CpuSeconds(int who)
{
    struct rusage ru {};
    ::getrusage(who, &ru);
    return ru.ru_utime.tv_sec + ru.ru_stime.tv_sec + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// A score file of about 4 KiB in the shape of the scoring program's output.
std::string MakeScoreFile(int n)
{
    static const char* const kDays[] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday"};
    static const char* const kTimes[] = {"Morn", "Aft", "Eve"};
    std::string s;
    s.reserve(4400);
    s += "<html>\r\n<head><title>Club Game</title></head>\r\n<body>\r\n<pre>\r\n";
    s += StrFormat("<!-- EVENT&gt;Club Pairs %d|SESSION&gt;%s %s|SECTION&gt;%c|DATE&gt;Sep %d, 2023|"
                   "MP LIMITS&gt;0-750| -->\r\n",
                   n, kDays[n % 5], kTimes[n % 3], 'A' + n % 4, 1 + n % 28);
    s += StrFormat("                       Club Pairs %d\r\n", n);
    s += "  Scores after 24 boards  Average:   84.0      Section  A\r\n\r\n";
    s += "  Pair    Pct   Score  Rank   MPs     Names\r\n";
    int line = 0;
    while (s.size() < 4000) {
        s += StrFormat("  %2d    %5.2f  %6.2f  %2d   %4.2f     Player %05d-%02d - Partner %05d-%02d\r\n",
                       line + 1, 70.0 - line * 1.7, 120.0 - line * 3.25, line + 1, 1.5 - line * 0.05, n,
                       line, n, line);
        ++line;
    }
    s += "</pre>\r\n</body>\r\n</html>\r\n";
    return s;
}

bool WriteFile(const std::string& path, const std::string& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// sha256sum over every file, many files per run; false when it cannot run.
bool RunSha256sum(const std::vector<std::string>& paths)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    bool ok = true;
    for (size_t from = 0; from < paths.size() && ok; from += kBatch) {
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>("sha256sum"));
        for (size_t i = from; i < paths.size() && i < from + kBatch; ++i)
            argv.push_back(const_cast<char*>(paths[i].c_str()));
        argv.push_back(nullptr);
        pid_t pid = 0;
        if (posix_spawnp(&pid, "sha256sum", &actions, nullptr, argv.data(), environ) != 0) {
            ok = false;
            break;
        }
        int status = 0;
        waitpid(pid, &status, 0);
        ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    posix_spawn_file_actions_destroy(&actions);
    return ok;
}

void RemoveTree(const std::string& dir)
{
    if (DIR* d = ::opendir(dir.c_str())) {
        while (const dirent* e = ::readdir(d)) {
            const std::string name = e->d_name;
            if (name == "." || name == "..")
                continue;
            const std::string path = dir + "/" + name;
            struct stat st {};
            if (::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
                RemoveTree(path);
            else
                ::unlink(path.c_str());
        }
        ::closedir(d);
    }
    ::rmdir(dir.c_str());
}

}  // namespace

int main()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/qmbench-XXXXXX";
    if (!::mkdtemp(&pattern[0])) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string root = pattern;
    const std::string scores = root + "/Scores";
    const std::string data = root + "/data";
    ::mkdir(scores.c_str(), 0700);
    ::mkdir(data.c_str(), 0700);
    ::setenv("QUILLMARK_DATA_DIR", data.c_str(), 1);

    std::vector<std::string> paths;
    uint64_t bytes = 0;
    for (int i = 0; i < kFiles; ++i) {
        const std::string text = MakeScoreFile(i);
        const std::string path = StrFormat("%s/%05d game.txt", scores.c_str(), i);
        if (!WriteFile(path, text)) {
            std::perror(path.c_str());
            RemoveTree(root);
            return 1;
        }
        bytes += text.size();
        paths.push_back(path);
    }
    std::printf("files: %d, %.1f KiB on average\n", kFiles, bytes / 1024.0 / kFiles);

    CQuillmarkApp app;
    SetAppPtr(&app);
    app.Setup().m_strScoreFileDirectory = scores;
    app.Setup().m_tPostFilesModifiedAfter = 0;

    // One pass of each first, so that both read from the page cache.
    {
        CSFPtrArray warm;
        app.FindNewScoreFiles(warm, false);
        if (warm.GetSize() != kFiles)
            std::printf("warning: the scan found %lld files\n", static_cast<long long>(warm.GetSize()));
    }
    const bool haveSha256sum = RunSha256sum(paths);

    double ours = 1e9, theirs = 1e9, oursCpu = 1e9, theirsCpu = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        double cpu = CpuSeconds(RUSAGE_SELF);
        auto start = std::chrono::steady_clock::now();
        {
            CSFPtrArray found;
            app.FindNewScoreFiles(found, false);
        }
        const double t = Seconds(start);
        cpu = CpuSeconds(RUSAGE_SELF) - cpu;
        ours = t < ours ? t : ours;
        oursCpu = cpu < oursCpu ? cpu : oursCpu;
        if (haveSha256sum) {
            cpu = CpuSeconds(RUSAGE_CHILDREN);
            start = std::chrono::steady_clock::now();
            RunSha256sum(paths);
            const double s = Seconds(start);
            cpu = CpuSeconds(RUSAGE_CHILDREN) - cpu;
            theirs = s < theirs ? s : theirs;
            theirsCpu = cpu < theirsCpu ? cpu : theirsCpu;
        }
    }
    SetAppPtr(nullptr);
    RemoveTree(root);

    std::printf("digest: %s\n", CSha256::Accelerated() ? "SHA instructions" : "portable");
    std::printf("scan (list, read, parse, digest, look up): %.4f s, %.1f MiB/s, %.1f us per file\n", ours,
                bytes / ours / 1048576.0, ours * 1e6 / kFiles);
    if (!haveSha256sum) {
        std::printf("sha256sum could not be run\n");
        std::printf("scan ratio=0.00\n");
        return 0;
    }
    std::printf("sha256sum (%zu files per run): %.4f s\n", kBatch, theirs);
    std::printf("cpu seconds: scan %.4f, sha256sum %.4f (ratio %.2f)\n", oursCpu, theirsCpu,
                oursCpu > 0 ? theirsCpu / oursCpu : 0.0);
    std::printf("scan ratio=%.2f\n", theirs / ours);
    return 0;
}
