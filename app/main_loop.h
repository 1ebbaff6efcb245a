// Start-up in its fixed order and one whole frame of the game, split from main() so that a
// test can drive frames one at a time.
#pragma once

extern bool quitRequested;    // set by "Exit" or a window close; never cleared
extern bool firstFrameDone;   // false only while the first frame's pointer step runs
extern bool pointerInWindow;  // the window has mouse focus this frame

void startUp();
void runFrame();
// The way out after the last frame: the sound closed first, then SDL shut down.
void shutDown();
