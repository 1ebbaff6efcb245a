// The pause overlay: Escape slides two panels and the two buttons in over 20 frames and out
// again; the game is frozen while any of it shows.
#pragma once

#include "gfx/texture.h"

extern bool paused;
extern float pauseProgress;  // 0 hidden .. 100 shown, 5 per frame
extern QuadTexCoords topPanelCell;
extern QuadTexCoords bottomPanelCell;
extern char bottomText1[256];
extern char bottomText2[256];

// "Exit" stands this far below "Resume game".
constexpr int exitButtonBelow = 50;

// Both derived from pauseProgress each frame: how far the panels stand off the window edges,
// and the "Resume game" button's centre line (595 below the layout, 115 when shown).
int panelOffset(float progress);
int pauseButtonLine(float progress);

void resetPause();
void initPausePanels();
void updatePause(float step);
void drawPauseOverlay();

// The version as the top panel shows it: "v" and the "%f" digits, trailing zeros cut back to
// one decimal ("v1.0", "v1.25"). dest always ends in NUL.
void formatVersionText(char* dest, int size, float version);
