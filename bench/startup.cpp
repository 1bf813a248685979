// Start-up time of the window program: from process start to the main
// window shown with its HTML view ready, against a bare wxFrame with a
// wxWebView built in the same tree (bench_startup_bare). Each program is
// started seven times in turns after one warm-up start each; the medians
// are compared. Runs itself under xvfb-run when there is no display.
//   last line: startup ratio=<ours / bare>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "support/child_process.h"
#include "support/test_app.h"

namespace {

double StartMs(const std::string& program, const std::vector<std::string>& args)
{
    const auto start = std::chrono::steady_clock::now();
    CChildProcess child(program, args);
    std::string line;
    bool ready = false;
    while (child.ReadLine(line, 30000)) {
        if (line == "ready") {
            ready = true;
            break;
        }
    }
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    child.Wait();
    return ready ? ms : -1;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("DISPLAY")) {
        std::vector<const char*> again = {"xvfb-run", "-a", "-s", "-screen 0 1280x1024x24", argv[0], nullptr};
        ::execvp("xvfb-run", const_cast<char* const*>(again.data()));
        std::fprintf(stderr, "bench_startup: no display and no xvfb-run\n");
        return 1;
    }
    const std::string dir = std::string(QM_BINARY_DIR);
    const std::string ours = dir + "/ui/quillmark", bare = dir + "/bench/bench_startup_bare";

    // A data folder, profile and desktop folder of the benchmark's own;
    // the desktop entries are written by the warm-up start.
    CTempFolder folder;
    ::setenv("QUILLMARK_DATA_DIR", folder.File("data").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", folder.File("config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", folder.File("share").c_str(), 1);

    if (StartMs(ours, {"--ready-and-exit"}) < 0 || StartMs(bare, {}) < 0) {
        std::fprintf(stderr, "bench_startup: a program did not report ready\n");
        return 1;
    }
    std::vector<double> a, b;
    for (int i = 0; i < 7; ++i) {
        a.push_back(StartMs(ours, {"--ready-and-exit"}));
        b.push_back(StartMs(bare, {}));
    }
    const double ma = Median(a), mb = Median(b);
    std::printf("startup quillmark_ms=%.0f bare_ms=%.0f\n", ma, mb);
    std::printf("startup ratio=%.2f\n", ma / mb);
    return 0;
}
