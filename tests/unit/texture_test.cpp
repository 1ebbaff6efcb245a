// Pictures into textures with their colours, whatever their layout, and the views the game
// draws through: the camera turned in the wrong order, the overlay upside down.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "game/game_record.h"
#include "gfx/texture.h"
#include "gfx/view.h"
#include "tests/unit/gl_context.h"
#include "tests/unit/png_writer.h"

namespace {

// A PNG of two pixels in one row, stored uncompressed; paletted ones with entry 0 see-through.
void writePng(const std::string& path, Byte colourType, const Bytes& row, const Bytes& palette) {
    writeBytes(
        path, encodePng({2, 1, 8, colourType, row, palette, palette.empty() ? Bytes{} : Bytes{0}}));
}

// Red, half-transparent blue: red stays red whatever order the surface keeps its bytes in (the
// display format of the third keeps blue first); paletted files widen, entry 0 clear.
TEST(TextureUpload, EveryPixelLayoutArrivesWithItsColoursAndAMissingFileWithNothing) {
    ASSERT_TRUE(openTestWindow(640, 480));
    EXPECT_EQ(loadTexture("/nonexistent/meshtexture.png", true), 0u);
    for (GLuint n = 1; n <= 64; ++n) EXPECT_FALSE(glIsTexture(n)) << "a missing file made " << n;
    const Bytes rows[] = {{255, 0, 0, 255, 0, 0, 255, 128},
                          {255, 0, 0, 0, 0, 255},
                          {255, 0, 0, 255, 0, 0, 255, 128},
                          {0, 1}};
    const int want[][10] = {{6, 255, 0, 0, 255, 0, 0, 255, 128, 4},  // colour type, 2 texels, bytes
                            {2, 255, 0, 0, 255, 0, 0, 255, 255, 3},
                            {6, 255, 0, 0, 255, 0, 0, 255, 128, 4},
                            {3, 0, 0, 0, 0, 200, 100, 50, 255, 4}};
    const std::string path = "upload.png";  // in the build's own test folder
    for (int i = 0; i < 4; ++i) {
        writePng(path, Byte(want[i][0]), rows[i], i == 3 ? Bytes{1, 2, 3, 200, 100, 50} : Bytes{});
        if (i == 2) interfaceSurface = loadImageSurface(path);
        ASSERT_NE(i == 2 ? makeInterfaceTexture() : loadTexture(path.c_str(), false), 0u);
        Byte texels[8] = {};
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
        GLint bytes = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &bytes);
        for (int k = 0; k < 9; ++k)
            EXPECT_EQ(k < 8 ? texels[k] : bytes, want[i][k + 1]) << i << "," << k;
    }
}

using Point = std::array<double, 4>;

Point through(GLenum matrix, const Point& p) {
    float m[16];
    glGetFloatv(matrix, m);
    Point q{};
    for (std::size_t r = 0; r < 16; ++r) q[r % 4] += double(m[r]) * p[r / 4];
    return q;
}

// By hand: (4, 6, -2), (1, 2, 3) from the camera, turned by yaw 1.1 about y, pitch 0.3 about x,
// then roll 0.2 about z, lands on (2.71286, 2.35786, 1.03965); any other order misses by 0.04.
TEST(Views, PerspectiveTurnsYawPitchRollAfterTheMoveAndOverlayPixelsRunYDownward) {
    ASSERT_TRUE(openTestWindow(640, 480));
    gameRecord.camera.position = {3.0f, 4.0f, -5.0f};
    gameRecord.camera.rotation.z = 0.2f;
    setPerspectiveView(0.3f, 1.1f, 50.0f);
    const Point want = {2.71286, 2.35786, 1.03965, 1},
                got = through(GL_MODELVIEW_MATRIX, {4, 6, -2, 1});
    for (std::size_t i = 0; i < 4; ++i) EXPECT_NEAR(got[i], want[i], 1e-4) << "coordinate " << i;
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
