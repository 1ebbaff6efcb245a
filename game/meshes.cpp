#include "game/meshes.h"

#include <cmath>

// Both tables are filled once, during static initialisation, so they exist before main runs and
// nothing is built or allocated while frames run.

static constexpr int obstacleVertexCount = 72;
static constexpr int craftVertexCount = 960;

static constexpr double pillarRadius = 1.16572;  // circumradius of the octagon
static constexpr double pillarHeight = 5.0;
static constexpr int pillarSides = 8;
static constexpr double pi = 3.14159265358979323846;

static constexpr double craftRadius = 1.64706;
static constexpr double craftCentreY = 0.00059;

static float obstaclePositions[obstacleVertexCount * 3];
static float obstacleTexCoords[obstacleVertexCount * 2];
static float obstacleNormals[obstacleVertexCount * 3];

static float craftPositions[craftVertexCount * 3];
static float craftTexCoords[craftVertexCount * 2];
static float craftNormals[craftVertexCount * 3];

namespace {

struct Point {
    double x, y, z;
};

// Appends one vertex (position and normal) to a table; the write position is checked so a
// wrong count can never run past the arrays.
struct TableWriter {
    float* positions;
    float* normals;
    int capacity;
    int count;
};

}  // namespace

static void putVertex(TableWriter& table, Point position, Point normal) {
    if (table.count >= table.capacity) return;
    float* p = table.positions + table.count * 3;
    float* n = table.normals + table.count * 3;
    p[0] = static_cast<float>(position.x);
    p[1] = static_cast<float>(position.y);
    p[2] = static_cast<float>(position.z);
    n[0] = static_cast<float>(normal.x);
    n[1] = static_cast<float>(normal.y);
    n[2] = static_cast<float>(normal.z);
    ++table.count;
}

// ---- pillar ----

// The rim angle of side k, measured from +x toward +z; side 8 closes the ring on side 0.
static Point rimDirection(int k) {
    const double angle = (k % pillarSides) * (2.0 * pi / pillarSides);
    return {std::cos(angle), 0.0, std::sin(angle)};
}

static Point rimPoint(int k, double y) {
    const Point d = rimDirection(k);
    return {pillarRadius * d.x, y, pillarRadius * d.z};
}

static void putSideVertex(TableWriter& table, int k, double y) {
    putVertex(table, rimPoint(k, y), rimDirection(k));
}

// One sector: the top slice, then the side quad split along a diagonal that alternates from
// sector to sector. The foot stays open: it is never seen from the camera's height.
static void putPillarSector(TableWriter& table, int k) {
    const Point up{0.0, 1.0, 0.0};
    putVertex(table, rimPoint(k, pillarHeight), up);
    putVertex(table, {0.0, pillarHeight, 0.0}, up);
    putVertex(table, rimPoint(k + 1, pillarHeight), up);
    if (k % 2 == 0) {
        putSideVertex(table, k, 0.0);
        putSideVertex(table, k, pillarHeight);
        putSideVertex(table, k + 1, 0.0);
        putSideVertex(table, k, pillarHeight);
        putSideVertex(table, k + 1, pillarHeight);
        putSideVertex(table, k + 1, 0.0);
    } else {
        putSideVertex(table, k, 0.0);
        putSideVertex(table, k, pillarHeight);
        putSideVertex(table, k + 1, pillarHeight);
        putSideVertex(table, k, 0.0);
        putSideVertex(table, k + 1, pillarHeight);
        putSideVertex(table, k + 1, 0.0);
    }
}

static void buildObstacleMesh() {
    TableWriter table{obstaclePositions, obstacleNormals, obstacleVertexCount, 0};
    for (int k = 0; k < pillarSides; ++k) putPillarSector(table, k);
}

// ---- craft ----

static constexpr double phi = 1.6180339887498949;  // (1 + sqrt 5) / 2

// The twelve corners of the icosahedron, before they are put on the unit sphere.
static constexpr Point icosahedronCorners[12] = {
    {-1, 0, phi}, {1, 0, phi},   {-1, 0, -phi}, {1, 0, -phi}, {0, phi, 1},  {0, phi, -1},
    {0, -phi, 1}, {0, -phi, -1}, {phi, 1, 0},   {-phi, 1, 0}, {phi, -1, 0}, {-phi, -1, 0},
};

// Each face counter-clockwise seen from outside; the first is the one the table begins with.
static constexpr int icosahedronFaces[20][3] = {
    {0, 1, 4},  {0, 6, 1},  {0, 4, 9}, {0, 11, 6}, {0, 9, 11}, {1, 8, 4},  {1, 6, 10},
    {1, 10, 8}, {2, 5, 3},  {2, 3, 7}, {2, 9, 5},  {2, 7, 11}, {2, 11, 9}, {3, 5, 8},
    {3, 10, 7}, {3, 8, 10}, {4, 8, 5}, {4, 5, 9},  {6, 7, 10}, {6, 11, 7},
};

static constexpr int craftSubdivisions = 2;

static Point onUnitSphere(Point p) {
    const double length = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
    return {p.x / length, p.y / length, p.z / length};
}

// a + b is the same sum from either side, so the triangles that share an edge share its
// midpoint exactly.
static Point sphereMidpoint(Point a, Point b) {
    return onUnitSphere({a.x + b.x, a.y + b.y, a.z + b.z});
}

static void putCraftVertex(TableWriter& table, Point direction) {
    const Point position{craftRadius * direction.x, craftCentreY + craftRadius * direction.y,
                         craftRadius * direction.z};
    putVertex(table, position, direction);
}

// Splits a triangle of unit directions into four at its edge midpoints, corner triangles first
// and the middle one last; each keeps the winding of its parent.
static void putSphereTriangle(TableWriter& table, Point a, Point b, Point c, int depth) {
    if (depth == 0) {
        putCraftVertex(table, a);
        putCraftVertex(table, b);
        putCraftVertex(table, c);
        return;
    }
    const Point ab = sphereMidpoint(a, b);
    const Point bc = sphereMidpoint(b, c);
    const Point ca = sphereMidpoint(c, a);
    putSphereTriangle(table, a, ab, ca, depth - 1);
    putSphereTriangle(table, ab, b, bc, depth - 1);
    putSphereTriangle(table, ca, bc, c, depth - 1);
    putSphereTriangle(table, ab, bc, ca, depth - 1);
}

static void buildCraftMesh() {
    TableWriter table{craftPositions, craftNormals, craftVertexCount, 0};
    for (const auto& face : icosahedronFaces) {
        putSphereTriangle(table, onUnitSphere(icosahedronCorners[face[0]]),
                          onUnitSphere(icosahedronCorners[face[1]]),
                          onUnitSphere(icosahedronCorners[face[2]]), craftSubdivisions);
    }
}

static bool buildMeshes() {
    buildObstacleMesh();
    buildCraftMesh();
    return true;
}

static const bool meshesBuilt = buildMeshes();

Mesh obstacleMesh{obstacleVertexCount, obstaclePositions, obstacleTexCoords, obstacleNormals};
Mesh craftMesh{craftVertexCount, craftPositions, craftTexCoords, craftNormals};
