#include "game/flight.h"

#include <cmath>
#include <cstdlib>

#include "app/input.h"
#include "game/game_record.h"

// The whole step works in single precision, like the record it updates: a float that
// overflows on an absurd time step becomes infinite instead of undefined.

constexpr float scorePerStep = 0.2f;
constexpr float forwardSpeed = 1.35f;
constexpr float steeringPush = 0.025f;
constexpr float sidewaysDamping = 0.06f;

constexpr float spawnInterval = 1.25f;
constexpr float spawnDistanceAhead = 275.0f;
constexpr int spawnSpread = 2800;  // places across the line of flight
constexpr int spawnSpreadMiddle = 1400;
constexpr float spawnSpacing = 0.125f;

constexpr float retireBehindCamera = 5.0f;
constexpr float crashReach = 3.0f;
constexpr float crashDistance = 2.85f;  // compared in single precision: exactly 2.85 is a miss

constexpr float degToRad = 0.017453292f;
constexpr float cameraPitchDegrees = -27.5f;
constexpr float cameraPitch = cameraPitchDegrees * degToRad;  // -0.47996554
constexpr double cameraBoom = 5.0;
constexpr float cameraHeight = 10.5f;
constexpr float cameraFollowX = 0.11f;
constexpr float cameraFollowYZ = 0.03f;
constexpr float cameraYawPerLag = 0.025f;

// The boom from the craft to the camera, tilted up by the camera's pitch: 4.435054 back and
// 2.308743 up.
static const float boomBack =
    static_cast<float>(cameraBoom * std::cos(-static_cast<double>(cameraPitch)));
static const float boomUp =
    static_cast<float>(cameraBoom * std::sin(-static_cast<double>(cameraPitch)));

constexpr int keyA = 97, keyD = 100;

static bool keyPressed(int key) { return inputState.keys[key] != 0; }

static void steer(Body& craft, float dt) {
    if (keyPressed(keyLeft) || keyPressed(keyA)) craft.velocity.z -= steeringPush * dt;
    if (keyPressed(keyRight) || keyPressed(keyD)) craft.velocity.z += steeringPush * dt;
}

static void moveCraft(Body& craft, float dt) {
    craft.position.x += forwardSpeed * dt;
    steer(craft, dt);
    craft.position.z += craft.velocity.z * dt;
    craft.velocity.z -= sidewaysDamping * craft.velocity.z * dt;
}

static void spawnObstacle(GameRecord& game) {
    const int r = std::rand() % spawnSpread;
    Obstacle& obstacle = game.obstacles[game.obstacleCount];
    obstacle.x = game.craft.position.x + spawnDistanceAhead;
    obstacle.y = 0.0f;
    obstacle.z = game.craft.position.z + (r - spawnSpreadMiddle) * spawnSpacing;
    ++game.obstacleCount;
}

// A full field leaves the countdown below zero, so the missed spawns are made up as soon as
// places free. Every pass either spawns or stops, so even an infinite countdown ends here.
static void spawnDueObstacles(GameRecord& game, float dt) {
    game.spawnCountdown -= dt;
    while (game.spawnCountdown < 0.0f) {
        if (game.obstacleCount < 0 || game.obstacleCount >= maxObstacles) break;
        spawnObstacle(game);
        game.spawnCountdown += spawnInterval;
    }
}

// One pass from place 0 upward: obstacles behind the limit drop out and the later ones close
// up in their spawn order; every one that stays is tested for a crash exactly once.
static void retireAndTestObstacles(GameRecord& game) {
    const float limit = game.camera.position.x - retireBehindCamera;
    const int count = game.obstacleCount < maxObstacles ? game.obstacleCount : maxObstacles;
    int kept = 0;
    for (int i = 0; i < count; ++i) {
        const Obstacle obstacle = game.obstacles[i];
        if (obstacle.x < limit) continue;
        if (craftDistance(obstacle.x, obstacle.z, crashReach) < crashDistance)
            game.state = GameState::Crashed;
        game.obstacles[kept++] = obstacle;
    }
    game.obstacleCount = kept;
}

static void followCraft(GameRecord& game, float dt) {
    Body& camera = game.camera;
    const Body& craft = game.craft;
    camera.rotation.x = cameraPitch;
    camera.rotation.z = 0.0f;
    const float tx = craft.position.x - boomBack;
    const float ty = craft.position.y + cameraHeight + boomUp;
    const float tz = craft.position.z;
    camera.position.x += (tx - camera.position.x) * cameraFollowX * dt;
    camera.position.y += cameraFollowYZ * (ty - camera.position.y) * dt;
    camera.position.z += cameraFollowYZ * (tz - camera.position.z) * dt;
    camera.rotation.y = (tz - camera.position.z) * cameraYawPerLag;
}

// A time step that is not a number or infinite would turn every position into one that never
// recovers (and reach the score file), so such a step leaves the record as it is.
void stepFlight(float dt) {
    if (!std::isfinite(dt)) return;
    GameRecord& game = gameRecord;
    game.score += scorePerStep * dt;
    moveCraft(game.craft, dt);
    spawnDueObstacles(game, dt);
    retireAndTestObstacles(game);
    followCraft(game, dt);
}

float craftDistance(float ox, float oz, float reach) {
    const Vec3& craft = gameRecord.craft.position;
    const bool nearInX = ox - reach < craft.x && craft.x < ox + reach;
    const bool nearInZ = oz - reach < craft.z && craft.z < oz + reach;
    if (!nearInX || !nearInZ) return reach;
    const float dx = craft.x - ox;
    const float dz = craft.z - oz;
    const float squared = dx * dx + dz * dz;
    return std::sqrt(squared);
}
