// Digest speed of our SHA-256 against "openssl dgst -sha256" on the same
// 512 MiB file of pseudo-random bytes. Both read the file from the page
// cache; each is timed best of three. The last line is
// "sha256 ratio=<ours / openssl>".
//
// Usage: bench_sha256 [file-or-folder]  (default: a new folder under $TMPDIR
// or /tmp). The file is written first and deleted at the end.
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "posting/sha256.h"

extern char** environ;

namespace {

constexpr size_t kChunk = 1 << 20;
constexpr size_t kFileSize = size_t(512) << 20;
constexpr int kRuns = 3;

double Seconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

bool WriteAll(int fd, const uint8_t* p, size_t n)
{
    while (n) {
        const ssize_t w = write(fd, p, n);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return false;
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

bool WriteRandomFile(const std::string& path)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    std::vector<uint8_t> buf(kChunk);
    uint64_t x = 0x9E3779B97F4A7C15ull;
    bool ok = true;
    for (size_t done = 0; ok && done < kFileSize; done += kChunk) {
        for (size_t i = 0; i < kChunk; i += 8) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            std::memcpy(&buf[i], &x, 8);
        }
        ok = WriteAll(fd, buf.data(), kChunk);
    }
    return close(fd) == 0 && ok;
}

// Reads the file in large chunks through our digest; empty on a read error.
std::string OurDigest(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    std::vector<uint8_t> buf(kChunk);
    CSha256 ctx;
    for (;;) {
        const ssize_t r = read(fd, buf.data(), buf.size());
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0) {
            close(fd);
            return {};
        }
        if (r == 0)
            break;
        ctx.Update(buf.data(), r);
    }
    close(fd);
    CHash256 h;
    ctx.Final(h);
    return h.ToHex();
}

// Runs openssl with a fixed argument list and returns the hex digest it
// prints ("<hex> *<file>" with -r); empty when it fails.
std::string OpensslDigest(const std::string& path)
{
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    std::string a0 = "openssl", a1 = "dgst", a2 = "-sha256", a3 = "-r", a4 = path;
    char* argv[] = {a0.data(), a1.data(), a2.data(), a3.data(), a4.data(), nullptr};
    pid_t pid;
    const int rc = posix_spawnp(&pid, "openssl", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    std::string text;
    if (rc == 0) {
        char buf[512];
        ssize_t r;
        while ((r = read(out[0], buf, sizeof buf)) != 0) {
            if (r < 0 && errno == EINTR)
                continue;
            if (r < 0)
                break;
            text.append(buf, static_cast<size_t>(r));
        }
    }
    close(out[0]);
    if (rc != 0)
        return {};
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || text.size() < 64)
        return {};
    return text.substr(0, 64);
}

// Best time of kRuns digests; the digest of the last run goes to *hex.
template <typename F>
double BestSeconds(F digest, std::string* hex)
{
    double best = 1e30;
    for (int i = 0; i < kRuns; ++i) {
        const double t0 = Seconds();
        *hex = digest();
        const double t = Seconds() - t0;
        if (hex->empty())
            return 0;
        if (t < best)
            best = t;
    }
    return best;
}

double MBps(double seconds) { return double(kFileSize) / 1e6 / seconds; }

}  // namespace

int main(int argc, char** argv)
{
    std::string folder, path;
    if (argc > 1) {
        struct stat st;
        if (stat(argv[1], &st) == 0 && S_ISDIR(st.st_mode))
            path = std::string(argv[1]) + "/sha256-bench.dat";
        else
            path = argv[1];
    } else {
        const char* tmp = getenv("TMPDIR");
        std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/qm-sha256-XXXXXX";
        if (!mkdtemp(templ.data())) {
            std::perror("mkdtemp");
            return 1;
        }
        folder = templ;
        path = folder + "/random.dat";
    }

    int exitCode = 1;
    if (!WriteRandomFile(path)) {
        std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), std::strerror(errno));
    } else {
        std::printf("file: %s (%zu MiB)\n", path.c_str(), kFileSize >> 20);
        std::printf("SHA instructions: %s\n", CSha256::Accelerated() ? "yes" : "no");

        std::string portableHex, ourHex, sslHex;
        CSha256::ForcePortable(true);
        const double portable = BestSeconds([&] { return OurDigest(path); }, &portableHex);
        CSha256::ForcePortable(false);
        const double ours = BestSeconds([&] { return OurDigest(path); }, &ourHex);
        const double ssl = BestSeconds([&] { return OpensslDigest(path); }, &sslHex);

        if (ours <= 0 || portable <= 0) {
            std::fprintf(stderr, "reading %s failed\n", path.c_str());
        } else if (ssl <= 0) {
            std::fprintf(stderr, "openssl dgst -sha256 failed\n");
        } else {
            std::printf("ours:     %s\nportable: %s\nopenssl:  %s\n", ourHex.c_str(),
                        portableHex.c_str(), sslHex.c_str());
            std::printf("portable %.0f MB/s\n", MBps(portable));
            std::printf("ours %.0f MB/s\n", MBps(ours));
            std::printf("openssl %.0f MB/s\n", MBps(ssl));
            if (ourHex != sslHex || portableHex != sslHex) {
                std::printf("digests DIFFER\n");
            } else {
                std::printf("digests agree\n");
                exitCode = 0;
            }
            std::printf("sha256 ratio=%.2f\n", MBps(ours) / MBps(ssl));
        }
    }
    unlink(path.c_str());
    if (!folder.empty())
        rmdir(folder.c_str());
    return exitCode;
}
