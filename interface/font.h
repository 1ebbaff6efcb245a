// The interface font: 95 cells of 20 x 20 in the atlas's top rows, drawn 10 pixels apart.
#pragma once

#include "gfx/texture.h"

extern QuadTexCoords fontCells[95];  // entry k for character code 32 + k

void buildFontCells();
void drawText(const char* text, int x, int y);

// Undoes beginInterfaceDrawing: both client arrays, then texturing, blending and alpha test.
// Every interface drawing step ends with it.
void endInterfaceDrawing();
