// Holds every file in Media/ to the layout the game samples from it: the pictures are read the
// way the game reads them (SDL_image) and the music is decoded through SDL_mixer.
#include <SDL/SDL_image.h>
#include <SDL/SDL_mixer.h>
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstring>
#include <string>

namespace {

std::string mediaPath(const char* name) {
    const char* source = std::getenv("VELMORA_SOURCE_DIR");
    return std::string(source ? source : ".") + "/Media/" + name;
}

std::array<int, 4> texel(SDL_Surface* s, int x, int y) {
    Uint32 value = 0;  // 3 or 4 bytes, lowest first
    std::memcpy(&value,
                static_cast<Uint8*>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel,
                s->format->BytesPerPixel);
    Uint8 c[4];
    SDL_GetRGBA(value, s->format, &c[0], &c[1], &c[2], &c[3]);
    return {c[0], c[1], c[2], c[3]};
}

bool uniform(SDL_Surface* s, int x0, int y0, int x1, int y1) {
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (texel(s, x, y) != texel(s, x0, y0)) return false;
    return true;
}

// Splash, mesh texture, score font and interface atlas; the score panel is painted from two
// 5 x 5 swatches, the ready screen fills the window with the strip left of the logo and
// centres the logo over it, and the pointer's tip is its hot spot.
TEST(MediaPictures, HaveTheLayoutTheGameSamples) {
    const char* names[] = {"splashscreen.png", "meshtexture.png", "hudtexture.png",
                           "dashboard.png"};
    const int sizes[][3] = {{1024, 512, 3}, {256, 256, 3}, {512, 512, 4}, {1024, 256, 4}};
    SDL_Surface* s[4] = {};
    for (int i = 0; i < 4; ++i) {
        ASSERT_NE(s[i] = IMG_Load(mediaPath(names[i]).c_str()), nullptr) << names[i];
        EXPECT_EQ((std::array<int, 3>{s[i]->w, s[i]->h, s[i]->format->BytesPerPixel}),
                  (std::array<int, 3>{sizes[i][0], sizes[i][1], sizes[i][2]}))
            << names[i];
    }
    SDL_Surface *hud = s[2], *dash = s[3];
    EXPECT_TRUE(uniform(hud, 500, 490, 505, 495));
    EXPECT_TRUE(uniform(hud, 500, 70, 505, 75));
    EXPECT_TRUE(uniform(hud, 4, 292, 46, 296));
    EXPECT_EQ(texel(hud, 4, 292), texel(hud, 507, 454)) << "the strip and the logo's corner";
    EXPECT_EQ(texel(dash, 452, 70)[3], 255) << "the pointer's tip";
    // Every printable character has ink in both fonts; an interface glyph keeps to the middle
    // ten columns of its 20-pixel cell, as its neighbours' quads overlap the rest.
    for (int k = 1; k < 95; ++k) {
        int hudInk = 0, dashInk = 0;
        for (int y = 2; y < 30; ++y)
            for (int x = 2; x < 14; ++x)
                hudInk += texel(hud, k % 32 * 16 + x, k / 32 * 32 + y) != texel(hud, 500, 70);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) {
                const int alpha = texel(dash, k % 32 * 20 + x, k / 32 * 20 + y)[3];
                if (x < 5 || x >= 15) EXPECT_EQ(alpha, 0) << "code " << 32 + k << " column " << x;
                dashInk += alpha > 0;
            }
        EXPECT_GT(hudInk * dashInk, 0) << "code " << 32 + k;
    }
    for (SDL_Surface* surface : s) SDL_FreeSurface(surface);
}

std::atomic<int> peak{0}, mixed{0};

void measure(void*, Uint8* stream, int bytes) {
    for (int i = 0; i < bytes / 2; ++i)
        peak = std::max<int>(peak, std::abs(reinterpret_cast<Sint16*>(stream)[i]));
    mixed += bytes / 2;
}

TEST(MusicFile, DecodesThroughTheMixerToAudibleSound) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ASSERT_EQ(Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 1024), 0) << Mix_GetError();
    Mix_Music* music = Mix_LoadMUS(mediaPath("music.mp3").c_str());
    ASSERT_NE(music, nullptr) << Mix_GetError();
    Mix_SetPostMix(measure, nullptr);
    ASSERT_EQ(Mix_PlayMusic(music, -1), 0);
    for (int waited = 0; waited < 5000 && mixed < 3 * 88200; waited += 50) SDL_Delay(50);
    Mix_CloseAudio();
    EXPECT_GE(mixed, 3 * 88200) << "three seconds of stereo did not come through the mixer";
    EXPECT_GT(peak, 3000) << "the first seconds are (nearly) silent";
}

}  // namespace
