#include <cmath>
#include <cstdlib>
#include <limits>

#include <gtest/gtest.h>

#include "app/input.h"
#include "game/flight.h"
#include "game/game_record.h"

constexpr int keyLeft = 276, keyA = 97, keyRight = 275, keyD = 100;

namespace {

class FlightTest : public ::testing::Test {
   protected:
    void SetUp() override {
        gameRecord = {};
        inputState = {};
        std::srand(1);  // glibc: the first rand() is 1804289383, which is 183 modulo 2800
    }
    // No pillar becomes due while a test arranges its own field.
    static void holdSpawns() { gameRecord.spawnCountdown = 1.0e6f; }
    static void addObstacle(float x, float z) {
        gameRecord.obstacles[gameRecord.obstacleCount++] = {x, 0.0f, z};
    }
};

}  // namespace

using Steering = FlightTest;
using Crash = FlightTest;
using ObstacleField = FlightTest;
using TimeStep = FlightTest;

TEST_F(Steering, OneStepFromRestWithRightHeldMatchesTheWorkedExample) {
    inputState.keys[keyRight] = 2;
    stepFlight(1.0f);
    const GameRecord& g = gameRecord;
    EXPECT_NEAR(g.score, 0.2f, 5e-7);
    EXPECT_NEAR(g.craft.position.x, 1.35f, 5e-6);
    EXPECT_NEAR(g.craft.position.z, 0.025f, 5e-8);
    EXPECT_NEAR(g.craft.velocity.z, 0.0235f, 5e-8);
    EXPECT_FLOAT_EQ(g.spawnCountdown, 0.25f);
    ASSERT_EQ(g.obstacleCount, 1);
    EXPECT_NEAR(g.obstacles[0].x, 276.35f, 5e-4);
    EXPECT_EQ(g.obstacles[0].y, 0.0f);
    EXPECT_NEAR(g.obstacles[0].z, -152.1f, 5e-4);  // 0.025 + (183 - 1400) x 0.125
    EXPECT_NEAR(g.camera.position.x, -0.339356f, 5e-7);
    EXPECT_NEAR(g.camera.position.y, 0.384262f, 5e-7);
    EXPECT_NEAR(g.camera.position.z, 0.00075f, 5e-10);
    EXPECT_NEAR(g.camera.rotation.y, 0.00060625f, 5e-10);
    EXPECT_NEAR(g.camera.rotation.x, -0.47996554f, 5e-8);
    EXPECT_EQ(g.camera.rotation.z, 0.0f);
    EXPECT_EQ(g.state, GameState::Splash);
}

TEST_F(Steering, NoKeyKeepsTheCraftOnItsLine) {
    for (int i = 0; i < 4; ++i) stepFlight(1.0f);
    EXPECT_NEAR(gameRecord.craft.position.x, 5.4f, 1e-5);
    EXPECT_NEAR(gameRecord.score, 0.8f, 1e-6);
    EXPECT_EQ(gameRecord.craft.position.z, 0.0f);
    EXPECT_EQ(gameRecord.craft.velocity.z, 0.0f);
}

TEST_F(Steering, HeldLeftSettlesAtTheSteeringLimit) {
    holdSpawns();
    inputState.keys[keyA] = 1;
    for (int i = 0; i < 600; ++i) stepFlight(1.0f);
    EXPECT_NEAR(gameRecord.craft.velocity.z, -0.3916667f, 2e-6);
}

TEST_F(Steering, BothDirectionsCancelWhileDampingStillActs) {
    gameRecord.craft.velocity.z = 0.1f;
    inputState.keys[keyLeft] = 1;
    inputState.keys[keyD] = 2;
    stepFlight(1.0f);
    EXPECT_NEAR(gameRecord.craft.position.z, 0.1f, 1e-7);
    EXPECT_NEAR(gameRecord.craft.velocity.z, 0.094f, 1e-7);
}

TEST_F(Crash, AnObstacleAtDistance2828IsACrashAndTheStepStillCompletes) {
    holdSpawns();
    addObstacle(1.35f + 2.0f, 2.0f);  // the craft reaches x = 1.35 in this step
    stepFlight(1.0f);
    EXPECT_EQ(gameRecord.state, GameState::Crashed);
    EXPECT_EQ(gameRecord.obstacleCount, 1);
    EXPECT_NEAR(gameRecord.camera.position.x, -0.339356f, 5e-7);
}

TEST_F(Crash, NoCrashAtDistance29) {
    holdSpawns();
    addObstacle(1.35f + 2.9f, 0.0f);
    stepFlight(1.0f);
    EXPECT_EQ(gameRecord.state, GameState::Splash);
}

TEST_F(Crash, ExactlyTheThresholdIsAMiss) {
    holdSpawns();
    addObstacle(2.85f, 0.0f);
    EXPECT_EQ(craftDistance(2.85f, 0.0f, 3.0f), 2.85f);
    stepFlight(0.0f);  // the craft stays at the origin
    EXPECT_EQ(gameRecord.state, GameState::Splash);
    addObstacle(std::nextafter(2.85f, 0.0f), 0.0f);
    stepFlight(0.0f);
    EXPECT_EQ(gameRecord.state, GameState::Crashed);
}

