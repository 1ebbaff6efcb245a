#include <gtest/gtest.h>

#include <GL/gl.h>
#include <SDL/SDL.h>

#include "app/display.h"

// The real set-up on the test display (a desktop larger than the sizes asked for).
class DisplaySetUp : public ::testing::Test {
   protected:
    void SetUp() override {
        ASSERT_NE(SDL_getenv("DISPLAY"), nullptr) << "needs the test display";
        displayConfig = {};
    }
    static void open(float width, float height) {
        displayConfig.screenWidth = width;
        displayConfig.screenHeight = height;
        displayConfig.aspectRatio = width / height;
        initDisplay();
    }
    static float projectedAspectRatio() {
        GLfloat projection[16];
        glGetFloatv(GL_PROJECTION_MATRIX, projection);
        return projection[5] / projection[0];  // (f) / (f / aspect)
    }
};

TEST_F(DisplaySetUp, FractionalSizesAreCutForTheWindowButNotForTheProjection) {
    open(800.5f, 600.0f);
    EXPECT_EQ(displayConfig.screenWidth, 800.0f);
    EXPECT_EQ(displayConfig.screenHeight, 600.0f);
    EXPECT_FLOAT_EQ(projectedAspectRatio(), 800.5f / 600.0f);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 800);
    EXPECT_EQ(viewport[3], 600);
}

TEST_F(DisplaySetUp, AWidthBelowOnePixelTakesTheDesktopsWidth) {
    open(0.5f, 480.0f);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_GT(viewport[2], 640);  // the test display is wider than the game's layouts
    EXPECT_EQ(viewport[2], static_cast<GLint>(displayConfig.screenWidth));
    EXPECT_EQ(viewport[3], 480);
    EXPECT_FLOAT_EQ(projectedAspectRatio(), displayConfig.screenWidth / 480.0f);
}

TEST_F(DisplaySetUp, TheFixedStateIsSetAndTheMatrixModeLeftAtModelView) {
    open(640.0f, 480.0f);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    GLfloat clearDepth = 0.0f;
    glGetFloatv(GL_DEPTH_CLEAR_VALUE, &clearDepth);
    EXPECT_EQ(clearDepth, 1.0f);
}
