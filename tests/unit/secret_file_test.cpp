// The netrc file's bytes are overwritten before the file is emptied and
// removed, so the password does not stay behind in freed disk blocks.
#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>

#include "platform/path_helpers.h"
#include "support/test_app.h"
#include "transfer/secret_file.h"

namespace {

// The bytes this process has handed to write() so far (/proc/self/io).
long long BytesWritten()
{
    long long value = -1;
    if (FILE* f = std::fopen("/proc/self/io", "re")) {
        char name[32];
        long long v = 0;
        while (std::fscanf(f, "%31[^:]: %lld\n", name, &v) == 2) {
            if (std::string(name) == "wchar")
                value = v;
        }
        std::fclose(f);
    }
    return value;
}

}  // namespace

TEST_F(AppTest, TheSecretFileIsOverwrittenBeforeItIsEmptiedAndRemoved)
{
    const std::string secret = FormatNetrc("ftp.club.example", "club", std::string(20000, 's'));
    CSecretFile file;
    ASSERT_TRUE(file.WriteFile(secret, folder.Path()));
    const std::string path = file.GetPath();
    // A second name keeps the file's bytes reachable after the delete.
    const std::string kept = folder.File("kept");
    ASSERT_EQ(::link(path.c_str(), kept.c_str()), 0);
    const long long before = BytesWritten();
    ASSERT_GE(before, 0) << "/proc/self/io cannot be read";
    file.Delete();
    const long long written = BytesWritten() - before;
    EXPECT_FALSE(FileExists(path));
    EXPECT_TRUE(file.GetPath().empty());
    EXPECT_EQ(ReadWholeFile(kept), "");
    // Emptying alone writes nothing; the overwrite writes the whole size.
    EXPECT_GE(written, static_cast<long long>(secret.size()));
}
