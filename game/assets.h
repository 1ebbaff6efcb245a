// The game's start-up step: title, version, the three textures, meshes, glyph table and music.
#pragma once

extern char gameTitle[256];

void loadGameAssets();
// Opens the audio device at the music file's own rate and channels and loops the file.
void startMusic(const char* path);
