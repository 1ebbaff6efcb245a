// Feeds arbitrary bytes to the high-score reader as "velmora.score": the high score becomes the
// file's first integer (after white space) exactly when that integer fits an int, and stays as
// it was otherwise.
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "game/game_record.h"
#include "game/score.h"
#include "tests/unit/scratch_folder.h"

constexpr int untouched = 424242;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The file is read from the working folder, as the game reads it: a private one keeps
    // parallel runs apart.
    static const std::filesystem::path folder = enterScratchFolder("velmora-fuzz.");
    std::atexit([] { leaveScratchFolder(folder); });
    return 0;
}

// The C library's reading of the same bytes, which stops at the first byte that is no digit.
static int expectedHighScore(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    const bool read = end != text.c_str() && errno == 0 && value >= INT_MIN && value <= INT_MAX;
    return read ? static_cast<int>(value) : untouched;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(scoreFileName, "wb");
    if (file == nullptr) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    gameRecord.score = 0.0f;
    gameRecord.highScore = untouched;
    resetGame();  // a score of 0 never beats 424242, so this reads the file
    const int want = expectedHighScore(data, size);
    if (gameRecord.highScore != want) {
        std::fprintf(stderr, "read %d, the file gives %d\n", gameRecord.highScore, want);
        std::abort();
    }
    return 0;
}
