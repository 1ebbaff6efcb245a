// The atlas the interface falls back on when "Media/dashboard.png" is missing or unreadable.
// With no texture at all every interface quad would come out as a solid white block (the
// current colour, opaque), burying text and pointer alike; this keeps the overlay usable.

#include <algorithm>

#include <SDL/SDL.h>

#include "interface/interface_startup.h"

constexpr int atlasWidth = 1024, atlasHeight = 256;

// 3 x 5 glyphs, one octal digit per row from the top, 4 the left column. Codes 32 to 96; the
// lower-case letters reuse the capitals.
constexpr int firstGlyphCode = 32;
constexpr int glyphCount = 65;
constexpr unsigned glyphRows[glyphCount] = {
    000000, 022202, 055000, 057575, 036236, 051245, 025253, 022000,  // space to '
    012221, 042224, 005250, 002720, 000024, 000700, 000002, 011244,  // ( to /
    075557, 026227, 071747, 071317, 055711, 074717, 074757, 071122,  // 0 to 7
    075757, 075717, 002020, 002024, 012421, 007070, 042124, 071302,  // 8 to ?
    075743, 025755, 065656, 034443, 065556, 074647, 074644, 034553,  // @ to G
    055755, 072227, 011152, 055655, 044447, 057755, 065555, 025552,  // H to O
    065644, 025563, 065655, 034216, 072222, 055557, 055552, 055775,  // P to W
    055255, 055222, 071247, 064446, 044211, 031113, 025000, 000007,  // X to _
    042000,                                                          // `
};
constexpr unsigned braceLeft = 032623, bar = 022222, braceRight = 062326, tilde = 000360;
constexpr int glyphScale = 3;               // 9 x 15 pixels inside the 20 x 20 cell
constexpr int glyphLeft = 5, glyphTop = 2;  // inside the middle 10 columns of the cell

// Pixel by pixel rather than with SDL_FillRect: the browser's SDL fills a canvas it keeps beside
// the surface, not the pixels that the texture is made from.
static void fillRect(SDL_Surface* atlas, int x, int y, int w, int h, Uint32 colour) {
    for (int row = std::max(y, 0); row < std::min(y + h, atlas->h); ++row) {
        Uint32* line =
            reinterpret_cast<Uint32*>(static_cast<Uint8*>(atlas->pixels) + row * atlas->pitch);
        for (int column = std::max(x, 0); column < std::min(x + w, atlas->w); ++column)
            line[column] = colour;
    }
}

static unsigned glyphFor(int code) {
    if (code >= 'a' && code <= 'z') code -= 'a' - 'A';
    switch (code) {
        case '{':
            return braceLeft;
        case '|':
            return bar;
        case '}':
            return braceRight;
        case '~':
            return tilde;
        default:
            break;
    }
    const int k = code - firstGlyphCode;
    return k >= 0 && k < glyphCount ? glyphRows[k] : 0;
}

static void drawGlyphs(SDL_Surface* atlas, Uint32 ink) {
    for (int k = 0; k < 95; ++k) {
        const unsigned rows = glyphFor(firstGlyphCode + k);
        const int cellX = 20 * (k % 32) + glyphLeft, cellY = 20 * (k / 32) + glyphTop;
        for (int row = 0; row < 5; ++row)
            for (int column = 0; column < 3; ++column)
                if ((rows >> (3 * (4 - row) + 2 - column)) & 1u)
                    fillRect(atlas, cellX + glyphScale * column, cellY + glyphScale * row,
                             glyphScale, glyphScale, ink);
    }
}

// A 60 x 60 frame block: a filled inside and a 2-pixel border on its outer edges, so that the
// corner, edge and centre cells each carry their part of it.
static void drawFrameStyle(SDL_Surface* atlas, int left, Uint32 border, Uint32 inside) {
    fillRect(atlas, left, 60, 60, 60, border);
    fillRect(atlas, left + 2, 62, 56, 56, inside);
}

static void drawPanels(SDL_Surface* atlas, Uint32 panel, Uint32 edge) {
    fillRect(atlas, 0, 120, 640, 120, panel);
    fillRect(atlas, 0, 178, 640, 2, edge);  // the top panel's lower edge
    fillRect(atlas, 0, 180, 640, 2, edge);  // the bottom panel's upper edge
}

// An arrow whose tip is the hot spot (12, 10) of the 40 x 60 pointer image: white, outlined
// in black so it shows on the white panels' text and the black screen alike.
static bool insideArrow(int x, int y) {
    const int dx = x - 12, dy = y - 10;
    return dx >= 0 && dy >= 0 && dy <= 28 && 2 * dx <= dy && dx + dy <= 40 - dx;
}

static void drawPointerArrow(SDL_Surface* atlas, Uint32 fill, Uint32 outline) {
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 40; ++x) {
            if (!insideArrow(x, y)) continue;
            const bool edge = !insideArrow(x - 1, y) || !insideArrow(x + 1, y) ||
                              !insideArrow(x, y - 1) || !insideArrow(x, y + 1);
            fillRect(atlas, 440 + x, 60 + y, 1, 1, edge ? outline : fill);
        }
}

SDL_Surface* makeFallbackAtlas() {
    const bool bigEndian = SDL_BYTEORDER == SDL_BIG_ENDIAN;
    SDL_Surface* atlas = SDL_CreateRGBSurface(
        SDL_SWSURFACE, atlasWidth, atlasHeight, 32, bigEndian ? 0xFF000000 : 0x000000FF,
        bigEndian ? 0x00FF0000 : 0x0000FF00, bigEndian ? 0x0000FF00 : 0x00FF0000,
        bigEndian ? 0x000000FF : 0xFF000000);
    if (atlas == nullptr) return nullptr;
    const SDL_PixelFormat* f = atlas->format;
    fillRect(atlas, 0, 0, atlasWidth, atlasHeight, SDL_MapRGBA(f, 0, 0, 0, 0));
    drawGlyphs(atlas, SDL_MapRGBA(f, 255, 255, 255, 255));
    drawFrameStyle(atlas, 0, SDL_MapRGBA(f, 150, 150, 160, 255), SDL_MapRGBA(f, 40, 40, 50, 230));
    drawFrameStyle(atlas, 60, SDL_MapRGBA(f, 255, 210, 90, 255), SDL_MapRGBA(f, 70, 70, 110, 240));
    drawPanels(atlas, SDL_MapRGBA(f, 20, 30, 60, 220), SDL_MapRGBA(f, 150, 150, 160, 255));
    drawPointerArrow(atlas, SDL_MapRGBA(f, 255, 255, 255, 255), SDL_MapRGBA(f, 0, 0, 0, 255));
    return atlas;
}
