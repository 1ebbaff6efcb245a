#include "gfx/texture.h"

#include <SDL/SDL.h>

#include "app/platform.h"

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

SDL_Surface* loadImageSurface(std::string path) { return decodeImageForDisplay(path.c_str()); }

static void setWrapAndFilters(GLint minFilter) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

GLuint makeInterfaceTexture() {
    if (interfaceSurface == nullptr) return 0;
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    setWrapAndFilters(GL_LINEAR);
    uploadTextureImage(interfaceSurface, false);
    return name;
}

GLuint loadTexture(const char* path, bool mipmaps) {
    SDL_Surface* image = decodeImage(path);
    if (image == nullptr) return 0;
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    setWrapAndFilters(mipmaps ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
    uploadTextureImage(image, mipmaps);
    SDL_FreeSurface(image);
    return name;
}
