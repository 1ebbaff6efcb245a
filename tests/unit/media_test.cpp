// Every picture in Media/ holds the layout the game samples from it, read as the game reads it.
#include <gtest/gtest.h>
#include "app/platform.h"

#include <array>
#include <cstring>
#include <string>

namespace {

std::string mediaPath(const std::string& name) {
    const char* source = std::getenv("VELMORA_SOURCE_DIR");
    return std::string(source ? source : ".") + "/Media/" + name;
}

std::array<int, 4> texel(SDL_Surface* s, int x, int y) {
    const int bytes = s->format->BytesPerPixel;
    Uint32 value = 0;  // 3 or 4 bytes, lowest first
    std::memcpy(&value, static_cast<Uint8*>(s->pixels) + y * s->pitch + x * bytes, bytes);
    Uint8 c[4];
    SDL_GetRGBA(value, s->format, &c[0], &c[1], &c[2], &c[3]);
    return {c[0], c[1], c[2], c[3]};
}

// The score panel is painted from two swatches; the ready screen centres the logo over a
// window filled from the strip left of it; the pointer's tip is its hot spot.
TEST(MediaPictures, HaveTheLayoutTheGameSamples) {
    const char* names[] = {"splashscreen", "meshtexture", "hudtexture", "dashboard"};
    const std::array<int, 3> sizes[] = {
        {1024, 512, 3}, {256, 256, 3}, {512, 512, 4}, {1024, 256, 4}};
    SDL_Surface* s[4] = {};
    for (int i = 0; i < 4; ++i) {
        ASSERT_NE(s[i] = decodeImage(mediaPath(names[i] + std::string(".png")).c_str()), nullptr);
        const std::array<int, 3> size = {s[i]->w, s[i]->h, s[i]->format->BytesPerPixel};
        EXPECT_EQ(size, sizes[i]) << names[i];
    }
    SDL_Surface *hud = s[2], *dash = s[3];
    const int plain[][4] = {{500, 490, 505, 495}, {500, 70, 505, 75}, {4, 292, 46, 296}};
    for (const auto& r : plain)
        for (int y = r[1]; y < r[3]; ++y)
            for (int x = r[0]; x < r[2]; ++x)
                EXPECT_EQ(texel(hud, x, y), texel(hud, r[0], r[1])) << x << "," << y;
    EXPECT_EQ(texel(hud, 4, 292), texel(hud, 507, 454)) << "the strip and the logo's corner";
    EXPECT_EQ(texel(dash, 452, 70)[3], 255) << "the pointer's tip";
    // Glyphs have ink; interface glyphs keep to the 10 middle columns their neighbours leave.
    for (int k = 1; k < 95; ++k) {
        int hudInk = 0, dashInk = 0;
        for (int y = 2; y < 30; ++y)
            for (int x = 2; x < 14; ++x)
                hudInk += texel(hud, k % 32 * 16 + x, k / 32 * 32 + y) != texel(hud, 500, 70);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) {
                const int alpha = texel(dash, k % 32 * 20 + x, k / 32 * 20 + y)[3];
                EXPECT_TRUE(alpha == 0 || (x >= 5 && x < 15))
                    << "code " << 32 + k << " column " << x;
                dashInk += alpha > 0;
            }
        EXPECT_GT(hudInk * dashInk, 0) << "code " << 32 + k;
    }
    for (SDL_Surface* surface : s) SDL_FreeSurface(surface);
}

}  // namespace
