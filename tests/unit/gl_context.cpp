#include "tests/unit/gl_context.h"

#include <GL/gl.h>
#include <SDL/SDL.h>

#include "app/display.h"

bool openTestWindow(int width, int height) {
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

Rgb readPixel(int x, int y) {
    unsigned char px[4] = {0, 0, 0, 0};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    const int h = static_cast<int>(displayConfig.screenHeight);
    glReadPixels(x, h - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
    return {px[0], px[1], px[2]};
}
