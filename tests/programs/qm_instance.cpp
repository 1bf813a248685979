// Starts the way Quillmark starts as far as the single-instance interlock:
// prints "locked" when it holds it, or the message it would show. With
// "hold" it then waits until it is killed; otherwise it exits as the program
// does at shut-down.
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "app/quillmark_app.h"
#include "printing_prompter.h"

int main(int argc, char** argv)
{
    CQuillmarkApp app;
    CPrintingPrompter prompter;
    if (!StartAsQuillmark(app, prompter))
        return 3;
    std::printf("locked\n");
    std::fflush(stdout);
    if (argc > 1 && std::strcmp(argv[1], "hold") == 0) {
        for (;;)
            ::pause();
    }
    app.ExitInstance();
    return 0;
}
