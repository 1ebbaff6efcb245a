#include "app/settings.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/display.h"

char settingsLines[settingsMaxLines][settingsLineSize];
int settingsLineCount;

constexpr const char* settingsFileName = "settings.ini";
constexpr int settingsLineLength = settingsLineSize - 1;

// A Windows line end reads as a plain line feed, so a line that ends "\r\n" is as long as the
// same line ending "\n".
static int readChar(std::FILE* file) {
    const int c = std::fgetc(file);
    if (c != '\r') return c;
    const int next = std::fgetc(file);
    if (next == '\n') return '\n';
    if (next != EOF) std::ungetc(next, file);
    return c;
}

// One row: up to the next line feed, at most settingsLineLength characters. Returns false when
// reading has to stop: the end of the file, or a line too long to fit (the rest is not read).
static bool readRow(std::FILE* file, char* row) {
    int length = 0;
    for (;;) {
        const int c = readChar(file);
        if (c == EOF) return false;
        if (c == '\n') return true;
        row[length++] = static_cast<char>(c);
        if (length == settingsLineLength) {
            const int next = readChar(file);
            if (next == '\n') return true;
            return false;
        }
    }
}

// Spaces may stand anywhere, even inside a key or a number ("screen w = 1 024").
static void removeSpaces(char* row) {
    char* kept = row;
    for (const char* c = row; *c != '\0'; ++c)
        if (*c != ' ') *kept++ = *c;
    *kept = '\0';
}

void loadSettingsFile() {
    settingsLineCount = 0;
    std::memset(settingsLines, 0, sizeof settingsLines);
    std::FILE* file = std::fopen(settingsFileName, "r");
    if (file == nullptr) return;
    for (int i = 0; i < settingsMaxLines; ++i)
        if (!readRow(file, settingsLines[i])) break;
    settingsLineCount = settingsMaxLines;
    std::fclose(file);
    for (auto& row : settingsLines) removeSpaces(row);
}

static bool isDigit(char c) { return c >= '0' && c <= '9'; }

static const char* skipDigits(const char* c) {
    while (isDigit(*c)) ++c;
    return c;
}

// The decimal grammar alone: sign, digits, point and fraction, exponent. Words such as "nan"
// or "inf" and hexadecimal "0x10" are no numbers here (the latter reads as its leading 0).
// Returns the end of the number, or text itself when no number starts there.
static const char* scanNumber(const char* text) {
    const char* c = text;
    if (*c == '+' || *c == '-') ++c;
    const char* integerEnd = skipDigits(c);
    const char* mantissaEnd = integerEnd;
    if (*integerEnd == '.') mantissaEnd = skipDigits(integerEnd + 1);
    const bool hasDigits = integerEnd > c || mantissaEnd > integerEnd + 1;
    if (!hasDigits) return text;
    if (*mantissaEnd != 'e' && *mantissaEnd != 'E') return mantissaEnd;
    const char* exponent = mantissaEnd + 1;
    if (*exponent == '+' || *exponent == '-') ++exponent;
    return isDigit(*exponent) ? skipDigits(exponent) : mantissaEnd;
}

// The value of a number that scanNumber accepted, rounded once to single precision: beyond the
// float range it is infinite (which the display refuses as a size), below it zero. Only the
// accepted characters are converted, since strtof alone would read "0x10" as 16. (Not
// std::from_chars: the browser build's C++ library has no floating-point version of it.)
static float numberValue(const char* begin, const char* end) {
    char text[settingsLineSize];
    const std::size_t length = std::min<std::size_t>(end - begin, sizeof text - 1);
    std::memcpy(text, begin, length);
    text[length] = '\0';
    return std::strtof(text, nullptr);
}

static float readNumber(const char* text) {
    while (*text == '\t') ++text;
    const char* end = scanNumber(text);
    if (end == text) return 0.0f;
    return numberValue(text, end);
}

float readSetting(const char* key) {
    if (settingsLineCount == 0 || key == nullptr) return 0.0f;
    const std::size_t keyLength = std::strlen(key);
    float result = 0.0f;
    for (int i = 0; i < settingsLineCount && i < settingsMaxLines; ++i) {
        const char* row = settingsLines[i];
        if (std::strncmp(row, key, keyLength) == 0 && row[keyLength] == '=')
            result = readNumber(row + keyLength + 1);
    }
    return result;
}

// Truncated toward zero; a depth beyond int (only an absurd or infinite value can be) is held
// at the nearest int rather than cast, and the video system then refuses or adapts it.
static int depthFrom(float value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483648.0f) return INT_MAX;
    if (value < -2147483648.0f) return INT_MIN;
    return static_cast<int>(value);
}

void applySettings() {
    loadSettingsFile();
    DisplayConfig& config = displayConfig;
    config.screenWidth = readSetting("screenw");
    config.screenHeight = readSetting("screenh");
    config.colourDepth = depthFrom(readSetting("screenbpp"));
    config.fullscreen = readSetting("fullscreen") != 0.0f;
    config.showCursor = readSetting("showcursor") != 0.0f;
    config.antialiasing = readSetting("antialiasing") != 0.0f;
    config.mipmapping = readSetting("mipmapping") != 0.0f;
    // Provisional: 0 or not finite when a size is 0; the display set-up recomputes it.
    config.aspectRatio = config.screenWidth / config.screenHeight;
}
