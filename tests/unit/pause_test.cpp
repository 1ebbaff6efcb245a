// The pause overlay: its slide, its layout at every step, its texts, and the frames the main
// loop makes of it.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <SDL/SDL.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/types.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/frame_clock.h"
#include "app/input.h"
#include "app/main_loop.h"
#include "game/assets.h"
#include "game/game_record.h"
#include "game/score.h"
#include "gfx/texture.h"
#include "interface/interface_startup.h"
#include "interface/pause.h"
#include "tests/unit/gl_context.h"
#include "tests/unit/png_writer.h"

namespace {

class PauseSlide : public ::testing::Test {
   protected:
    void SetUp() override {
        inputState = {};
        resetPause();
    }
    // One frame's update with Escape in the given state (2 went down, 1 held, 0 up).
    static float frame(int escape) {
        inputState.keys[SDLK_ESCAPE] = escape;
        updatePause(1.0f);
        return pauseProgress;
    }
};

}  // namespace

TEST_F(PauseSlide, EscapeSlidesInOverTwentyFramesAndHoldingItTogglesOnce) {
    EXPECT_EQ(frame(2), 5.0f);
    for (int n = 2; n <= 19; ++n) frame(1);  // Escape still held
    EXPECT_EQ(pauseProgress, 95.0f);
    EXPECT_EQ(frame(1), 100.0f);  // the 20th frame
    for (int n = 21; n <= 30; ++n) frame(0);
    EXPECT_EQ(pauseProgress, 100.0f);
    EXPECT_TRUE(paused);
}

TEST_F(PauseSlide, EscapeAtFortyTurnsTheSlideRoundAndItSettlesAtZero) {
    frame(2);
    for (int n = 2; n <= 8; ++n) frame(0);
    ASSERT_EQ(pauseProgress, 40.0f);
    EXPECT_EQ(frame(2), 35.0f);
    EXPECT_FALSE(paused);
    for (int n = 0; n < 6; ++n) frame(0);
    EXPECT_EQ(pauseProgress, 5.0f);
    EXPECT_EQ(frame(0), 0.0f);
    EXPECT_EQ(frame(0), 0.0f);  // stays down, not below
}

TEST_F(PauseSlide, ProgressThatIsNotANumberFallsBackToHidden) {
    pauseProgress = std::nanf("");
    EXPECT_EQ(frame(0), 0.0f);
    paused = true;
    inputState.keys[SDLK_ESCAPE] = 0;
    updatePause(std::nanf(""));
    EXPECT_EQ(pauseProgress, 0.0f);
    updatePause(1e30f);
    EXPECT_EQ(pauseProgress, 100.0f);
}

// Worked out by hand: the panels stand 60 - 0.6 p off the edges, the button line at 595 - 4.8 p.
TEST(PauseLayout, PanelOffsetAndButtonLineAreWholePixelsAtEveryStep) {
    const int offsets[21] = {60, 57, 54, 51, 48, 45, 42, 39, 36, 33, 30,
                             27, 24, 21, 18, 15, 12, 9,  6,  3,  0};
    const int lines[21] = {595, 571, 547, 523, 499, 475, 451, 427, 403, 379, 355,
                           331, 307, 283, 259, 235, 211, 187, 163, 139, 115};
    for (int step = 0; step <= 20; ++step) {
        const float p = 5.0f * static_cast<float>(step);
        EXPECT_EQ(panelOffset(p), offsets[step]) << "at " << p;
        EXPECT_EQ(pauseButtonLine(p), lines[step]) << "at " << p;
    }
}

TEST(PauseLayout, VersionKeepsOneDecimalAndDropsOtherTrailingZeros) {
    char text[64];
    formatVersionText(text, sizeof text, 1.0f);
    EXPECT_STREQ(text, "v1.0");
    formatVersionText(text, sizeof text, 2.5f);
    EXPECT_STREQ(text, "v2.5");
    formatVersionText(text, sizeof text, 10.0f);
    EXPECT_STREQ(text, "v10.0");
    formatVersionText(text, sizeof text, 1.25f);
    EXPECT_STREQ(text, "v1.25");
    formatVersionText(text, 4, 1.25f);  // cut to the room given, still terminated
    EXPECT_STREQ(text, "v1.");
}

