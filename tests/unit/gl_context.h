// A real OpenGL window for tests that draw: opened once per test process through the game's own
// display set-up, on the display the test runner provides (Xvfb). False without a display.
#pragma once

#include <GL/gl.h>
#include <SDL/SDL.h>

#include "app/display.h"

inline bool openTestWindow(int width, int height) {
    if (displayConfig.screenSurface != nullptr && displayConfig.screenWidth == width &&
        displayConfig.screenHeight == height)
        return true;
    if (SDL_getenv("DISPLAY") == nullptr) return false;
    SDL_putenv(const_cast<char*>("SDL_VIDEODRIVER=x11"));
    displayConfig.screenWidth = static_cast<float>(width);
    displayConfig.screenHeight = static_cast<float>(height);
    displayConfig.aspectRatio = displayConfig.screenWidth / displayConfig.screenHeight;
    initDisplay();
    return displayConfig.screenSurface != nullptr;
}

// One pixel of the back buffer, (x, y) in window pixels from the top-left corner.
struct Rgb {
    int r, g, b;
};
inline Rgb readPixel(int x, int y) {
    unsigned char px[4] = {};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(x, int(displayConfig.screenHeight) - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
    return {px[0], px[1], px[2]};
}
