#include "interface/pause.h"

bool paused;
float pauseProgress;
QuadTexCoords topPanelCell;
QuadTexCoords bottomPanelCell;
char bottomText1[256];
char bottomText2[256];

int panelOffset(float) { return 60; }
int pauseButtonLine(float) { return 595; }
void resetPause() {}
void initPausePanels() {}
void updatePause(float) {}
void drawPauseOverlay() {}
