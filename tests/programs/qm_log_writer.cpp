// Writes numbered entries to a log file: "<tag> entry <n>" for n from 0
// to count - 1, one CLogfile::Write each, with a pause of the given number
// of microseconds after each. Prints "ready" before the first.
// Arguments: the log path, the tag, the count, the pause.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "app/logfile.h"
#include "platform/text_helpers.h"

int main(int argc, char** argv)
{
    if (argc != 5)
        return 2;
    CLogfile log(argv[1]);
    const std::string tag = argv[2];
    const int count = std::atoi(argv[3]);
    const int pause = std::atoi(argv[4]);
    std::printf("ready\n");
    std::fflush(stdout);
    for (int n = 0; n < count; ++n) {
        if (!log.Write(StrFormat("%s entry %d\n", tag.c_str(), n)))
            return 3;
        if (pause > 0)
            ::usleep(static_cast<useconds_t>(pause));
    }
    return 0;
}
