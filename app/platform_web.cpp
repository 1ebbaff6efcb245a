// The browser side of the platform seam: WebAssembly built by emscripten, drawing through WebGL
// (with its fixed-function emulation), one frame per animation frame of the page. The JavaScript
// it calls is in app/platform_web.js, in one record, velmora.
#define GL_GLEXT_PROTOTYPES

#include "app/platform.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

#include <GL/glext.h>
#include <emscripten.h>
#include <emscripten/html5.h>

#include "app/gamepad.h"
#include "app/main_loop.h"
#include "game/meshes.h"

// The compiler's image decoder (linked with -sSTB_IMAGE): plain pixels in ordinary memory.
extern "C" {
unsigned char* stbi_load(const char* path, int* width, int* height, int* channels, int wanted);
void stbi_image_free(void* pixels);
}

// ---- the process ----

// The game's files are the page's own file system, where the game starts.
void enterGameFolder() {}

void silenceLibraryMessages() { std::freopen("/dev/null", "w", stderr); }

bool localTimeNow(std::tm* local) {
    const std::time_t now = std::time(nullptr);
    return localtime_r(&now, local) != nullptr;
}

// ---- the frame loop ----

static double clockStartMs = -1.0;
static std::uint32_t nextFrameDueMs;
static bool savedScoreArrived;

static bool firstFrameShown() { return clockStartMs >= 0.0; }

// The clock starts when the first frame is shown, not when SDL started: downloading, start-up
// and the first frame's shader compiling take seconds in a browser, and the splash's 5 s are
// the player's. It reads 0 while the first frame is made.
std::uint32_t frameClockTicks() {
    if (!firstFrameShown()) return 0;
    return static_cast<std::uint32_t>(emscripten_get_now() - clockStartMs);
}

// The saved high score comes back from the browser's storage (platform_web.js) while the game
// starts and makes its first frame, whose splash reads no score. The frames after it, and every
// key and click, wait until it is in place: leaving the splash reads the score file, and a run
// saved over a score not yet read would lose it. The splash stays on screen meanwhile, and its
// time counts.
static bool savedScoreInPlace() {
    if (!savedScoreArrived) savedScoreArrived = EM_ASM_INT(return velmora.scoreRestored);
    return savedScoreArrived;
}

// The page may not be held up: the wait is made by letting animation frames pass until the
// frame clock's planned end, so on a display faster than 60 Hz frames still come at most every
// 16 ms.
void waitOutFrame(std::uint32_t waitMs) { nextFrameDueMs = frameClockTicks() + waitMs; }

static bool frameDue() {
    return static_cast<std::int32_t>(frameClockTicks() - nextFrameDueMs) >= 0;
}

static const char* musicPath;
static void (*musicStart)(const char*);

void scheduleMusicStart(const char* path, void (*start)(const char*)) {
    musicPath = path;
    musicStart = start;
}

// A game ended by "Exit" while the file was on its way stays silent.
static void startMusicUnlessEnded(const char* path) {
    if (!quitRequested) musicStart(path);
}

// The file comes from beside the page, under the same name, into the game's own files; one
// that cannot be fetched is started all the same and stays silent, as a missing file does.
static void startMusicDownload() {
    if (musicPath == nullptr) return;
    emscripten_async_wget(musicPath, musicPath, startMusicUnlessEnded, startMusicUnlessEnded);
    musicPath = nullptr;
}

static void endGame() {
    emscripten_cancel_main_loop();
    shutDown();
    EM_ASM(velmora.gameEnded());
}

static void runDueFrame() {
    if (firstFrameShown()) {
        startMusicDownload();
        if (!savedScoreInPlace()) return;
    }
    if (!frameDue()) return;
    runFrame();
    if (quitRequested) endGame();
}

static void watchPointer();

void runFrameLoop() {
    watchPointer();
    EM_ASM(velmora.whitenTextureZero());
    emscripten_set_main_loop(runDueFrame, 0, false);
}

// The browser shows what was drawn once the animation frame's callback returns.
void presentFrame() {
    SDL_GL_SwapBuffers();
    if (!firstFrameShown()) clockStartMs = emscripten_get_now();
    EM_ASM(velmora.framePresented());
}

// ---- the window ----

void chooseVideoDriver() {}

// The canvas takes any size the page gives it; nothing ends the process on the way.
void beginModeSet() {}
void endModeSet() {}

// The page keeps its own title.
void setWindowCaption(const char*) {}

void showSystemCursor(bool shown) { EM_ASM(velmora.showCursor($0), shown); }

// ---- input ----

static bool pointerInsideCanvas;

static EM_BOOL pointerEntered(int, const EmscriptenMouseEvent*, void*) {
    pointerInsideCanvas = true;
    return EM_FALSE;
}

static EM_BOOL pointerLeft(int, const EmscriptenMouseEvent*, void*) {
    pointerInsideCanvas = false;
    return EM_FALSE;
}

