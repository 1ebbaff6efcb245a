// The settings file read as its format says (spaces, Windows line ends, repeated keys, numbers
// and junk, the 100-line limit), and the values it gives the display, a width below one pixel
// among them.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <string>
#include <utility>

#include "app/display.h"
#include "app/settings.h"
#include "tests/unit/test_files.h"

struct SettingsFile : ::testing::Test {
    std::filesystem::path dir;
    void SetUp() override { dir = enterScratchFolder("velmora-settings."); }
    void TearDown() override { leaveScratchFolder(dir); }
    static void write(const std::string& text) { std::ofstream("settings.ini") << text; }
};

TEST_F(SettingsFile, ValuesAreReadAsTheFileFormatSays) {
    std::string lines;
    for (int n = 1; n <= 150; ++n) lines += "x=" + std::to_string(n) + "\n";
    // Spaces count towards a line's 255 characters and are removed only afterwards.
    const std::string full = "x=" + std::string(250, ' ') + "640";
    const std::pair<std::string, float> rows[] = {
        {" x = 1 0 24\n", 1024.0f},
        {"X=1\nxx=2\n#x=3\n", 0.0f},
        {"x=800\ny=600\nx=1024\n", 1024.0f},
        {lines, 100.0f},                 // only the first hundred lines count
        {full + "\r\nx=480\n", 480.0f},  // a CR line end is no character
        {full + "1\nx=7\n", 640.0f},     // cut before its last "1", and the reading ends there
        {"x=800px", 800.0f},
        {"x=nan", 0.0f},
        {"x=inf", 0.0f},
        {"x=0x10", 0.0f},
        {"x=1e39", INFINITY},
        {"x=\t\t+.5e1x", 5.0f},  // leading tabs, a sign, a bare fraction, an exponent
        {"x=1e", 1.0f},
        {"x=-.", 0.0f},
        // A NUL ends its row's text, the last row counts, and a CR within a row ends its number.
        {std::string("x=3\0x=2\nx=4\rx=5", 15), 4.0f}};
    for (const auto& [text, value] : rows) {
        write(text);
        loadSettingsFile();
        EXPECT_EQ(readSetting("x"), value) << text;
    }
}

// Regression: a width below one pixel opened the desktop's size with a viewport 0 wide.
TEST_F(SettingsFile, SettingsFillTheDisplayConfigurationAndABelowOnePixelWidthIsTheDesktops) {
    write("screenw=0.5\nscreenh=480\nscreenbpp=16.9\nshowcursor=-1\nmipmapping=0.001\n");
    applySettings();
    EXPECT_EQ(displayConfig.colourDepth, 16);
    EXPECT_TRUE(displayConfig.showCursor);
    EXPECT_TRUE(displayConfig.mipmapping);
    initDisplay();
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_GT(viewport[2], 640);  // the test display is wider
    EXPECT_EQ(viewport[3], 480);
}
