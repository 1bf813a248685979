// A library that, when something loads it, creates the file named in
// QM_MARKER. Tests hand it where a program could be told to load a library
// and check that the file never appears.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

__attribute__((constructor)) static void MakeMarker()
{
    if (const char* path = getenv("QM_MARKER")) {
        const int fd = open(path, O_WRONLY | O_CREAT, 0600);
        if (fd >= 0)
            close(fd);
    }
}
