// The floor program: the least an SDL 1.2 game with our scene can cost. It draws what a frame of
// steady play draws (180 textured 72-vertex prisms and a 960-vertex sphere, client arrays, one
// draw call per object) through a chase camera, then waits out the rest of 16 ms the way the
// game's frame clock does. Usage: floor [width height [multisample samples]]. Prints nothing.
#include <cmath>
#include <csignal>
#include <cstdlib>

#include <GL/gl.h>
#include <GL/glu.h>
#include <SDL/SDL.h>

constexpr int prismCount = 180;
constexpr int prismSides = 8;
constexpr int prismVertices = prismSides * 9;  // top fan triangle plus two side triangles
constexpr int sphereSlices = 16;
constexpr int sphereStacks = 10;
constexpr int sphereVertices = sphereSlices * sphereStacks * 6;  // 960
constexpr int textureSize = 256;
constexpr int minFrameMs = 16;
constexpr float fieldLength = 295.0f;  // from 20 behind the craft to 275 ahead
constexpr float fieldWidth = 350.0f;
constexpr float forwardSpeed = 1.35f;
constexpr float degrees = 0.017453292f;

struct FloorMesh {
    float positions[sphereVertices * 3];
    float texCoords[sphereVertices * 2];
};

static FloorMesh prism;
static FloorMesh sphere;
static float prismPlaces[prismCount][2];  // x, z of each foot
static unsigned char texturePixels[textureSize * textureSize * 3];
static volatile std::sig_atomic_t stopRequested;

static void requestStop(int) { stopRequested = 1; }

static void putVertex(FloorMesh& mesh, int index, float x, float y, float z) {
    mesh.positions[index * 3] = x;
    mesh.positions[index * 3 + 1] = y;
    mesh.positions[index * 3 + 2] = z;
    // Every triangle samples the same half of the texture, as the game's meshes do.
    static const float corners[3][2] = {{0.0f, 0.0f}, {1.0f, 0.0f}, {0.0f, 1.0f}};
    mesh.texCoords[index * 2] = corners[index % 3][0];
    mesh.texCoords[index * 2 + 1] = corners[index % 3][1];
}

static void buildPrism() {
    const float radius = 1.16572f, height = 5.0f;
    int n = 0;
    for (int k = 0; k < prismSides; ++k) {
        const float a0 = k * 45.0f * degrees, a1 = (k + 1) * 45.0f * degrees;
        const float x0 = radius * std::cos(a0), z0 = radius * std::sin(a0);
        const float x1 = radius * std::cos(a1), z1 = radius * std::sin(a1);
        putVertex(prism, n++, x0, height, z0);
        putVertex(prism, n++, 0.0f, height, 0.0f);
        putVertex(prism, n++, x1, height, z1);
        putVertex(prism, n++, x0, 0.0f, z0);
        putVertex(prism, n++, x0, height, z0);
        putVertex(prism, n++, x1, 0.0f, z1);
        putVertex(prism, n++, x0, height, z0);
        putVertex(prism, n++, x1, height, z1);
        putVertex(prism, n++, x1, 0.0f, z1);
    }
}

static void spherePoint(int slice, int stack, float out[3]) {
    const float radius = 1.64706f;
    const float polar = 180.0f * degrees * stack / sphereStacks;
    const float azimuth = 360.0f * degrees * slice / sphereSlices;
    out[0] = radius * std::sin(polar) * std::cos(azimuth);
    out[1] = radius * std::cos(polar);
    out[2] = -radius * std::sin(polar) * std::sin(azimuth);
}

static void buildSphere() {
    int n = 0;
    for (int stack = 0; stack < sphereStacks; ++stack) {
        for (int slice = 0; slice < sphereSlices; ++slice) {
            float a[3], b[3], c[3], d[3];
            spherePoint(slice, stack, a);
            spherePoint(slice, stack + 1, b);
            spherePoint(slice + 1, stack + 1, c);
            spherePoint(slice + 1, stack, d);
            putVertex(sphere, n++, a[0], a[1], a[2]);
            putVertex(sphere, n++, b[0], b[1], b[2]);
            putVertex(sphere, n++, c[0], c[1], c[2]);
            putVertex(sphere, n++, a[0], a[1], a[2]);
            putVertex(sphere, n++, c[0], c[1], c[2]);
            putVertex(sphere, n++, d[0], d[1], d[2]);
        }
    }
}

