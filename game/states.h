// The game's per-frame work: the time step, the state machine and the splash and ready screens.
#pragma once

constexpr int warmUpSteps = 125;

void runGameFrame();
void drawSplashScreen();
void drawReadyScreen();
