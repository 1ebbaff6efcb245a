#include "app/main_loop.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include <GL/gl.h>
#include <SDL/SDL.h>

#include "app/display.h"
#include "app/frame_clock.h"
#include "app/gamepad.h"
#include "app/input.h"
#include "app/platform.h"
#include "app/settings.h"
#include "game/assets.h"
#include "game/states.h"
#include "interface/buttons.h"
#include "interface/interface_startup.h"
#include "interface/pause.h"

bool quitRequested;
bool firstFrameDone;
bool pointerInWindow;

static void drawPauseButtons() {
    const int y = pauseButtonLine(pauseProgress);
    if (menuButton("Resume game", y)) paused = false;
    if (menuButton("Exit", y + exitButtonBelow)) quitRequested = true;
}

static void drainEvents() {
    SDL_Event event;
    while (takeQueuedEvent(&event, QueuedEvents::Any))
        if (event.type == SDL_QUIT) quitRequested = true;
}

void startUp() {
    silenceLibraryMessages();
    applySettings();
    srand(static_cast<unsigned>(time(nullptr)));
    initDisplay();
    initInterface();
    loadGameAssets();
}

void runFrame() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    SDL_PumpEvents();
    pollInput();
    pollGamepads();
    // Exactly 0: the slide moves in whole steps of 5, so it lands on 0 and play resumes there.
    if (pauseProgress == 0.0f) runGameFrame();
    tickFrameClock();  // after the game frame, which steps by the previous frame's rate
    updatePause(1.0f);
    aimPadPointer(pauseButtonLine(pauseProgress));
    if (pauseProgress != 0.0f) {
        drawPauseOverlay();
        drawPauseButtons();  // over the overlay, still clickable while it slides out
    }
    pointerInWindow = pointerOverWindow();
    if (firstFrameDone && pointerShown(pointerInWindow))
        drawPointer(inputState.pointerX, inputState.pointerY);
    firstFrameDone = true;
    presentFrame();
    drainEvents();
}

void shutDown() {
    stopMusic();
    SDL_Quit();
}
