// Immediate-mode menu buttons with their nine-cell frames, and the game's own pointer.
#pragma once

#include "gfx/texture.h"

// Every button is centred on this column.
constexpr int buttonCentreColumn = 320;

extern QuadTexCoords frameCells[18];  // 9 * style + 3 * column + row
extern QuadTexCoords pointerCell;

void buildFrameCells();
void buildPointerCell();
void drawButtonFrame(int x, int y, int style);
bool menuButton(const char* label, int y);
void drawPointer(int x, int y);
