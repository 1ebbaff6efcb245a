#include "game/assets.h"

#include <cstdio>

#include <SDL/SDL.h>
#include <SDL/SDL_mixer.h>

#include "app/display.h"
#include "app/platform.h"
#include "game/game_record.h"
#include "game/music_format.h"
#include "game/scene.h"
#include "gfx/glyph_text.h"
#include "gfx/texture.h"

char gameTitle[256];

constexpr float gameVersionNumber = 1.0f;
constexpr int loopForever = -1;
constexpr const char* musicFileName = "Media/music.mp3";
static bool deviceTakes(MusicFormat music) {
    int rate = 0, channels = 0;
    Uint16 format = 0;
    return Mix_QuerySpec(&rate, &format, &channels) != 0 && rate == music.sampleRate &&
           channels == music.channels;
}

void startMusic(const char* path) {
    // Zeros (an unrecognised file) leave the rate and channels to the library's defaults, as do
    // the zero sample format and buffer size always.
    const MusicFormat music = readMusicFormat(path);
    Mix_OpenAudio(music.sampleRate, 0, music.channels, 0);
    // A device that insists on another rate would resample: on SDL 2 that overruns the
    // decoder's buffer, so there the game stays silent instead.
    if (music.sampleRate != 0 && !mixerResamplesSafely() && !deviceTakes(music)) return;
    gameRecord.music = Mix_LoadMUS(path);
    // The browser's mixer fails on a null handle instead of refusing it.
    if (gameRecord.music != nullptr) Mix_PlayMusic(gameRecord.music, loopForever);
}

void loadGameAssets() {
    std::snprintf(gameTitle, sizeof gameTitle, "%s", "Velmora");
    gameRecord.gameVersion = gameVersionNumber;
    gameRecord.splashTexture = loadTexture("Media/splashscreen.png", false);
    gameRecord.hudTexture = loadTexture("Media/hudtexture.png", false);
    gameRecord.meshTexture = loadTexture("Media/meshtexture.png", displayConfig.mipmapping);
    prepareMeshTexCoords();
    buildGlyphTable();
    // Without a device, or without the file, the handle stays null and nothing plays.
    startMusic(musicFileName);
}
