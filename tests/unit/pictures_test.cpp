// The pictures the game decodes are the same pixels on every desktop: where SDL_image is built
// (Linux), libpng through the Windows build's decoder gives exactly its surfaces; and on both,
// the surfaces the game keeps carry the digests listed here.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "app/platform.h"
#include "app/png_decoder.h"
#include "tests/unit/png_writer.h"
#include "tests/unit/scratch_folder.h"

#if !defined(_WIN32)
#include <SDL/SDL_image.h>
#endif

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
    const Bytes bytes = encode(png);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
    return path;
}

std::string mediaPath(const std::string& name) {
    const char* source = std::getenv("VELMORA_SOURCE_DIR");
    return std::string(source ? source : ".") + "/Media/" + name + ".png";
}

// FNV-1a over the size, the pixel size and every visible byte of the rows.
std::uint64_t digest(const SDL_Surface* s) {
    std::uint64_t hash = 14695981039346656037ull;
    const auto add = [&hash](Byte byte) { hash = (hash ^ byte) * 1099511628211ull; };
    for (const int value : {s->w, s->h, int(s->format->BytesPerPixel)}) add(Byte(value));
    for (int y = 0; y < s->h; ++y)
        for (int x = 0; x < s->w * s->format->BytesPerPixel; ++x)
            add(static_cast<const Byte*>(s->pixels)[y * s->pitch + x]);
    return hash;
}

struct Pictures : ::testing::Test {
    std::filesystem::path dir;
    void SetUp() override { dir = enterScratchFolder("velmora-pictures."); }
    void TearDown() override { leaveScratchFolder(dir); }
};

// What decodeImage keeps of each Media picture and fixture, on Linux and Windows alike.
TEST_F(Pictures, TheGameKeepsTheSamePixelsOnEveryDesktop) {
    const std::pair<const char*, std::uint64_t> media[] = {
        {"splashscreen", 13639693416350281072ull},
        {"meshtexture", 9565508135084789410ull},
        {"hudtexture", 7805811248421884298ull},
        {"dashboard", 9273939671360630763ull}};
    for (const auto& [name, want] : media) {
        SDL_Surface* image = decodeImage(mediaPath(name).c_str());
        ASSERT_NE(image, nullptr) << name;
        EXPECT_EQ(digest(image), want) << name;
        SDL_FreeSurface(image);
    }
    const std::uint64_t want[] = {
        9045380479421502179ull,  14204623943960666754ull, 13214798365050478621ull,
        11430291014240779252ull, 1798500610851281925ull,  7826896119591702830ull,
        10585727414957824111ull, 14843215589623874769ull, 6811663994749010063ull,
        13225528329483547055ull, 11757284404641179918ull, 3088020582741658903ull,
        15250846861873616173ull};
    static_assert(std::size(want) == std::size(fixtures) - 1);
    for (std::size_t i = 0; i < std::size(want); ++i) {
        SDL_Surface* image = decodeImage(writeFixture(fixtures[i]).c_str());
        ASSERT_NE(image, nullptr) << fixtures[i].name;
        EXPECT_EQ(digest(image), want[i]) << fixtures[i].name;
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
        std::ofstream(name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
        EXPECT_EQ(decodePng(name), nullptr) << name;
        EXPECT_EQ(decodeImage(name), nullptr) << name;
    }
    EXPECT_EQ(decodePng("missing.png"), nullptr);
}

#if !defined(_WIN32)
// Same size, pixel format, colour key, palette and rows as SDL_image's own surface.
void expectSameSurface(SDL_Surface* ours, SDL_Surface* theirs, const std::string& name) {
    ASSERT_EQ(ours == nullptr, theirs == nullptr) << name;
    if (ours == nullptr) return;  // refused by both
    const SDL_PixelFormat &a = *ours->format, &b = *theirs->format;
    EXPECT_EQ(ours->w, theirs->w) << name;
    EXPECT_EQ(ours->h, theirs->h) << name;
    EXPECT_EQ(ours->pitch, theirs->pitch) << name;
    EXPECT_EQ(a.BitsPerPixel, b.BitsPerPixel) << name;
    EXPECT_EQ(a.Rmask, b.Rmask) << name;
    EXPECT_EQ(a.Amask, b.Amask) << name;
    EXPECT_EQ(ours->flags & SDL_SRCCOLORKEY, theirs->flags & SDL_SRCCOLORKEY) << name;
    EXPECT_EQ(a.colorkey, b.colorkey) << name;
    ASSERT_EQ(a.palette == nullptr, b.palette == nullptr) << name;
    if (a.palette != nullptr) {
        ASSERT_EQ(a.palette->ncolors, b.palette->ncolors) << name;
        for (int i = 0; i < a.palette->ncolors; ++i) {
            const SDL_Color &p = a.palette->colors[i], &q = b.palette->colors[i];
            EXPECT_TRUE(p.r == q.r && p.g == q.g && p.b == q.b) << name << " entry " << i;
        }
    }
    if (ours->pitch != theirs->pitch || ours->h != theirs->h) return;
    EXPECT_EQ(std::memcmp(ours->pixels, theirs->pixels, std::size_t(ours->pitch * ours->h)), 0)
        << name;
}

TEST_F(Pictures, TheWindowsDecoderMakesSdlImagesSurfaces) {
    for (const char* name : {"splashscreen", "meshtexture", "hudtexture", "dashboard"}) {
        SDL_Surface *ours = decodePng(mediaPath(name).c_str()),
                    *theirs = IMG_Load(mediaPath(name).c_str());
        expectSameSurface(ours, theirs, name);
        SDL_FreeSurface(ours);
        SDL_FreeSurface(theirs);
    }
    for (const Png& png : fixtures) {
        const std::string path = writeFixture(png);
        SDL_Surface *ours = decodePng(path.c_str()), *theirs = IMG_Load(path.c_str());
        expectSameSurface(ours, theirs, png.name);
        SDL_FreeSurface(ours);
        SDL_FreeSurface(theirs);
    }
}
#endif

}  // namespace
