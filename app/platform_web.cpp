// The browser side of the platform seam: WebAssembly built by emscripten, drawing through WebGL
// (with its fixed-function emulation), one frame per animation frame of the page. Its partner
// app/platform_web.js restores the saved score before the game starts and keeps it afterwards.
#define GL_GLEXT_PROTOTYPES

#include "app/platform.h"

#include <cstring>

#include <GL/glext.h>
#include <emscripten.h>
#include <emscripten/html5.h>

#include "app/main_loop.h"
#include "game/meshes.h"
#include "game/music_format.h"

// The compiler's image decoder (linked with -sSTB_IMAGE): plain pixels in ordinary memory.
extern "C" {
unsigned char* stbi_load(const char* path, int* width, int* height, int* channels, int wanted);
void stbi_image_free(void* pixels);
}

// ---- the frame loop ----

static double clockStartMs = -1.0;
static std::uint32_t nextFrameDueMs;
static bool savedScoreArrived;

// The page hears of the first frame: what it does then (keeping the site for offline play)
// waits until the game is on screen.
EM_JS(void, countPresentedFrame, (), {
    var first = !Module['velmoraFrames'];
    if (first) Module['velmoraFirstFrameAt'] = performance.now();
    Module['velmoraFrames'] = (Module['velmoraFrames'] || 0) + 1;
    if (first && Module['onFirstFrame']) setTimeout(Module['onFirstFrame'], 0);
});

EM_JS(void, announceGameEnded, (), {
    if (Module['onGameEnded']) Module['onGameEnded']();
});

EM_JS(int, savedScoreRestored, (), { return Module['velmoraScoreRestored'] ? 1 : 0; });

// The clock starts when the first frame is shown, not when SDL started: downloading, start-up
// and the first frame's shader compiling take seconds in a browser, and the splash's 5 s are
// the player's. It reads 0 while the first frame is made.
std::uint32_t frameClockTicks() {
    if (clockStartMs < 0.0) return 0;
    return static_cast<std::uint32_t>(emscripten_get_now() - clockStartMs);
}

// The saved high score comes back from the browser's storage (platform_web.js) while the game
// starts and makes its first frame, whose splash reads no score. The frames after it, and every
// key and click, wait until it is in place: leaving the splash reads the score file, and a run
// saved over a score not yet read would lose it. The splash stays on screen meanwhile, and its
// time counts.
static bool savedScoreInPlace() {
    if (!savedScoreArrived) savedScoreArrived = savedScoreRestored();
    return savedScoreArrived;
}

// The page may not be held up: the wait is made by letting animation frames pass until the
// frame clock's planned end, so on a display faster than 60 Hz frames still come at most every
// 16 ms.
void waitOutFrame(std::uint32_t waitMs) { nextFrameDueMs = frameClockTicks() + waitMs; }

static bool frameDue() {
    return static_cast<std::int32_t>(frameClockTicks() - nextFrameDueMs) >= 0;
}

static void endGame() {
    emscripten_cancel_main_loop();
    shutDown();
    announceGameEnded();
}

static const char* musicPath;
static void (*musicStart)(const char*);

void startMusicWhenHeard(const char* path, void (*start)(const char*)) {
    musicPath = path;
    musicStart = start;
}

static void runDueFrame() {
    // The file comes from beside the page, under the same name, into the game's own files; one
    // that cannot be fetched is started all the same and stays silent, as a missing file does.
    if (clockStartMs >= 0.0 && musicPath != nullptr) {
        emscripten_async_wget(musicPath, musicPath, musicStart, musicStart);
        musicPath = nullptr;
    }
    if (clockStartMs >= 0.0 && !savedScoreInPlace()) return;
    if (!frameDue()) return;
    runFrame();
    if (quitRequested) endGame();
}

static void watchPointer();

// A picture that failed to load leaves its texture name 0. Desktop OpenGL's texture 0 has no
// image, so texturing with it is as if off and the quads show their plain white; WebGL samples
// an unbound texture as opaque black, and the pillars would vanish into the night. Name 0 is
// given a white texel here once start-up has made every texture.
EM_JS(void, whitenTextureZero, (), {
    var gl = GLctx;
    var bound = gl.getParameter(gl.TEXTURE_BINDING_2D);
    var white = gl.createTexture();
    gl.bindTexture(gl.TEXTURE_2D, white);
    gl.texImage2D(gl.TEXTURE_2D, 0, gl.RGBA, 1, 1, 0, gl.RGBA, gl.UNSIGNED_BYTE,
                  new Uint8Array([ 255, 255, 255, 255 ]));
    gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MIN_FILTER, gl.NEAREST);
    gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MAG_FILTER, gl.NEAREST);
    GL.textures[0] = white;
    gl.bindTexture(gl.TEXTURE_2D, bound || white);
});

void runFrameLoop() {
    watchPointer();
    whitenTextureZero();
    emscripten_set_main_loop(runDueFrame, 0, false);
}

