#include "gfx/texture.h"

#include <SDL/SDL.h>
#if defined(_WIN32)
#include <GL/glext.h>  // the blue-first layouts: the gl.h there stops at OpenGL 1.1
#endif

#include "app/platform.h"

SDL_Surface* interfaceSurface;
GLuint interfaceTexture;

constexpr float interfaceTexelU = 0.0009765625f;  // 1/1024
constexpr float interfaceTexelV = 0.00390625f;    // 1/256
constexpr Uint32 lowestByteMask = 0xFF;

// Where an upload takes its pixels from and how OpenGL is to read them.
struct UploadFormat {
    GLint components;  // the bytes per pixel, as OpenGL 1.x takes its internal format
    GLenum layout;
};

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

SDL_Surface* loadImageSurface(std::string path) { return decodeImageWithAlpha(path.c_str()); }

// Only 3- and 4-byte pixels reach here; red in the lowest byte means the bytes lie in
// red-green-blue order, anything else is taken as blue first.
static UploadFormat uploadFormatOf(const SDL_Surface* surface) {
    const SDL_PixelFormat* format = surface->format;
    const bool redFirst = format->Rmask == lowestByteMask;
    if (format->BytesPerPixel == 4) return {4, GLenum(redFirst ? GL_RGBA : GL_BGRA)};
    return {3, GLenum(redFirst ? GL_RGB : GL_BGR)};
}

static void setWrapAndFilters(GLint minFilter) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

GLuint makeInterfaceTexture() {
    if (interfaceSurface == nullptr) return 0;
    const UploadFormat format = uploadFormatOf(interfaceSurface);
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    setWrapAndFilters(GL_LINEAR);
    uploadTextureImage(interfaceSurface, format.components, format.layout, false);
    return name;
}

GLuint loadTexture(const char* path, bool mipmaps) {
    SDL_Surface* image = decodeImage(path);
    if (image == nullptr) return 0;
    const UploadFormat format = uploadFormatOf(image);
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    setWrapAndFilters(mipmaps ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
    uploadTextureImage(image, format.components, format.layout, mipmaps);
    SDL_FreeSurface(image);
    return name;
}
