#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>

#include "gfx/glyph_text.h"
#include "tests/unit/drawn_quads.h"
#include "tests/unit/gl_context.h"

namespace {

void expectCoords(const QuadTexCoords& t, const std::array<float, 8>& want) {
    for (std::size_t i = 0; i < want.size(); ++i) EXPECT_EQ(t.uv[i], want[i]) << "value " << i;
}

TEST(GlyphTable, DigitZeroAndCapitalAShowUprightFromTheirInsetCells) {
    buildGlyphTable();
    // "0" is code 48: cell column 16 of row 0, texels 258..270 across, 2..30 down.
    expectCoords(glyphTable[16], {0.50390625f, 0.05859375f, 0.52734375f, 0.05859375f, 0.52734375f,
                                  0.00390625f, 0.50390625f, 0.00390625f});
    // "A" is code 65: cell column 1 of row 1, texels 18..30 across, 34..62 down.
    expectCoords(glyphTable[33], {0.03515625f, 0.12109375f, 0.05859375f, 0.12109375f, 0.05859375f,
                                  0.06640625f, 0.03515625f, 0.06640625f});
    EXPECT_EQ(glyphWidth, 12.0f);
    EXPECT_EQ(glyphHeight, 28.0f);
}

class GlyphDrawing : public ::testing::Test {
   protected:
    void SetUp() override {
        ASSERT_TRUE(openTestWindow(640, 480));
        buildGlyphTable();
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, 640, 480, 0, -1, 1);  // the overlay: window pixels, y downward
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_DEPTH_TEST);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    void TearDown() override {
        glDisableClientState(GL_VERTEX_ARRAY);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }

    static std::vector<DrawnPolygon> text(float x, float y, const char* s, float scale) {
        return captureQuads([&] { drawGlyphText(x, y, s, scale); });
    }
};

TEST_F(GlyphDrawing, ScoreLabelCoversSixTwelvePixelCells) {
    const std::vector<DrawnPolygon> quads = text(20, 100, "score:", 1.0f);
    ASSERT_EQ(quads.size(), 6u);
    for (std::size_t i = 0; i < quads.size(); ++i) {
        EXPECT_PIXEL_EQ(quads[i].left(), 20.0f + 12.0f * float(i)) << "glyph " << i;
        EXPECT_PIXEL_EQ(quads[i].right() - quads[i].left(), 12.0f) << "glyph " << i;
        EXPECT_PIXEL_EQ(quads[i].top(), 100.0f) << "glyph " << i;
        EXPECT_PIXEL_EQ(quads[i].bottom(), 128.0f) << "glyph " << i;
    }
    EXPECT_PIXEL_EQ(quads.back().right(), 92.0f);
    // "s" (code 115) sits in cell column 19 of row 2: its lower-left corner comes first.
    const DrawnCorner first = quads[0].corners[0];
    EXPECT_PIXEL_EQ(first.x, 20.0f);
    EXPECT_PIXEL_EQ(first.y, 128.0f);
    EXPECT_FLOAT_EQ(first.u, 306.0f / 512.0f);
    EXPECT_FLOAT_EQ(first.v, 94.0f / 512.0f);
}

TEST_F(GlyphDrawing, ScaleSetsAdvanceAndHeight) {
    const std::vector<DrawnPolygon> doubled = text(0, 10, "ab", 2.0f);
    ASSERT_EQ(doubled.size(), 2u);
    EXPECT_PIXEL_EQ(doubled[1].left(), 24.0f);
    EXPECT_PIXEL_EQ(doubled[1].right(), 48.0f);
    EXPECT_PIXEL_EQ(doubled[1].bottom(), 66.0f);

    const std::vector<DrawnPolygon> halved = text(0, 10, "ab", 0.5f);
    ASSERT_EQ(halved.size(), 2u);
    EXPECT_PIXEL_EQ(halved[1].left(), 6.0f);
    EXPECT_PIXEL_EQ(halved[1].right(), 12.0f);
    EXPECT_PIXEL_EQ(halved[1].bottom(), 24.0f);
}

TEST_F(GlyphDrawing, CharactersWithoutAGlyphLeaveABlankOfOneAdvance) {
    // A tab, a byte of 200 and code 31 have no cell; code 127 is the table's last entry.
    const std::vector<DrawnPolygon> quads = text(20, 0,
                                                 "A\t\xC8"
                                                 "B\x1F\x7F",
                                                 1.0f);
    ASSERT_EQ(quads.size(), 3u);
    EXPECT_PIXEL_EQ(quads[0].left(), 20.0f);
    EXPECT_PIXEL_EQ(quads[1].left(), 56.0f);
    EXPECT_PIXEL_EQ(quads[2].left(), 80.0f);
    EXPECT_FLOAT_EQ(quads[2].corners[0].u, 498.0f / 512.0f);  // cell column 31
    EXPECT_FLOAT_EQ(quads[2].corners[0].v, 94.0f / 512.0f);   // of row 2
}

TEST_F(GlyphDrawing, EmptyTextDrawsNothing) { EXPECT_TRUE(text(20, 100, "", 1.0f).empty()); }

TEST_F(GlyphDrawing, PanelIsABorderQuadThenTheFillTwoPixelsInside) {
    const std::vector<DrawnPolygon> quads = captureQuads([] { drawPanel(10, 100, 250, 48); });
    ASSERT_EQ(quads.size(), 2u);
    const DrawnPolygon& border = quads[0];
    EXPECT_PIXEL_EQ(border.left(), 8.0f);
    EXPECT_PIXEL_EQ(border.top(), 98.0f);
    EXPECT_PIXEL_EQ(border.right(), 262.0f);
    EXPECT_PIXEL_EQ(border.bottom(), 150.0f);
    EXPECT_FLOAT_EQ(border.corners[0].u, 500.0f / 512.0f);
    EXPECT_FLOAT_EQ(border.corners[0].v, 495.0f / 512.0f);
    const DrawnPolygon& fill = quads[1];
    EXPECT_PIXEL_EQ(fill.left(), 10.0f);
    EXPECT_PIXEL_EQ(fill.top(), 100.0f);
    EXPECT_PIXEL_EQ(fill.right(), 260.0f);
    EXPECT_PIXEL_EQ(fill.bottom(), 148.0f);
    EXPECT_FLOAT_EQ(fill.corners[2].u, 505.0f / 512.0f);
    EXPECT_FLOAT_EQ(fill.corners[2].v, 70.0f / 512.0f);
}

}  // namespace
