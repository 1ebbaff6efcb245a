#include "interface/font.h"

QuadTexCoords fontCells[95];

void buildFontCells() {}
void drawText(const char*, int, int) {}
