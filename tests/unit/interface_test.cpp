// The interface atlas cells, text and button drawing, the pointer and interface start-up.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <SDL/SDL.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/frame_clock.h"
#include "app/input.h"
#include "game/assets.h"
#include "game/game_record.h"
#include "gfx/texture.h"
#include "interface/buttons.h"
#include "interface/font.h"
#include "interface/interface_startup.h"
#include "interface/pause.h"
#include "tests/unit/gl_context.h"
#include "tests/unit/png_writer.h"

namespace {

// A polygon as the rasteriser received it: its box in overlay pixels (y downward) and the
// texel box it sampled.
struct DrawnQuad {
    float left, top, right, bottom;
    float texLeft, texTop, texRight, texBottom;
};

// Runs a drawing step in feedback mode on the 640 x 480 test window. A quad may come back split
// into two triangles with the same boxes; those are merged.
std::vector<DrawnQuad> quadsDrawnBy(const std::function<void()>& draw) {
    static GLfloat buffer[1 << 16];
    glFeedbackBuffer(static_cast<GLsizei>(std::size(buffer)), GL_3D_COLOR_TEXTURE, buffer);
    glRenderMode(GL_FEEDBACK);
    draw();
    const int used = glRenderMode(GL_RENDER);
    constexpr int floatsPerVertex = 3 + 4 + 4;  // x y z, colour, texture s t r q
    std::vector<DrawnQuad> quads;
    for (int i = 0; i < used;) {
        if (buffer[i] != GL_POLYGON_TOKEN) {
            ++i;
            continue;
        }
        const int count = static_cast<int>(buffer[i + 1]);
        DrawnQuad q{1e9f, 1e9f, -1e9f, -1e9f, 1e9f, 1e9f, -1e9f, -1e9f};
        for (int v = 0; v < count; ++v) {
            const GLfloat* p = &buffer[i + 2 + v * floatsPerVertex];
            const float x = p[0], y = 480.0f - p[1];
            const float u = p[7] * 1024.0f, t = p[8] * 256.0f;
            q = {std::min(q.left, x),     std::min(q.top, y),      std::max(q.right, x),
                 std::max(q.bottom, y),   std::min(q.texLeft, u),  std::min(q.texTop, t),
                 std::max(q.texRight, u), std::max(q.texBottom, t)};
        }
        const bool sameAsLast = !quads.empty() && quads.back().left == q.left &&
                                quads.back().top == q.top && quads.back().right == q.right &&
                                quads.back().bottom == q.bottom &&
                                quads.back().texLeft == q.texLeft;
        if (!sameAsLast) quads.push_back(q);
        i += 2 + count * floatsPerVertex;
    }
    return quads;
}

void expectTexelBox(const QuadTexCoords& cell, float x, float y, float w, float h) {
    // Lower-left, lower-right, upper-right, upper-left; exact binary fractions.
    const std::array<float, 8> want{x / 1024,       (y + h) / 256, (x + w) / 1024, (y + h) / 256,
                                    (x + w) / 1024, y / 256,       x / 1024,       y / 256};
    for (std::size_t i = 0; i < want.size(); ++i) EXPECT_EQ(cell.uv[i], want[i]) << "value " << i;
}

class InterfaceWidgets : public ::testing::Test {
   protected:
    void SetUp() override {
        ASSERT_TRUE(openTestWindow(640, 480));
        inputState = {};
        buildFontCells();
        buildFrameCells();
        buildPointerCell();
    }
};

using InterfaceText = InterfaceWidgets;
using MenuButton = InterfaceWidgets;
using GamePointer = InterfaceWidgets;

}  // namespace

TEST(InterfaceAtlas, FontCellsRunThirtyTwoToARowInCharacterOrder) {
    buildFontCells();
    expectTexelBox(fontCells[33], 20, 20, 20, 20);   // "A"
    expectTexelBox(fontCells[0], 0, 0, 20, 20);      // the space
    expectTexelBox(fontCells[32], 0, 20, 20, 20);    // "@" opens the second row
    expectTexelBox(fontCells[65], 20, 40, 20, 20);   // "a"
    expectTexelBox(fontCells[94], 600, 40, 20, 20);  // "~", the last cell
}

TEST(InterfaceAtlas, FrameCellsRunDownEachColumnThenAcrossThenToTheHighlight) {
    buildFrameCells();
    expectTexelBox(frameCells[4], 20, 80, 20, 20);    // normal centre
    expectTexelBox(frameCells[1], 0, 80, 20, 20);     // normal left edge
    expectTexelBox(frameCells[3], 20, 60, 20, 20);    // normal top edge
    expectTexelBox(frameCells[15], 100, 60, 20, 20);  // highlighted top-right corner
    expectTexelBox(frameCells[17], 100, 100, 20, 20);
}

