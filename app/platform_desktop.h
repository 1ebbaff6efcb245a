// What the two desktops, X11 and Windows, do differently beneath the SDL 1.2 side of the seam
// that they share (platform_desktop.cpp): each has one definition in platform_x11.cpp and one in
// platform_win32.cpp.
#pragma once

#include <cstdio>

#include <SDL/SDL.h>

// A picture file as the window system's build decodes it: SDL_image on X11, libpng on Windows,
// which has no SDL_image.
SDL_Surface* loadPicture(const char* path);
// Flushes a written file's data to the medium, so that a replace that follows never puts an
// unwritten file in the other's place.
bool syncFileToDisk(std::FILE* file);
// Puts the file from in to's place in one step, whatever was there before.
bool moveFileOver(const char* from, const char* to);
