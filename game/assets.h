// The game's start-up step: title, version, the three textures, meshes, glyph table and music.
#pragma once

extern char gameTitle[256];

void loadGameAssets();