TEST(InterfaceAtlas, PointerIsOneFortyBySixtyImage) {
    buildPointerCell();
    expectTexelBox(pointerCell, 440, 60, 40, 60);
}

TEST_F(InterfaceText, TextGlyphsStepTenPixelsFromFiveLeftOfThePosition) {
    const auto quads = quadsDrawnBy([] { drawText("Exit", 300, 120); });
    ASSERT_EQ(quads.size(), 4u);
    const float lefts[4] = {295, 305, 315, 325};
    const float texLefts[4] = {100, 480, 180, 400};  // "E" 69, "x" 120, "i" 105, "t" 116
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(quads[i].left, lefts[i], 1e-3) << "glyph " << i;
        EXPECT_NEAR(quads[i].right, lefts[i] + 20, 1e-3) << "glyph " << i;
        EXPECT_NEAR(quads[i].top, 120, 1e-3) << "glyph " << i;
        EXPECT_NEAR(quads[i].bottom, 140, 1e-3) << "glyph " << i;
        EXPECT_NEAR(quads[i].texLeft, texLefts[i], 1e-3) << "glyph " << i;
    }
    EXPECT_NEAR(quads[0].texTop, 20, 1e-3);
    EXPECT_NEAR(quads[1].texTop, 40, 1e-3);
}

TEST_F(InterfaceText, CharactersWithoutACellKeepTheirSlotButDrawNothing) {
    const auto quads = quadsDrawnBy([] {
        drawText(
            "A\x01\x7f\xff"
            "B",
            300, 120);
    });
    ASSERT_EQ(quads.size(), 2u);
    EXPECT_NEAR(quads[0].left, 295, 1e-3);
    EXPECT_NEAR(quads[1].left, 335, 1e-3);  // four slots on
    EXPECT_NEAR(quads[1].texLeft, 40, 1e-3);
}

TEST_F(InterfaceText, EmptyTextDrawsNothingAndLeavesTheInterfaceStatesOff) {
    EXPECT_TRUE(quadsDrawnBy([] { drawText("", 20, 18); }).empty());
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
}

// The click result tells whether the button was hovered when the left button went down.
static bool pressesButtonAt(int x, int y, int line) {
    inputState.pointerX = x;
    inputState.pointerY = y;
    inputState.mouseButtons[1] = 2;
    return menuButton("Resume game", line);
}

TEST_F(MenuButton, HoverBandEndsAtColumns156And483AndTwentyRowsEachSide) {
    EXPECT_FALSE(pressesButtonAt(156, 115, 115));
    EXPECT_TRUE(pressesButtonAt(157, 115, 115));
    EXPECT_TRUE(pressesButtonAt(482, 115, 115));
    EXPECT_FALSE(pressesButtonAt(483, 115, 115));
    EXPECT_TRUE(pressesButtonAt(320, 95, 115));
    EXPECT_TRUE(pressesButtonAt(320, 135, 115));
    EXPECT_FALSE(pressesButtonAt(320, 94, 115));
    EXPECT_FALSE(pressesButtonAt(320, 136, 115));
}

TEST_F(MenuButton, APressClicksOnceAndTheHeldButtonStaysHighlighted) {
    inputState.pointerX = 320;
    inputState.pointerY = 165;
    inputState.mouseButtons[1] = 2;
    bool clicked = false;
    auto quads = quadsDrawnBy([&] { clicked = menuButton("Exit", 165); });
    EXPECT_TRUE(clicked);
    ASSERT_FALSE(quads.empty());
    EXPECT_GE(quads[0].texLeft, 60 - 1e-3);  // drawn from the highlighted style

    inputState.mouseButtons[1] = 1;  // still held in the next frame
    quads = quadsDrawnBy([&] { clicked = menuButton("Exit", 165); });
    EXPECT_FALSE(clicked);
    ASSERT_FALSE(quads.empty());
    EXPECT_GE(quads[0].texLeft, 60 - 1e-3);

    inputState.mouseButtons[1] = 0;
    inputState.mouseButtons[3] = 2;  // the right button never clicks
    EXPECT_FALSE(menuButton("Exit", 165));
}

