#include "game/states.h"

void runGameFrame() {}
void drawSplashScreen() {}
void drawReadyScreen() {}
