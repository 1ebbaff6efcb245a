// The platform seam: the few things the desktops (SDL 1.2 and OpenGL 1.x on X11 or Windows) and
// the browser (WebAssembly and WebGL in a page) do differently. The build picks the definitions:
// platform_desktop.cpp with platform_x11.cpp or platform_win32.cpp beside it for what the two
// window systems do differently, or platform_web.cpp with the page's platform_web.js.
#pragma once

#include <cstdint>
#include <ctime>

#include <GL/gl.h>
#include <SDL/SDL.h>
#include <SDL/SDL_mixer.h>

struct RawPad;

// ---- the process ----

// Called first thing: moves to the folder the game's files live in, where the platform may
// start the game elsewhere.
void enterGameFolder();
// Libraries talk on stderr (ALSA, for one, on every machine without a sound card); the game
// itself prints nothing, so nothing of theirs reaches the player's terminal either.
void silenceLibraryMessages();
// The calendar time now in the local time zone; false where the runtime cannot convert it.
bool localTimeNow(std::tm* local);

// ---- the frame loop ----

// Runs frames after start-up until the game quits, then shuts SDL down. The desktop returns only
// then; the browser returns at once and runs each frame from the page's animation callback.
void runFrameLoop();
// Hands the finished frame to the window system or the page.
void presentFrame();
// Milliseconds on the frame clock's scale: SDL's ticks, or the time since the first frame.
std::uint32_t frameClockTicks();
// Makes the rest of a frame's minimum length pass before the next frame starts.
void waitOutFrame(std::uint32_t waitMs);

// ---- the window ----

// Called before SDL's video starts: the video driver to use, where there is a choice.
void chooseVideoDriver();
void setWindowCaption(const char* caption);
void showSystemCursor(bool shown);
// Bracket every SDL_SetVideoMode. An X server that refuses the mode makes Xlib end the process
// with status 1 from inside the call; between these two it ends with the status of a refused
// mode instead, unless the connection to the display was lost, which keeps its status.
void beginModeSet();
void endModeSet();

// ---- input ----

enum class QueuedEvents { KeyDowns, KeyUps, ButtonDowns, ButtonUps, Any };

// Takes the oldest queued event of that kind; false when there is none.
bool takeQueuedEvent(SDL_Event* event, QueuedEvents kind);
// The SDL 1.2 key symbol (the keys table's index) of a key event's symbol.
int gameKeySymbol(int eventSymbol);
bool pointerOverWindow();
// Reads up to capacity pads as they are now into pads; how many there are. A platform whose
// pads come and go without telling looks for new ones often enough that one plugged in works
// within about 2 s, and the reading never holds a frame up.
int readGamepads(RawPad* pads, int capacity);

// ---- pictures ----

// A picture file decoded into a software surface of 3- or 4-byte pixels; null when it can't be.
SDL_Surface* decodeImage(const char* path);
// The same in the display's own format with alpha, as the interface atlas is built in: the
// window's on the desktop; in the page, red-first RGBA, which every picture decodes to there.
SDL_Surface* decodeImageForDisplay(const char* path);
// Fills the bound texture from a surface made by the two above: level 0, and every smaller
// level when asked.
void uploadTextureImage(const SDL_Surface* image, bool mipmaps);

// ---- meshes ----

struct Mesh;

// Draws a mesh with the bound texture and the enabled client arrays, its own origin moved to
// x, y, z. The desktop draws it at once; the browser, where each draw call costs far more than
// moving a pillar's vertices, may keep it until finishMeshDraws.
void drawMeshAt(const Mesh& mesh, float x, float y, float z);
// Draws whatever drawMeshAt still keeps; called while the client arrays are still enabled.
void finishMeshDraws();

// ---- sound ----

// Runs start(path) when the music may begin: on the desktop at once, as the last step of
// start-up. The browser shows the first frame first, then downloads the file (the site's
// largest, not needed for that frame) and runs start once it has arrived or failed to: its
// sound is heard only after the player's first gesture anyway.
void scheduleMusicStart(const char* path, void (*start)(const char* path));

// Opens the sound device for the music file at path: true when the device is open, with *music
// the mixer's handle for the file, or null where it cannot be played safely. The desktop's mixer
// plays only the file's first long run of frames of one kind, on a device opened at their rate
// and channels; the browser decodes and resamples any file it can itself.
bool openMusic(const char* path, Mix_Music** music);

// ---- storage ----

// Replaces the file at path with one holding text, whole and durably: after a crash or a power
// cut the old file or the new one, never a torn one. On any failure the old file stays as it
// was, no temporary file is left, and the answer is false.
bool replaceFileWhole(const char* path, const char* text);