TEST_F(MenuButton, ExitButtonFrameAndLabelLieWhereThePauseScreenWantsThem) {
    inputState.pointerX = 0;  // not hovered: the normal style
    const auto quads = quadsDrawnBy([] { menuButton("Exit", 165); });
    ASSERT_EQ(quads.size(), 51u + 4u);  // 3 rows of 17 frame pieces, then the label
    float left = 1e9f, top = 1e9f, right = -1e9f, bottom = -1e9f;
    for (int i = 0; i < 51; ++i) {
        left = std::min(left, quads[i].left);
        top = std::min(top, quads[i].top);
        right = std::max(right, quads[i].right);
        bottom = std::max(bottom, quads[i].bottom);
        EXPECT_LE(quads[i].texRight, 60 + 1e-3) << "piece " << i;
    }
    EXPECT_NEAR(left, 150, 1e-3);
    EXPECT_NEAR(top, 138, 1e-3);
    EXPECT_NEAR(right, 490, 1e-3);
    EXPECT_NEAR(bottom, 193, 1e-3);
    EXPECT_NEAR(quads[51].left, 295, 1e-3);  // label at (300, 155)
    EXPECT_NEAR(quads[51].top, 155, 1e-3);
}

TEST_F(GamePointer, PointerImageHasItsHotSpotTwelveInAndTenDown) {
    const auto quads = quadsDrawnBy([] { drawPointer(100, 200); });
    ASSERT_EQ(quads.size(), 1u);
    EXPECT_NEAR(quads[0].left, 88, 1e-3);
    EXPECT_NEAR(quads[0].top, 190, 1e-3);
    EXPECT_NEAR(quads[0].right, 128, 1e-3);
    EXPECT_NEAR(quads[0].bottom, 250, 1e-3);
}

// A dashboard image with a see-through pixel, a half-transparent one and opaque ones.
static std::string writeDashboard(const std::string& dir, int width, int height) {
    PngImage image = solidPng(width, height, PngColour::Rgba, {0, 0, 255, 255});
    const std::uint8_t clear[4] = {255, 0, 0, 0}, half[4] = {0, 255, 0, 128};
    std::copy(clear, clear + 4, image.pixels.begin());
    std::copy(half, half + 4, image.pixels.begin() + 4);
    const std::string path = dir + "/dashboard.png";
    writePng(path, image);
    return path;
}

static std::array<int, 4> rgbaAt(SDL_Surface* surface, int x, int y) {
    const auto* row = static_cast<const std::uint8_t*>(surface->pixels) + y * surface->pitch;
    const int bpp = surface->format->BytesPerPixel;
    Uint32 value = 0;
    std::memcpy(&value, row + x * bpp, static_cast<std::size_t>(bpp));
    Uint8 r, g, b, a;
    SDL_GetRGBA(value, surface->format, &r, &g, &b, &a);
    return {r, g, b, a};
}

TEST(InterfaceStartup, DashboardAlphaIsCopiedIntoTheAtlasNotBlended) {
    ASSERT_TRUE(openTestWindow(640, 480));
    char dir[] = "/tmp/velmora-atlas-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    SDL_Surface* atlas = atlasFromDashboard(writeDashboard(dir, 640, 240).c_str());
    ASSERT_NE(atlas, nullptr);
    EXPECT_EQ(atlas->w, 1024);
    EXPECT_EQ(atlas->h, 256);
    EXPECT_EQ(rgbaAt(atlas, 0, 0), (std::array<int, 4>{255, 0, 0, 0}));
    EXPECT_EQ(rgbaAt(atlas, 1, 0), (std::array<int, 4>{0, 255, 0, 128}));
    EXPECT_EQ(rgbaAt(atlas, 639, 239), (std::array<int, 4>{0, 0, 255, 255}));
    EXPECT_EQ(rgbaAt(atlas, 640, 239)[3], 0);  // beyond the image: untouched, see-through
    SDL_FreeSurface(atlas);
}

TEST(InterfaceStartup, ImageLargerThanTheAtlasIsCutNotScaled) {
    ASSERT_TRUE(openTestWindow(640, 480));
    char dir[] = "/tmp/velmora-atlas-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    SDL_Surface* atlas = atlasFromDashboard(writeDashboard(dir, 1100, 300).c_str());
    ASSERT_NE(atlas, nullptr);
    EXPECT_EQ(atlas->w, 1024);
    EXPECT_EQ(rgbaAt(atlas, 1, 0), (std::array<int, 4>{0, 255, 0, 128}));
    EXPECT_EQ(rgbaAt(atlas, 1023, 255), (std::array<int, 4>{0, 0, 255, 255}));
    SDL_FreeSurface(atlas);
}

TEST(InterfaceStartup, UndecodableOrMissingDashboardGivesNoAtlas) {
    ASSERT_TRUE(openTestWindow(640, 480));
    const std::string path = "/tmp/velmora-not-a-picture.png";
    std::ofstream(path) << "\x89PNG but not really";
    EXPECT_EQ(atlasFromDashboard(path.c_str()), nullptr);
    EXPECT_EQ(atlasFromDashboard("/nonexistent/dashboard.png"), nullptr);
}

