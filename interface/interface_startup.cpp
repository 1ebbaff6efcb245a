#include "interface/interface_startup.h"

#include <algorithm>
#include <cstring>

#include <SDL/SDL.h>

#include "gfx/texture.h"
#include "interface/buttons.h"
#include "interface/font.h"
#include "interface/pause.h"

constexpr int atlasWidth = 1024, atlasHeight = 256;

// Row by row rather than by a blit: alpha arrives as it is, never blended onto the new surface,
// and the browser's SDL blits only between the canvases it keeps beside its surfaces. What the
// image does not cover stays transparent.
static void copyIntoCorner(const SDL_Surface* image, SDL_Surface* atlas) {
    std::memset(atlas->pixels, 0, static_cast<std::size_t>(atlas->pitch) * atlas->h);
    const int rows = std::min(image->h, atlas->h);
    const int rowBytes = std::min(image->w, atlas->w) * image->format->BytesPerPixel;
    for (int row = 0; row < rows; ++row)
        std::memcpy(static_cast<Uint8*>(atlas->pixels) + row * atlas->pitch,
                    static_cast<const Uint8*>(image->pixels) + row * image->pitch, rowBytes);
}

SDL_Surface* atlasFromDashboard(const char* path) {
    SDL_Surface* image = loadImageSurface(path);
    if (image == nullptr) return nullptr;
    const SDL_PixelFormat* format = image->format;
    SDL_Surface* atlas =
        SDL_CreateRGBSurface(image->flags, atlasWidth, atlasHeight, format->BitsPerPixel,
                             format->Rmask, format->Gmask, format->Bmask, format->Amask);
    if (atlas != nullptr) copyIntoCorner(image, atlas);
    SDL_FreeSurface(image);
    return atlas;
}

void initInterface() {
    interfaceSurface = atlasFromDashboard("Media/dashboard.png");
    if (interfaceSurface == nullptr) interfaceSurface = makeFallbackAtlas();
    // With no surface at all the handle stays 0 and the interface draws plain white quads.
    if (interfaceSurface != nullptr) interfaceTexture = makeInterfaceTexture();
    buildPointerCell();
    buildFontCells();
    buildFrameCells();
    resetPause();
    initPausePanels();
}
