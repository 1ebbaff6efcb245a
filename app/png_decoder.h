// PNG pictures decoded with libpng into the surfaces SDL_image would make of them, for builds
// without SDL_image (Windows): paletted pictures stay paletted, a palette's single see-through
// entry becomes the colour key, and any other transparency widens the picture to 32-bit pixels.
#pragma once

#include <SDL/SDL.h>

// Null when the file can't be opened or is not a complete, valid PNG.
SDL_Surface* decodePng(const char* path);
