// Feeds arbitrary bytes to the settings reader as "settings.ini", under the sanitizers: every
// row it keeps is terminated and without spaces, and no key reads as NaN. What values the
// format gives is the unit tests' table.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/settings.h"
#include "tests/unit/test_files.h"

static const char* const keys[] = {"screenw",    "screenh",      "screenbpp", "fullscreen",
                                   "showcursor", "antialiasing", "mipmapping"};

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The file is read from the working folder, as the game reads it: a private one keeps
    // parallel runs apart.
    static const std::filesystem::path folder = enterScratchFolder("velmora-fuzz.");
    std::atexit([] { leaveScratchFolder(folder); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen("settings.ini", "wb");
    if (file == nullptr) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    loadSettingsFile();
    if (settingsLineCount != settingsMaxLines) std::abort();
    for (const auto& row : settingsLines)
        if (std::memchr(row, '\0', settingsLineSize) == nullptr || std::strchr(row, ' ') != nullptr)
            std::abort();

    for (const char* key : keys)
        if (std::isnan(readSetting(key))) std::abort();
    return 0;
}
