// The score display's bitmap font and framed panel, both drawn from the HUD texture.
#pragma once

#include "gfx/texture.h"

extern QuadTexCoords glyphTable[96];  // entry k for character code 32 + k
extern float glyphWidth;              // 16 (cell) until the table is built, then 12 (drawn glyph)
extern float glyphHeight;             // 32 until the table is built, then 28

void buildGlyphTable();
void drawGlyphText(float x, float y, const char* text, float scale);
void drawPanel(float x, float y, float width, float height);
