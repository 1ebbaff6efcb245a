// Holds every file in Media/ to the layout the game samples from it: the pictures are read the
// way the game reads them (SDL_image) and the music is decoded through SDL_mixer.
#include <SDL/SDL.h>
#include <SDL/SDL_image.h>
#include <SDL/SDL_mixer.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

struct Texel {
    int r, g, b, a;
};

bool operator==(const Texel& p, const Texel& q) {
    return p.r == q.r && p.g == q.g && p.b == q.b && p.a == q.a;
}

std::ostream& operator<<(std::ostream& out, const Texel& t) {
    return out << "(" << t.r << ", " << t.g << ", " << t.b << ", " << t.a << ")";
}

std::string mediaPath(const char* name) {
    const char* source = std::getenv("VELMORA_SOURCE_DIR");
    return std::string(source ? source : ".") + "/Media/" + name;
}

Texel texelAt(SDL_Surface* s, int x, int y) {
    const int bpp = s->format->BytesPerPixel;
    const Uint8* p = static_cast<const Uint8*>(s->pixels) + y * s->pitch + x * bpp;
    Uint32 value = 0;
    for (int i = 0; i < bpp; ++i)
        value |= Uint32(p[i]) << (SDL_BYTEORDER == SDL_LIL_ENDIAN ? 8 * i : 8 * (bpp - 1 - i));
    Uint8 r, g, b, a;
    SDL_GetRGBA(value, s->format, &r, &g, &b, &a);
    return {r, g, b, a};
}

bool isPowerOfTwo(int n) { return n > 0 && (n & (n - 1)) == 0; }

// The picture files, loaded once per test process (each test case runs in its own).
class MediaPicture : public ::testing::Test {
   protected:
    SDL_Surface* load(const char* name) {
        SDL_Surface* s = IMG_Load(mediaPath(name).c_str());
        if (s) {
            loaded[count++] = s;
            SDL_LockSurface(s);
        }
        return s;
    }
    void TearDown() override {
        for (int i = 0; i < count; ++i) SDL_FreeSurface(loaded[i]);
    }
    // Every texel of the rectangle equals its top-left texel.
    static bool uniform(SDL_Surface* s, int x0, int y0, int x1, int y1) {
        const Texel first = texelAt(s, x0, y0);
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                if (!(texelAt(s, x, y) == first)) return false;
        return true;
    }

   private:
    SDL_Surface* loaded[4] = {};
    int count = 0;
};

// --- Splash picture and mesh texture ---------------------------------------------------------

TEST_F(MediaPicture, SplashIsA1024By512PictureWhoseShownPartIsNotBlank) {
    SDL_Surface* s = load("splashscreen.png");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->w, 1024);
    EXPECT_EQ(s->h, 512);
    EXPECT_GE(s->format->BytesPerPixel, 3);
    // The game stretches the top-left 640 x 480 over the window; the title area and the plane
    // must differ, or the player would see one flat colour.
    EXPECT_FALSE(uniform(s, 0, 0, 640, 480));
}

TEST_F(MediaPicture, MeshTextureHasPowerOfTwoSidesForMipmapping) {
    SDL_Surface* s = load("meshtexture.png");
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(isPowerOfTwo(s->w)) << s->w;
    EXPECT_TRUE(isPowerOfTwo(s->h)) << s->h;
    EXPECT_GE(s->format->BytesPerPixel, 3);
    // Every triangle shows the upper-left half: its corners (0,0), (1,0) and (0,1) and its
    // middle must not all be the same colour, or the facets could not be told apart.
    const int w = s->w, h = s->h;
    EXPECT_FALSE(texelAt(s, w / 4, h / 4) == texelAt(s, 0, h / 2));
}

// --- HUD texture -----------------------------------------------------------------------------

constexpr int hudCellW = 16, hudCellH = 32, hudInset = 2;

class HudTexture : public MediaPicture {
   protected:
    void SetUp() override {
        hud = load("hudtexture.png");
        ASSERT_NE(hud, nullptr);
    }
    Texel fill() { return texelAt(hud, 500, 70); }
    // Rows of the 12 x 28 inset of the glyph with this code that hold anything but the fill.
    void inkRows(int code, int* first, int* last) {
        const int k = code - 32, x0 = (k % 32) * hudCellW + hudInset;
        const int y0 = (k / 32) * hudCellH + hudInset;
        *first = -1;
        *last = -1;
        for (int y = 0; y < hudCellH - 2 * hudInset; ++y)
            for (int x = 0; x < hudCellW - 2 * hudInset; ++x)
                if (!(texelAt(hud, x0 + x, y0 + y) == fill())) {
                    if (*first < 0) *first = y;
                    *last = y;
                }
    }
    SDL_Surface* hud = nullptr;
};

