// Pictures into textures, the atlas rectangles the interface and score font sample, and the
// two views they are drawn in.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <string>

#include "game/game_record.h"
#include "gfx/glyph_text.h"
#include "gfx/view.h"
#include "interface/buttons.h"
#include "interface/font.h"
#include "tests/unit/gl_context.h"
#include "tests/unit/png_writer.h"

namespace {

// Red then a half-transparent blue, as two RGBA texels, then the bytes per texel uploaded: red
// stays red whatever order the surface keeps its bytes in (the display format keeps them blue
// first), and a paletted file is widened with its transparent entry clear.
TEST(TextureUpload, EveryPixelLayoutArrivesWithItsColoursAndAlphaAndAMissingFileWithNothing) {
    ASSERT_TRUE(openTestWindow(640, 480));
    EXPECT_EQ(loadTexture("/nonexistent/meshtexture.png", true), 0u);
    for (GLuint n = 1; n <= 64; ++n) EXPECT_FALSE(glIsTexture(n)) << "a missing file made " << n;
    const PngImage rgba{2, 1, PngColour::Rgba, {255, 0, 0, 255, 0, 0, 255, 128}, {}, {}};
    const PngImage images[] = {rgba,
                               {2, 1, PngColour::Rgb, {255, 0, 0, 0, 0, 255}, {}, {}},
                               rgba,
                               {2, 1, PngColour::Paletted, {0, 1}, {1, 2, 3, 200, 100, 50}, {0}}};
    const int want[][9] = {{255, 0, 0, 255, 0, 0, 255, 128, 4},
                           {255, 0, 0, 255, 0, 0, 255, 255, 3},
                           {255, 0, 0, 255, 0, 0, 255, 128, 4},
                           {0, 0, 0, 0, 200, 100, 50, 255, 4}};
    const std::string path = "/tmp/velmora-texture-" + std::to_string(getpid()) + ".png";
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(writePng(path, images[i]));
        interfaceSurface = loadImageSurface(path);  // the third goes up as the interface texture
        ASSERT_NE(i == 2 ? makeInterfaceTexture() : loadTexture(path.c_str(), false), 0u);
        unsigned char texels[8] = {};
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
        for (int k = 0; k < 8; ++k)
            EXPECT_EQ(texels[k], want[i][k]) << "row " << i << " byte " << k;
        GLint components = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &components);
        EXPECT_EQ(components, want[i][8]) << "row " << i;
    }
    std::remove(path.c_str());
}

// Corners lower-left, lower-right, upper-right, upper-left, in texels of the 1024 x 256
// interface atlas or the 512 x 512 score font.
TEST(AtlasCells, EachCellCoversItsRectangleUpright) {
    QuadTexCoords topPanel;
    interfaceTexCoords(&topPanel, 0, 120, 640, 60);
    buildFontCells();
    buildFrameCells();
    buildPointerCell();
    buildGlyphTable();
    const QuadTexCoords* cells[] = {&topPanel,    &fontCells[33],  &frameCells[4], &frameCells[15],
                                    &pointerCell, &glyphTable[16], &glyphTable[33]};
    const float texels[][8] = {{0, 180, 640, 180, 640, 120, 0, 120},
                               {20, 40, 40, 40, 40, 20, 20, 20},        // "A"
                               {20, 100, 40, 100, 40, 80, 20, 80},      // the frame's centre
                               {100, 80, 120, 80, 120, 60, 100, 60},    // lit top-right corner
                               {440, 120, 480, 120, 480, 60, 440, 60},  // the pointer
                               {258, 30, 270, 30, 270, 2, 258, 2},      // score "0", inset 2
                               {18, 62, 30, 62, 30, 34, 18, 34}};       // score "A"
    for (int i = 0; i < 7; ++i)
        for (int k = 0; k < 8; ++k)
            EXPECT_EQ(cells[i]->uv[k] * (i >= 5  ? 512
                                         : k % 2 ? 256
                                                 : 1024),
                      texels[i][k])
                << "row " << i << " value " << k;
    EXPECT_EQ(glyphWidth, 12.0f);
    EXPECT_EQ(glyphHeight, 28.0f);
}

using Point = std::array<double, 4>;

// The point p through the current matrix `which`.
Point through(GLenum which, const Point& p) {
    float m[16];
    glGetFloatv(which, m);
    Point q{};
    for (std::size_t r = 0; r < 4; ++r)
        for (std::size_t k = 0; k < 4; ++k) q[r] += double(m[k * 4 + r]) * p[k];
    return q;
}

// Worked out by hand: (4, 6, -2) lies (1, 2, 3) from the camera; turned by the yaw 1.1 about
// y, then the pitch 0.3 about x, then the roll 0.2 about z, it ends at (2.71286, 2.35786,
// 1.03965). Any other order of turns misses it by 0.04 or more.
TEST(PerspectiveView, ModelViewMovesTheCameraToTheOriginThenTurnsYawPitchRoll) {
    ASSERT_TRUE(openTestWindow(640, 480));
    gameRecord.camera.position = {3.0f, 4.0f, -5.0f};
    gameRecord.camera.rotation.z = 0.2f;
    setPerspectiveView(0.3f, 1.1f, 50.0f);
    const Point want = {2.71286, 2.35786, 1.03965, 1},
                got = through(GL_MODELVIEW_MATRIX, {4, 6, -2, 1});
    for (std::size_t i = 0; i < 4; ++i) EXPECT_NEAR(got[i], want[i], 1e-4) << "coordinate " << i;
}

TEST(OverlayView, WindowPixelsMapToCornersAndCentreWithYDownward) {
    ASSERT_TRUE(openTestWindow(640, 480));
    setPerspectiveView(0.3f, 0.2f, 50.0f);  // must leave no trace
    setOverlayView(0.0f, 0.0f);
    const double rows[][4] = {
        {0, 0, -1, 1}, {320, 240, 0, 0}, {640, 480, 1, -1}, {160, 360, -0.5, -0.5}};
    for (const auto& r : rows) {
        const Point d =
            through(GL_PROJECTION_MATRIX, through(GL_MODELVIEW_MATRIX, {r[0], r[1], 0, 1}));
        EXPECT_NEAR(d[0] / d[3], r[2], 1e-6) << r[0] << "," << r[1];
        EXPECT_NEAR(d[1] / d[3], r[3], 1e-6) << r[0] << "," << r[1];
    }
}

}  // namespace
