#include <GL/gl.h>
#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/display.h"
#include "gfx/texture.h"
#include "tests/unit/gl_context.h"
#include "tests/unit/png_writer.h"

namespace {

using Rgba = std::array<int, 4>;

class TextureFiles : public ::testing::Test {
   protected:
    void SetUp() override {
        ASSERT_TRUE(openTestWindow(640, 480));
        char pattern[] = "/tmp/velmora-texture.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override { std::system(("rm -rf " + dir).c_str()); }

    std::string file(const char* name) const { return dir + "/" + name; }

    // A 2 x 2 image: red, green on the top row; blue, a grey on the bottom row.
    PngImage fourColours(PngColour colour) const {
        PngImage image;
        image.width = 2;
        image.height = 2;
        image.colour = colour;
        const std::vector<std::vector<std::uint8_t>> rgba = {
            {255, 0, 0, 255}, {0, 255, 0, 128}, {0, 0, 255, 255}, {90, 90, 90, 0}};
        for (const auto& p : rgba)
            image.pixels.insert(image.pixels.end(), p.begin(),
                                p.begin() + pngBytesPerPixel(colour));
        return image;
    }

    std::string dir;
};

// The bound texture's level 0 as RGBA bytes, top row first.
std::vector<Rgba> boundTexels() {
    GLint w = 0, h = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    std::vector<unsigned char> bytes(std::size_t(w * h * 4));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, bytes.data());
    std::vector<Rgba> texels;
    for (std::size_t i = 0; i < bytes.size(); i += 4)
        texels.push_back({bytes[i], bytes[i + 1], bytes[i + 2], bytes[i + 3]});
    return texels;
}

GLint boundLevelParameter(GLint level, GLenum name) {
    GLint value = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, name, &value);
    return value;
}

GLint boundParameter(GLenum name) {
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    return value;
}

TEST_F(TextureFiles, RgbaFileKeepsItsColoursAndAlpha) {
    ASSERT_TRUE(writePng(file("rgba.png"), fourColours(PngColour::Rgba)));
    ASSERT_NE(loadTexture(file("rgba.png").c_str(), false), 0u);
    const std::vector<Rgba> want = {
        {255, 0, 0, 255}, {0, 255, 0, 128}, {0, 0, 255, 255}, {90, 90, 90, 0}};
    EXPECT_EQ(boundTexels(), want);
    EXPECT_EQ(boundLevelParameter(0, GL_TEXTURE_INTERNAL_FORMAT), 4);
}

