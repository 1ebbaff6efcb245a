// Benchmarks of the game's own steps: the simulation at the field sizes that matter, the run's
// warm-up, the scene and a whole frame's work at two window sizes, and start-up. The drawing
// benchmarks open the game's real window (they need DISPLAY, an Xvfb in practice) in a scratch
// folder holding a copy of Media and the shipped settings.ini at the benchmark's size.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <GL/gl.h>
#include <SDL/SDL.h>
#include <SDL/SDL_mixer.h>

#include "app/display.h"
#include "app/frame_clock.h"
#include "app/gamepad.h"
#include "app/input.h"
#include "app/main_loop.h"
#include "app/platform.h"
#include "game/flight.h"
#include "game/game_record.h"
#include "game/scene.h"
#include "game/states.h"
#include "interface/buttons.h"
#include "interface/pause.h"

namespace fs = std::filesystem;

constexpr float steadyDt = 1.0f;
constexpr int settleSteps = 1000;        // far past the warm-up: the field is at its steady size
constexpr int stepsBeforeReset = 20000;  // keeps the craft's x where single precision is fine
constexpr float passedPerStep = 1.35f;   // how far the camera moves in a steady step

static GameRecord savedRecord;  // a field to come back to between timed steps
static int openWidth, openHeight;
static fs::path scratchFolder;

// ---- the field --------------------------------------------------------------------------------

static void clearRun() {
    gameRecord.camera = {};
    gameRecord.craft = {};
    gameRecord.obstacleCount = 0;
}

// A run flown straight ahead until the field holds its steady ~176 pillars, camera settled.
static void settleField() {
    gameRecord = {};
    inputState = {};
    std::srand(7);
    gameRecord.state = GameState::Playing;
    for (int i = 0; i < settleSteps; ++i) stepFlight(steadyDt);
    gameRecord.state = GameState::Playing;
}

static float spreadZ() {
    return gameRecord.craft.position.z + static_cast<float>(std::rand() % 2800 - 1400) * 0.125f;
}

// `count` pillars in spawn order: `retired` of them already behind the camera's limit, the rest
// spread evenly from the limit to the spawn distance.
static void fillField(int count, int retired, float behindLength) {
    const float limit = gameRecord.camera.position.x - 5.0f;
    const float far = gameRecord.craft.position.x + 275.0f;
    for (int i = 0; i < retired; ++i)
        gameRecord.obstacles[i] = {limit - behindLength + behindLength * i / retired, 0.0f,
                                   spreadZ()};
    const int live = count - retired;
    for (int i = 0; i < live; ++i)
        gameRecord.obstacles[retired + i] = {limit + (far - limit) * i / live, 0.0f, spreadZ()};
    gameRecord.obstacleCount = count;
}

// The retirement walk done the plain way, for comparison with the game's single pass: each
// pillar behind the limit is dropped by moving every later one down a place.
static void retireByShifting(GameRecord& game) {
    const float limit = game.camera.position.x - 5.0f;
    int i = 0;
    while (i < game.obstacleCount) {
        if (game.obstacles[i].x < limit) {
            for (int j = i + 1; j < game.obstacleCount; ++j)
                game.obstacles[j - 1] = game.obstacles[j];
            --game.obstacleCount;
            continue;
        }
        if (craftDistance(game.obstacles[i].x, game.obstacles[i].z, 3.0f) < 2.85f)
            game.state = GameState::Crashed;
        ++i;
    }
}

enum class Walk { GameStep, ShiftingReference };

