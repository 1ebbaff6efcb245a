#include "game/score.h"

#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include <GL/gl.h>

#include "app/display.h"
#include "app/platform.h"
#include "game/game_record.h"
#include "gfx/glyph_text.h"
#include "gfx/view.h"

constexpr float panelLeft = 10.0f;
constexpr float panelWidth = 250.0f;
constexpr float panelPadding = 20.0f;    // panel height beyond one glyph line
constexpr float panelBottomGap = 30.0f;  // from the panel's lower edge to the window's
constexpr float textLeft = 20.0f;
constexpr float numbersRight = 250.0f;
constexpr float lineGap = 20.0f;

// Truncation toward zero that saturates instead of overflowing, and makes NaN 0.
static int saturatingInt(double value) {
    if (std::isnan(value)) return 0;
    if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(value);
}

static void drawNumberEndingAt(float right, float y, int number) {
    char text[16];
    std::snprintf(text, sizeof text, "%i", number);
    drawGlyphText(right - static_cast<float>(std::strlen(text)) * glyphWidth, y, text, 1.0f);
}

void drawScoreDisplay() {
    setOverlayView(0, 0);
    glBindTexture(GL_TEXTURE_2D, gameRecord.hudTexture);
    glEnable(GL_TEXTURE_2D);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);

    const float panelHeight = glyphHeight + panelPadding;
    const float top = static_cast<float>(
        saturatingInt(displayConfig.screenHeight - panelHeight - panelBottomGap));
    drawPanel(panelLeft, top, panelWidth, panelHeight);
    // This order decides the 8 rows where the lines overlap: upper label over lower label,
    // lower number over upper number.
    drawGlyphText(textLeft, top + lineGap, "score:", 1.0f);
    drawGlyphText(textLeft, top, "high score:", 1.0f);
    drawNumberEndingAt(numbersRight, top, gameRecord.highScore);
    drawNumberEndingAt(numbersRight, top + lineGap, saturatingInt(std::ceil(gameRecord.score)));

    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisable(GL_TEXTURE_2D);
}

// The first integer of the file, after optional white space, when it fits an int. Digits are
// taken one at a time so that any number of them, or leading zeros, is judged correctly.
static bool readFirstInteger(std::FILE* file, int* result) {
    int c = std::fgetc(file);
    while (c != EOF && std::isspace(c)) c = std::fgetc(file);
    const bool negative = c == '-';
    if (c == '-' || c == '+') c = std::fgetc(file);
    if (c == EOF || !std::isdigit(c)) return false;
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    long long magnitude = 0;
    for (; c != EOF && std::isdigit(c); c = std::fgetc(file)) {
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > limit) return false;
    }
    *result = static_cast<int>(negative ? -magnitude : magnitude);
    return true;
}

static void readHighScore() {
    std::FILE* file = std::fopen(scoreFileName, "r");
    if (file == nullptr) return;
    int value = 0;
    if (readFirstInteger(file, &value)) gameRecord.highScore = value;
    std::fclose(file);
}

// A crash, a full disk or a power cut must never leave an empty or torn score file; any failure
// keeps the old one.
static void writeHighScore() {
    char text[16];
    std::snprintf(text, sizeof text, "%i\n", gameRecord.highScore);
    replaceFileWhole(scoreFileName, text);
}

void resetGame() {
    if (static_cast<float>(gameRecord.highScore) < gameRecord.score) {
        gameRecord.highScore = saturatingInt(gameRecord.score);
        writeHighScore();
    } else {
        readHighScore();
    }
    gameRecord.obstacleCount = 0;
    gameRecord.camera = {};
    gameRecord.craft = {};
}