TEST(PauseLayout, BottomPanelCarriesAnEmptyLineThenTheWindowCaption) {
    ASSERT_TRUE(openTestWindow(640, 480));
    std::strcpy(bottomText1, "stale");
    initPausePanels();
    char* caption = nullptr;
    SDL_WM_GetCaption(&caption, nullptr);
    ASSERT_NE(caption, nullptr);
    EXPECT_STREQ(bottomText1, "");
    EXPECT_STREQ(bottomText2, caption);
    EXPECT_GT(std::strlen(bottomText2), 0u);
}

namespace {

// The frame just presented: the swap leaves the back buffer as it was drawn on this driver.
Rgb presentedPixel(int x, int y) { return readPixel(x, y); }

bool isBlack(Rgb c) { return c.r == 0 && c.g == 0 && c.b == 0; }

// The driven frames read the X pointer, which every test drawing on a shared display could
// move; each such test process gets an X server of its own. Without Xvfb the shared display
// is used.
pid_t privateServer;

void endPrivateServer() {
    if (privateServer > 0) kill(privateServer, SIGTERM);
}

void usePrivateDisplay() {
    if (privateServer != 0) return;
    int fds[2];
    if (pipe(fds) != 0) return;
    privateServer = fork();
    if (privateServer == 0) {
        dup2(fds[1], 3);
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, 1);
        dup2(quiet, 2);
        execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "800x600x24", "-noreset",
               "-nolisten", "tcp", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    char number[16] = {};
    const ssize_t got = privateServer > 0 ? read(fds[0], number, sizeof number - 1) : 0;
    close(fds[0]);
    if (got <= 0) return;
    number[std::strcspn(number, "\n")] = '\0';
    setenv("DISPLAY", (std::string(":") + number).c_str(), 1);
    std::atexit(endPrivateServer);
}

// Real frames of the main loop with the interface built from the program's own atlas (the test
// runs where there is no dashboard image) and a run being played, whose score moves in every
// frame in which the game frame runs.
class PauseFrames : public ::testing::Test {
   protected:
    void SetUp() override {
        usePrivateDisplay();
        ASSERT_TRUE(openTestWindow(640, 480));
        initInterface();
        gameRecord = {};
        gameRecord.gameVersion = 1.0f;
        std::strcpy(gameTitle, "Velmora");
        gameRecord.state = GameState::Playing;
        SDL_WarpMouse(600, 300);  // away from the buttons
        runFrame();
    }
    static void pressEscape() {
        SDL_Event event{};
        event.type = SDL_KEYDOWN;
        event.key.keysym.sym = SDLK_ESCAPE;
        SDL_PushEvent(&event);
    }
    static void pressLeftButtonAt(int x, int y) {
        SDL_WarpMouse(static_cast<Uint16>(x), static_cast<Uint16>(y));
        SDL_Event event{};
        event.type = SDL_MOUSEBUTTONDOWN;
        event.button.button = SDL_BUTTON_LEFT;
        event.button.x = static_cast<Uint16>(x);
        event.button.y = static_cast<Uint16>(y);
        SDL_PushEvent(&event);
    }
    // The splash state with a plain orange picture covering the window.
    static void showSplashPicture() {
        const std::string path = "/tmp/velmora-pause-splash.png";
        writePng(path, solidPng(64, 64, PngColour::Rgb, {200, 100, 50}));
        gameRecord.splashTexture = loadTexture(path.c_str(), false);
        gameRecord.state = GameState::Splash;
    }
    // Runs one frame; tells whether its game frame ran.
    static bool gameFrameRan() {
        const float before = gameRecord.score;
        runFrame();
        return gameRecord.score != before;
    }
};

}  // namespace