// Each iteration times one step from the same saved field, so the field never drifts.
static void timeStepsFromSavedField(benchmark::State& state, Walk walk = Walk::GameStep) {
    savedRecord = gameRecord;
    int before = 0, after = 0;
    for (auto _ : state) {
        gameRecord = savedRecord;
        before = gameRecord.obstacleCount;
        const auto start = std::chrono::steady_clock::now();
        if (walk == Walk::GameStep)
            stepFlight(steadyDt);
        else
            retireByShifting(gameRecord);
        const auto end = std::chrono::steady_clock::now();
        after = gameRecord.obstacleCount;
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
    state.counters["live"] = before;
    state.counters["retired"] = before - after;
}

static void BM_StepFlightSteadyField(benchmark::State& state) {
    settleField();
    savedRecord = gameRecord;
    int steps = 0;
    for (auto _ : state) {
        stepFlight(steadyDt);
        if (++steps == stepsBeforeReset) {
            state.PauseTiming();
            gameRecord = savedRecord;
            steps = 0;
            state.ResumeTiming();
        }
    }
    state.counters["live"] = gameRecord.obstacleCount;
}
BENCHMARK(BM_StepFlightSteadyField);

// A full field as dense as the steady one is sparse: a step retires the ~46 pillars the camera
// passed during the step before, and tests the other ~9,950.
static void fillDenseField() {
    settleField();
    const float limit = gameRecord.camera.position.x - 5.0f;
    const float band = gameRecord.craft.position.x + 275.0f - limit + passedPerStep;
    const int retired = static_cast<int>(maxObstacles * passedPerStep / band);
    fillField(maxObstacles, retired, passedPerStep);
}

static void BM_StepFlightTenThousandLive(benchmark::State& state) {
    fillDenseField();
    timeStepsFromSavedField(state);
}
BENCHMARK(BM_StepFlightTenThousandLive)->UseManualTime()->Unit(benchmark::kMicrosecond);

static void BM_ShiftingRetirementTenThousandLive(benchmark::State& state) {
    fillDenseField();
    timeStepsFromSavedField(state, Walk::ShiftingReference);
}
BENCHMARK(BM_ShiftingRetirementTenThousandLive)->UseManualTime()->Unit(benchmark::kMicrosecond);

// The full field with only the first pillar behind the limit: the test walk, one retirement.
static void BM_StepFlightTenThousandLiveOneRetired(benchmark::State& state) {
    settleField();
    fillField(maxObstacles, 1, passedPerStep);
    timeStepsFromSavedField(state);
}
BENCHMARK(BM_StepFlightTenThousandLiveOneRetired)->UseManualTime()->Unit(benchmark::kMicrosecond);

// Half of a full field behind the limit at once.
static void BM_StepFlightManyRetirements(benchmark::State& state) {
    settleField();
    fillField(maxObstacles, maxObstacles / 2, 100.0f);
    timeStepsFromSavedField(state);
}
BENCHMARK(BM_StepFlightManyRetirements)->UseManualTime()->Unit(benchmark::kMicrosecond);

static void BM_ShiftingRetirementMany(benchmark::State& state) {
    settleField();
    fillField(maxObstacles, maxObstacles / 2, 100.0f);
    timeStepsFromSavedField(state, Walk::ShiftingReference);
}
BENCHMARK(BM_ShiftingRetirementMany)->UseManualTime()->Unit(benchmark::kMicrosecond);

// The start of a run: the cleared field and 125 steps at dt = 1.
static void BM_WarmUp(benchmark::State& state) {
    gameRecord = {};
    inputState = {};
    std::srand(7);
    for (auto _ : state) {
        clearRun();
        for (int i = 0; i < warmUpSteps; ++i) stepFlight(1.0f);
    }
    state.counters["live"] = gameRecord.obstacleCount;
}
BENCHMARK(BM_WarmUp)->Unit(benchmark::kMicrosecond);

// ---- pads -------------------------------------------------------------------------------------

// What every frame pays with no pad plugged in: the look at /dev/input (and the paths in
// SDL_JOYSTICK_DEVICE) that tells whether the joysticks must start again.
static void BM_PadLook(benchmark::State& state) {
    static RawPad pads[maxPads];
    readGamepads(pads, maxPads);  // the first look starts the joysticks
    for (auto _ : state) benchmark::DoNotOptimize(readGamepads(pads, maxPads));
}
BENCHMARK(BM_PadLook);

// What a frame pays once a device came or went: SDL's joysticks stopped and started again.
static void BM_PadRestart(benchmark::State& state) {
    SDL_InitSubSystem(SDL_INIT_JOYSTICK);
    for (auto _ : state) {
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
        SDL_InitSubSystem(SDL_INIT_JOYSTICK);
        SDL_JoystickEventState(SDL_IGNORE);
    }
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}
BENCHMARK(BM_PadRestart)->Unit(benchmark::kMicrosecond);

// ---- the window -------------------------------------------------------------------------------

static std::string shippedSettingsAt(int width, int height) {
    std::ifstream in(fs::path(VELMORA_SOURCE_DIR) / "settings.ini");
    std::ostringstream out;
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("screenw=", 0) == 0) line = "screenw=" + std::to_string(width);
        if (line.rfind("screenh=", 0) == 0) line = "screenh=" + std::to_string(height);
        out << line << '\n';
    }
    return out.str();
}

static bool enterScratchFolder(int width, int height) {
    std::error_code error;
    if (scratchFolder.empty()) {
        char pattern[] = "/tmp/velmora-bench.XXXXXX";
        if (mkdtemp(pattern) == nullptr) return false;
        scratchFolder = pattern;
        fs::copy(fs::path(VELMORA_SOURCE_DIR) / "Media", scratchFolder / "Media",
                 fs::copy_options::recursive, error);
    }
    std::ofstream(scratchFolder / "settings.ini") << shippedSettingsAt(width, height);
    fs::current_path(scratchFolder, error);
    return !error;
}

