#include "game/states.h"

#include <GL/gl.h>

#include "app/display.h"
#include "app/frame_clock.h"
#include "app/input.h"
#include "game/flight.h"
#include "game/game_record.h"
#include "game/scene.h"
#include "game/score.h"
#include "gfx/texture.h"
#include "gfx/view.h"

constexpr float minTimeStep = 0.2f;
constexpr float maxTimeStep = 2.0f;
constexpr float framesPerSecondOfOneStep = 60.0f;
constexpr int splashMs = 5000;
constexpr int keyA = 97;  // SDLK_a

constexpr float logoWidth = 504.0f;
constexpr float logoHeight = 163.0f;

// The top-left 0.625 x 0.9375 of the splash image holds the picture.
constexpr QuadTexCoords splashPicture = {
    {0.0f, 0.9375f, 0.625f, 0.9375f, 0.625f, 0.0f, 0.0f, 0.0f}};
// Texels 4..46 x 292..296 of the HUD texture: the top-left corner of the logo's rectangle,
// stretched over the window so that it takes the logo's background colour.
constexpr QuadTexCoords logoBackground = {{0.0078125f, 0.578125f, 0.08984375f, 0.578125f,
                                           0.08984375f, 0.5703125f, 0.0078125f, 0.5703125f}};
// Texels 4..508 x 292..455 of the HUD texture.
constexpr QuadTexCoords logo = {{0.0078125f, 0.888671875f, 0.9921875f, 0.888671875f, 0.9921875f,
                                 0.5703125f, 0.0078125f, 0.5703125f}};

// 1.0 is one frame at 60 Hz; the first frame has no rate yet and 60 / 0 is infinite, which the
// clamp turns into the largest step.
static float timeStepFrom(float fps) {
    float dt = framesPerSecondOfOneStep / fps;
    if (dt < minTimeStep)
        dt = minTimeStep;
    else if (dt > maxTimeStep)
        dt = maxTimeStep;
    return dt;
}

// Only a press made since the previous poll counts: a button still held from the splash does
// not start a run.
static bool startPressed() {
    return inputState.mouseButtons[leftMouseButton] == buttonWentDown ||
           inputState.keys[keyA] == buttonWentDown;
}

static void beginPictureDrawing(GLuint texture) {
    setOverlayView(0, 0);
    glBindTexture(GL_TEXTURE_2D, texture);
    glEnable(GL_TEXTURE_2D);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
}

static void endPictureDrawing() {
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisable(GL_TEXTURE_2D);
}

void drawSplashScreen() {
    beginPictureDrawing(gameRecord.splashTexture);
    drawTexturedQuad(0, 0, displayConfig.screenWidth, displayConfig.screenHeight, &splashPicture);
    endPictureDrawing();
}

void drawReadyScreen() {
    beginPictureDrawing(gameRecord.hudTexture);
    const float width = displayConfig.screenWidth;
    const float height = displayConfig.screenHeight;
    drawTexturedQuad(0, 0, width, height, &logoBackground);
    // Centred one texel to a pixel; the half pixel of an odd margin is kept.
    drawTexturedQuad((width - logoWidth) * 0.5f, (height - logoHeight) * 0.5f, logoWidth,
                     logoHeight, &logo);
    endPictureDrawing();
}

static void leaveSplashWhenDue() {
    if (frameClock.elapsedMs > splashMs || startPressed()) {
        resetGame();
        gameRecord.state = GameState::Ready;
    }
}

// The warm-up lets the chase camera settle and fills the field ahead before the player sees
// it; the points it earns are not the player's.
static void startRun() {
    gameRecord.state = GameState::Playing;
    for (int i = 0; i < warmUpSteps; ++i) stepFlight(1.0f);
    gameRecord.score = 0.0f;
}

void runGameFrame() {
    const float dt = timeStepFrom(frameClock.fps);
    switch (gameRecord.state) {
        case GameState::Splash:
            drawSplashScreen();
            leaveSplashWhenDue();
            break;
        case GameState::Ready:
            drawReadyScreen();
            if (startPressed()) startRun();
            drawScoreDisplay();
            break;
        case GameState::Playing:
            stepFlight(dt);
            drawScene();
            drawScoreDisplay();
            break;
        default:
            break;
    }
    // The crash frame has drawn its scene; the ready screen follows from the next frame.
    if (gameRecord.state == GameState::Crashed) {
        resetGame();
        gameRecord.state = GameState::Ready;
    }
}
