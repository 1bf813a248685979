#include "support/golden_file.h"

#include <cstdlib>
#include <fstream>

#include "support/test_app.h"

std::string TestDataPath(const std::string& relativePath)
{
    return std::string(QM_SOURCE_DIR) + "/tests/data/" + relativePath;
}

std::string ReadTestData(const std::string& relativePath)
{
    return ReadWholeFile(TestDataPath(relativePath));
}

::testing::AssertionResult MatchesGolden(const std::string& actual, const std::string& relativePath)
{
    const std::string path = TestDataPath(relativePath);
    const char* update = std::getenv("QM_UPDATE_GOLDEN");
    if (update && *update == '1') {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(actual.data(), static_cast<std::streamsize>(actual.size()));
        return ::testing::AssertionSuccess() << "golden file written: " << path;
    }
    const std::string expected = ReadWholeFile(path);
    if (expected == actual)
        return ::testing::AssertionSuccess();
    size_t at = 0;
    while (at < expected.size() && at < actual.size() && expected[at] == actual[at])
        ++at;
    const size_t from = at > 60 ? at - 60 : 0;
    return ::testing::AssertionFailure()
           << relativePath << " differs at byte " << at << " (expected " << expected.size() << " bytes, got "
           << actual.size() << ")\n--- expected from byte " << from << ":\n"
           << expected.substr(from, 160) << "\n--- actual:\n"
           << actual.substr(from, 160);
}
