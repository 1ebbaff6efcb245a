#include <vector>

#include <GL/gl.h>
#include <gtest/gtest.h>

#include "app/input.h"
#include "game/flight.h"
#include "game/game_record.h"
#include "game/scene.h"
#include "tests/unit/gl_context.h"

namespace {

// The bounding box and centre of the lit pixels that one picture has and another has not.
struct Region {
    int count = 0;
    int left = 10000, right = -1, top = 10000, bottom = -1;
    double sumX = 0;
    double centreX() const { return count ? sumX / count : -1; }
};

}  // namespace

constexpr int width = 640, height = 480;

static std::vector<unsigned char> drawAndRead() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawScene();
    std::vector<unsigned char> px(width * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
    return px;
}

static bool lit(const std::vector<unsigned char>& px, int x, int row) {
    const unsigned char* p = &px[(row * width + x) * 4];
    return p[0] > 128 && p[1] > 128 && p[2] > 128;
}

// Rows are read bottom-up; the region is given in window pixels, y downward.
static Region litOnlyIn(const std::vector<unsigned char>& picture,
                        const std::vector<unsigned char>* without) {
    Region r;
    for (int row = 0; row < height; ++row)
        for (int x = 0; x < width; ++x) {
            if (!lit(picture, x, row) || (without && lit(*without, x, row))) continue;
            const int y = height - 1 - row;
            ++r.count;
            r.sumX += x;
            r.left = std::min(r.left, x);
            r.right = std::max(r.right, x);
            r.top = std::min(r.top, y);
            r.bottom = std::max(r.bottom, y);
        }
    return r;
}

namespace {

class SceneTest : public ::testing::Test {
   protected:
    void SetUp() override {
        ASSERT_TRUE(openTestWindow(width, height));
        gameRecord = {};
        inputState = {};
        gameRecord.spawnCountdown = 1.0e6f;  // the test places every pillar itself
        prepareMeshTexCoords();
        // Straight flight until the chase camera has settled behind and above the craft.
        for (int i = 0; i < 400; ++i) stepFlight(1.0f);
        gameRecord.obstacleCount = 0;
    }
    static void addObstacle(float ahead, float side) {
        const Vec3& craft = gameRecord.craft.position;
        gameRecord.obstacles[gameRecord.obstacleCount++] = {craft.x + ahead, 0.0f, craft.z + side};
    }
};

}  // namespace

using Scene = SceneTest;

TEST_F(Scene, WithNoObstaclesOnlyTheCraftIsDrawnBelowTheCentre) {
    const Region craft = litOnlyIn(drawAndRead(), nullptr);
    ASSERT_GT(craft.count, 100);
    EXPECT_NEAR(craft.centreX(), 319.5, 1.0);
    EXPECT_LT(craft.right - craft.left, 120);  // one compact blob, nothing else
    EXPECT_LT(craft.bottom - craft.top, 120);
    EXPECT_GT(craft.top, 240);
}

TEST_F(Scene, AnObstacleAheadStandsAboveTheCraftInItsColumnAndALargerZIsToTheRight) {
    const std::vector<unsigned char> craftOnly = drawAndRead();
    const Region craft = litOnlyIn(craftOnly, nullptr);
    addObstacle(30.0f, 0.0f);
    const Region ahead = litOnlyIn(drawAndRead(), &craftOnly);
    ASSERT_GT(ahead.count, 50);
    EXPECT_NEAR(ahead.centreX(), craft.centreX(), 2.0);
    EXPECT_LT(ahead.bottom, craft.top);

    gameRecord.obstacleCount = 0;
    addObstacle(30.0f, 10.0f);
    const Region right = litOnlyIn(drawAndRead(), &craftOnly);
    ASSERT_GT(right.count, 50);
    EXPECT_GT(right.left, craft.right);
}

TEST_F(Scene, LeavesTexturingAndClientArraysOffAndTheModelViewSelected) {
    addObstacle(30.0f, 0.0f);
    drawAndRead();
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
}
