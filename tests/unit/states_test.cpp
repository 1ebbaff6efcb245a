#include <SDL/SDL_keysym.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "app/frame_clock.h"
#include "app/input.h"
#include "game/game_record.h"
#include "game/states.h"
#include "gfx/glyph_text.h"
#include "tests/unit/drawn_quads.h"
#include "tests/unit/gl_context.h"

namespace {

// Frames of the real game in a 640 x 480 window, played in a folder of their own so that the
// score file the frames read and write is theirs.
class GameFrames : public ::testing::Test {
   protected:
    void SetUp() override {
        ASSERT_TRUE(openTestWindow(640, 480));
        gameRecord = {};
        inputState = {};
        frameClock = {};
        if (glyphWidth != 12.0f) buildGlyphTable();
        char pattern[] = "/tmp/velmora-states.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        ASSERT_EQ(chdir(dir.c_str()), 0);
    }
    void TearDown() override {
        ASSERT_EQ(chdir("/"), 0);
        std::system(("rm -rf " + dir).c_str());
    }

    static bool isWholeWindow(const DrawnPolygon& quad) {
        return std::abs(quad.left()) < 0.01f && std::abs(quad.top()) < 0.01f &&
               std::abs(quad.right() - 640.0f) < 0.01f && std::abs(quad.bottom() - 480.0f) < 0.01f;
    }

    static void readyForARun() {
        gameRecord.state = GameState::Ready;
        frameClock.fps = 60.0f;
    }

