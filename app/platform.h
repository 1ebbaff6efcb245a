// The platform seam: the few things the desktop (SDL 1.2 and OpenGL 1.x on a window system) and
// the browser (WebAssembly and WebGL in a page) do differently. Each function here has one
// definition in platform_desktop.cpp and one in platform_web.cpp; the game around them is shared.
#pragma once

#include <cstdint>

#include <GL/gl.h>
#include <SDL/SDL.h>
#include <SDL/SDL_mixer.h>

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

// ---- pictures ----

// A picture file decoded into a software surface of 3- or 4-byte pixels; null when it can't be.
SDL_Surface* decodeImage(const char* path);
// The same with 32-bit pixels that carry alpha, as the interface atlas is built from.
SDL_Surface* decodeImageWithAlpha(const char* path);
// Fills the bound texture from the surface: level 0, and every smaller level when asked.
// components is OpenGL 1.x's bytes per pixel, layout the order of the surface's bytes.
void uploadTextureImage(const SDL_Surface* image, GLint components, GLenum layout, bool mipmaps);

// ---- meshes ----

struct Mesh;

// Draws a mesh with the bound texture and the enabled client arrays, its own origin moved to
// x, y, z. The desktop draws it at once; the browser, where each draw call costs far more than
// moving a pillar's vertices, may keep it until finishMeshDraws.
void drawMeshAt(const Mesh& mesh, float x, float y, float z);
// Draws whatever drawMeshAt still keeps; called while the client arrays are still enabled.
void finishMeshDraws();

// ---- sound ----

struct MusicStream;

// Runs start(path), which opens the sound and plays the music file at path: on the desktop at
// once, as the last step of start-up. The browser shows the first frame first, then downloads
// the file (the site's largest, not needed for that frame) and runs start once it has arrived
// or failed to: its sound is heard only after the player's first gesture anyway.
void startMusicWhenHeard(const char* path, void (*start)(const char* path));

// The mixer's handle for the music file at path, or null where it cannot be played safely. The
// desktop's decoder reads the prepared stream alone, and only when the open audio device takes
// its rate and channels as they are; the browser decodes and resamples the file itself.
Mix_Music* loadMusic(const char* path, const MusicStream& stream);

// ---- storage ----

// Called once the score file has been replaced: makes the new file outlast the process.
void scoreFileSaved();
