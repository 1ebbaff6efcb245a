#include "interface/interface_startup.h"

#include <SDL/SDL.h>

#include "gfx/texture.h"
#include "interface/buttons.h"
#include "interface/font.h"
#include "interface/pause.h"

constexpr int atlasWidth = 1024, atlasHeight = 256;

SDL_Surface* atlasFromDashboard(const char* path) {
    SDL_Surface* image = loadImageSurface(path);
    if (image == nullptr) return nullptr;
    const SDL_PixelFormat* format = image->format;
    SDL_Surface* atlas =
        SDL_CreateRGBSurface(image->flags, atlasWidth, atlasHeight, format->BitsPerPixel,
                             format->Rmask, format->Gmask, format->Bmask, format->Amask);
    if (atlas != nullptr) {
        // Without SDL_SRCALPHA the blit copies alpha as it is; with it, see-through pixels
        // would be blended onto the new surface and lose their transparency.
        SDL_SetAlpha(image, SDL_RLEACCEL, 0);
        SDL_SetAlpha(atlas, SDL_RLEACCEL, 0);
        SDL_Rect origin = {0, 0, 0, 0};
        SDL_UpperBlit(image, nullptr, atlas, &origin);
    }
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
