// The game record: the one process-wide record of the game (state, score, craft, camera,
// textures, music and the obstacle field). Zero at start; lives until exit.
#pragma once

#include <GL/gl.h>
#include <SDL/SDL_mixer.h>

struct Vec3 {
    float x, y, z;
};

struct Body {
    Vec3 position, velocity, rotation;  // rotation in radians about x, y, z
};

// One upright pillar: the centre of its foot; y is always 0.
struct Obstacle {
    float x, y, z;
};

enum class GameState : int { Splash = 0, Ready = 1, Playing = 2, Crashed = 3 };

constexpr int maxObstacles = 10000;

struct GameRecord {
    float gameVersion;
    GameState state;
    float score;
    int highScore;
    Body camera;  // rotation x pitch, y yaw, z roll; velocity unused
    Body craft;   // velocity z is the sideways velocity; position y stays 0
    GLuint splashTexture, hudTexture, meshTexture;  // 0 when the image could not be loaded
    Mix_Music* music;                               // null when the file could not be loaded
    float spawnCountdown;  // in units of dt; the next pillar is due when it drops below 0
    Obstacle obstacles[maxObstacles];  // live ones in places 0 .. obstacleCount-1, spawn order
    int obstacleCount;
};

extern GameRecord gameRecord;
