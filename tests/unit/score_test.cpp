#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "game/game_record.h"
#include "game/score.h"
#include "gfx/glyph_text.h"
#include "tests/unit/drawn_quads.h"
#include "tests/unit/gl_context.h"

namespace {

// Each case plays in a fresh folder of its own, as the game plays in its working directory.
class ScoreFile : public ::testing::Test {
   protected:
    void SetUp() override {
        gameRecord = {};
        char pattern[] = "/tmp/velmora-score.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        ASSERT_EQ(chdir(dir.c_str()), 0);
    }
    void TearDown() override {
        std::system(("chattr -i " + dir + " 2>/dev/null; chmod 755 " + dir).c_str());
        ASSERT_EQ(chdir("/"), 0);
        std::system(("rm -rf " + dir).c_str());
    }

    static void writeFile(const std::string& text) { std::ofstream(scoreFileName) << text; }
    static std::string fileText() {
        std::ifstream in(scoreFileName);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static bool exists(const char* name) { return access(name, F_OK) == 0; }
    // Everything in the folder besides the score file.
    std::string otherFiles() const {
        std::string names;
        const std::string command = "ls -A " + dir + " | grep -vx velmora.score";
        if (FILE* list = popen(command.c_str(), "r")) {
            char line[256];
            while (std::fgets(line, sizeof line, list)) names += line;
            pclose(list);
        }
        return names;
    }

    std::string dir;
};

TEST_F(ScoreFile, RunJustShortOfTheHighScoreReadsItBack) {
    writeFile("120\n");
    gameRecord.highScore = 120;
    gameRecord.score = 119.9f;
    resetGame();
    EXPECT_EQ(gameRecord.highScore, 120);
    EXPECT_EQ(fileText(), "120\n");
}

TEST_F(ScoreFile, RunBeatingTheHighScoreByAFractionRewritesTheTruncation) {
    writeFile("120 left over from an older version");
    gameRecord.highScore = 120;
    gameRecord.score = 120.5f;
    resetGame();
    EXPECT_EQ(gameRecord.highScore, 120);
    EXPECT_EQ(fileText(), "120\n");
    EXPECT_EQ(otherFiles(), "") << "no temporary file is left";
}

TEST_F(ScoreFile, FirstRunOfAFreshInstallationWritesTheFile) {
    gameRecord.score = 0.6f;
    resetGame();
    EXPECT_EQ(gameRecord.highScore, 0);
    EXPECT_EQ(fileText(), "0\n");
}

TEST_F(ScoreFile, LeavingTheSplashLoadsANegativeHighScore) {
    writeFile("  -5\r\n");
    resetGame();
    EXPECT_EQ(gameRecord.highScore, -5);
}

TEST_F(ScoreFile, TextOrNumbersOutsideTheIntRangeKeepTheHighScore) {
    for (const char* text :
         {"abc 77", "", "-", "2147483648", "-2147483649", "99999999999999999999999999"}) {
        writeFile(text);
        gameRecord.highScore = 9;
        resetGame();
        EXPECT_EQ(gameRecord.highScore, 9) << '"' << text << '"';
    }
    const std::pair<const char*, int> readable[] = {{"2147483647", 2147483647},
                                                    {"-2147483648", -2147483647 - 1},
                                                    {"+17", 17},
                                                    {"0000000000000000000000000000042x", 42}};
    for (const auto& [text, value] : readable) {
        writeFile(text);
        gameRecord.highScore = 9;
        resetGame();
        EXPECT_EQ(gameRecord.highScore, value) << '"' << text << '"';
    }
}

TEST_F(ScoreFile, MissingFileKeepsTheHighScoreAndCreatesNothing) {
    gameRecord.highScore = 3;
    resetGame();
    EXPECT_EQ(gameRecord.highScore, 3);
    EXPECT_FALSE(exists(scoreFileName));
    EXPECT_EQ(otherFiles(), "");
}

TEST_F(ScoreFile, ScoreBeyondTheIntRangeSaturates) {
    gameRecord.score = 3.0e9f;
    resetGame();
    EXPECT_EQ(gameRecord.highScore, 2147483647);
    EXPECT_EQ(fileText(), "2147483647\n");
}

TEST_F(ScoreFile, NotANumberScoreNeverBeatsTheHighScore) {
    writeFile("40\n");
    gameRecord.score = std::nanf("");
    resetGame();
    EXPECT_EQ(gameRecord.highScore, 40);
    EXPECT_EQ(fileText(), "40\n");
}

// The temporary file's name is taken by a link to /dev/full, which accepts the open and fails
// the write with "no space left", as a full disk does.
TEST_F(ScoreFile, FullDiskKeepsTheOldFileAndLeavesNoTemporaryFile) {
    writeFile("50\n");
    ASSERT_EQ(symlink("/dev/full", "velmora.score.tmp"), 0);
    gameRecord.highScore = 50;
    gameRecord.score = 75.0f;
    resetGame();
    EXPECT_EQ(fileText(), "50\n");
    EXPECT_EQ(otherFiles(), "");
    EXPECT_EQ(gameRecord.highScore, 75) << "kept in memory";
}

// Tests run as root, for whom permission bits don't stop a write: the folder is also made
// immutable (chattr +i), which stops root too. Skipped where neither holds.
TEST_F(ScoreFile, ReadOnlyFolderKeepsTheOldFileAndLeavesNoTemporaryFile) {
    writeFile("50\n");
    chmod(dir.c_str(), 0555);
    std::system(("chattr +i " + dir + " 2>/dev/null").c_str());
    if (FILE* probe = std::fopen("probe", "w")) {
        std::fclose(probe);
        std::remove("probe");
        GTEST_SKIP() << "this file system lets the folder be written whatever its flags";
    }
    gameRecord.highScore = 50;
    gameRecord.score = 75.0f;
    resetGame();
    EXPECT_EQ(fileText(), "50\n");
    EXPECT_EQ(otherFiles(), "");
    // A later run that does not beat 75 reads the file's old value back.
    gameRecord.score = 10.0f;
    resetGame();
    EXPECT_EQ(gameRecord.highScore, 50);
}

TEST_F(ScoreFile, ResetClearsTheFieldButNotTheRunsScore) {
    gameRecord.score = 5.0f;
    gameRecord.highScore = 100;
    gameRecord.spawnCountdown = 0.75f;
    gameRecord.state = GameState::Crashed;
    gameRecord.obstacleCount = 12;
    gameRecord.craft.position = {168.75f, 0, -3};
    gameRecord.craft.velocity.z = -0.39f;
    gameRecord.camera.rotation = {-0.48f, 0.01f, 0};
    resetGame();
    EXPECT_EQ(gameRecord.obstacleCount, 0);
    EXPECT_EQ(gameRecord.craft.position.x, 0.0f);
    EXPECT_EQ(gameRecord.craft.velocity.z, 0.0f);
    EXPECT_EQ(gameRecord.camera.rotation.x, 0.0f);
    EXPECT_EQ(gameRecord.score, 5.0f);
    EXPECT_EQ(gameRecord.spawnCountdown, 0.75f);
    EXPECT_EQ(gameRecord.state, GameState::Crashed);
}

// The score display's quads: border and fill of the panel, then "score:", "high score:", the
// high score and the score.
std::vector<DrawnPolygon> drawnScoreDisplay() {
    buildGlyphTable();
    return captureQuads([] { drawScoreDisplay(); });
}

TEST(ScoreDisplay, PanelSitsAtTheBottomLeftOfA480RowWindow) {
    ASSERT_TRUE(openTestWindow(640, 480));
    gameRecord = {};
    gameRecord.highScore = 12345;
    gameRecord.score = 6.2f;  // shown as its ceiling, 7
    const std::vector<DrawnPolygon> quads = drawnScoreDisplay();
    ASSERT_EQ(quads.size(), 2u + 6u + 11u + 5u + 1u);
    EXPECT_PIXEL_EQ(quads[1].left(), 10.0f);
    EXPECT_PIXEL_EQ(quads[1].top(), 402.0f);
    EXPECT_PIXEL_EQ(quads[1].right(), 260.0f);
    EXPECT_PIXEL_EQ(quads[1].bottom(), 450.0f);
    EXPECT_PIXEL_EQ(quads[2].left(), 20.0f);  // "score:" first, one line lower
    EXPECT_PIXEL_EQ(quads[2].top(), 422.0f);
    EXPECT_PIXEL_EQ(quads[8].left(), 20.0f);  // then "high score:"
    EXPECT_PIXEL_EQ(quads[8].top(), 402.0f);
    EXPECT_PIXEL_EQ(quads[19].left(), 190.0f);  // 12345 ends at 250
    EXPECT_PIXEL_EQ(quads[23].right(), 250.0f);
    EXPECT_PIXEL_EQ(quads[23].top(), 402.0f);
    EXPECT_PIXEL_EQ(quads[24].left(), 238.0f);  // 7 ends at 250 too
    EXPECT_PIXEL_EQ(quads[24].top(), 422.0f);
    EXPECT_FLOAT_EQ(quads[24].corners[0].u, 370.0f / 512.0f) << "the glyph of 7";
}

TEST(ScoreDisplay, PanelTopIs222On300Rows) {
    ASSERT_TRUE(openTestWindow(800, 300));
    gameRecord = {};
    const std::vector<DrawnPolygon> quads = drawnScoreDisplay();
    ASSERT_GE(quads.size(), 2u);
    EXPECT_PIXEL_EQ(quads[1].top(), 222.0f);
    EXPECT_PIXEL_EQ(quads[1].left(), 10.0f);
    EXPECT_PIXEL_EQ(quads[1].right(), 260.0f);
}

TEST(ScoreDisplay, NegativeHighScoreAndUnusableScoresStayRightAligned) {
    ASSERT_TRUE(openTestWindow(640, 480));
    gameRecord = {};
    gameRecord.highScore = -5;
    gameRecord.score = std::nanf("");
    std::vector<DrawnPolygon> quads = drawnScoreDisplay();
    ASSERT_EQ(quads.size(), 2u + 6u + 11u + 2u + 1u);
    EXPECT_PIXEL_EQ(quads[19].left(), 226.0f);  // "-5"
    EXPECT_PIXEL_EQ(quads[21].left(), 238.0f);  // "0" for a score that is no number

    gameRecord.score = 1.0e10f;  // saturates to 2147483647, ten digits
    quads = captureQuads([] { drawScoreDisplay(); });
    ASSERT_EQ(quads.size(), 2u + 6u + 11u + 2u + 10u);
    EXPECT_PIXEL_EQ(quads[21].left(), 130.0f);
}

}  // namespace