// The browser's SDL reports the pointer as inside only while it is locked; the canvas's own
// events tell. A move counts as well: the pointer may rest on the canvas when the game starts.
static void watchPointer() {
    emscripten_set_mouseenter_callback("#canvas", nullptr, EM_FALSE, pointerEntered);
    emscripten_set_mousemove_callback("#canvas", nullptr, EM_FALSE, pointerEntered);
    emscripten_set_mouseleave_callback("#canvas", nullptr, EM_FALSE, pointerLeft);
}

bool pointerOverWindow() { return pointerInsideCanvas; }

// The Gamepad API, read once a frame: the browser tells of pads coming and going by itself.
// Chromium counts a pad's button press as the gesture that lets sound play, so the page hears
// of every first touch of a pad (platform_web.js): it resumes the sound and shows the pad's
// help.
static char padNames[maxPads][EM_HTML5_MEDIUM_STRING_LEN_BYTES];
static bool padWasTouched;

static bool touched(const EmscriptenGamepadEvent& state) {
    for (int i = 0; i < state.numButtons && i < 64; ++i)
        if (state.digitalButton[i]) return true;
    for (int i = 0; i < state.numAxes && i < 64; ++i)
        if (state.axis[i] < -padChooseTilt || state.axis[i] > padChooseTilt) return true;
    return false;
}

static void readPad(const EmscriptenGamepadEvent& state, int slot, RawPad* pad) {
    std::snprintf(padNames[slot], sizeof padNames[slot], "%s", state.id);
    *pad = {};
    pad->name = padNames[slot];
    pad->numbering = std::strcmp(state.mapping, "standard") == 0 ? PadNumbering::Standard
                                                                 : PadNumbering::Browser;
    pad->axisCount = std::min(state.numAxes, maxPadAxes);
    pad->buttonCount = std::min(state.numButtons, maxPadButtons);
    for (int i = 0; i < pad->axisCount; ++i) pad->axes[i] = static_cast<float>(state.axis[i]);
    for (int i = 0; i < pad->buttonCount; ++i) pad->buttons[i] = state.digitalButton[i] != 0;
}

int readGamepads(RawPad* pads, int capacity) {
    if (!savedScoreInPlace()) return 0;  // as the keys wait
    if (emscripten_sample_gamepad_data() != EMSCRIPTEN_RESULT_SUCCESS) return 0;
    int count = 0;
    bool anyTouched = false;
    static EmscriptenGamepadEvent state;
    const int slots = emscripten_get_num_gamepads();
    for (int i = 0; i < slots && count < capacity && count < maxPads; ++i) {
        if (emscripten_get_gamepad_status(i, &state) != EMSCRIPTEN_RESULT_SUCCESS) continue;
        if (!state.connected) continue;
        anyTouched = anyTouched || touched(state);
        readPad(state, count, &pads[count]);
        ++count;
    }
    if (anyTouched && !padWasTouched) EM_ASM(velmora.padTouched());
    padWasTouched = anyTouched;
    return count;
}

static Uint32 eventType(QueuedEvents kind) {
    switch (kind) {
        case QueuedEvents::KeyDowns:
            return SDL_KEYDOWN;
        case QueuedEvents::KeyUps:
            return SDL_KEYUP;
        case QueuedEvents::ButtonDowns:
            return SDL_MOUSEBUTTONDOWN;
        default:
            return SDL_MOUSEBUTTONUP;
    }
}

// Taking any event polls, which also drops what SDL_PeepEvents would leave queued for ever
// (pointer moves that it judges empty).
bool takeQueuedEvent(SDL_Event* event, QueuedEvents kind) {
    if (!savedScoreInPlace()) return false;  // left queued until then
    if (kind == QueuedEvents::Any) return SDL_PollEvent(event) != 0;
    const Uint32 type = eventType(kind);
    return SDL_PeepEvents(event, 1, SDL_GETEVENT, type, type) > 0;
}

// Keys that type no character carry 1024 plus their scan code in the browser's SDL, as in
// SDL 2; the game's table is indexed by SDL 1.2's symbols.
constexpr int scanCodeKey = 1 << 10;

struct KeyRename {
    int firstScanCode, lastScanCode;
    int firstGameSymbol;
};

constexpr KeyRename renamedKeys[] = {
    {79, 79, 275},    // right
    {80, 80, 276},    // left
    {81, 81, 274},    // down
    {82, 82, 273},    // up
    {73, 74, 277},    // insert, home
    {75, 75, 280},    // page up
    {77, 77, 279},    // end
    {78, 78, 281},    // page down
    {58, 69, 282},    // F1 to F12
    {89, 97, 257},    // keypad 1 to 9
    {98, 98, 256},    // keypad 0
    {83, 83, 300},    // num lock
    {57, 57, 301},    // caps lock
    {229, 229, 303},  // right shift
    {225, 225, 304},  // left shift
    {228, 228, 305},  // right control
    {224, 224, 306},  // left control
    {230, 230, 307},  // right alt
    {226, 226, 308},  // left alt
};

