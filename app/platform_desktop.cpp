// The desktop side of the platform seam: SDL 1.2 and OpenGL 1.x with GLU.
#include "app/platform.h"

#include <cerrno>
#include <cstdlib>

#include <GL/glu.h>
#if !defined(_WIN32)
#include <SDL/SDL_syswm.h>
#include <sys/socket.h>
#endif

#include "app/display.h"
#include "app/main_loop.h"
#include "game/meshes.h"
#include "game/music_format.h"

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

// Debian's SDL 1.2 falls back to a text-mode driver when there is no X display; that driver
// writes to the terminal and can never make an OpenGL mode, so unless the player chose a
// driver, X11 is the only one worth trying.
void chooseVideoDriver() {
#if !defined(_WIN32)  // SDL's own choice there, windib, is the one that makes OpenGL windows
    if (SDL_getenv("SDL_VIDEODRIVER") == nullptr)
        SDL_putenv(const_cast<char*>("SDL_VIDEODRIVER=x11"));
#endif
}

void setWindowCaption(const char* caption) { SDL_WM_SetCaption(caption, nullptr); }

void showSystemCursor(bool shown) { SDL_ShowCursor(shown ? SDL_ENABLE : SDL_DISABLE); }

#if defined(_WIN32)
// Windows' SDL answers a refused mode with a null surface; nothing ends the process on the way.
void beginModeSet() {}
void endModeSet() {}
#else
// The socket of the connection to the X server while a mode is being set; -1 at other times.
static int modeSetConnection = -1;

static int displayConnection() {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWMInfo(&info) != 1 || info.info.x11.display == nullptr) return -1;
    return ConnectionNumber(info.info.x11.display);
}

// Xlib ends the process with exit(1) both when the server answers a request with an error and
// when the connection breaks. An error leaves the connection open, with the server still
// there; a break leaves the socket at its end or failing. Xlib does not close it before exiting.
static bool connectionOpen(int socket) {
    char next;
    const ssize_t got = recv(socket, &next, 1, MSG_PEEK | MSG_DONTWAIT);
    return got > 0 || (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK));
}

// Runs before every other exit handler registered earlier, and _Exit skips them: the display
// is half set up, and nothing more should talk to it.
static void endRefusedModeSet() {
    if (modeSetConnection >= 0 && connectionOpen(modeSetConnection)) std::_Exit(modeRefusedStatus);
}

void beginModeSet() {
    static bool handlerRegistered;
    if (!handlerRegistered) handlerRegistered = std::atexit(endRefusedModeSet) == 0;
    modeSetConnection = displayConnection();
}

void endModeSet() { modeSetConnection = -1; }
#endif

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

// Windows builds carry no SDL_image: libpng decodes the pictures into the surfaces it would give.
#if defined(_WIN32)
#include "app/png_decoder.h"
static SDL_Surface* loadPicture(const char* path) { return decodePng(path); }
#else
#include <SDL/SDL_image.h>
static SDL_Surface* loadPicture(const char* path) { return IMG_Load(path); }
#endif

// Paletted, grey and 16-bit images have no upload format of their own: they are redrawn into
// 32-bit red-first pixels. The blit turns a colour key into transparent pixels (the new
// surface starts zeroed) and every other pixel opaque.
static SDL_Surface* widenToRgba(SDL_Surface* image) {
#if SDL_BYTEORDER == SDL_LIL_ENDIAN
    const Uint32 r = 0x000000FF, g = 0x0000FF00, b = 0x00FF0000, a = 0xFF000000;
#else
    const Uint32 r = 0xFF000000, g = 0x00FF0000, b = 0x0000FF00, a = 0x000000FF;
#endif
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

SDL_Surface* decodeImageWithAlpha(const char* path) {
    SDL_Surface* image = loadPicture(path);
    if (image == nullptr) return nullptr;
    SDL_Surface* converted = SDL_DisplayFormatAlpha(image);
    SDL_FreeSurface(image);
    return converted;
}

void uploadTextureImage(const SDL_Surface* image, GLint components, GLenum layout, bool mipmaps) {
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

// The decoder writes 16-bit samples, converted in place when the device wants anything else:
// only a device that takes the stream as it is never converts.
static bool deviceTakes(MusicFormat music) {
    int rate = 0, channels = 0;
    Uint16 format = 0;
    return Mix_QuerySpec(&rate, &format, &channels) != 0 && rate == music.sampleRate &&
           channels == music.channels && format == AUDIO_S16;
}

void startMusicWhenHeard(const char* path, void (*start)(const char*)) { start(path); }

Mix_Music* loadMusic(const char*, const MusicStream& stream) {
    if (stream.format.sampleRate == 0 || !deviceTakes(stream.format)) return nullptr;
    SDL_RWops* source =
        SDL_RWFromConstMem(stream.bytes.data(), static_cast<int>(stream.bytes.size()));
    if (source == nullptr) return nullptr;
    return Mix_LoadMUSType_RW(source, MUS_MP3, SDL_TRUE);
}

// ---- storage ----

// The file system keeps what was renamed into place; nothing more to do.
void scoreFileSaved() {}
