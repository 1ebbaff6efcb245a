#include <cmath>

#include <GL/gl.h>
#include <gtest/gtest.h>

#include "app/display.h"
#include "game/game_record.h"
#include "gfx/texture.h"
#include "gfx/view.h"
#include "tests/unit/gl_context.h"

namespace {

// Column-major 4 x 4, as OpenGL stores it.
struct Matrix {
    double m[16];
};

}  // namespace

static Matrix readMatrix(GLenum which) {
    float f[16];
    glGetFloatv(which, f);
    Matrix r{};
    for (int i = 0; i < 16; ++i) r.m[i] = f[i];
    return r;
}

static Matrix multiply(const Matrix& a, const Matrix& b) {
    Matrix r{};
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row)
            for (int k = 0; k < 4; ++k) r.m[col * 4 + row] += a.m[k * 4 + row] * b.m[col * 4 + k];
    return r;
}

static Matrix fromRows(std::initializer_list<double> rows) {
    Matrix r{};
    int i = 0;
    for (double v : rows) {
        r.m[(i % 4) * 4 + i / 4] = v;
        ++i;
    }
    return r;
}

// Where the overlay puts window pixel (x, y), in normalized device coordinates.
static void overlayToDevice(double x, double y, double* dx, double* dy) {
    const Matrix p = multiply(readMatrix(GL_PROJECTION_MATRIX), readMatrix(GL_MODELVIEW_MATRIX));
    const double w = p.m[3] * x + p.m[7] * y + p.m[15];
    *dx = (p.m[0] * x + p.m[4] * y + p.m[12]) / w;
    *dy = (p.m[1] * x + p.m[5] * y + p.m[13]) / w;
}

namespace {

class ViewTest : public ::testing::Test {
   protected:
    void SetUp() override {
        ASSERT_TRUE(openTestWindow(640, 480));
        gameRecord = {};
    }
};

}  // namespace

using OverlayView = ViewTest;
using PerspectiveView = ViewTest;
using InterfaceDrawingSetUp = ViewTest;

TEST_F(OverlayView, WindowPixelsMapToCornersAndCentreWithYDownward) {
    setPerspectiveView(0.3f, 0.2f, 50.0f);  // must leave no trace
    setOverlayView(0.0f, 0.0f);
    const double points[3][4] = {{0, 0, -1, 1}, {320, 240, 0, 0}, {640, 480, 1, -1}};
    for (const auto& p : points) {
        double x, y;
        overlayToDevice(p[0], p[1], &x, &y);
        EXPECT_NEAR(x, p[2], 1e-6) << p[0] << "," << p[1];
        EXPECT_NEAR(y, p[3], 1e-6) << p[0] << "," << p[1];
    }
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_PROJECTION);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
}

TEST_F(PerspectiveView, ModelViewIsRollPitchYawThenTheCameraMove) {
    gameRecord.camera.position = {3.0f, 4.0f, -5.0f};
    gameRecord.camera.rotation.z = 0.2f;  // roll
    setPerspectiveView(0.3f, 1.1f, 50.0f);
    const double r = 0.2, p = 0.3, y = 1.1;
    const Matrix rz = fromRows(
        {std::cos(r), -std::sin(r), 0, 0, std::sin(r), std::cos(r), 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
    const Matrix rx = fromRows(
        {1, 0, 0, 0, 0, std::cos(p), -std::sin(p), 0, 0, std::sin(p), std::cos(p), 0, 0, 0, 0, 1});
    const Matrix ry = fromRows(
        {std::cos(y), 0, std::sin(y), 0, 0, 1, 0, 0, -std::sin(y), 0, std::cos(y), 0, 0, 0, 0, 1});
    const Matrix t = fromRows({1, 0, 0, -3, 0, 1, 0, -4, 0, 0, 1, 5, 0, 0, 0, 1});
    const Matrix want = multiply(multiply(multiply(rz, rx), ry), t);
    const Matrix got = readMatrix(GL_MODELVIEW_MATRIX);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(got.m[i], want.m[i], 2e-6) << "entry " << i;
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
}

TEST_F(PerspectiveView, ProjectionIsFiftyDegreesAtTheWindowsAspect) {
    setPerspectiveView(0.0f, 0.0f, 50.0f);
    const Matrix got = readMatrix(GL_PROJECTION_MATRIX);
    EXPECT_NEAR(got.m[5], 2.1445069, 1e-6);   // 1 / tan 25 degrees
    EXPECT_NEAR(got.m[0], 1.6083802, 1e-6);   // the same over 640 / 480
    EXPECT_NEAR(got.m[10], -1.002002, 1e-6);  // near 1, far 1000
    EXPECT_NEAR(got.m[14], -2.002002, 1e-6);
    EXPECT_EQ(got.m[11], -1.0);
}

TEST_F(InterfaceDrawingSetUp, BindsTheInterfaceTextureWithBlendingAndAlphaTestOn) {
    glGenTextures(1, &interfaceTexture);
    glBindTexture(GL_TEXTURE_2D, 0);
    beginInterfaceDrawing();
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), interfaceTexture);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST));
    EXPECT_TRUE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
}