int gameKeySymbol(int eventSymbol) {
    const int scanCode = eventSymbol - scanCodeKey;
    for (const KeyRename& key : renamedKeys)
        if (scanCode >= key.firstScanCode && scanCode <= key.lastScanCode)
            return key.firstGameSymbol + scanCode - key.firstScanCode;
    return eventSymbol;
}

// ---- pictures ----

constexpr int rgbaBytes = 4;

// Decoded here rather than by IMG_Load: the browser's SDL keeps a loaded picture in a canvas,
// through which alpha loses precision and from which nothing can be blitted in WebGL mode. The
// surface made here keeps its pixels in ordinary memory, red first.
SDL_Surface* decodeImage(const char* path) {
    int width = 0, height = 0, channels = 0;
    unsigned char* pixels = stbi_load(path, &width, &height, &channels, rgbaBytes);
    if (pixels == nullptr) return nullptr;
    SDL_Surface* image = SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, 32, 0x000000FF,
                                              0x0000FF00, 0x00FF0000, 0xFF000000);
    if (image != nullptr)
        for (int row = 0; row < height; ++row)
            std::memcpy(static_cast<Uint8*>(image->pixels) + row * image->pitch,
                        pixels + row * width * rgbaBytes, width * rgbaBytes);
    stbi_image_free(pixels);
    return image;
}

// The page's display format is red-first RGBA, as decodeImage gives every picture.
SDL_Surface* decodeImageForDisplay(const char* path) { return decodeImage(path); }

// Every surface here is red-first RGBA. WebGL takes the layout itself as the internal format,
// and builds the mipmaps on its own.
void uploadTextureImage(const SDL_Surface* image, bool mipmaps) {
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, image->w, image->h, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 image->pixels);
    if (mipmaps) glGenerateMipmap(GL_TEXTURE_2D);
}

// ---- meshes ----

// Every draw call pays for the fixed-function emulation and the software WebGL beneath it, and
// separate position and texture arrays are copied into one by the emulation, vertex by vertex,
// on every call. So the meshes are moved here instead of by the modelview matrix, into one array
// that interleaves each vertex's position and texture coordinates, and drawn with one call.
// Normals are left out: their array is never enabled. The GL layer copies a whole draw into one
// of its scratch buffers, so the batch holds what the largest of them does (web/CMakeLists.txt
// sizes it for a field fuller than play makes); a fuller field is drawn in more calls.
constexpr int batchPositionFloats = 3;
constexpr int batchTexCoordFloats = 2;
constexpr int batchVertexFloats = batchPositionFloats + batchTexCoordFloats;
constexpr int batchVertexCapacity = GL_TEMP_BUFFER_BYTES / (batchVertexFloats * sizeof(float));

static float batchVertices[batchVertexCapacity * batchVertexFloats];
static int batchVertexCount;

static void appendMovedMesh(const Mesh& mesh, float x, float y, float z) {
    float* out = batchVertices + batchVertexCount * batchVertexFloats;
    for (int i = 0; i < mesh.vertexCount; ++i) {
        const float* position = mesh.positions + i * batchPositionFloats;
        const float* texCoord = mesh.texCoords + i * batchTexCoordFloats;
        *out++ = position[0] + x;
        *out++ = position[1] + y;
        *out++ = position[2] + z;
        *out++ = texCoord[0];
        *out++ = texCoord[1];
    }
    batchVertexCount += mesh.vertexCount;
}

void drawMeshAt(const Mesh& mesh, float x, float y, float z) {
    if (batchVertexCount + mesh.vertexCount > batchVertexCapacity) finishMeshDraws();
    if (mesh.vertexCount > batchVertexCapacity) return;  // no mesh of the game comes near
    appendMovedMesh(mesh, x, y, z);
}

void finishMeshDraws() {
    if (batchVertexCount == 0) return;
    constexpr GLsizei stride = batchVertexFloats * sizeof(float);
    glVertexPointer(batchPositionFloats, GL_FLOAT, stride, batchVertices);
    glTexCoordPointer(batchTexCoordFloats, GL_FLOAT, stride, batchVertices + batchPositionFloats);
    glDrawArrays(GL_TRIANGLES, 0, batchVertexCount);
    batchVertexCount = 0;
}

// ---- sound ----

// The browser's mixer never refuses the device, and only records its rate, channels and
// buffer size: the browser decodes the file and Web Audio resamples it to the output's rate.
// So the usual values do, any file the browser can decode plays, and one it cannot stays
// silent (platform_web.js).
constexpr int deviceRate = 44100, deviceChannels = 2, deviceBufferFrames = 1024;

bool openMusic(const char* path, Mix_Music** music) {
    Mix_OpenAudio(deviceRate, MIX_DEFAULT_FORMAT, deviceChannels, deviceBufferFrames);
    *music = Mix_LoadMUS(path);
    return true;
}

// ---- storage ----

// The file and its kept copy are written in the page's memory and stored in IndexedDB
// afterwards (platform_web.js).
bool replaceFileWhole(const char* path, const char* text) {
    const int replaced =
        EM_ASM_INT(return velmora.replaceFileWhole(UTF8ToString($0), UTF8ToString($1)), path, text);
    return replaced != 0;
}