TEST_F(Crash, DistanceOutsideTheSquareIsTheReach) {
    gameRecord.craft.position = {10.0f, 0.0f, 20.0f};
    EXPECT_EQ(craftDistance(13.0f, 20.0f, 3.0f), 3.0f);  // the square's edge is outside
    EXPECT_EQ(craftDistance(10.0f, 16.5f, 3.0f), 3.0f);
    EXPECT_FLOAT_EQ(craftDistance(12.0f, 22.0f, 3.0f), 2.8284271f);
    EXPECT_FLOAT_EQ(craftDistance(10.0f, 17.5f, 3.0f), 2.5f);
}

TEST_F(ObstacleField, AnObstacleAtTheLimitStaysAndOneJustBelowIsRetired) {
    holdSpawns();
    gameRecord.camera.position.x = 10.0f;  // limit 5
    gameRecord.craft.position.x = 100.0f;
    addObstacle(std::nextafter(5.0f, 0.0f), 1.0f);
    addObstacle(5.0f, 2.0f);
    stepFlight(1.0f);
    ASSERT_EQ(gameRecord.obstacleCount, 1);
    EXPECT_EQ(gameRecord.obstacles[0].z, 2.0f);
}

TEST_F(ObstacleField, RetiringKeepsTheSpawnOrderAndTestsTheObstacleThatMovesUp) {
    holdSpawns();
    gameRecord.camera.position.x = 10.0f;
    gameRecord.craft.position.x = 20.0f;
    addObstacle(1.0f, 1.0f);    // retired
    addObstacle(2.0f, 2.0f);    // retired
    addObstacle(21.35f, 0.5f);  // moves into place 0 and touches the craft
    addObstacle(30.0f, 4.0f);   // kept
    addObstacle(4.0f, 5.0f);    // retired
    addObstacle(40.0f, 6.0f);   // kept
    stepFlight(1.0f);
    EXPECT_EQ(gameRecord.state, GameState::Crashed);
    ASSERT_EQ(gameRecord.obstacleCount, 3);
    EXPECT_EQ(gameRecord.obstacles[0].z, 0.5f);
    EXPECT_EQ(gameRecord.obstacles[1].z, 4.0f);
    EXPECT_EQ(gameRecord.obstacles[2].z, 6.0f);
}

TEST_F(ObstacleField, FourSpawnsInFiveStepsAtTheSameRate) {
    for (int i = 0; i < 5; ++i) stepFlight(1.0f);
    EXPECT_EQ(gameRecord.obstacleCount, 4);
    EXPECT_FLOAT_EQ(gameRecord.spawnCountdown, 0.0f);
}

TEST_F(ObstacleField, AFullFieldSpawnsNothingAndMakesUpTheMissedSpawnsLater) {
    for (int i = 0; i < maxObstacles; ++i) addObstacle(1000.0f, 1000.0f);
    stepFlight(2.0f);
    EXPECT_EQ(gameRecord.obstacleCount, maxObstacles);
    EXPECT_FLOAT_EQ(gameRecord.spawnCountdown, -2.0f);
    for (int i = 0; i < 5; ++i) gameRecord.obstacles[i].x = -100.0f;  // fall behind the camera
    stepFlight(1.0f);  // spawning comes before retiring: still full when due
    EXPECT_EQ(gameRecord.obstacleCount, maxObstacles - 5);
    EXPECT_FLOAT_EQ(gameRecord.spawnCountdown, -3.0f);
    const float craftX = gameRecord.craft.position.x;
    stepFlight(1.0f);  // -4: four at once, all at this step's position
    EXPECT_EQ(gameRecord.obstacleCount, maxObstacles - 1);
    EXPECT_FLOAT_EQ(gameRecord.spawnCountdown, 1.0f);
    for (int i = maxObstacles - 5; i < maxObstacles - 1; ++i)
        EXPECT_FLOAT_EQ(gameRecord.obstacles[i].x, craftX + 1.35f + 275.0f);
}

TEST_F(TimeStep, NotANumberOrInfiniteStepLeavesTheRecordAlone) {
    stepFlight(std::numeric_limits<float>::quiet_NaN());
    stepFlight(std::numeric_limits<float>::infinity());
    stepFlight(-std::numeric_limits<float>::infinity());
    EXPECT_EQ(gameRecord.obstacleCount, 0);
    EXPECT_EQ(gameRecord.score, 0.0f);
    EXPECT_EQ(gameRecord.craft.position.x, 0.0f);
    EXPECT_EQ(gameRecord.spawnCountdown, 0.0f);
}

TEST_F(TimeStep, HugeStepsEndAndNeverOverfillTheField) {
    stepFlight(1.0e30f);
    EXPECT_EQ(gameRecord.obstacleCount, maxObstacles);
    stepFlight(3.0e38f);
    stepFlight(3.0e38f);  // the countdown is now minus infinity
    EXPECT_LE(gameRecord.obstacleCount, maxObstacles);
    EXPECT_GE(gameRecord.obstacleCount, 0);
}

TEST_F(TimeStep, AnInfiniteOrUndefinedCountdownEnds) {
    gameRecord.spawnCountdown = -std::numeric_limits<float>::infinity();
    stepFlight(1.0f);
    EXPECT_EQ(gameRecord.obstacleCount, maxObstacles);
    gameRecord = {};
    gameRecord.spawnCountdown = std::numeric_limits<float>::quiet_NaN();
    stepFlight(1.0f);
    EXPECT_EQ(gameRecord.obstacleCount, 0);
}
