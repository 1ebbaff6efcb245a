#include "gfx/texture.h"

#include <SDL/SDL.h>
#include <SDL/SDL_image.h>

#include <GL/glu.h>

SDL_Surface* interfaceSurface;
GLuint interfaceTexture;

constexpr float interfaceTexelU = 0.0009765625f;  // 1/1024
constexpr float interfaceTexelV = 0.00390625f;    // 1/256

// Corners in the fixed order lower-left, lower-right, upper-right, upper-left: counter-clockwise
// on screen once the overlay turns y upside down, so the quad survives face culling.
static void fillQuadCorners(float* dest, float x, float y, float width, float height) {
    dest[0] = x;
    dest[1] = y + height;
    dest[2] = x + width;
    dest[3] = y + height;
    dest[4] = x + width;
    dest[5] = y;
    dest[6] = x;
    dest[7] = y;
}

void drawTexturedQuad(float x, float y, float width, float height, const QuadTexCoords* texCoords) {
    float positions[8];
    fillQuadCorners(positions, x, y, width, height);
    glVertexPointer(2, GL_FLOAT, 0, positions);
    glTexCoordPointer(2, GL_FLOAT, 0, texCoords->uv);
    glDrawArrays(GL_QUADS, 0, 4);
}

void interfaceTexCoords(QuadTexCoords* dest, float x, float y, float width, float height) {
    fillQuadCorners(dest->uv, x, y, width, height);
    for (int i = 0; i < 8; i += 2) {
        dest->uv[i] *= interfaceTexelU;
        dest->uv[i + 1] *= interfaceTexelV;
    }
}

SDL_Surface* loadImageSurface(std::string) { return nullptr; }
GLuint makeInterfaceTexture() { return 0; }
GLuint loadTexture(const char*, bool) { return 0; }