TEST_F(TextureFiles, RgbFileGoesUpWithoutAlphaAndReadsOpaque) {
    ASSERT_TRUE(writePng(file("rgb.png"), fourColours(PngColour::Rgb)));
    ASSERT_NE(loadTexture(file("rgb.png").c_str(), false), 0u);
    const std::vector<Rgba> want = {
        {255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {90, 90, 90, 255}};
    EXPECT_EQ(boundTexels(), want);
    EXPECT_EQ(boundLevelParameter(0, GL_TEXTURE_INTERNAL_FORMAT), 3);
    EXPECT_EQ(boundLevelParameter(0, GL_TEXTURE_ALPHA_SIZE), 0);
}

TEST_F(TextureFiles, DisplayFormatSurfaceWithRedElsewhereKeepsRedRed) {
    ASSERT_TRUE(writePng(file("dashboard.png"), fourColours(PngColour::Rgba)));
    interfaceSurface = loadImageSurface(file("dashboard.png"));
    ASSERT_NE(interfaceSurface, nullptr);
    ASSERT_EQ(interfaceSurface->format->BytesPerPixel, 4);
    ASSERT_NE(interfaceSurface->format->Rmask, 0xFFu) << "the display format puts red elsewhere";
    ASSERT_NE(makeInterfaceTexture(), 0u);
    const std::vector<Rgba> want = {
        {255, 0, 0, 255}, {0, 255, 0, 128}, {0, 0, 255, 255}, {90, 90, 90, 0}};
    EXPECT_EQ(boundTexels(), want);
    EXPECT_NE(interfaceSurface->pixels, nullptr) << "the surface stays alive";
}

TEST_F(TextureFiles, PalettedFileIsWidenedWithItsTransparentEntry) {
    PngImage image;
    image.width = 2;
    image.height = 2;
    image.colour = PngColour::Paletted;
    image.palette = {10, 20, 30, 200, 100, 50, 0, 0, 255};
    image.paletteAlpha = {0};  // entry 0 see-through, the others opaque
    image.pixels = {0, 1, 2, 1};
    ASSERT_TRUE(writePng(file("paletted.png"), image));
    ASSERT_NE(loadTexture(file("paletted.png").c_str(), false), 0u);
    const std::vector<Rgba> texels = boundTexels();
    ASSERT_EQ(texels.size(), 4u);
    EXPECT_EQ(texels[0][3], 0);
    EXPECT_EQ(texels[1], (Rgba{200, 100, 50, 255}));
    EXPECT_EQ(texels[2], (Rgba{0, 0, 255, 255}));
    EXPECT_EQ(texels[3], (Rgba{200, 100, 50, 255}));
}

TEST_F(TextureFiles, GreyFileShowsItsGreys) {
    PngImage image;
    image.width = 2;
    image.height = 1;
    image.colour = PngColour::Grey;
    image.pixels = {0, 200};
    ASSERT_TRUE(writePng(file("grey.png"), image));
    ASSERT_NE(loadTexture(file("grey.png").c_str(), true), 0u);
    const std::vector<Rgba> want = {{0, 0, 0, 255}, {200, 200, 200, 255}};
    EXPECT_EQ(boundTexels(), want);
}

TEST_F(TextureFiles, MissingOrUndecodableFileGivesNoTexture) {
    ASSERT_TRUE(writePng(file("bad.png"), fourColours(PngColour::Rgb)));
    std::system(("truncate -s 30 " + file("bad.png")).c_str());  // cut inside the header chunk
    EXPECT_EQ(loadTexture(file("none.png").c_str(), false), 0u);
    EXPECT_EQ(loadTexture(file("bad.png").c_str(), true), 0u);
    for (GLuint name = 1; name <= 64; ++name) EXPECT_FALSE(glIsTexture(name)) << "name " << name;
    EXPECT_EQ(loadImageSurface(file("none.png")), nullptr);
}

TEST_F(TextureFiles, MipmapsOnlyWhenAsked) {
    ASSERT_TRUE(writePng(file("mesh.png"), solidPng(8, 4, PngColour::Rgb, {50, 60, 70})));
    ASSERT_NE(loadTexture(file("mesh.png").c_str(), true), 0u);
    EXPECT_EQ(boundParameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(boundParameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(boundLevelParameter(1, GL_TEXTURE_WIDTH), 4);
    EXPECT_EQ(boundLevelParameter(3, GL_TEXTURE_WIDTH), 1);

    ASSERT_NE(loadTexture(file("mesh.png").c_str(), false), 0u);
    EXPECT_EQ(boundParameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(boundParameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(boundParameter(GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(boundLevelParameter(1, GL_TEXTURE_WIDTH), 0) << "only level 0 exists";
}

// An 8 x 8 image in four 4 x 4 quarters: red top left, green top right, blue bottom left,
// white bottom right; sampled at the quarters' centres the linear filter gives pure colours.
TEST_F(TextureFiles, QuadShowsThePictureUprightWithCullingOn) {
    PngImage image = solidPng(8, 8, PngColour::Rgb, {0, 0, 0});
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const std::uint8_t quarter[4][3] = {
                {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
            const auto* c = quarter[(y / 4) * 2 + x / 4];
            std::copy(c, c + 3, image.pixels.begin() + (y * 8 + x) * 3);
        }
    ASSERT_TRUE(writePng(file("quarters.png"), image));
    ASSERT_NE(loadTexture(file("quarters.png").c_str(), false), 0u);
    ASSERT_TRUE(glIsEnabled(GL_CULL_FACE));

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 640, 480, 0, -1, 1);  // overlay: window pixels, y downward
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_TEXTURE_2D);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    const QuadTexCoords upright = {{0, 1, 1, 1, 1, 0, 0, 0}};
    drawTexturedQuad(100, 200, 80, 40, &upright);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisable(GL_TEXTURE_2D);

    EXPECT_EQ(readPixel(120, 210).r, 255);
    EXPECT_EQ(readPixel(120, 210).g, 0);
    EXPECT_EQ(readPixel(160, 210).g, 255);
    EXPECT_EQ(readPixel(120, 230).b, 255);
    EXPECT_EQ(readPixel(120, 230).r, 0);
    EXPECT_EQ(readPixel(160, 230).r + readPixel(160, 230).g + readPixel(160, 230).b, 765);
    EXPECT_EQ(readPixel(99, 210).r, 0) << "nothing left of the quad";
    EXPECT_EQ(readPixel(160, 240).b, 0) << "nothing below it";
}

TEST(InterfaceAtlas, PanelRectangleComesOutUpright) {
    QuadTexCoords t{};
    interfaceTexCoords(&t, 0, 120, 640, 60);
    const std::array<float, 8> want{0, 0.703125f, 0.625f, 0.703125f, 0.625f, 0.46875f, 0, 0.46875f};
    for (std::size_t i = 0; i < want.size(); ++i) EXPECT_EQ(t.uv[i], want[i]) << "value " << i;
}

}  // namespace
