// The one OpenGL window: video start-up, the mode, the fixed GL state every drawing step
// assumes, and the window's real size. Ends the process (status 1 or 3) when it cannot open.
#pragma once

struct SDL_Surface;

struct DisplayConfig {
    float screenWidth, screenHeight;  // window pixels after set-up
    int colourDepth;                  // bits per pixel
    bool fullscreen;
    bool showCursor;
    bool antialiasing;
    bool mipmapping;
    float aspectRatio;
    SDL_Surface* screenSurface;  // owned by SDL
};

extern DisplayConfig displayConfig;

// The window caption, also shown on the pause overlay's bottom panel.
constexpr const char* makerAddress = "www.velmora.games";

constexpr int videoFailedStatus = 1;
constexpr int modeRefusedStatus = 3;

void initOpenGlDisplay();
void initDisplay();
