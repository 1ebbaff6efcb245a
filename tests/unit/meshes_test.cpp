#include <cmath>
#include <set>
#include <tuple>

#include <gtest/gtest.h>

#include "game/meshes.h"
#include "game/scene.h"

namespace {

struct P {
    double x, y, z;
};

}  // namespace

static P vertexOf(const Mesh& mesh, int i) {
    const float* p = mesh.positions + 3 * i;
    return {p[0], p[1], p[2]};
}

static P minus(P a, P b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
static P cross(P a, P b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
static double dot(P a, P b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
static double length(P a) { return std::sqrt(dot(a, a)); }

static void expectPosition(const Mesh& mesh, int i, P want) {
    const P got = vertexOf(mesh, i);
    EXPECT_NEAR(got.x, want.x, 1e-5) << "vertex " << i;
    EXPECT_NEAR(got.y, want.y, 1e-5) << "vertex " << i;
    EXPECT_NEAR(got.z, want.z, 1e-5) << "vertex " << i;
}

// Both solids are convex, so a triangle faces outward exactly when the normal its winding gives
// points away from an inner point.
static int trianglesFacingInward(const Mesh& mesh, P inside) {
    int inward = 0;
    for (int t = 0; t < mesh.vertexCount / 3; ++t) {
        const P a = vertexOf(mesh, 3 * t), b = vertexOf(mesh, 3 * t + 1),
                c = vertexOf(mesh, 3 * t + 2);
        const P face = cross(minus(b, a), minus(c, a));
        const P centroid{(a.x + b.x + c.x) / 3, (a.y + b.y + c.y) / 3, (a.z + b.z + c.z) / 3};
        if (dot(face, minus(centroid, inside)) <= 0.0) ++inward;
    }
    return inward;
}

TEST(PillarMesh, IsAnOpenOctagonalPrismOf72VerticesWoundOutward) {
    ASSERT_EQ(obstacleMesh.vertexCount, 72);
    EXPECT_EQ(trianglesFacingInward(obstacleMesh, {0.0, 2.5, 0.0}), 0);
    int footVertices = 0;
    for (int i = 0; i < 72; ++i) {
        const P p = vertexOf(obstacleMesh, i);
        EXPECT_NEAR(std::hypot(p.x, p.z), p.y == 5.0 && p.x == 0 && p.z == 0 ? 0.0 : 1.16572, 1e-5);
        if (p.y == 0.0) ++footVertices;
    }
    EXPECT_EQ(footVertices, 24);  // three of each side quad's six: no bottom face
}

TEST(PillarMesh, FirstSectorIsTopSliceThenSideQuad) {
    const P want[9] = {{1.16572, 5, 0},       {0, 5, 0},
                       {0.82429, 5, 0.82429}, {1.16572, 0, 0},
                       {1.16572, 5, 0},       {0.82429, 0, 0.82429},
                       {1.16572, 5, 0},       {0.82429, 5, 0.82429},
                       {0.82429, 0, 0.82429}};
    for (int i = 0; i < 9; ++i) expectPosition(obstacleMesh, i, want[i]);
    // The second sector splits its quad along the other diagonal.
    expectPosition(obstacleMesh, 12, {0.82429, 0, 0.82429});
    expectPosition(obstacleMesh, 14, {0, 5, 1.16572});
    expectPosition(obstacleMesh, 15, {0.82429, 0, 0.82429});
}

TEST(CraftMesh, IsAGeodesicSphereOf960VerticesWoundOutward) {
    ASSERT_EQ(craftMesh.vertexCount, 960);
    const P centre{0.0, 0.00059, 0.0};
    EXPECT_EQ(trianglesFacingInward(craftMesh, centre), 0);
    std::set<std::tuple<float, float, float>> points;
    double top = -10, bottom = 10;
    for (int i = 0; i < 960; ++i) {
        const P p = vertexOf(craftMesh, i);
        EXPECT_NEAR(length(minus(p, centre)), 1.64706, 2e-6) << "vertex " << i;
        points.insert({static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)});
        top = std::max(top, p.y);
        bottom = std::min(bottom, p.y);
    }
    EXPECT_EQ(points.size(), 162u);
    EXPECT_NEAR(top, 1.64765, 1e-5);
    EXPECT_NEAR(bottom, -1.64647, 1e-5);
}

TEST(CraftMesh, BeginsWithTheGivenTriangle) {
    expectPosition(craftMesh, 0, {-0.86591, 0.00059, 1.40107});
    expectPosition(craftMesh, 1, {-0.45009, 0.00059, 1.58437});
    expectPosition(craftMesh, 2, {-0.71464, 0.42865, 1.42087});
    const float* n = craftMesh.normals;
    EXPECT_NEAR(n[0], -0.5257, 1e-4);
    EXPECT_NEAR(n[1], 0.0, 1e-6);
    EXPECT_NEAR(n[2], 0.8507, 1e-4);
}

TEST(CraftMesh, NormalsPointFromTheCentre) {
    for (int i = 0; i < 960; ++i) {
        const P n{craftMesh.normals[3 * i], craftMesh.normals[3 * i + 1],
                  craftMesh.normals[3 * i + 2]};
        const P radial = minus(vertexOf(craftMesh, i), {0.0, 0.00059, 0.0});
        EXPECT_NEAR(dot(n, radial) / length(radial), 1.0, 1e-6) << "vertex " << i;
    }
}

TEST(MeshTexCoords, EveryTriangleShowsTheSameHalfOfThePicture) {
    prepareMeshTexCoords();
    const float want[8] = {0, 0, 1, 0, 0, 1, 0, 0};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(obstacleMesh.texCoords[i], want[i]) << i;
        EXPECT_EQ(craftMesh.texCoords[i], want[i]) << i;
    }
    EXPECT_EQ(craftMesh.texCoords[2 * 959], 0.0f);
    EXPECT_EQ(craftMesh.texCoords[2 * 959 + 1], 1.0f);
    EXPECT_EQ(obstacleMesh.texCoords[2 * 70], 1.0f);
    EXPECT_EQ(obstacleMesh.texCoords[2 * 71 + 1], 1.0f);
}
