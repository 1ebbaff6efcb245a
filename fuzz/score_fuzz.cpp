// Feeds arbitrary bytes to the high-score reader as "velmora.score": the high score becomes the
// file's first integer (after white space) exactly when that integer fits an int, and stays as
// it was otherwise.
#include <cctype>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

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

static int expectedHighScore(const std::uint8_t* data, std::size_t size) {
    std::size_t i = 0;
    while (i < size && std::isspace(data[i])) ++i;
    bool negative = false;
    if (i < size && (data[i] == '-' || data[i] == '+')) negative = data[i++] == '-';
    if (i >= size || !std::isdigit(data[i])) return untouched;
    long long value = 0;
    for (; i < size && std::isdigit(data[i]); ++i) {
        value = value * 10 + (data[i] - '0');
        if (value > 2147483648LL) return untouched;
    }
    if (negative) value = -value;
    if (value < INT_MIN || value > INT_MAX) return untouched;
    return static_cast<int>(value);
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
