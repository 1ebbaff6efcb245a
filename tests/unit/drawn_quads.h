// Records what a drawing step sends to OpenGL, through OpenGL's feedback mode: every polygon
// that survives face culling, with its corners in overlay pixels (origin top left, y downward)
// and their texture coordinates. Lets a test check where quads land without reading pixels.
#pragma once

#include <GL/gl.h>

#include <algorithm>
#include <vector>

#include "app/display.h"

// Positions come back through the overlay's transform, a few millionths of a pixel off.
#define EXPECT_PIXEL_EQ(actual, expected) EXPECT_NEAR((actual), (expected), 0.001f)

struct DrawnCorner {
    float x, y, u, v;
};

struct DrawnPolygon {
    std::vector<DrawnCorner> corners;
    float left() const { return extreme(&DrawnCorner::x, 1); }
    float right() const { return -extreme(&DrawnCorner::x, -1); }
    float top() const { return extreme(&DrawnCorner::y, 1); }
    float bottom() const { return -extreme(&DrawnCorner::y, -1); }
    float extreme(float DrawnCorner::*field, float sign) const {
        float least = sign * corners.at(0).*field;
        for (const DrawnCorner& c : corners) least = std::min(least, sign * c.*field);
        return least;
    }
};

// Runs draw in feedback mode and returns the quads that reached the screen, in drawing order.
// Mesa splits a quad into triangles (0, 1, 3) and (1, 2, 3); they are joined again.
template <typename Draw>
std::vector<DrawnPolygon> captureQuads(Draw draw) {
    static std::vector<GLfloat> buffer(1 << 20);
    glFeedbackBuffer(GLsizei(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const std::size_t used = std::size_t(glRenderMode(GL_RENDER));
    std::vector<DrawnPolygon> quads;
    for (std::size_t i = 0; i < used && buffer[i] == GL_POLYGON_TOKEN;) {
        const std::size_t count = std::size_t(buffer[i + 1]);
        DrawnPolygon polygon;
        for (i += 2; polygon.corners.size() < count; i += 3 + 4 + 4)  // x y z, colour, s t r q
            polygon.corners.push_back({buffer[i], displayConfig.screenHeight - buffer[i + 1],
                                       buffer[i + 7], buffer[i + 8]});
        if (count == 3 && !quads.empty() && quads.back().corners.size() == 3)
            quads.back().corners.insert(quads.back().corners.begin() + 2, polygon.corners[1]);
        else
            quads.push_back(polygon);
    }
    return quads;
}
