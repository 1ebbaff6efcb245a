// The desktop side of the platform seam: SDL 1.2 and OpenGL 1.x with GLU, as X11 and Windows
// share it. What the two do differently is in platform_x11.cpp and platform_win32.cpp.
#include "app/platform.h"

#include <cstdio>
#include <string>

#include <GL/glext.h>
#include <GL/glu.h>

#include "app/main_loop.h"
#include "app/platform_desktop.h"
#include "game/meshes.h"
#include "game/music_format.h"

// Pixel masks are written for the byte order of every machine the game is built for.
static_assert(SDL_BYTEORDER == SDL_LIL_ENDIAN, "red-first masks assume little-endian pixels");

// ---- the frame loop ----

void runFrameLoop() {
    do runFrame();
    while (!quitRequested);
    shutDown();
}

void presentFrame() { SDL_GL_SwapBuffers(); }

std::uint32_t frameClockTicks() { return SDL_GetTicks(); }

void waitOutFrame(std::uint32_t waitMs) { SDL_Delay(waitMs); }

// ---- the window ----

void setWindowCaption(const char* caption) { SDL_WM_SetCaption(caption, nullptr); }

void showSystemCursor(bool shown) { SDL_ShowCursor(shown ? SDL_ENABLE : SDL_DISABLE); }

// ---- input ----

static Uint32 eventMask(QueuedEvents kind) {
    switch (kind) {
        case QueuedEvents::KeyDowns:
            return SDL_KEYDOWNMASK;
        case QueuedEvents::KeyUps:
            return SDL_KEYUPMASK;
        case QueuedEvents::ButtonDowns:
            return SDL_MOUSEBUTTONDOWNMASK;
        case QueuedEvents::ButtonUps:
            return SDL_MOUSEBUTTONUPMASK;
        default:
            return SDL_ALLEVENTS;
    }
}

bool takeQueuedEvent(SDL_Event* event, QueuedEvents kind) {
    return SDL_PeepEvents(event, 1, SDL_GETEVENT, eventMask(kind)) > 0;
}

int gameKeySymbol(int eventSymbol) { return eventSymbol; }

bool pointerOverWindow() { return (SDL_GetAppState() & SDL_APPMOUSEFOCUS) != 0; }

// ---- pictures ----

// Paletted, grey and 16-bit images have no upload format of their own: they are redrawn into
// 32-bit red-first pixels. The blit turns a colour key into transparent pixels (the new
// surface starts zeroed) and every other pixel opaque.
static SDL_Surface* widenToRgba(SDL_Surface* image) {
    const Uint32 r = 0x000000FF, g = 0x0000FF00, b = 0x00FF0000, a = 0xFF000000;
    SDL_Surface* wide = SDL_CreateRGBSurface(SDL_SWSURFACE, image->w, image->h, 32, r, g, b, a);
    if (wide == nullptr) return nullptr;
    SDL_SetAlpha(image, 0, SDL_ALPHA_OPAQUE);  // copy alpha as it is rather than blend it
    if (SDL_BlitSurface(image, nullptr, wide, nullptr) != 0) {
        SDL_FreeSurface(wide);
        return nullptr;
    }
    return wide;
}

SDL_Surface* decodeImage(const char* path) {
    SDL_Surface* image = loadPicture(path);
    if (image == nullptr || image->format->BytesPerPixel >= 3) return image;
    SDL_Surface* wide = widenToRgba(image);
    SDL_FreeSurface(image);
    return wide;
}

SDL_Surface* decodeImageForDisplay(const char* path) {
    SDL_Surface* image = loadPicture(path);
    if (image == nullptr) return nullptr;
    SDL_Surface* converted = SDL_DisplayFormatAlpha(image);
    SDL_FreeSurface(image);
    return converted;
}

// Only 3- and 4-byte pixels reach here; red in the lowest byte means the bytes lie in
// red-green-blue order, anything else is taken as blue first. OpenGL 1.x takes the bytes per
// pixel as the internal format.
void uploadTextureImage(const SDL_Surface* image, bool mipmaps) {
    const GLint components = image->format->BytesPerPixel;
    const bool redFirst = image->format->Rmask == 0x000000FF;
    const GLenum layout =
        components == 4 ? (redFirst ? GL_RGBA : GL_BGRA) : (redFirst ? GL_RGB : GL_BGR);
    if (mipmaps)
        gluBuild2DMipmaps(GL_TEXTURE_2D, components, image->w, image->h, layout, GL_UNSIGNED_BYTE,
                          image->pixels);
    else
        glTexImage2D(GL_TEXTURE_2D, 0, components, image->w, image->h, 0, layout, GL_UNSIGNED_BYTE,
                     image->pixels);
}

// ---- meshes ----

static void setMeshPointers(const Mesh& mesh) {
    glVertexPointer(3, GL_FLOAT, 0, mesh.positions);
    glTexCoordPointer(2, GL_FLOAT, 0, mesh.texCoords);
    glNormalPointer(GL_FLOAT, 0, mesh.normals);
}

void drawMeshAt(const Mesh& mesh, float x, float y, float z) {
    glPushMatrix();
    glTranslatef(x, y, z);
    setMeshPointers(mesh);
    glDrawArrays(GL_TRIANGLES, 0, mesh.vertexCount);
    glPopMatrix();
}

// Every mesh was drawn as it came.
void finishMeshDraws() {}

// ---- sound ----

void scheduleMusicStart(const char* path, void (*start)(const char*)) { start(path); }

// The decoder reads the music from here for as long as it plays; the next opening replaces it.
static MusicStream musicStream;

// The decoder writes 16-bit samples, converted in place when the device wants anything else:
// only a device that takes the stream as it is never converts.
static bool deviceTakes(MusicFormat music) {
    int rate = 0, channels = 0;
    Uint16 format = 0;
    return Mix_QuerySpec(&rate, &format, &channels) != 0 && rate == music.sampleRate &&
           channels == music.channels && format == AUDIO_S16;
}

bool openMusic(const char* path, Mix_Music** music) {
    *music = nullptr;
    musicStream = readMusicStream(path);
    // Zeros (nothing safe to play) leave the rate and channels to the library's defaults, as
    // do the zero sample format and buffer size always.
    if (Mix_OpenAudio(musicStream.format.sampleRate, 0, musicStream.format.channels, 0) != 0)
        return false;
    if (musicStream.format.sampleRate == 0 || !deviceTakes(musicStream.format)) return true;
    SDL_RWops* source =
        SDL_RWFromConstMem(musicStream.bytes.data(), static_cast<int>(musicStream.bytes.size()));
    if (source != nullptr) *music = Mix_LoadMUSType_RW(source, MUS_MP3, SDL_TRUE);
    return true;
}

// ---- storage ----

// The new file is written beside the old one first and moved over it only once it is complete.
static bool writeWholeFile(const char* path, const char* text) {
    std::FILE* file = std::fopen(path, "w");
    if (file == nullptr) return false;
    bool written = std::fputs(text, file) >= 0;
    written = std::fflush(file) == 0 && written;
    written = written && syncFileToDisk(file);
    return std::fclose(file) == 0 && written;
}

bool replaceFileWhole(const char* path, const char* text) {
    const std::string temporary = std::string(path) + ".tmp";
    if (writeWholeFile(temporary.c_str(), text) && moveFileOver(temporary.c_str(), path))
        return true;
    std::remove(temporary.c_str());
    return false;
}
