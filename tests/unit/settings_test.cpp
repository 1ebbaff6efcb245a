#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/display.h"
#include "app/settings.h"

// Each case writes its own settings.ini in a private working directory, so cases running side
// by side never read each other's file.
class SettingsFile : public ::testing::Test {
   protected:
    void SetUp() override {
        char pattern[] = "/tmp/velmora-settings.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        directory = pattern;
        ASSERT_EQ(chdir(directory.c_str()), 0);
        displayConfig = {};
        settingsLineCount = 0;
    }
    void TearDown() override {
        std::remove((directory + "/settings.ini").c_str());
        rmdir(directory.c_str());
    }
    static void write(const std::string& text) {
        std::FILE* file = std::fopen("settings.ini", "wb");
        ASSERT_NE(file, nullptr);
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
    }
    static float valueOf(const std::string& text, const char* key) {
        write(text);
        loadSettingsFile();
        return readSetting(key);
    }
    std::string directory;
};

TEST_F(SettingsFile, SpacesAnywhereOnALineAreIgnored) {
    EXPECT_EQ(valueOf("screen w = 1 024\n", "screenw"), 1024.0f);
}

TEST_F(SettingsFile, KeysMustMatchExactlyIncludingCase) {
    EXPECT_EQ(valueOf("Screenw=1024\nscreenwidth=1024\n#screenw=1024\n", "screenw"), 0.0f);
}

TEST_F(SettingsFile, TheLastOccurrenceOfAKeyWins) {
    EXPECT_EQ(valueOf("screenw=800\nscreenh=600\nscreenw=1024\n", "screenw"), 1024.0f);
    EXPECT_EQ(readSetting("screenh"), 600.0f);
}

TEST_F(SettingsFile, ANumberIsReadUpToTheFirstCharacterThatDoesNotFit) {
    write(
        "a=\nb=abc\nc=800px\nd=\t\t-1.5e2\ne=+.5\nf=2.e1x\ng=7e\nh=3E+2\ni=12\t5\nj=-\nk=.\n"
        "l= \t9\nm=0.1\n");
    loadSettingsFile();
    EXPECT_EQ(readSetting("a"), 0.0f);
    EXPECT_EQ(readSetting("b"), 0.0f);
    EXPECT_EQ(readSetting("c"), 800.0f);
    EXPECT_EQ(readSetting("d"), -150.0f);  // leading tabs skipped
    EXPECT_EQ(readSetting("e"), 0.5f);
    EXPECT_EQ(readSetting("f"), 20.0f);
    EXPECT_EQ(readSetting("g"), 7.0f);  // an exponent without digits is no exponent
    EXPECT_EQ(readSetting("h"), 300.0f);
    EXPECT_EQ(readSetting("i"), 12.0f);  // only leading tabs are skipped
    EXPECT_EQ(readSetting("j"), 0.0f);
    EXPECT_EQ(readSetting("k"), 0.0f);
    EXPECT_EQ(readSetting("l"), 9.0f);  // the space goes first, then the tab is skipped
    EXPECT_EQ(readSetting("m"), 0.1f);  // rounded once, to single precision
}

TEST_F(SettingsFile, WordsAndHexadecimalAreNoNumbers) {
    write("a=nan\nb=inf\nc=-infinity\nd=0x10\ne=12x7\nf=NAN(1)\n");
    loadSettingsFile();
    EXPECT_EQ(readSetting("a"), 0.0f);
    EXPECT_EQ(readSetting("b"), 0.0f);
    EXPECT_EQ(readSetting("c"), 0.0f);
    EXPECT_EQ(readSetting("d"), 0.0f);
    EXPECT_EQ(readSetting("e"), 12.0f);
    EXPECT_EQ(readSetting("f"), 0.0f);
}

TEST_F(SettingsFile, HugeAndTinyNumbersBecomeInfinityAndZero) {
    const std::string longExponent(240, '9');  // far beyond any int
    write("a=1e39\nb=-1e400\nc=1e-50\nd=1e" + longExponent + "\ne=1e-" + longExponent + "\nf=0." +
          std::string(50, '0') + "1e60\n");
    loadSettingsFile();
    EXPECT_EQ(readSetting("a"), INFINITY);
    EXPECT_EQ(readSetting("b"), -INFINITY);
    EXPECT_EQ(readSetting("c"), 0.0f);
    EXPECT_EQ(readSetting("d"), INFINITY);
    EXPECT_EQ(readSetting("e"), 0.0f);
    EXPECT_EQ(readSetting("f"), 1e9f);
}

TEST_F(SettingsFile, OnlyTheFirstHundredLinesCount) {
    std::string text;
    for (int line = 1; line <= 150; ++line) text += "screenw=" + std::to_string(line) + "\n";
    EXPECT_EQ(valueOf(text, "screenw"), 100.0f);
    EXPECT_EQ(settingsLineCount, 100);
}