static void closeGame() {
    if (openWidth == 0) return;
    Mix_HaltMusic();
    if (gameRecord.music != nullptr) Mix_FreeMusic(gameRecord.music);
    gameRecord.music = nullptr;
    Mix_CloseAudio();
    SDL_Quit();
    openWidth = openHeight = 0;
}

// The game started the way main starts it, at the given size; false without a display.
static bool openGame(benchmark::State& state, int width, int height) {
    if (std::getenv("DISPLAY") == nullptr) {
        state.SkipWithError("no DISPLAY: run under Xvfb to time drawing and start-up");
        return false;
    }
    if (openWidth == width && openHeight == height) return true;
    closeGame();
    if (!enterScratchFolder(width, height)) {
        state.SkipWithError("cannot make a scratch folder with Media");
        return false;
    }
    startUp();
    openWidth = width;
    openHeight = height;
    return true;
}

// A run in progress over the steady field, as the player sees it after a few seconds.
static void startPlaying() {
    const GLuint textures[3] = {gameRecord.splashTexture, gameRecord.hudTexture,
                                gameRecord.meshTexture};
    Mix_Music* music = gameRecord.music;
    const float version = gameRecord.gameVersion;
    settleField();
    gameRecord.splashTexture = textures[0];
    gameRecord.hudTexture = textures[1];
    gameRecord.meshTexture = textures[2];
    gameRecord.music = music;
    gameRecord.gameVersion = version;
    gameRecord.score = 0.0f;
    // Clear the craft's lane so that the run lasts until new pillars reach it.
    int kept = 0;
    for (int i = 0; i < gameRecord.obstacleCount; ++i) {
        const Obstacle obstacle = gameRecord.obstacles[i];
        if (std::abs(obstacle.z - gameRecord.craft.position.z) >= 3.0f)
            gameRecord.obstacles[kept++] = obstacle;
    }
    gameRecord.obstacleCount = kept;
}

static void BM_DrawScene(benchmark::State& state) {
    if (!openGame(state, static_cast<int>(state.range(0)), static_cast<int>(state.range(1))))
        return;
    startPlaying();
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        drawScene();
        glFinish();  // llvmpipe rasterises only when made to
    }
    state.counters["live"] = gameRecord.obstacleCount;
}

static void drainEvents() {
    SDL_Event event;
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_ALLEVENTS) > 0) {
    }
}

// What runFrame does in a playing frame, minus the clock's wait and the swap; glFinish stands
// in for the drawing that the swap would make llvmpipe do.
static void frameWork() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    SDL_PumpEvents();
    pollInput();
    if (pauseProgress == 0.0f) runGameFrame();
    stepFrameClock(SDL_GetTicks());
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) != nullptr) buildClockTexts(local);
    updatePause(1.0f);
    pointerInWindow = (SDL_GetAppState() & SDL_APPMOUSEFOCUS) != 0;
    if (firstFrameDone && pointerInWindow) drawPointer(inputState.pointerX, inputState.pointerY);
    firstFrameDone = true;
    glFinish();
    drainEvents();
}

static void BM_FrameWork(benchmark::State& state) {
    if (!openGame(state, static_cast<int>(state.range(0)), static_cast<int>(state.range(1))))
        return;
    startPlaying();
    savedRecord = gameRecord;
    int restarts = 0;
    for (auto _ : state) {
        frameWork();
        if (gameRecord.state != GameState::Playing) {  // crashed: back to the saved run
            state.PauseTiming();
            gameRecord = savedRecord;
            ++restarts;
            state.ResumeTiming();
        }
    }
    state.counters["restarts"] = restarts;
}

static void BM_StartUp(benchmark::State& state) {
    if (!openGame(state, 640, 480)) return;
    for (auto _ : state) {
        state.PauseTiming();
        closeGame();
        state.ResumeTiming();
        startUp();
        glFinish();
        openWidth = 640;
        openHeight = 480;
    }
}

BENCHMARK(BM_DrawScene)->Args({640, 480})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrameWork)->Args({640, 480})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawScene)->Args({1280, 720})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrameWork)->Args({1280, 720})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StartUp)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    // The music is decoded as it would be for a player; without a device SDL would give up.
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    closeGame();
    if (!scratchFolder.empty()) {
        std::error_code error;
        fs::current_path("/", error);
        fs::remove_all(scratchFolder, error);
    }
    return 0;
}
