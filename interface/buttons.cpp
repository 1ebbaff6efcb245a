#include "interface/buttons.h"

#include <cstring>

#include "app/input.h"
#include "gfx/view.h"
#include "interface/font.h"

QuadTexCoords frameCells[18];
QuadTexCoords pointerCell;

// The frame atlas: two styles side by side, each 3 x 3 cells of 20 texels from row 60.
constexpr int frameStyles = 2;
constexpr int frameCellSize = 20;
constexpr int frameAtlasTop = 60;
constexpr int frameStyleWidth = 60;
constexpr int cellsPerStyle = 9;

// On screen: a 300 x 15 inner area, 15 edge pieces across, a squeezed middle row.
constexpr int frameInnerWidth = 300;
constexpr int frameInnerHeight = 15;
constexpr int frameEdgePieces = 15;

// The hover band is exclusive on every side.
constexpr int hoverLeftExclusive = 156;
constexpr int hoverRightExclusive = 483;
constexpr int hoverHalfHeightExclusive = 21;
constexpr int buttonFrameLeft = 170;
constexpr int buttonFrameRise = 7;   // inner area starts this far above the centre line
constexpr int buttonLabelRise = 10;  // half the glyph row
constexpr int labelHalfAdvance = 5;

// The pointer image and its hot spot, counted from the image's top-left corner.
constexpr float pointerAtlasX = 440, pointerAtlasY = 60;
constexpr float pointerWidth = 40, pointerHeight = 60;
constexpr float hotSpotX = 12, hotSpotY = 10;

void buildFrameCells() {
    int next = 0;
    for (int style = 0; style < frameStyles; ++style)
        for (int column = 0; column < 3; ++column)
            for (int row = 0; row < 3; ++row)
                interfaceTexCoords(
                    &frameCells[next++],
                    static_cast<float>(frameStyleWidth * style + frameCellSize * column),
                    static_cast<float>(frameAtlasTop + frameCellSize * row), frameCellSize,
                    frameCellSize);
}

void buildPointerCell() {
    interfaceTexCoords(&pointerCell, pointerAtlasX, pointerAtlasY, pointerWidth, pointerHeight);
}

// One row of the frame: its left piece, the 15 pieces across the inner area, its right piece.
static void drawFrameRow(int x, int top, int height, int styleBase, int row) {
    const float w = frameCellSize, h = static_cast<float>(height), t = static_cast<float>(top);
    drawTexturedQuad(static_cast<float>(x - frameCellSize), t, w, h, &frameCells[styleBase + row]);
    for (int i = 0; i < frameEdgePieces; ++i)
        drawTexturedQuad(static_cast<float>(x + frameCellSize * i), t, w, h,
                         &frameCells[styleBase + 3 + row]);
    drawTexturedQuad(static_cast<float>(x + frameInnerWidth), t, w, h,
                     &frameCells[styleBase + 6 + row]);
}

void drawButtonFrame(int x, int y, int style) {
    const int styleBase = style == 1 ? cellsPerStyle : 0;  // anything else draws as normal
    beginInterfaceDrawing();
    drawFrameRow(x, y - frameCellSize, frameCellSize, styleBase, 0);
    drawFrameRow(x, y, frameInnerHeight, styleBase, 1);
    drawFrameRow(x, y + frameInnerHeight, frameCellSize, styleBase, 2);
    endInterfaceDrawing();
}

static bool pointerOverButton(int y) {
    const int px = inputState.pointerX, py = inputState.pointerY;
    return px > hoverLeftExclusive && px < hoverRightExclusive &&
           py > y - hoverHalfHeightExclusive && py < y + hoverHalfHeightExclusive;
}

bool menuButton(const char* label, int y) {
    const bool hovered = pointerOverButton(y);
    // Only the press itself clicks: a held button (1) or a press dragged in does not.
    const bool clicked = hovered && inputState.mouseButtons[leftMouseButton] == buttonWentDown;
    drawButtonFrame(buttonFrameLeft, y - buttonFrameRise, hovered ? 1 : 0);
    const int length = label != nullptr ? static_cast<int>(std::strlen(label)) : 0;
    drawText(label, buttonCentreColumn - labelHalfAdvance * length, y - buttonLabelRise);
    return clicked;
}

void drawPointer(int x, int y) {
    beginInterfaceDrawing();
    drawTexturedQuad(static_cast<float>(x) - hotSpotX, static_cast<float>(y) - hotSpotY,
                     pointerWidth, pointerHeight, &pointerCell);
    endInterfaceDrawing();
}
