// The game's start-up step: title, version, the three textures, meshes, glyph table and music.
#pragma once

extern char gameTitle[256];

void loadGameAssets();
// Opens the audio device at the music's own rate and channels and loops what of the file is
// safe to decode; silence when nothing is.
void startMusic(const char* path);
// Halts and frees the music and closes the audio device: on the way out, before SDL shuts
// down, and at exit() however the process gets there. Does nothing once done, or when the
// device never opened.
void stopMusic();
