#include "gfx/texture.h"

SDL_Surface* interfaceSurface;
GLuint interfaceTexture;

void drawTexturedQuad(float, float, float, float, const QuadTexCoords*) {}
SDL_Surface* loadImageSurface(std::string) { return nullptr; }
GLuint makeInterfaceTexture() { return 0; }
GLuint loadTexture(const char*, bool) { return 0; }
void interfaceTexCoords(QuadTexCoords*, float, float, float, float) {}
