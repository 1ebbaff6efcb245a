#include "interface/font.h"

#include <GL/gl.h>

#include "gfx/view.h"

QuadTexCoords fontCells[95];

constexpr int firstFontCode = 32;  // the space
constexpr int fontCellCount = 95;  // codes 32 to 126
constexpr int fontRows = 3;
constexpr int fontCellsPerRow = 32;
constexpr int fontCellSize = 20;   // texels and pixels alike
constexpr int glyphAdvance = 10;   // pen step; neighbouring glyph quads overlap by 10
constexpr int glyphLeftBleed = 5;  // a glyph quad starts this far left of its slot

void buildFontCells() {
    int next = 0;
    for (int row = 0; row < fontRows; ++row)
        for (int column = 0; column < fontCellsPerRow && next < fontCellCount; ++column)
            interfaceTexCoords(&fontCells[next++], static_cast<float>(fontCellSize * column),
                               static_cast<float>(fontCellSize * row), fontCellSize, fontCellSize);
}

void endInterfaceDrawing() {
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDisable(GL_ALPHA_TEST);
}

// The font cell of a character, or null for one the font has no cell for: such a character
// keeps its slot but draws nothing.
static const QuadTexCoords* fontCellOf(char character) {
    const int k = static_cast<unsigned char>(character) - firstFontCode;
    if (k < 0 || k >= fontCellCount) return nullptr;
    return &fontCells[k];
}

static void drawGlyph(float left, float top, const QuadTexCoords* cell) {
    const float size = fontCellSize;
    const float corners[8] = {left,        top + size, left + size, top + size,
                              left + size, top,        left,        top};
    glVertexPointer(2, GL_FLOAT, 0, corners);
    glTexCoordPointer(2, GL_FLOAT, 0, cell->uv);
    glDrawArrays(GL_QUADS, 0, 4);
}

void drawText(const char* text, int x, int y) {
    beginInterfaceDrawing();
    float pen = static_cast<float>(x) - glyphLeftBleed;
    const float top = static_cast<float>(y);
    for (const char* c = text; c != nullptr && *c != '\0'; ++c) {
        const QuadTexCoords* cell = fontCellOf(*c);
        if (cell != nullptr) drawGlyph(pen, top, cell);
        pen += glyphAdvance;
    }
    endInterfaceDrawing();
}
