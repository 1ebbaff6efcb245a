// Each fuzz target reads its file from the working directory, as the game does: a private
// scratch folder keeps parallel runs apart and is removed at exit.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

static char scratchFolder[] = "/tmp/velmora-fuzz.XXXXXX";
static const char* scratchFile;

inline void enterScratchFolder(const char* fileName) {
    scratchFile = fileName;
    if (mkdtemp(scratchFolder) == nullptr || chdir(scratchFolder) != 0) std::abort();
    std::atexit([] {
        std::remove(scratchFile);
        rmdir(scratchFolder);
    });
}