TEST(InterfaceStartup, WithoutADashboardTheDrawnAtlasStillShowsLabelsAndPointer) {
    ASSERT_TRUE(openTestWindow(640, 480));
    char dir[] = "/tmp/velmora-nomedia-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    ASSERT_EQ(chdir(dir), 0);
    initInterface();
    ASSERT_NE(interfaceSurface, nullptr);
    EXPECT_NE(interfaceTexture, 0u);
    EXPECT_EQ(rgbaAt(interfaceSurface, 452, 70)[3], 255);  // the arrow's tip is the hot spot
    EXPECT_EQ(rgbaAt(interfaceSurface, 451, 70)[3], 0);
    EXPECT_EQ(rgbaAt(interfaceSurface, 452, 69)[3], 0);
    int inkInSpace = 0, inkInE = 0;  // the space's cell stays blank, "E" (37) has ink
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            inkInSpace += rgbaAt(interfaceSurface, x, y)[3] > 0;
            inkInE += rgbaAt(interfaceSurface, 100 + x, 20 + y)[3] > 0;
        }
    EXPECT_EQ(inkInSpace, 0);
    EXPECT_GT(inkInE, 50);
    EXPECT_GT(rgbaAt(interfaceSurface, 320, 150)[3], 0);  // the panels are not see-through
}

namespace {

class PauseOverlay : public InterfaceWidgets {
   protected:
    void SetUp() override {
        InterfaceWidgets::SetUp();
        initPausePanels();
        std::strcpy(gameTitle, "Velmora");
        gameRecord.gameVersion = 1.0f;
        std::strcpy(frameClock.dateText, "Saturday December 5th 2026");  // 26 characters
        std::strcpy(frameClock.timeText, "11:05:09 PM");                 // 11
        std::strcpy(bottomText2, "www.example");
    }
};

}  // namespace

TEST_F(PauseOverlay, ShownOverlayPutsPanelsAndTextsOnTheirRows) {
    pauseProgress = 100.0f;
    const auto quads = quadsDrawnBy([] { drawPauseOverlay(); });
    // Top panel, title 7, version "v1.0" 4, date 26, time 11, bottom panel, second line 11.
    ASSERT_EQ(quads.size(), 1u + 7u + 4u + 26u + 11u + 1u + 11u);
    const DrawnQuad& top = quads[0];
    EXPECT_NEAR(top.left, 0, 1e-3);
    EXPECT_NEAR(top.top, 0, 1e-3);
    EXPECT_NEAR(top.right, 640, 1e-3);
    EXPECT_NEAR(top.bottom, 60, 1e-3);
    EXPECT_NEAR(top.texTop, 120, 1e-3);
    EXPECT_NEAR(quads[1].left, 15, 1e-3);  // title at (20, 18)
    EXPECT_NEAR(quads[1].top, 18, 1e-3);
    EXPECT_NEAR(quads[8].left, 15, 1e-3);  // version at (20, 38)
    EXPECT_NEAR(quads[8].top, 38, 1e-3);
    EXPECT_NEAR(quads[12].left, 355, 1e-3);  // date at (360, 18), ending at 620
    EXPECT_NEAR(quads[12].top, 18, 1e-3);
    EXPECT_NEAR(quads[37].right, 625, 1e-3);
    EXPECT_NEAR(quads[38].left, 505, 1e-3);  // time at (510, 38)
    EXPECT_NEAR(quads[38].top, 38, 1e-3);
    const DrawnQuad& bottom = quads[49];
    EXPECT_NEAR(bottom.top, 420, 1e-3);
    EXPECT_NEAR(bottom.bottom, 480, 1e-3);
    EXPECT_NEAR(bottom.texTop, 180, 1e-3);
    EXPECT_NEAR(quads[50].left, 15, 1e-3);  // second line at (20, 442); the first is empty
    EXPECT_NEAR(quads[50].top, 442, 1e-3);
}

TEST_F(PauseOverlay, FirstStepShowsThreeRowsOfEachPanel) {
    pauseProgress = 5.0f;
    const auto quads = quadsDrawnBy([] { drawPauseOverlay(); });
    ASSERT_FALSE(quads.empty());
    EXPECT_NEAR(quads.front().top, 0, 1e-3);
    EXPECT_NEAR(quads.front().bottom, 3, 1e-3);
    const auto bottom = std::find_if(quads.begin(), quads.end(),
                                     [](const DrawnQuad& q) { return q.texTop >= 180 - 1e-3; });
    ASSERT_NE(bottom, quads.end());
    EXPECT_NEAR(bottom->top, 477, 1e-3);
    EXPECT_NEAR(bottom->bottom, 480, 1e-3);
}
