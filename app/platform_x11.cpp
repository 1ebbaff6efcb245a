// The desktop on X11 (Linux): what differs from Windows beneath the shared SDL 1.2 side.
#include <SDL/SDL_image.h>
#include <SDL/SDL_syswm.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "app/display.h"
#include "app/platform.h"
#include "app/platform_desktop.h"

// ---- the process ----

// The launcher starts the game in the player's own folder, which holds its files.
void enterGameFolder() {}

void silenceLibraryMessages() { std::freopen("/dev/null", "w", stderr); }

bool localTimeNow(std::tm* local) {
    const std::time_t now = std::time(nullptr);
    return localtime_r(&now, local) != nullptr;
}

// ---- the window ----

// Debian's SDL 1.2 falls back to a text-mode driver when there is no X display; that driver
// writes to the terminal and can never make an OpenGL mode, so unless the player chose a
// driver, X11 is the only one worth trying.
void chooseVideoDriver() {
    if (SDL_getenv("SDL_VIDEODRIVER") == nullptr)
        SDL_putenv(const_cast<char*>("SDL_VIDEODRIVER=x11"));
}

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

// ---- what the shared desktop side asks for ----

SDL_Surface* loadPicture(const char* path) { return IMG_Load(path); }

bool syncFileToDisk(std::FILE* file) { return fsync(fileno(file)) == 0; }

bool moveFileOver(const char* from, const char* to) { return std::rename(from, to) == 0; }