TEST_F(SettingsFile, ALineLongerThan255CharactersEndsTheReading) {
    write("screenh=480\nscreenbpp=16\nscreenw=" + std::string(292, '1') + "\nfullscreen=1\n");
    loadSettingsFile();
    EXPECT_EQ(std::string(settingsLines[2]), "screenw=" + std::string(247, '1'));
    EXPECT_EQ(readSetting("screenbpp"), 16.0f);
    EXPECT_EQ(readSetting("fullscreen"), 0.0f);
    EXPECT_STREQ(settingsLines[3], "");
}

TEST_F(SettingsFile, ALineOfExactly255CharactersIsWhole) {
    // Spaces count towards the 255 characters; they are removed only afterwards.
    const std::string line = "screenw=" + std::string(244, ' ') + "640";
    ASSERT_EQ(line.size(), 255u);
    write(line + "\r\nscreenh=480\r\n" + line + "1\nmipmapping=1\n");
    loadSettingsFile();
    EXPECT_EQ(readSetting("screenh"), 480.0f);  // the CR of a Windows line end is no character
    EXPECT_EQ(readSetting("screenw"), 640.0f);  // the third line was cut before its last "1"
    EXPECT_EQ(readSetting("mipmapping"), 0.0f);
}

TEST_F(SettingsFile, WindowsLineEndsAndStrayBytesDoNoHarm) {
    const char bytes[] = "screenw=640\r\nscreenh=4\r80\r\nscreenbpp=24\0junk=1\n\xff\xfe\x01=\n";
    write(std::string(bytes, sizeof bytes - 1) + "fullscreen=1\r");
    loadSettingsFile();
    EXPECT_EQ(readSetting("screenw"), 640.0f);
    EXPECT_EQ(readSetting("screenh"), 4.0f);
    EXPECT_EQ(readSetting("screenbpp"), 24.0f);
    EXPECT_EQ(readSetting("junk"), 0.0f);
    EXPECT_EQ(readSetting("fullscreen"), 1.0f);
}

TEST_F(SettingsFile, LongFilesAreReadWithoutHarm) {
    std::string text = "showcursor=1\n";
    for (int line = 0; line < 10000; ++line) text += "x\n";
    EXPECT_EQ(valueOf(text, "showcursor"), 1.0f);
    EXPECT_EQ(valueOf("screenw=1\n" + std::string(100 * 1024, 'z') + "\nscreenh=2\n", "screenw"),
              1.0f);
    EXPECT_EQ(readSetting("screenh"), 0.0f);
    EXPECT_EQ(settingsLineCount, 100);
}

TEST_F(SettingsFile, AMissingFileReadsAsZeroAndAnEmptyFileAlike) {
    loadSettingsFile();
    EXPECT_EQ(settingsLineCount, 0);
    EXPECT_EQ(readSetting("screenw"), 0.0f);
    EXPECT_EQ(valueOf("", "screenw"), 0.0f);
    EXPECT_EQ(settingsLineCount, 100);
}

TEST_F(SettingsFile, SettingsFillTheDisplayConfiguration) {
    write(
        "screenw=800.5\nscreenh=600\nscreenbpp=16.9\nfullscreen=-1\nshowcursor=0.0\n"
        "antialiasing=0.001\nmipmapping=abc\n");
    applySettings();
    EXPECT_EQ(displayConfig.screenWidth, 800.5f);
    EXPECT_EQ(displayConfig.screenHeight, 600.0f);
    EXPECT_EQ(displayConfig.colourDepth, 16);
    EXPECT_TRUE(displayConfig.fullscreen);
    EXPECT_FALSE(displayConfig.showCursor);
    EXPECT_TRUE(displayConfig.antialiasing);
    EXPECT_FALSE(displayConfig.mipmapping);
    EXPECT_FLOAT_EQ(displayConfig.aspectRatio, 800.5f / 600.0f);
}

TEST_F(SettingsFile, NoFileSelectsEveryDefault) {
    displayConfig.colourDepth = 32;
    displayConfig.showCursor = true;
    applySettings();
    EXPECT_EQ(displayConfig.screenWidth, 0.0f);
    EXPECT_EQ(displayConfig.colourDepth, 0);
    EXPECT_FALSE(displayConfig.showCursor);
    EXPECT_TRUE(std::isnan(displayConfig.aspectRatio));  // recomputed from the desktop later
}

TEST_F(SettingsFile, ADepthBeyondTheIntRangeIsHeldAtItsEnd) {
    write("screenbpp=-7.9\n");
    applySettings();
    EXPECT_EQ(displayConfig.colourDepth, -7);
    write("screenbpp=1e30\n");
    applySettings();
    EXPECT_EQ(displayConfig.colourDepth, INT_MAX);
    write("screenbpp=-1e99\n");
    applySettings();
    EXPECT_EQ(displayConfig.colourDepth, INT_MIN);
}
