// PNG images into OpenGL textures, the textured quad behind every flat picture, and texture
// coordinates for rectangles of the 1024 x 256 interface atlas.
#pragma once

#include <string>

#include <GL/gl.h>

struct SDL_Surface;

// (u, v) of the corners lower-left, lower-right, upper-right, upper-left as seen on screen;
// v = 0 is the image's top row.
struct QuadTexCoords {
    float uv[8];
};

extern SDL_Surface* interfaceSurface;  // 1024 x 256, display format with alpha; kept alive
extern GLuint interfaceTexture;        // 0 when the dashboard image could not be loaded

void drawTexturedQuad(float x, float y, float width, float height, const QuadTexCoords* texCoords);
SDL_Surface* loadImageSurface(std::string path);
GLuint makeInterfaceTexture();
GLuint loadTexture(const char* path, bool mipmaps);
void interfaceTexCoords(QuadTexCoords* dest, float x, float y, float width, float height);
