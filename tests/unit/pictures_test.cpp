// The pictures the game decodes are the same surfaces on every desktop: SDL_image's on Linux
// give the digests, which the Windows build's own decoder must give under Wine.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/platform.h"
#include "app/png_decoder.h"
#include "tests/unit/png_writer.h"
#include "tests/unit/test_files.h"

namespace {

struct Png {
    const char* name;
    PngPicture picture;
};

Bytes encode(const Png& png) { return encodePng(png.picture); }

const Bytes rgbPalette = {10, 20, 30, 200, 100, 50, 0, 255, 0, 255, 255, 255};
const Bytes rgbaRows = {255, 0, 0, 255, 0, 0, 255, 128, 9, 9,  9,  0,
                        1,   2, 3, 4,   5, 6, 7,   8,   9, 10, 11, 12};

// One of each layout libpng reduces differently: 3 x 2 pixels, so rows are padded.
const Png fixtures[] = {
    {"rgb8", {3, 2, 8, 2, Bytes(18, 77), {}, {}}},
    {"rgba8", {3, 2, 8, 6, rgbaRows, {}, {}}},
    {"rgb16",
     {3, 1, 16, 2, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18}, {}, {}}},
    {"grey8", {3, 2, 8, 0, {0, 127, 255, 1, 2, 3}, {}, {}}},
    {"grey2", {3, 2, 2, 0, {0b00011011, 0b11100100}, {}, {}}},
    {"greyAlpha8", {3, 1, 8, 4, {10, 255, 20, 128, 30, 0}, {}, {}}},
    {"rgbKey8", {3, 1, 8, 2, {1, 2, 3, 4, 5, 6, 1, 2, 3}, {}, {0, 1, 0, 2, 0, 3}}},
    {"palette8", {3, 2, 8, 3, {0, 1, 2, 3, 2, 1}, rgbPalette, {}}},
    // The palette's single clear entry becomes the colour key: transparent black once widened.
    {"paletteClear8", {3, 2, 8, 3, {0, 1, 2, 3, 2, 0}, rgbPalette, {0}}},
    {"paletteClearLast", {3, 2, 8, 3, {0, 1, 2, 3, 2, 0}, rgbPalette, {255, 255, 255, 0}}},
    // Two clear entries, or a translucent one, turn the picture into 32-bit pixels instead.
    {"paletteTwoClear", {3, 2, 8, 3, {0, 1, 2, 3, 2, 0}, rgbPalette, {0, 0}}},
    {"paletteTranslucent", {3, 2, 8, 3, {0, 1, 2, 3, 2, 0}, rgbPalette, {128}}},
    {"palette1", {3, 2, 1, 3, {0b10100000, 0b01000000}, {1, 2, 3, 250, 251, 252}, {255, 0}}},
    // Last: a grey key gives SDL_image two-byte pixels with masks beyond them, which SDL 1.2
    // takes and SDL 1.2 on SDL 2 may refuse, so no digest is kept of it.
    {"greyKey8", {3, 1, 8, 0, {0, 7, 255}, {}, {0, 7}}},
};

std::string writeFixture(const Png& png) {
    const std::string path = std::string(png.name) + ".png";
    writeBytes(path, encode(png));
    return path;
}

// FNV-1a over the size, the red and alpha masks, the colour key and the rows' visible bytes.
std::uint64_t digest(const SDL_Surface* s) {
    std::uint64_t hash = 14695981039346656037ull;
    const auto add = [&hash](std::uint32_t value) {
        for (int shift = 0; shift < 32; shift += 8)
            hash = (hash ^ Byte(value >> shift)) * 1099511628211ull;
    };
    const SDL_PixelFormat& f = *s->format;
    for (const std::uint32_t value :
         {std::uint32_t(s->w), std::uint32_t(s->h), std::uint32_t(f.BytesPerPixel), f.Rmask,
          f.Amask, s->flags & SDL_SRCCOLORKEY ? f.colorkey : 0xFFFFFFFFu})
        add(value);
    for (int y = 0; y < s->h; ++y)
        for (int x = 0; x < s->w * f.BytesPerPixel; ++x)
            add(static_cast<const Byte*>(s->pixels)[y * s->pitch + x]);
    return hash;
}

struct Pictures : ::testing::Test {
    std::filesystem::path dir;
    void SetUp() override { dir = enterScratchFolder("velmora-pictures."); }
    void TearDown() override { leaveScratchFolder(dir); }
};

// What the game keeps of each Media picture and fixture, on Linux and Windows alike.
TEST_F(Pictures, TheGameKeepsTheSamePixelsOnEveryDesktop) {
    std::vector<std::string> paths;
    for (const char* name : {"splashscreen", "meshtexture", "hudtexture", "dashboard"})
        paths.push_back(sourcePath("Media/") + name + ".png");
    for (std::size_t i = 0; i + 1 < std::size(fixtures); ++i)
        paths.push_back(writeFixture(fixtures[i]));
    const std::uint64_t want[] = {
        18278027841474922069ull, 15382578542389847715ull, 14268620131924503434ull,
        17472965373882322870ull, 2318897471063522292ull,  925004087355078864ull,
        16674167194650462918ull, 11383737339393957034ull, 7944776312108863141ull,
        10834642221373846994ull, 15962163687913788872ull, 7998416834483751109ull,
        3309464753822239643ull,  5425306137488602203ull,  10838006449052679316ull,
        2966825609451919035ull,  3208179401643951493ull};
    ASSERT_EQ(paths.size(), std::size(want));
    for (std::size_t i = 0; i < paths.size(); ++i) {
        SDL_Surface* image = decodeImage(paths[i].c_str());
        ASSERT_NE(image, nullptr) << paths[i];
        EXPECT_EQ(digest(image), want[i]) << paths[i];
        SDL_FreeSurface(image);
    }
}

TEST_F(Pictures, MissingCutAndForeignFilesGiveNothing) {
    const Bytes whole = encode(fixtures[0]);
    const std::pair<const char*, Bytes> files[] = {
        {"cut.png", Bytes(whole.begin(), whole.end() - 20)},
        {"header.png", Bytes(whole.begin(), whole.begin() + 8)},
        {"empty.png", {}},
        {"text.png", Bytes(200, 'x')}};
    for (const auto& [name, bytes] : files) {
        writeBytes(name, bytes);
        EXPECT_EQ(decodePng(name), nullptr) << name;
        EXPECT_EQ(decodeImage(name), nullptr) << name;
    }
    EXPECT_EQ(decodePng("missing.png"), nullptr);
}

}  // namespace
