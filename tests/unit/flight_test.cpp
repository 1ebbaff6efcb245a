// The flight and the obstacle field against the worked example and their limits: steering the
// wrong way or too hard, crashes missed or found too far, pillars lost or doubled when the field
// is full, odd time steps; and the meshes' triangles wound so that culling keeps their faces.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <tuple>

#include <gtest/gtest.h>

#include "app/input.h"
#include "game/flight.h"
#include "game/game_record.h"
#include "game/meshes.h"

using Flight = ::testing::Test;

// The test places every obstacle; none becomes due.
static void place(float x, float z) {
    gameRecord.spawnCountdown = 1.0e6f;
    gameRecord.obstacles[gameRecord.obstacleCount++] = {x, 0.0f, z};
}

TEST_F(Flight, OneStepFromRestWithRightHeldMatchesTheWorkedExampleToSixDigits) {
    // The worked example's pillar comes from a first rand() of 183 modulo 2800: glibc's after
    // srand(1). A seed giving it is looked for, so other C libraries' sequences work as well.
    unsigned seed = 1;
    for (; std::srand(seed), std::rand() % 2800 != 183; ++seed) {
    }
    std::srand(seed);
    inputState.keys[keyRight] = 2;
    stepFlight(1.0f);
    const GameRecord& g = gameRecord;
    char text[160];
    std::snprintf(text, sizeof text, "%.6g %.6g %.6g %.6g %.6g | %.6g %.6g | %.6g %.6g %.6g %.6g",
                  g.score, g.craft.position.x, g.craft.position.z, g.craft.velocity.z,
                  g.spawnCountdown, g.obstacles[0].x, g.obstacles[0].z, g.camera.position.x,
                  g.camera.position.y, g.camera.position.z, g.camera.rotation.y);
    // Score, craft and countdown | the new pillar, at z = 0.025 + (183 - 1400) x 0.125 | camera.
    EXPECT_STREQ(
        text, "0.2 1.35 0.025 0.0235 0.25 | 276.35 -152.1 | -0.339356 0.384262 0.00075 0.00060625");
}

TEST_F(Flight, ACrashNeedsAnObstacleCloserThan285) {
    const float below = std::nextafter(2.85f, 0.0f);
    const std::tuple<float, float, bool> rows[] = {
        {2.0f, 2.0f, true}, {below, 0.0f, true}, {2.85f, 0.0f, false}, {0.0f, -2.9f, false}};
    for (const auto& [x, z, crash] : rows) {
        gameRecord = {};
        place(x, z);
        stepFlight(0.0f);  // the craft stays at the origin
        EXPECT_EQ(gameRecord.state == GameState::Crashed, crash) << x << ", " << z;
    }
}

TEST_F(Flight, RetiringAtTheLimitKeepsTheSpawnOrderAndTestsEveryObstacleLeft) {
    gameRecord.camera.position.x = 10.0f;  // obstacles below x = 5 are retired
    gameRecord.craft.position.x = 20.0f;
    place(5.0f, 1.0f);
    place(std::nextafter(5.0f, 0.0f), 2.0f);
    place(21.35f, 0.5f);  // moves up a place and touches the craft
    stepFlight(1.0f);
    EXPECT_EQ(gameRecord.state, GameState::Crashed);
    ASSERT_EQ(gameRecord.obstacleCount, 2);
    EXPECT_EQ(gameRecord.obstacles[0].z, 1.0f);
    EXPECT_EQ(gameRecord.obstacles[1].z, 0.5f);
}

TEST_F(Flight, AFullFieldSpawnsNothingAndMakesUpTheMissedSpawnsLater) {
    for (int i = 0; i < maxObstacles; ++i) place(1000.0f, 1000.0f);
    gameRecord.spawnCountdown = -1.0f;
    for (int i = 0; i < 5; ++i) gameRecord.obstacles[i].x = -100.0f;  // behind the camera
    stepFlight(1.0f);  // spawning comes before retiring: still full when due
    EXPECT_EQ(gameRecord.obstacleCount, maxObstacles - 5);
    stepFlight(1.0f);  // countdown -3: three at once
    EXPECT_EQ(gameRecord.obstacleCount, maxObstacles - 2);
    EXPECT_FLOAT_EQ(gameRecord.spawnCountdown, 0.75f);
}

TEST_F(Flight, AStepThatIsNoNumberChangesNothingAndAHugeOneEndsWithAFullField) {
    stepFlight(NAN);
    stepFlight(INFINITY);
    EXPECT_EQ(gameRecord.craft.position.x, 0.0f);
    EXPECT_EQ(gameRecord.score, 0.0f);
    stepFlight(1.0e30f);  // due spawns without end: the loop stops at the field's capacity
    EXPECT_EQ(gameRecord.obstacleCount, maxObstacles);
}

// Both solids are convex: a triangle faces outward when its winding's normal points away from
// the inner point (0, centreY, 0).
static int inwardTriangles(const Mesh& mesh, float centreY) {
    int inward = 0;
    for (const float* a = mesh.positions; a < mesh.positions + 3 * mesh.vertexCount; a += 9) {
        const float *b = a + 3, *c = a + 6;
        const double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
        const double v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
        const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                             u[0] * v[1] - u[1] * v[0]};
        inward += n[0] * a[0] + n[1] * (a[1] - centreY) + n[2] * a[2] <= 0.0;
    }
    return inward;
}

TEST(Meshes, PillarAndCraftBeginWithTheirGivenTrianglesAndAreWoundOutward) {
    EXPECT_EQ(inwardTriangles(obstacleMesh, 2.5f), 0);
    EXPECT_EQ(inwardTriangles(craftMesh, 0.00059f), 0);
    const float pillar[] = {1.16572f, 5, 0, 0, 5, 0, 0.82429f, 5, 0.82429f};  // top slice
    const float craft[] = {-0.86591f, 0.00059f,  1.40107f, -0.45009f, 0.00059f,
                           1.58437f,  -0.71464f, 0.42865f, 1.42087f};
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(obstacleMesh.positions[i], pillar[i], 1e-5) << i;
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(craftMesh.positions[i], craft[i], 1e-5) << i;
}
