// A window opened (once) through the game's own display set-up; false without a display.
#pragma once

#include <GL/gl.h>
#include <SDL/SDL.h>

#include "app/display.h"

inline bool openTestWindow(int width, int height) {
    if (displayConfig.screenSurface != nullptr && displayConfig.screenWidth == width &&
        displayConfig.screenHeight == height)
        return true;
#if !defined(_WIN32)  // Windows has one window system, which SDL finds by itself
    if (SDL_getenv("DISPLAY") == nullptr) return false;
    SDL_putenv(const_cast<char*>("SDL_VIDEODRIVER=x11"));
#endif
    displayConfig.screenWidth = static_cast<float>(width);
    displayConfig.screenHeight = static_cast<float>(height);
    displayConfig.aspectRatio = displayConfig.screenWidth / displayConfig.screenHeight;
    initDisplay();
    return displayConfig.screenSurface != nullptr;
}
