#include "game/assets.h"

#include <cstdio>

#include <SDL/SDL_mixer.h>

#include "app/display.h"
#include "game/game_record.h"
#include "game/scene.h"
#include "gfx/glyph_text.h"
#include "gfx/texture.h"

char gameTitle[256];

constexpr float gameVersionNumber = 1.0f;
constexpr int loopForever = -1;

void loadGameAssets() {
    std::snprintf(gameTitle, sizeof gameTitle, "%s", "Velmora");
    gameRecord.gameVersion = gameVersionNumber;
    gameRecord.splashTexture = loadTexture("Media/splashscreen.png", false);
    gameRecord.hudTexture = loadTexture("Media/hudtexture.png", false);
    gameRecord.meshTexture = loadTexture("Media/meshtexture.png", displayConfig.mipmapping);
    prepareMeshTexCoords();
    buildGlyphTable();
    // Zeros leave frequency, sample format, channels and buffer size to the library's defaults.
    // Without a device, or without the file, the handle stays null and nothing plays.
    Mix_OpenAudio(0, 0, 0, 0);
    gameRecord.music = Mix_LoadMUS("Media/music.mp3");
    Mix_PlayMusic(gameRecord.music, loopForever);
}
