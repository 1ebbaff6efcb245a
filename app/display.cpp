#include "app/display.h"

#include <cmath>
#include <cstdlib>

#include <GL/gl.h>
#include <GL/glu.h>
#include <SDL/SDL.h>

#include "app/platform.h"

DisplayConfig displayConfig;

constexpr double cameraFieldOfView = 45.0;
constexpr double nearPlane = 1.0;
constexpr double farPlane = 1000.0;

// A size the video system could never accept (not finite, negative, beyond int) is refused
// here rather than cast: converting such a float to int is undefined behaviour.
static bool sizeIsUsable(float size) {
    return std::isfinite(size) && size >= 0.0f && size < 2147483648.0f;
}

static void refuseMode() {
    SDL_Quit();
    std::exit(modeRefusedStatus);
}

// Every mode is set inside the platform's brackets, so that a display which refuses the mode by
// ending the process ends it with the status of a refused mode, as a null surface does.
static SDL_Surface* setVideoMode(int width, int height, int depth, Uint32 flags) {
    beginModeSet();
    SDL_Surface* surface = SDL_SetVideoMode(width, height, depth, flags);
    endModeSet();
    return surface;
}

// SDL 1.2's interface on SDL 2 returns a surface of any size asked, but its OpenGL drawable is
// no larger than the driver can draw into; the first frame of a larger one ends the process
// (an X error, or an assertion in the X client library). Such a size is refused here instead.
static bool drawableHolds(int width, int height) {
    GLint largest[2] = {0, 0};
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, largest);
    return width <= largest[0] && height <= largest[1];
}

static void requestMultisampling() {
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 1);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, 4);
}

// A plain window of the desktop's size first: SDL fills in zero sizes from the current mode.
static void takeDesktopSize(DisplayConfig& config) {
    SDL_Surface* desktop =
        setVideoMode(static_cast<int>(config.screenWidth), static_cast<int>(config.screenHeight),
                     config.colourDepth, SDL_DOUBLEBUF);
    if (desktop == nullptr) refuseMode();
    config.screenWidth = static_cast<float>(desktop->w);
    config.screenHeight = static_cast<float>(desktop->h);
    config.aspectRatio = config.screenWidth / config.screenHeight;
}

static void setProjection(int width, int height, float aspectRatio) {
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(cameraFieldOfView, aspectRatio, nearPlane, farPlane);
    glMatrixMode(GL_MODELVIEW);
}

static void setFixedState() {
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClearDepth(1000.0);  // clamped to 1.0, the far end of the depth range
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glFrontFace(GL_CCW);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glAlphaFunc(GL_GREATER, 0.0f);
}

void initOpenGlDisplay() {
    DisplayConfig& config = displayConfig;
    chooseVideoDriver();
    if (SDL_Init(SDL_INIT_VIDEO) < 0) std::exit(videoFailedStatus);
    setWindowCaption(makerAddress);
    if (config.antialiasing) requestMultisampling();
    if (!sizeIsUsable(config.screenWidth) || !sizeIsUsable(config.screenHeight)) refuseMode();
    // A size below one pixel truncates to 0 as well; it too means the desktop's, or the OpenGL
    // mode would get the desktop's size from SDL while the viewport stayed 0 wide.
    if (static_cast<int>(config.screenWidth) == 0 || static_cast<int>(config.screenHeight) == 0)
        takeDesktopSize(config);
    const int width = static_cast<int>(config.screenWidth);
    const int height = static_cast<int>(config.screenHeight);
    const Uint32 flags = config.fullscreen ? SDL_OPENGL | SDL_FULLSCREEN : SDL_OPENGL;
    config.screenSurface = setVideoMode(width, height, config.colourDepth, flags);
    if (config.screenSurface == nullptr || !drawableHolds(width, height)) refuseMode();
    setProjection(width, height, config.aspectRatio);
    setFixedState();
}

void initDisplay() {
    initOpenGlDisplay();
    DisplayConfig& config = displayConfig;
    config.screenWidth = static_cast<float>(config.screenSurface->w);
    config.screenHeight = static_cast<float>(config.screenSurface->h);
    config.colourDepth = config.screenSurface->format->BitsPerPixel;
    config.aspectRatio = config.screenWidth / config.screenHeight;
    showSystemCursor(config.showCursor);
}
