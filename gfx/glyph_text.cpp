#include "gfx/glyph_text.h"

#include <GL/gl.h>

QuadTexCoords glyphTable[96];
float glyphWidth = 16.0f;
float glyphHeight = 32.0f;

constexpr int firstGlyphCode = 32;
constexpr int glyphCount = 96;
constexpr int glyphsPerRow = 32;
constexpr float glyphInset = 2.0f;        // texels trimmed from every side of a cell
constexpr float hudTexel = 0.001953125f;  // 1/512

// 5 x 5-texel colour swatches of the HUD texture that the panel is painted from.
constexpr QuadTexCoords borderSwatch = {{0.9765625f, 0.966796875f, 0.986328125f, 0.966796875f,
                                         0.986328125f, 0.95703125f, 0.9765625f, 0.95703125f}};
constexpr QuadTexCoords fillSwatch = {{0.9765625f, 0.146484375f, 0.986328125f, 0.146484375f,
                                       0.986328125f, 0.13671875f, 0.9765625f, 0.13671875f}};
constexpr float panelBorder = 2.0f;

void buildGlyphTable() {
    const float w = glyphWidth;
    const float h = glyphHeight;
    for (int k = 0; k < glyphCount; ++k) {
        const float col = static_cast<float>(k % glyphsPerRow);
        const float row = static_cast<float>(k / glyphsPerRow);
        const float left = col * w + glyphInset;
        const float right = col * w + w - glyphInset;
        const float top = row * h + glyphInset;
        const float bottom = row * h + h - glyphInset;
        const float corners[8] = {left, bottom, right, bottom, right, top, left, top};
        for (int i = 0; i < 8; ++i) glyphTable[k].uv[i] = corners[i] * hudTexel;
    }
    // From here on the sizes are those of the drawn glyph, not of its cell.
    glyphWidth -= 2.0f * glyphInset;
    glyphHeight -= 2.0f * glyphInset;
}

void drawGlyphText(float x, float y, const char* text, float scale) {
    const float advance = glyphWidth * scale;
    const float lineHeight = glyphHeight * scale;
    for (const char* c = text; *c != '\0'; ++c) {
        // The table covers codes 32 to 127 only; anything else keeps its place as a blank.
        const int k = static_cast<unsigned char>(*c) - firstGlyphCode;
        if (k >= 0 && k < glyphCount) drawTexturedQuad(x, y, advance, lineHeight, &glyphTable[k]);
        x += advance;
    }
}

void drawPanel(float x, float y, float width, float height) {
    drawTexturedQuad(x - panelBorder, y - panelBorder, width + 2.0f * panelBorder,
                     height + 2.0f * panelBorder, &borderSwatch);
    drawTexturedQuad(x, y, width, height, &fillSwatch);
}