TEST_F(HudTexture, IsA512By512PictureWithAlpha) {
    EXPECT_EQ(hud->w, 512);
    EXPECT_EQ(hud->h, 512);
    EXPECT_EQ(hud->format->BytesPerPixel, 4);
}

TEST_F(HudTexture, PanelSwatchesAreUniformAndDistinct) {
    EXPECT_TRUE(uniform(hud, 500, 490, 505, 495));
    EXPECT_TRUE(uniform(hud, 500, 70, 505, 75));
    EXPECT_FALSE(texelAt(hud, 500, 490) == fill());
    EXPECT_EQ(texelAt(hud, 500, 490).a, 255);
    EXPECT_EQ(fill().a, 255);
}

TEST_F(HudTexture, GlyphCellsAreOpaqueFillBehindEveryPrintableCharacter) {
    // The score is drawn without blending, so whatever lies around the ink shows as a box.
    for (int y = 0; y < 96; ++y)
        for (int x = 0; x < 512; ++x) ASSERT_EQ(texelAt(hud, x, y).a, 255) << x << "," << y;
    for (int k = 0; k < 96; ++k) {
        const int x0 = (k % 32) * hudCellW + hudInset, y0 = (k / 32) * hudCellH + hudInset;
        EXPECT_EQ(texelAt(hud, x0, y0), fill()) << "code " << 32 + k;
        EXPECT_EQ(texelAt(hud, x0 + 11, y0 + 27), fill()) << "code " << 32 + k;
    }
    int first, last;
    inkRows(' ', &first, &last);
    EXPECT_EQ(first, -1) << "the space shows ink";
    for (int code = 33; code < 127; ++code) {
        inkRows(code, &first, &last);
        EXPECT_GE(first, 0) << "empty glyph for code " << code;
    }
}

TEST_F(HudTexture, ScoreLinesTwentyRowsApartKeepTheirInk) {
    // The two score lines overlap by 8 rows: the upper label covers the top 8 rows of the
    // lower label, the lower number covers the bottom 8 rows of the upper number. Digits must
    // therefore end above inset row 20 and the letters of "score:" begin at row 8 or below.
    int first, last;
    for (int code = '0'; code <= '9'; ++code) {
        inkRows(code, &first, &last);
        EXPECT_LT(last, 20) << char(code);
    }
    inkRows('-', &first, &last);
    EXPECT_LT(last, 20);
    for (const char* p = "score:"; *p; ++p) {
        inkRows(*p, &first, &last);
        EXPECT_GE(first, 8) << *p;
    }
}

TEST_F(HudTexture, LogoBackgroundStripMatchesTheLogoCornersAndEdges) {
    // The ready screen fills the window with the strip, then centres the logo over it.
    ASSERT_TRUE(uniform(hud, 4, 292, 46, 296));
    const Texel background = texelAt(hud, 4, 292);
    EXPECT_EQ(background.a, 255);
    EXPECT_EQ(texelAt(hud, 507, 292), background);
    EXPECT_EQ(texelAt(hud, 4, 454), background);
    EXPECT_EQ(texelAt(hud, 507, 454), background);
    // The logo's outermost rows and columns melt into the filled window without a seam.
    EXPECT_TRUE(uniform(hud, 4, 292, 508, 293));
    EXPECT_TRUE(uniform(hud, 4, 454, 508, 455));
    EXPECT_TRUE(uniform(hud, 4, 292, 5, 455));
    EXPECT_TRUE(uniform(hud, 507, 292, 508, 455));
    EXPECT_FALSE(uniform(hud, 4, 292, 508, 455)) << "the logo is blank";
}

// --- Interface picture -----------------------------------------------------------------------

class Dashboard : public MediaPicture {
   protected:
    void SetUp() override {
        dash = load("dashboard.png");
        ASSERT_NE(dash, nullptr);
    }
    int alpha(int x, int y) { return texelAt(dash, x, y).a; }
    SDL_Surface* dash = nullptr;
};

TEST_F(Dashboard, IsA1024By256PictureWithAlpha) {
    EXPECT_EQ(dash->w, 1024);
    EXPECT_EQ(dash->h, 256);
    EXPECT_EQ(dash->format->BytesPerPixel, 4);
}