    std::string dir;
};

TEST_F(GameFrames, SplashIsLeftOnlyAfterMoreThan5000Ms) {
    frameClock.elapsedMs = 5000;
    runGameFrame();
    EXPECT_EQ(gameRecord.state, GameState::Splash);
    frameClock.elapsedMs = 5001;
    runGameFrame();
    EXPECT_EQ(gameRecord.state, GameState::Ready);
}

TEST_F(GameFrames, LeavingTheSplashLoadsTheStoredHighScore) {
    FILE* file = std::fopen("velmora.score", "w");
    std::fputs("314\n", file);
    std::fclose(file);
    inputState.keys[SDLK_a] = 2;
    runGameFrame();
    EXPECT_EQ(gameRecord.state, GameState::Ready);
    EXPECT_EQ(gameRecord.highScore, 314);
}

TEST_F(GameFrames, TheClickThatLeavesTheSplashDoesNotAlsoStartARun) {
    inputState.mouseButtons[1] = 2;
    const std::vector<DrawnPolygon> splash = captureQuads([] { runGameFrame(); });
    ASSERT_EQ(splash.size(), 1u) << "the splash picture alone";
    EXPECT_TRUE(isWholeWindow(splash[0]));
    EXPECT_EQ(gameRecord.state, GameState::Ready);

    inputState.mouseButtons[1] = 1;  // still held in the next frame
    runGameFrame();
    EXPECT_EQ(gameRecord.state, GameState::Ready);
    EXPECT_EQ(gameRecord.craft.position.x, 0.0f);
}

TEST_F(GameFrames, OnlyAFreshLeftClickOrAPressStartsARun) {
    readyForARun();
    for (int key : {SDLK_d, SDLK_UP, SDLK_DOWN, SDLK_LEFT, SDLK_RIGHT, SDLK_SPACE, SDLK_RETURN}) {
        inputState = {};
        inputState.keys[key] = 2;
        runGameFrame();
        EXPECT_EQ(gameRecord.state, GameState::Ready) << "key " << key;
    }
    for (int button : {2, 3, 4, 5}) {
        inputState = {};
        inputState.mouseButtons[button] = 2;
        runGameFrame();
        EXPECT_EQ(gameRecord.state, GameState::Ready) << "button " << button;
    }
    inputState = {};
    inputState.mouseButtons[1] = 1;
    inputState.keys[SDLK_a] = 1;
    runGameFrame();
    EXPECT_EQ(gameRecord.state, GameState::Ready) << "held, not pressed";
    EXPECT_EQ(gameRecord.obstacleCount, 0);

    inputState.mouseButtons[1] = 2;
    runGameFrame();
    EXPECT_EQ(gameRecord.state, GameState::Playing);
}

// Held through all 125 warm-up steps, the a key leaves the craft drifting left at
// -0.025 x 0.94 x (1 - 0.94^125) / 0.06 = -0.39149 after 125 x 1.35 = 168.75 units.
TEST_F(GameFrames, RunStartedWithAHeldDriftsLeftAfterTheWarmUp) {
    readyForARun();
    gameRecord.score = 57.3f;  // the last run's, shown until this one starts
    inputState.keys[SDLK_a] = 2;
    const std::vector<DrawnPolygon> quads = captureQuads([] { runGameFrame(); });
    EXPECT_EQ(gameRecord.state, GameState::Playing);
    EXPECT_EQ(gameRecord.score, 0.0f);
    EXPECT_NEAR(gameRecord.craft.position.x, 168.75f, 0.001f);
    EXPECT_NEAR(gameRecord.craft.velocity.z, -0.39149f, 0.0001f);
    EXPECT_LT(gameRecord.craft.position.z, -40.0f);
    EXPECT_GT(gameRecord.obstacleCount, 90);

    // Ready screen (background, centred logo), then the score display ending with a score of 0.
    ASSERT_GE(quads.size(), 3u);
    EXPECT_TRUE(isWholeWindow(quads[0]));
    EXPECT_PIXEL_EQ(quads[1].left(), 68.0f);
    EXPECT_PIXEL_EQ(quads[1].top(), 158.5f);
    EXPECT_PIXEL_EQ(quads.back().left(), 238.0f);
    EXPECT_FLOAT_EQ(quads.back().corners[0].u, 258.0f / 512.0f) << "the glyph of 0";
}

TEST_F(GameFrames, CrashFrameDrawsTheSceneAndTheNextFrameTheReadyScreen) {
    gameRecord.state = GameState::Playing;
    frameClock.fps = 60.0f;
    gameRecord.score = 41.5f;
    gameRecord.craft.position.x = 100.0f;
    gameRecord.camera.position.x = 85.0f;
    gameRecord.obstacles[0] = {102.0f, 0.0f, 0.5f};  // 0.65 ahead after this frame's move
    gameRecord.obstacleCount = 1;

    const std::vector<DrawnPolygon> crash = captureQuads([] { runGameFrame(); });
    ASSERT_FALSE(crash.empty());
    EXPECT_FALSE(isWholeWindow(crash[0])) << "the scene, not the ready screen";
    EXPECT_EQ(gameRecord.state, GameState::Ready);
    EXPECT_NEAR(gameRecord.score, 41.7f, 0.0001f) << "the run's score stays";
    EXPECT_EQ(gameRecord.highScore, 41);
    EXPECT_EQ(gameRecord.craft.position.x, 0.0f);

    const std::vector<DrawnPolygon> next = captureQuads([] { runGameFrame(); });
    ASSERT_FALSE(next.empty());
    EXPECT_TRUE(isWholeWindow(next[0]));
    EXPECT_EQ(gameRecord.state, GameState::Ready);
}

TEST_F(GameFrames, TimeStepFollowsTheFrameRateWithinItsLimits) {
    // fps, then the craft's advance of 1.35 x dt, with dt = 60 / fps held to 0.2 .. 2.0 and no
    // rate yet giving 2.0.
    const float cases[][2] = {
        {62.5f, 1.296f}, {30.0f, 2.7f}, {20.0f, 2.7f}, {400.0f, 0.27f}, {0.0f, 2.7f}};
    for (const auto& c : cases) {
        gameRecord = {};
        gameRecord.state = GameState::Playing;
        gameRecord.spawnCountdown = 100.0f;
        frameClock.fps = c[0];
        runGameFrame();
        EXPECT_NEAR(gameRecord.craft.position.x, c[1], 0.00001f) << "fps " << c[0];
    }
}

}  // namespace
