#include "interface/pause.h"

#include <SDL/SDL.h>

#include <cstdio>
#include <cstring>

#include "app/display.h"
#include "app/frame_clock.h"
#include "app/input.h"
#include "game/assets.h"
#include "game/game_record.h"
#include "gfx/view.h"
#include "interface/font.h"

bool paused;
float pauseProgress;
QuadTexCoords topPanelCell;
QuadTexCoords bottomPanelCell;
char bottomText1[256];
char bottomText2[256];

// Kept in single precision on purpose: 0.01f lies just below 0.01, which makes every step of
// 5 land on a whole pixel; p / 100 or a double 0.01 puts some positions one pixel short.
constexpr float percent = 0.01f;
constexpr float progressShown = 100.0f;
constexpr float progressPerFrame = 5.0f;

constexpr float panelWidth = 640, panelHeight = 60;
constexpr float bottomPanelTop = 420;
constexpr float buttonLineHidden = 595, buttonLineShown = 115;
constexpr int textLeft = 20;
constexpr int textRightEnd = 620;
constexpr int glyphAdvance = 10;
constexpr int titleRow = 18, versionRow = 38;
constexpr int bottomLine1Row = 422, bottomLine2Row = 442;

int panelOffset(float progress) {
    return static_cast<int>((1.0f - progress * percent) * panelHeight);
}

int pauseButtonLine(float progress) {
    const float shown = progress * percent;
    return static_cast<int>((1.0f - shown) * buttonLineHidden + shown * buttonLineShown);
}

void resetPause() {
    pauseProgress = 0.0f;
    paused = false;
}

void initPausePanels() {
    interfaceTexCoords(&topPanelCell, 0, 120, panelWidth, panelHeight);
    interfaceTexCoords(&bottomPanelCell, 0, 180, panelWidth, panelHeight);
    bottomText1[0] = '\0';
    std::snprintf(bottomText2, sizeof bottomText2, "%s", makerAddress);
}

void updatePause(float step) {
    if (inputState.keys[SDLK_ESCAPE] == 2) paused = !paused;
    pauseProgress += (paused ? progressPerFrame : -progressPerFrame) * step;
    if (pauseProgress > progressShown)
        pauseProgress = progressShown;
    else if (!(pauseProgress >= 0.0f))  // also a value that is not a number
        pauseProgress = 0.0f;
}

void formatVersionText(char* dest, int size, float version) {
    if (dest == nullptr || size <= 0) return;
    std::snprintf(dest, static_cast<std::size_t>(size), "%s%f", "v", version);
    std::size_t length = std::strlen(dest);
    while (length > 2 && dest[length - 2] != '.' && dest[length - 1] == '0') dest[--length] = '\0';
}

static void drawPanel(float top, const QuadTexCoords* cell) {
    beginInterfaceDrawing();
    drawTexturedQuad(0, top, panelWidth, panelHeight, cell);
    endInterfaceDrawing();
}

// Right-aligned texts end at column 620 whatever their length.
static void drawTextEndingAtRightColumn(const char* text, std::size_t capacity, int y) {
    const int length = static_cast<int>(strnlen(text, capacity));
    drawText(text, textRightEnd - glyphAdvance * length, y);
}

void drawPauseOverlay() {
    const int o = panelOffset(pauseProgress);
    drawPanel(static_cast<float>(-o), &topPanelCell);
    drawText(gameTitle, textLeft, titleRow - o);
    char version[64];
    formatVersionText(version, sizeof version, gameRecord.gameVersion);
    drawText(version, textLeft, versionRow - o);
    drawTextEndingAtRightColumn(frameClock.dateText, sizeof frameClock.dateText, titleRow - o);
    drawTextEndingAtRightColumn(frameClock.timeText, sizeof frameClock.timeText, versionRow - o);
    drawPanel(bottomPanelTop + static_cast<float>(o), &bottomPanelCell);
    drawText(bottomText1, textLeft, bottomLine1Row + o);
    drawText(bottomText2, textLeft, bottomLine2Row + o);
}
