// The interface's text and buttons, and the pause overlay: its slide, its layout at every step,
// its version text, and the frames the main loop makes of it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "app/input.h"
#include "app/main_loop.h"
#include "game/assets.h"
#include "game/game_record.h"
#include "interface/buttons.h"
#include "interface/font.h"
#include "interface/interface_startup.h"
#include "interface/pause.h"
#include "tests/unit/drawn_quads.h"
#include "tests/unit/gl_context.h"

namespace {

TEST(InterfaceText, GlyphsStepTenPixelsFromFiveLeftOfThePosition) {
    ASSERT_TRUE(openTestWindow(640, 480));
    buildFontCells();
    const auto quads = captureQuads([] { drawText("Exit", 300, 120); });
    ASSERT_EQ(quads.size(), 4u);
    const float lefts[4] = {295, 305, 315, 325}, texLefts[4] = {100, 480, 180, 400};  // E x i t
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_PIXEL_EQ(quads[i].left(), lefts[i]) << "glyph " << i;
        EXPECT_PIXEL_EQ(quads[i].right(), lefts[i] + 20) << "glyph " << i;
        EXPECT_PIXEL_EQ(quads[i].top(), 120.0f) << "glyph " << i;
        EXPECT_PIXEL_EQ(quads[i].bottom(), 140.0f) << "glyph " << i;
        EXPECT_PIXEL_EQ(quads[i].corners[0].u * 1024, texLefts[i]) << "glyph " << i;
    }
}

// The band around a button on line 115 is exclusive on every side; only the left button's
// going down clicks, not its being held, nor the right button.
TEST(MenuButton, ClicksOnlyInsideItsHoverBandAndOnlyOnThePress) {
    ASSERT_TRUE(openTestWindow(640, 480));
    const int rows[][5] = {{156, 115, 2, 0, 0}, {157, 115, 2, 0, 1}, {482, 115, 2, 0, 1},
                           {483, 115, 2, 0, 0}, {320, 94, 2, 0, 0},  {320, 95, 2, 0, 1},
                           {320, 135, 2, 0, 1}, {320, 136, 2, 0, 0}, {320, 115, 1, 0, 0},
                           {320, 115, 0, 2, 0}};  // x, y, left, right, clicks
    for (int i = 0; i < 10; ++i) {
        inputState = {{}, {0, rows[i][2], 0, rows[i][3]}, rows[i][0], rows[i][1]};
        EXPECT_EQ(menuButton("Resume game", 115), rows[i][4] == 1) << "row " << i;
    }
}

// Escape per frame (2 went down, 1 held, 0 up) and the progress after it.
float slideFrame(int escape) {
    inputState.keys[SDLK_ESCAPE] = escape;
    updatePause(1.0f);
    return pauseProgress;
}

TEST(PauseSlide, EscapeSlidesInOverTwentyFramesAndTurnsRoundWhereItIs) {
    for (int n = 1; n <= 20; ++n) EXPECT_EQ(slideFrame(n == 1 ? 2 : 1), 5.0f * n) << "held " << n;
    EXPECT_EQ(slideFrame(0), 100.0f);
    resetPause();
    for (int n = 1; n <= 8; ++n) slideFrame(n == 1 ? 2 : 0);
    EXPECT_EQ(slideFrame(2), 35.0f) << "Escape at 40";
    for (int n = 6; n >= -1; --n) EXPECT_EQ(slideFrame(0), 5.0f * std::max(n, 0));
    pauseProgress = std::nanf("");
    EXPECT_EQ(slideFrame(0), 0.0f) << "a progress that is no number falls back to hidden";
}

// Worked out by hand: the panels stand 60 - 0.6 p off the edges, the button line at 595 - 4.8 p;
// single precision puts every step of 5 on a whole pixel.
TEST(PauseLayout, PanelOffsetAndButtonLineAtEveryStep) {
    const int offsets[21] = {60, 57, 54, 51, 48, 45, 42, 39, 36, 33, 30,
                             27, 24, 21, 18, 15, 12, 9,  6,  3,  0};
    const int lines[21] = {595, 571, 547, 523, 499, 475, 451, 427, 403, 379, 355,
                           331, 307, 283, 259, 235, 211, 187, 163, 139, 115};
    for (int i = 0; i <= 20; ++i) {
        EXPECT_EQ(panelOffset(5.0f * float(i)), offsets[i]) << "row " << i;
        EXPECT_EQ(pauseButtonLine(5.0f * float(i)), lines[i]) << "row " << i;
    }
}

TEST(PauseLayout, VersionKeepsOneDecimalAndDropsOtherTrailingZeros) {
    const float versions[] = {1.0f, 2.5f, 10.0f, 1.25f, 1.25f};
    const char* want[] = {"v1.0", "v2.5", "v10.0", "v1.25", "v1."};  // the last in 4 bytes
    for (int i = 0; i < 5; ++i) {
        char text[64];
        formatVersionText(text, i < 4 ? 64 : 4, versions[i]);
        EXPECT_STREQ(text, want[i]) << "row " << i;
    }
}

// Real frames of the main loop while a run is played: its score moves in every frame in which
// the game frame runs. Only Escape drives them, so no other test's pointer can click here.
TEST(PauseFrames, EscapeFramePlaysThenTheGameFreezesUntilAnEmptyFrameEndsTheSlideOut) {
    ASSERT_TRUE(openTestWindow(640, 480));
    initInterface();
    std::strcpy(gameTitle, "Velmora");
    gameRecord.state = GameState::Playing;
    const auto gameFrameRan = [] {
        const float before = gameRecord.score;
        runFrame();
        return gameRecord.score != before;
    };
    SDL_Event escape{};
    escape.key = {SDL_KEYDOWN, 0, SDL_PRESSED, {0, SDLK_ESCAPE, KMOD_NONE, 0}};
    runFrame();
    ASSERT_TRUE(gameFrameRan());
    SDL_PushEvent(&escape);
    EXPECT_TRUE(gameFrameRan()) << "the game frame runs before the pause update";
    for (int m = 1; m <= 19; ++m) EXPECT_FALSE(gameFrameRan()) << "frame M+" << m;
    EXPECT_EQ(pauseProgress, 100.0f);
    SDL_PushEvent(&escape);
    for (int n = 0; n <= 18; ++n) EXPECT_FALSE(gameFrameRan()) << "frame N+" << n;
    ASSERT_EQ(pauseProgress, 5.0f);
    int drawn = 0;  // but for the pointer, 40 x 60, wherever the X pointer lies in the window
    for (const DrawnPolygon& q : captureQuads(runFrame))
        drawn += std::abs(q.right() - q.left() - 40) > 0.01f;
    EXPECT_EQ(drawn, 0) << "neither the game nor the overlay in the frame that ends at 0";
    EXPECT_TRUE(gameFrameRan());
}

}  // namespace
