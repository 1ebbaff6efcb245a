// The pause overlay: a hit box a pixel off, a slide that does not turn round where it is, a
// panel, button line or version text wrong, the game not frozen or drawn as the slide ends.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "app/input.h"
#include "app/main_loop.h"
#include "game/game_record.h"
#include "interface/buttons.h"
#include "interface/interface_startup.h"
#include "interface/pause.h"
#include "tests/unit/gl_context.h"

namespace {

using Quad = std::array<float, 5>;  // left, top, right, bottom in window pixels; least u in texels

// The quads a step draws, through feedback mode; Mesa's two triangles of a quad share its box.
std::vector<Quad> drawnQuads(void (*draw)()) {
    static GLfloat buffer[1 << 16];
    glFeedbackBuffer(1 << 16, GL_3D_COLOR_TEXTURE, buffer);
    glRenderMode(GL_FEEDBACK);
    draw();
    const int used = glRenderMode(GL_RENDER);
    std::vector<Quad> quads;
    for (int i = 0; i < used; i += 2 + 11 * int(buffer[i + 1])) {  // token, count, 11 per corner
        Quad q = {1e9f, 1e9f, -1e9f, -1e9f, 1e9f};
        for (GLfloat* c = buffer + i + 2; c < buffer + i + 2 + 11 * int(buffer[i + 1]); c += 11)
            q = {std::min(q[0], c[0]), std::min(q[1], 480 - c[1]), std::max(q[2], c[0]),
                 std::max(q[3], 480 - c[1]), std::min(q[4], c[7] * 1024)};
        for (float& v : q) v = std::round(v * 100) / 100;  // a few millionths off, through the view
        if (quads.empty() || quads.back() != q) quads.push_back(q);
    }
    return quads;
}

// The band around line 115 is exclusive on all sides; held or right buttons do not click.
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

// By hand: panels stand 60 - 0.6 p off the edges, the button line lies at 595 - 4.8 p; the
// version keeps one decimal and drops other trailing zeros, the last cut to 4 bytes.
TEST(PauseLayout, PanelsButtonsAndVersionTextAtEveryStep) {
    for (int i = 0; i <= 20; ++i) {
        EXPECT_EQ(panelOffset(5.0f * float(i)), 60 - 3 * i) << "row " << i;
        EXPECT_EQ(pauseButtonLine(5.0f * float(i)), 595 - 24 * i) << "row " << i;
    }
    const float versions[] = {1.0f, 2.5f, 10.0f, 1.25f, 1.25f};
    const char* want[] = {"v1.0", "v2.5", "v10.0", "v1.25", "v1."};
    for (int i = 0; i < 5; ++i) {
        char text[64];
        formatVersionText(text, i < 4 ? 64 : 4, versions[i]);
        EXPECT_STREQ(text, want[i]) << "version " << i;
    }
}

// Real frames of a run; no click, so another test's pointer on the display cannot interfere.
TEST(PauseFrames, EscapeFramePlaysThenTheGameFreezesUntilAnEmptyFrameEndsTheSlideOut) {
    ASSERT_TRUE(openTestWindow(640, 480));
    initInterface();
    gameRecord.state = GameState::Playing;
    SDL_Event escape{};
    escape.key = {SDL_KEYDOWN, 0, SDL_PRESSED, {0, SDLK_ESCAPE, KMOD_NONE, 0}};
    for (int frame = 1; frame <= 42; ++frame) {
        if (frame == 2 || frame == 22) SDL_PushEvent(&escape);
        const float before = gameRecord.score;
        const std::vector<Quad> quads = drawnQuads(runFrame);
        EXPECT_EQ(gameRecord.score != before, frame <= 2 || frame == 42) << "frame " << frame;
        // As the slide-out ends neither the game nor the overlay draws; the pointer at most.
        for (const Quad& q : quads) EXPECT_TRUE(frame != 41 || q[2] - q[0] == 40.0f);
    }
}

}  // namespace
