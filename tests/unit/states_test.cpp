// The score file and the game's frames: a high score lost, lowered, written with the wrong line
// end, rewritten in place or left half written on a failed save; the splash left too soon or
// by a click that starts a run; the time step outside its limits.
#include <SDL/SDL_keysym.h>
#include <gtest/gtest.h>
#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>

#include "app/frame_clock.h"
#include "app/input.h"
#include "game/game_record.h"
#include "game/score.h"
#include "game/states.h"
#include "tests/unit/gl_context.h"
#include "tests/unit/test_files.h"

struct InFolder : ::testing::Test {
    std::filesystem::path dir;
    void SetUp() override {
        ASSERT_TRUE(openTestWindow(640, 480));
        dir = enterScratchFolder("velmora-states.");
    }
    void TearDown() override { leaveScratchFolder(dir); }
    // In text mode, as the game reads it: a Windows line end reads as a line feed.
    static std::string scoreFile(std::ios::openmode mode = std::ios::in) {
        std::ifstream file(scoreFileName, mode);
        return {std::istreambuf_iterator<char>(file), {}};
    }
    static bool exists(const char* name) { return std::filesystem::exists(name); }
};
using ScoreFile = InFolder;
using GameFrames = InFolder;

// The file before, the high score and the run's score; then the high score and the file after.
TEST_F(ScoreFile, ARunBeatingTheHighScoreWritesItOtherwiseTheFileIsReadBack) {
    const std::tuple<const char*, int, float, int, const char*> rows[] = {
        {"120\n", 120, 119.9f, 120, "120\n"},
        {"120 from an older version", 120, 120.5f, 120, "120\n"},  // the truncation beats 120
        {nullptr, 0, 3.0e9f, 2147483647, "2147483647\n"},
        {"  -5\r\n", 0, 0.0f, -5, "  -5\r\n"},
        {"abc 77", 9, 0.0f, 9, "abc 77"},
        {"2147483648", 9, 0.0f, 9, "2147483648"},
        {"-2147483648", 9, 0.0f, -2147483647 - 1, "-2147483648"},
        {"-2147483649", 9, 0.0f, 9, "-2147483649"},
        {"\n+000000000000000000042x", 9, 0.0f, 42, "\n+000000000000000000042x"},
        {"-", 9, 0.0f, 9, "-"},
        {nullptr, 3, 0.0f, 3, nullptr}};  // a missing file is not created
    for (const auto& [before, high, score, highAfter, after] : rows) {
        std::remove(scoreFileName);
        if (before) std::ofstream(scoreFileName) << before;
        gameRecord.highScore = high;
        gameRecord.score = score;
        resetGame();
        EXPECT_EQ(gameRecord.highScore, highAfter) << (before ? before : "no file");
        EXPECT_EQ(scoreFile(), after ? after : "") << (before ? before : "no file");
        EXPECT_EQ(exists(scoreFileName), after != nullptr);
    }
}

// Two runs beating the high score in turn: the file holds the second with the platform's line
// end, no temporary file is left, and a reader of the old file (not on Windows, where that
// stops the replace) still reads the first: the file is replaced whole, never torn.
TEST_F(ScoreFile, IsWrittenWithThePlatformsTextLineEndAndReplacesTheFileWhole) {
#if defined(_WIN32)
    const std::string lineEnd = "\r\n";
#else
    const std::string lineEnd = "\n";
#endif
    std::ifstream old;
    for (const float score : {12.5f, 3456.0f}) {
        if (lineEnd == "\n" && score > 100.0f) old.open(scoreFileName, std::ios::binary);
        gameRecord.score = score;
        resetGame();
    }
    EXPECT_EQ(scoreFile(std::ios::in | std::ios::binary), "3456" + lineEnd);
    if (old.is_open()) {
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(old), {}), "12\n");
    }
    EXPECT_FALSE(exists("velmora.score.tmp"));
    gameRecord = {};
    resetGame();
    EXPECT_EQ(gameRecord.highScore, 3456) << "read back";
}

#if defined(_WIN32)
// Another program holds the score file open without sharing it: the file can't be replaced.
TEST_F(ScoreFile, AFailedReplaceKeepsTheOldFileAndLeavesNoTemporaryFile) {
    std::ofstream(scoreFileName) << "50\n";
    const HANDLE held =
        CreateFileA(scoreFileName, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    gameRecord.score = 75.0f;
    resetGame();
    CloseHandle(held);
#else
// A link to /dev/full takes the temporary file's name: the write fails as on a full disk.
TEST_F(ScoreFile, AFailedWriteKeepsTheOldFileAndLeavesNoTemporaryFile) {
    std::ofstream(scoreFileName) << "50\n";
    ASSERT_EQ(symlink("/dev/full", "velmora.score.tmp"), 0);
    gameRecord.score = 75.0f;
    resetGame();
#endif
    EXPECT_EQ(scoreFile(), "50\n");
    EXPECT_FALSE(exists("velmora.score.tmp"));
    EXPECT_EQ(gameRecord.highScore, 75) << "kept in memory";
}

TEST_F(GameFrames, TheSplashIsLeftAfterMoreThan5000MsOrByAClickThatStartsNoRun) {
    frameClock.elapsedMs = 5000;
    runGameFrame();
    EXPECT_EQ(gameRecord.state, GameState::Splash);
    inputState.mouseButtons[1] = 2;
    runGameFrame();
    EXPECT_EQ(gameRecord.state, GameState::Ready);
    inputState.mouseButtons[1] = 1;  // still held in the next frame, with keys that start nothing
    inputState.keys[SDLK_d] = inputState.keys[SDLK_SPACE] = inputState.mouseButtons[3] = 2;
    runGameFrame();
    EXPECT_EQ(gameRecord.state, GameState::Ready);
    gameRecord.state = GameState::Splash;
    frameClock.elapsedMs = 5001;
    runGameFrame();
    EXPECT_EQ(gameRecord.state, GameState::Ready);
}

// Held through the 125 warm-up steps, a leaves the craft drifting at -0.025 x 0.94 x
// (1 - 0.94^125) / 0.06 = -0.39149 after 168.75 units, with no points.
TEST_F(GameFrames, ARunStartedWithAHeldDriftsLeftAfterTheWarmUp) {
    gameRecord.state = GameState::Ready;
    inputState.keys[SDLK_a] = 2;
    runGameFrame();
    EXPECT_EQ(gameRecord.score, 0.0f);
    EXPECT_NEAR(gameRecord.craft.position.x, 168.75f, 0.001f);
    EXPECT_NEAR(gameRecord.craft.velocity.z, -0.39149f, 0.0001f);
}

// The frame rate, then the craft's advance of 1.35 x dt, with dt = 60 / fps held to 0.2 .. 2.0.
TEST_F(GameFrames, TheTimeStepFollowsTheFrameRateWithinItsLimits) {
    const float rows[][2] = {{62.5f, 1.296f}, {250.0f, 0.324f}, {400.0f, 0.27f},
                             {30.0f, 2.7f},   {20.0f, 2.7f},    {0.0f, 2.7f}};
    for (const auto& [fps, advance] : rows) {
        gameRecord = {};
        gameRecord.state = GameState::Playing;
        frameClock.fps = fps;
        runGameFrame();
        EXPECT_NEAR(gameRecord.craft.position.x, advance, 0.00001f) << "fps " << fps;
    }
}
