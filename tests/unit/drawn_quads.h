// Records what a drawing step sends to OpenGL, through OpenGL's feedback mode: every polygon
// that survives face culling, with its corners in overlay pixels (origin top left, y downward)
// and their texture coordinates. Lets a test check where quads land without reading pixels.
#pragma once

#include <GL/gl.h>

#include <vector>

#include "app/display.h"

// Positions come back through the overlay's transform, a few millionths of a pixel off.
#define EXPECT_PIXEL_EQ(actual, expected) EXPECT_NEAR((actual), (expected), 0.001f)

struct DrawnCorner {
    float x, y, u, v;
};

struct DrawnPolygon {
    std::vector<DrawnCorner> corners;
    float left() const { return extreme(&DrawnCorner::x, true); }
    float right() const { return extreme(&DrawnCorner::x, false); }
    float top() const { return extreme(&DrawnCorner::y, true); }
    float bottom() const { return extreme(&DrawnCorner::y, false); }

    float extreme(float DrawnCorner::*field, bool lowest) const {
        float best = corners.at(0).*field;
        for (const DrawnCorner& c : corners)
            best =
                lowest ? (c.*field < best ? c.*field : best) : (c.*field > best ? c.*field : best);
        return best;
    }
};

// Corner k of a quad as drawn: the first triangle Mesa splits a quad into is (0, 1, 3), the
// second (1, 2, 3); a driver that keeps quads whole hands over the four corners as they are.
inline std::vector<DrawnPolygon> joinTriangles(const std::vector<DrawnPolygon>& polygons) {
    std::vector<DrawnPolygon> quads;
    for (std::size_t i = 0; i < polygons.size(); ++i) {
        const std::vector<DrawnCorner>& a = polygons[i].corners;
        if (a.size() == 3 && i + 1 < polygons.size()) {
            const std::vector<DrawnCorner>& b = polygons[++i].corners;
            quads.push_back({{a[0], a[1], b[1], a[2]}});
        } else {
            quads.push_back(polygons[i]);
        }
    }
    return quads;
}

// Runs draw in feedback mode and returns the quads that reached the screen, in drawing order.
template <typename Draw>
std::vector<DrawnPolygon> captureQuads(Draw draw) {
    static std::vector<GLfloat> buffer(1 << 20);
    glFeedbackBuffer(GLsizei(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = glRenderMode(GL_RENDER);
    std::vector<DrawnPolygon> polygons;
    const float height = displayConfig.screenHeight;
    constexpr int floatsPerCorner = 3 + 4 + 4;  // position, RGBA colour, texture s t r q
    for (GLint i = 0; i < used;) {
        const GLint token = GLint(buffer[std::size_t(i++)]);
        if (token != GL_POLYGON_TOKEN) break;  // the steps tested draw polygons only
        const int count = int(buffer[std::size_t(i++)]);
        DrawnPolygon polygon;
        for (int k = 0; k < count; ++k, i += floatsPerCorner) {
            const GLfloat* c = &buffer[std::size_t(i)];
            polygon.corners.push_back({c[0], height - c[1], c[7], c[8]});
        }
        polygons.push_back(polygon);
    }
    return joinTriangles(polygons);
}