TEST_F(Dashboard, GlyphArtStaysInTheMiddleTenColumnsOfEachCell) {
    // Glyph quads overlap their neighbours by 10 pixels; art outside the middle would be
    // painted over the next character.
    for (int k = 0; k < 95; ++k) {
        const int x0 = (k % 32) * 20, y0 = (k / 32) * 20;
        int ink = 0;
        for (int y = y0; y < y0 + 20; ++y)
            for (int x = x0; x < x0 + 20; ++x) {
                const bool middle = x >= x0 + 5 && x < x0 + 15;
                if (!middle) {
                    ASSERT_EQ(alpha(x, y), 0) << "code " << 32 + k << " at " << x;
                }
                if (alpha(x, y) > 0) ++ink;
            }
        if (k == 0) {
            EXPECT_EQ(ink, 0) << "the space shows ink";
        } else {
            EXPECT_GT(ink, 0) << "empty glyph for code " << 32 + k;
        }
    }
}

TEST_F(Dashboard, PointerTipIsOpaqueAtItsHotSpot) {
    EXPECT_EQ(alpha(440 + 12, 60 + 10), 255);
    // Nothing of the arrow reaches above or left of the tip.
    for (int x = 440; x < 452; ++x) EXPECT_EQ(alpha(x, 60), 0) << x;
    for (int y = 60; y < 70; ++y) EXPECT_EQ(alpha(440, y), 0) << y;
}

TEST_F(Dashboard, ButtonFramesTileAndSqueezeWithoutSeams) {
    for (int style = 0; style < 2; ++style) {
        const int x0 = 60 * style;
        // Edges and centre repeat 15 times across: each row of the middle column is plain.
        for (int y = 60; y < 120; ++y) EXPECT_TRUE(uniform(dash, x0 + 20, y, x0 + 40, y + 1)) << y;
        // The middle row is squeezed to 15 pixels: each of its columns is plain.
        for (int x = x0; x < x0 + 60; ++x) EXPECT_TRUE(uniform(dash, x, 80, x + 1, 100)) << x;
        EXPECT_GT(alpha(x0 + 30, 90), 0) << "no body behind the label";
    }
    EXPECT_FALSE(texelAt(dash, 30, 90) == texelAt(dash, 90, 90))
        << "the highlighted style looks like the normal one";
}

TEST_F(Dashboard, PanelsBackTheirTextRows) {
    // Title, version, date and time sit on rows 18-58 of the top panel; the two bottom lines
    // on rows 2-42 of the bottom one.
    for (int x = 0; x < 640; x += 7) {
        for (int y = 18; y < 58; ++y) EXPECT_GT(alpha(x, 120 + y), 0) << x << "," << y;
        for (int y = 2; y < 42; ++y) EXPECT_GT(alpha(x, 180 + y), 0) << x << "," << y;
    }
}

// --- Music -----------------------------------------------------------------------------------

std::atomic<int> peakSample{0};
std::atomic<long> clippedSamples{0};
std::atomic<long> mixedSamples{0};

void measureMix(void*, Uint8* stream, int bytes) {
    const Sint16* s = reinterpret_cast<const Sint16*>(stream);
    int peak = peakSample.load();
    long clipped = 0;
    for (int i = 0; i < bytes / 2; ++i) {
        const int v = std::abs(int(s[i]));
        if (v > peak) peak = v;
        if (v >= 32767) ++clipped;
    }
    peakSample = peak;
    clippedSamples += clipped;
    mixedSamples += bytes / 2;
}

TEST(MusicFile, IsUnderTwoMegabytes) {
    struct stat st;
    ASSERT_EQ(stat(mediaPath("music.mp3").c_str(), &st), 0);
    EXPECT_LT(st.st_size, 2 * 1024 * 1024);
    EXPECT_GT(st.st_size, 30 * 16000) << "shorter than 30 s even at 128 kbit/s";
}

TEST(MusicFile, DecodesThroughTheMixerToAudibleUnclippedSound) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ASSERT_EQ(SDL_Init(SDL_INIT_AUDIO), 0);
    ASSERT_EQ(Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 1024), 0) << Mix_GetError();
    Mix_Music* music = Mix_LoadMUS(mediaPath("music.mp3").c_str());
    ASSERT_NE(music, nullptr) << Mix_GetError();
    Mix_SetPostMix(measureMix, nullptr);
    ASSERT_EQ(Mix_PlayMusic(music, -1), 0);
    for (int waited = 0; waited < 5000 && mixedSamples < 44100 * 2 * 3; waited += 50) SDL_Delay(50);
    Mix_HaltMusic();
    Mix_SetPostMix(nullptr, nullptr);
    EXPECT_GE(mixedSamples.load(), 44100L * 2 * 3) << "the mixer did not run";
    EXPECT_GT(peakSample.load(), 3000) << "the first seconds are (nearly) silent";
    EXPECT_EQ(clippedSamples.load(), 0);
    Mix_FreeMusic(music);
    Mix_CloseAudio();
    SDL_Quit();
}

}  // namespace