// The browser shows what was drawn once the animation frame's callback returns.
void presentFrame() {
    SDL_GL_SwapBuffers();
    if (clockStartMs < 0.0) clockStartMs = emscripten_get_now();
    countPresentedFrame();
}

// ---- the window ----

void chooseVideoDriver() {}

// The canvas takes any size the page gives it; nothing ends the process on the way.
void beginModeSet() {}
void endModeSet() {}

// The page keeps its own title.
void setWindowCaption(const char*) {}

EM_JS(void, setCanvasCursor, (int shown),
      { Module['canvas'].style.cursor = shown ? 'default' : 'none'; });

void showSystemCursor(bool shown) { setCanvasCursor(shown); }

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

// A picture the browser decoded while the game loaded (platform_web.js): its size, if it was
// decoded there, and then its pixels, red first, copied straight into a surface's rows.
EM_JS(int, browserDecodedSize, (const char* path, int* width, int* height), {
    var picture = velmoraDecodedPicture(UTF8ToString(path));
    if (!picture) return 0;
    HEAP32[width >> 2] = picture.width;
    HEAP32[height >> 2] = picture.height;
    return 1;
});

EM_JS(void, takeBrowserDecoded, (const char* path, void* pixels, int pitch), {
    var picture = velmoraTakeDecodedPicture(UTF8ToString(path));
    var rowBytes = picture.width * 4;
    for (var row = 0; pixels && row < picture.height; ++row)
        HEAPU8.set(picture.pixels.subarray(row * rowBytes, (row + 1) * rowBytes),
                   pixels + row * pitch);
});

static SDL_Surface* makeRgbaSurface(int width, int height) {
    return SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, 32, 0x000000FF, 0x0000FF00,
                                0x00FF0000, 0xFF000000);
}

// Decoded here rather than by IMG_Load: the browser's SDL keeps a loaded picture in a canvas,
// through which alpha loses precision and from which nothing can be blitted in WebGL mode. The
// surface made here keeps its pixels in ordinary memory, red first.
SDL_Surface* decodeImage(const char* path) {
    int width = 0, height = 0, channels = 0;
    if (browserDecodedSize(path, &width, &height)) {
        SDL_Surface* image = makeRgbaSurface(width, height);
        takeBrowserDecoded(path, image != nullptr ? image->pixels : nullptr,
                           image != nullptr ? image->pitch : 0);
        return image;
    }
    unsigned char* pixels = stbi_load(path, &width, &height, &channels, rgbaBytes);
    if (pixels == nullptr) return nullptr;
    SDL_Surface* image = makeRgbaSurface(width, height);
    if (image != nullptr)
        for (int row = 0; row < height; ++row)
            std::memcpy(static_cast<Uint8*>(image->pixels) + row * image->pitch,
                        pixels + row * width * rgbaBytes, width * rgbaBytes);
    stbi_image_free(pixels);
    return image;
}

SDL_Surface* decodeImageWithAlpha(const char* path) { return decodeImage(path); }

// WebGL takes the layout itself as the internal format, not a count of bytes, and builds the
// mipmaps on its own.
void uploadTextureImage(const SDL_Surface* image, GLint, GLenum layout, bool mipmaps) {
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(layout), image->w, image->h, 0, layout,
                 GL_UNSIGNED_BYTE, image->pixels);
    if (mipmaps) glGenerateMipmap(GL_TEXTURE_2D);
}

// ---- meshes ----

// Every draw call pays for the fixed-function emulation and the software WebGL beneath it, and
// separate position and texture arrays are copied into one by the emulation, vertex by vertex,
// on every call. So the meshes are moved here instead of by the modelview matrix, into one array
// that interleaves each vertex's position and texture coordinates, and drawn with one call.
// Normals are left out: their array is never enabled. There is room for a field of 256 pillars
// and the craft; a fuller field is drawn in more calls.
constexpr int batchPositionFloats = 3;
constexpr int batchTexCoordFloats = 2;
constexpr int batchVertexFloats = batchPositionFloats + batchTexCoordFloats;
constexpr int pillarVertices = 72, craftVertices = 960;
constexpr int batchPillars = 256;  // steady play keeps about 176 alive
constexpr int batchVertexCapacity = batchPillars * pillarVertices + craftVertices;

static float batchVertices[batchVertexCapacity * batchVertexFloats];
static_assert(sizeof batchVertices <= GL_TEMP_BUFFER_BYTES,
              "the GL layer copies a whole batch into one of its scratch buffers");
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

// The browser decodes the file and Web Audio resamples it to the output's rate itself; the
// music plays where the desktop's would, so a file is silent on both or heard on both.
Mix_Music* loadMusic(const char* path, const MusicStream& stream) {
    return stream.format.sampleRate == 0 ? nullptr : Mix_LoadMUS(path);
}

// ---- storage ----

EM_JS(void, keepScoreFile, (), { velmoraKeepScoreFile(); });

void scoreFileSaved() { keepScoreFile(); }
