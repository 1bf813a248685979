// The prompter of the test programs: a message the program would show is
// printed on standard output (where the test reads it) and answered OK.
#pragma once

#include <cstdio>
#include <string>

#include "app/prompter.h"

class CPrintingPrompter : public IPrompter {
public:
    int MessageBox(const std::string& text, unsigned style) override
    {
        std::printf("box: %s\n", text.c_str());
        std::fflush(stdout);
        return IDOK;
    }
};
