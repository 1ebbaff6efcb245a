// The desktop on X11 (Linux): what differs from Windows beneath the shared SDL 1.2 side.
#include <SDL/SDL_image.h>
#include <SDL/SDL_syswm.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/display.h"
#include "app/gamepad.h"
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

// ---- pads ----

// SDL 1.2 finds joysticks only as its joystick subsystem starts, and tells nothing when one
// comes or goes; a pulled pad's last state would stay. So the subsystem starts again whenever
// the devices may have changed: /dev/input gains or loses a node, or one of the player's own
// SDL_JOYSTICK_DEVICE paths comes or goes. A look costs a few stat calls a frame; a restart,
// only when something changed, about a millisecond. Events are ignored: the state is read.
struct OpenPad {
    SDL_Joystick* joystick;
    char name[128];
};

static OpenPad openPads[maxPads];
static int openPadCount;
static unsigned long long devicesSeen = ~0ULL;

static unsigned long long mixIn(unsigned long long seen, unsigned long long value) {
    return (seen ^ value) * 1099511628211ULL;
}

static unsigned long long padDevicesNow() {
    struct stat node;
    unsigned long long seen = 14695981039346656037ULL;
    if (stat("/dev/input", &node) == 0)
        seen = mixIn(mixIn(seen, node.st_mtim.tv_sec), node.st_mtim.tv_nsec);
    const char* paths = SDL_getenv("SDL_JOYSTICK_DEVICE");
    for (const char* path = paths; path != nullptr && *path != '\0';) {
        const char* end = std::strchr(path, ':');
        char one[PATH_MAX];
        const std::size_t length = end ? static_cast<std::size_t>(end - path) : std::strlen(path);
        if (length < sizeof one) {
            std::memcpy(one, path, length);
            one[length] = '\0';
            seen = mixIn(seen, stat(one, &node) == 0 ? node.st_ino + 1 : 0);
        }
        path = end ? end + 1 : nullptr;
    }
    return seen;
}

static bool joystickSystemStarted;

static void openEveryPad() {
    openPadCount = 0;
    // Only the game's own start is quit: under Debian 13's SDL 1.2, SDL 2 counts its starts,
    // and one made by anything else beside the game stays.
    if (joystickSystemStarted) SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    joystickSystemStarted = SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0;
    if (!joystickSystemStarted) return;
    SDL_JoystickEventState(SDL_IGNORE);
    for (int i = 0; i < SDL_NumJoysticks() && openPadCount < maxPads; ++i) {
        OpenPad& pad = openPads[openPadCount];
        pad.joystick = SDL_JoystickOpen(i);
        if (pad.joystick == nullptr) continue;
        // SDL 1.2 opens the device again for every name asked: once, here.
        const char* name = SDL_JoystickName(i);
        std::snprintf(pad.name, sizeof pad.name, "%s", name != nullptr ? name : "");
        ++openPadCount;
    }
}

static void readOpenPad(const OpenPad& open, RawPad* pad) {
    SDL_Joystick* joystick = open.joystick;
    *pad = {};
    pad->name = open.name;
    pad->numbering = PadNumbering::Linux;
    pad->axisCount = std::min(SDL_JoystickNumAxes(joystick), maxPadAxes);
    pad->buttonCount = std::min(SDL_JoystickNumButtons(joystick), maxPadButtons);
    for (int i = 0; i < pad->axisCount; ++i)
        pad->axes[i] = std::max(SDL_JoystickGetAxis(joystick, i) / 32767.0f, -1.0f);
    for (int i = 0; i < pad->buttonCount; ++i)
        pad->buttons[i] = SDL_JoystickGetButton(joystick, i) != 0;
    pad->hasHat = SDL_JoystickNumHats(joystick) > 0;
    if (pad->hasHat) pad->hat = SDL_JoystickGetHat(joystick, 0);
}

int readGamepads(RawPad* pads, int capacity) {
    const unsigned long long now = padDevicesNow();
    if (now != devicesSeen) {
        devicesSeen = now;
        openEveryPad();
    }
    if (openPadCount == 0) return 0;
    SDL_JoystickUpdate();
    const int count = std::min(openPadCount, capacity);
    for (int i = 0; i < count; ++i) readOpenPad(openPads[i], &pads[i]);
    return count;
}
