#include "gfx/glyph_text.h"

QuadTexCoords glyphTable[96];
float glyphWidth = 16.0f;
float glyphHeight = 32.0f;

void buildGlyphTable() {}
void drawGlyphText(float, float, const char*, float) {}
void drawPanel(float, float, float, float) {}
