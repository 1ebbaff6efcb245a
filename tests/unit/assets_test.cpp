#include <GL/gl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "app/display.h"
#include "game/assets.h"
#include "game/game_record.h"
#include "gfx/glyph_text.h"
#include "tests/unit/gl_context.h"
#include "tests/unit/png_writer.h"

namespace {

// Start-up in a folder of its own, with small stand-ins for the three pictures.
class GameAssets : public ::testing::Test {
   protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        ASSERT_TRUE(openTestWindow(640, 480));
        gameRecord = {};
        char pattern[] = "/tmp/velmora-assets.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        ASSERT_EQ(chdir(dir.c_str()), 0);
    }
    void TearDown() override {
        ASSERT_EQ(chdir("/"), 0);
        std::system(("rm -rf " + dir).c_str());
    }

    static void writePictures() {
        ASSERT_EQ(mkdir("Media", 0755), 0);
        for (const char* name :
             {"Media/splashscreen.png", "Media/hudtexture.png", "Media/meshtexture.png"})
            ASSERT_TRUE(writePng(name, solidPng(16, 16, PngColour::Rgb, {1, 2, 3})));
    }

    static GLint minFilterOf(GLuint texture) {
        GLint filter = 0;
        glBindTexture(GL_TEXTURE_2D, texture);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
        return filter;
    }

    std::string dir;
};

TEST_F(GameAssets, WithMipmappingOnOnlyTheMeshTextureGetsMipmaps) {
    writePictures();
    displayConfig.mipmapping = true;
    loadGameAssets();
    ASSERT_NE(gameRecord.splashTexture, 0u);
    ASSERT_NE(gameRecord.hudTexture, 0u);
    ASSERT_NE(gameRecord.meshTexture, 0u);
    EXPECT_EQ(minFilterOf(gameRecord.splashTexture), GL_LINEAR);
    EXPECT_EQ(minFilterOf(gameRecord.hudTexture), GL_LINEAR);
    EXPECT_EQ(minFilterOf(gameRecord.meshTexture), GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_STREQ(gameTitle, "Velmora");
    EXPECT_EQ(gameRecord.gameVersion, 1.0f);
    EXPECT_EQ(glyphWidth, 12.0f) << "the glyph table is built";
}

TEST_F(GameAssets, WithMipmappingOffNoTextureGetsMipmaps) {
    writePictures();
    loadGameAssets();
    EXPECT_EQ(minFilterOf(gameRecord.meshTexture), GL_LINEAR);
}

TEST_F(GameAssets, WithoutAMediaFolderStartUpGoesOnWithNothingLoaded) {
    loadGameAssets();
    EXPECT_EQ(gameRecord.splashTexture, 0u);
    EXPECT_EQ(gameRecord.hudTexture, 0u);
    EXPECT_EQ(gameRecord.meshTexture, 0u);
    EXPECT_EQ(gameRecord.music, nullptr);
    EXPECT_STREQ(gameTitle, "Velmora");
}

}  // namespace
