#include "interface/buttons.h"

QuadTexCoords frameCells[18];
QuadTexCoords pointerCell;

void buildFrameCells() {}
void buildPointerCell() {}
void drawButtonFrame(int, int, int) {}
bool menuButton(const char*, int) { return false; }
void drawPointer(int, int) {}
