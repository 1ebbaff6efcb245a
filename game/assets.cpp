#include "game/assets.h"

#include <cstdio>
#include <cstdlib>

#include <SDL/SDL.h>
#include <SDL/SDL_mixer.h>

#include "app/display.h"
#include "app/platform.h"
#include "game/game_record.h"
#include "game/scene.h"
#include "gfx/glyph_text.h"
#include "gfx/texture.h"

char gameTitle[256];

constexpr float gameVersionNumber = 1.0f;
constexpr int loopForever = -1;
constexpr const char* musicFileName = "Media/music.mp3";

static bool soundOpen;

void startMusic(const char* path) {
    soundOpen = openMusic(path, &gameRecord.music);
    // Ending through exit() (as Xlib does when the display goes away) runs the libraries'
    // destructors while the audio thread may still call into them: the sound goes first.
    static bool closesAtExit;
    if (!closesAtExit) closesAtExit = std::atexit(stopMusic) == 0;
    // The browser's mixer fails on a null handle instead of refusing it.
    if (gameRecord.music != nullptr) Mix_PlayMusic(gameRecord.music, loopForever);
}

void stopMusic() {
    if (!soundOpen) return;
    soundOpen = false;
    Mix_HaltMusic();
    if (gameRecord.music != nullptr) Mix_FreeMusic(gameRecord.music);
    gameRecord.music = nullptr;
    Mix_CloseAudio();
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
    scheduleMusicStart(musicFileName, startMusic);
}