static void scatterPrisms() {
    std::srand(1);
    for (auto& place : prismPlaces) {
        place[0] = fieldLength * (std::rand() % 10000) / 10000.0f;
        place[1] = fieldWidth * ((std::rand() % 10000) / 10000.0f - 0.5f);
    }
}

static GLuint makeTexture() {
    for (int y = 0; y < textureSize; ++y) {
        for (int x = 0; x < textureSize; ++x) {
            unsigned char* p = &texturePixels[(y * textureSize + x) * 3];
            const bool light = ((x / 32) + (y / 32)) % 2 == 0;
            p[0] = static_cast<unsigned char>(light ? 200 : 40 + x / 4);
            p[1] = static_cast<unsigned char>(light ? 180 : 60 + y / 4);
            p[2] = static_cast<unsigned char>(light ? 90 : 120);
        }
    }
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 3, textureSize, textureSize, GL_RGB, GL_UNSIGNED_BYTE,
                      texturePixels);
    return texture;
}

static bool openWindow(int width, int height, int samples) {
    if (SDL_Init(SDL_INIT_VIDEO) < 0) return false;
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    if (samples > 0) {
        SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 1);
        SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, samples);
    }
    if (SDL_SetVideoMode(width, height, 0, SDL_OPENGL) == nullptr) return false;
    SDL_ShowCursor(SDL_DISABLE);
    glViewport(0, 0, width, height);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CCW);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(50.0, static_cast<double>(width) / height, 1.0, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    return true;
}

static void drawMesh(const FloorMesh& mesh, int count, float x, float y, float z) {
    glPushMatrix();
    glTranslatef(x, y, z);
    glVertexPointer(3, GL_FLOAT, 0, mesh.positions);
    glTexCoordPointer(2, GL_FLOAT, 0, mesh.texCoords);
    glDrawArrays(GL_TRIANGLES, 0, count);
    glPopMatrix();
}

// The craft flies along +x; the pillars scroll past and wrap round to the far end.
static void drawFrame(GLuint texture, float craftX) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glRotatef(27.5f, 1.0f, 0.0f, 0.0f);
    glRotatef(90.0f, 0.0f, 1.0f, 0.0f);
    glTranslatef(-(craftX - 15.4f), -12.81f, 0.0f);  // settled chase camera
    glEnable(GL_TEXTURE_2D);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glBindTexture(GL_TEXTURE_2D, texture);
    const float behind = craftX - 20.0f;
    for (const auto& place : prismPlaces) {
        const float x = behind + std::fmod(place[0] - craftX + fieldLength * 64.0f, fieldLength);
        drawMesh(prism, prismVertices, x, 0.0f, place[1]);
    }
    drawMesh(sphere, sphereVertices, craftX, 0.0f, 0.0f);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisable(GL_TEXTURE_2D);
}

// The same wait as the game's clock: sleep the missing milliseconds, count the planned end.
static void waitFrame(Uint32& frameStart) {
    const Sint32 took = static_cast<Sint32>(SDL_GetTicks() - frameStart);
    Sint32 frameMs = took;
    if (took < minFrameMs) {
        SDL_Delay(static_cast<Uint32>(minFrameMs - took));
        frameMs = minFrameMs;
    }
    frameStart += static_cast<Uint32>(frameMs);
}

static bool quitQueued() {
    SDL_Event event;
    bool quit = false;
    while (SDL_PollEvent(&event))
        if (event.type == SDL_QUIT) quit = true;
    return quit;
}

int main(int argc, char** argv) {
    const int width = argc > 2 ? std::atoi(argv[1]) : 640;
    const int height = argc > 2 ? std::atoi(argv[2]) : 480;
    const int samples = argc > 3 ? std::atoi(argv[3]) : 0;
    if (width <= 0 || height <= 0 || !openWindow(width, height, samples)) return 1;
    std::signal(SIGTERM, requestStop);
    std::signal(SIGINT, requestStop);
    buildPrism();
    buildSphere();
    scatterPrisms();
    const GLuint texture = makeTexture();
    Uint32 frameStart = SDL_GetTicks();
    float craftX = 0.0f;
    while (!stopRequested) {
        drawFrame(texture, craftX);
        craftX += forwardSpeed;
        waitFrame(frameStart);
        SDL_GL_SwapBuffers();
        if (quitQueued()) break;
    }
    SDL_Quit();
    return 0;
}