TEST_F(PauseFrames, EscapeFrameStillPlaysThenTheGameFreezesUntilTheSlideOutEnds) {
    ASSERT_TRUE(gameFrameRan());
    pressEscape();
    EXPECT_TRUE(gameFrameRan());  // frame M: the game frame runs before the pause update
    EXPECT_EQ(pauseProgress, 5.0f);
    for (int m = 1; m <= 19; ++m) EXPECT_FALSE(gameFrameRan()) << "frame M+" << m;
    EXPECT_EQ(pauseProgress, 100.0f);
    EXPECT_EQ(gameRecord.state, GameState::Playing);

    pressLeftButtonAt(320, 115);  // "Resume game" in frame N
    EXPECT_FALSE(gameFrameRan());
    EXPECT_EQ(pauseProgress, 100.0f);
    for (int n = 1; n <= 19; ++n) EXPECT_FALSE(gameFrameRan()) << "frame N+" << n;
    EXPECT_EQ(pauseProgress, 5.0f);
    EXPECT_FALSE(gameFrameRan());  // N+20 starts at 5: skipped, and ends at 0
    EXPECT_EQ(pauseProgress, 0.0f);
    EXPECT_TRUE(gameFrameRan());  // N+21 plays again
}

TEST_F(PauseFrames, OverlayLiesOverTheSceneOnlyInTheEscapeFrame) {
    showSplashPicture();
    runFrame();
    const Rgb scene = presentedPixel(320, 300);
    ASSERT_FALSE(isBlack(scene));
    pressEscape();
    runFrame();
    EXPECT_FALSE(isBlack(presentedPixel(320, 300))) << "the scene under the first step";
    EXPECT_FALSE(isBlack(presentedPixel(320, 1))) << "3 rows of the top panel";
    runFrame();
    EXPECT_TRUE(isBlack(presentedPixel(320, 300))) << "no scene while paused";
    EXPECT_FALSE(isBlack(presentedPixel(320, 5))) << "6 rows of the top panel";
    EXPECT_TRUE(isBlack(presentedPixel(320, 7)));
}

TEST_F(PauseFrames, FrameWhereTheSlideOutEndsShowsNeitherSceneNorOverlay) {
    showSplashPicture();
    pressEscape();
    runFrame();
    for (int m = 1; m <= 19; ++m) runFrame();
    pressEscape();  // turns round at once: 95 in this frame
    for (int n = 0; n <= 18; ++n) runFrame();
    ASSERT_EQ(pauseProgress, 5.0f);
    EXPECT_FALSE(isBlack(presentedPixel(320, 478))) << "last panel rows at 5";
    runFrame();
    ASSERT_EQ(pauseProgress, 0.0f);
    EXPECT_TRUE(isBlack(presentedPixel(320, 478)));
    EXPECT_TRUE(isBlack(presentedPixel(320, 1)));
    EXPECT_TRUE(isBlack(presentedPixel(320, 240)));
    runFrame();
    EXPECT_FALSE(isBlack(presentedPixel(320, 240))) << "the game draws again";
}

TEST_F(PauseFrames, ResumeClickStartsTheSlideOutNextFrameAndDoesNothingWhileSliding) {
    pressEscape();
    for (int m = 0; m < 20; ++m) runFrame();
    ASSERT_EQ(pauseProgress, 100.0f);
    pressLeftButtonAt(320, 115);
    runFrame();
    EXPECT_FALSE(paused);
    EXPECT_EQ(pauseProgress, 100.0f);  // shows from the next frame's update
    SDL_Event up{};
    up.type = SDL_MOUSEBUTTONUP;
    up.button.button = SDL_BUTTON_LEFT;
    SDL_PushEvent(&up);
    runFrame();
    EXPECT_EQ(pauseProgress, 95.0f);
    runFrame();
    ASSERT_EQ(pauseProgress, 90.0f);
    // "Resume game" again while sliding out, on the line where the next frame draws it.
    pressLeftButtonAt(320, pauseButtonLine(85.0f));
    runFrame();
    EXPECT_FALSE(paused);
    EXPECT_EQ(pauseProgress, 85.0f);
    EXPECT_FALSE(quitRequested);
}

TEST_F(PauseFrames, ExitStaysClickableWhileTheOverlaySlidesOut) {
    pressEscape();
    for (int m = 0; m < 20; ++m) runFrame();
    pressEscape();
    for (int n = 0; n < 4; ++n) runFrame();
    ASSERT_EQ(pauseProgress, 80.0f);
    pressLeftButtonAt(320, pauseButtonLine(75.0f) + 50);  // where the next frame draws "Exit"
    runFrame();
    EXPECT_TRUE(quitRequested);
}
