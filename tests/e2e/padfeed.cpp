// Preloaded into the game: an Xbox-layout pad fed from the FIFO at $SDL_JOYSTICK_DEVICE, which
// the test makes to plug the pad in and removes to pull it out, and writes joydev's 8-byte
// events into (axes 0 and 1 the stick, 6 and 7 the d-pad; buttons 0 south, 1 east, 7 start).
// Debian 12's SDL 1.2 opens the FIFO as a joydev device itself; here ioctl answers for it as
// xpad's driver would. Under Debian 13's SDL 1.2 (carried by SDL 2), which reads only real
// devices, the FIFO's events move an SDL 2 virtual joystick instead: attached whenever the
// game starts its joysticks while the FIFO is there, under a start of this library's own so
// that the game's restarts keep it, and detached once the FIFO has gone.
#include <SDL/SDL.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <linux/joystick.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <type_traits>

constexpr const char* padName = "Microsoft X-Box 360 pad";
constexpr int padAxes = 8, padButtons = 11;

template <typename Function>
static Function next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

static bool isFifo(int fd) {
    struct stat node;
    return fstat(fd, &node) == 0 && S_ISFIFO(node.st_mode);
}

extern "C" int ioctl(int fd, unsigned long request, ...) {
    static const auto real = next<int (*)(int, unsigned long, void*)>("ioctl");
    va_list rest;
    va_start(rest, request);
    void* argument = va_arg(rest, void*);
    va_end(rest);
    if (_IOC_TYPE(request) != 'j' || !isFifo(fd)) return real(fd, request, argument);
    if (request == JSIOCGAXES) return *static_cast<std::uint8_t*>(argument) = padAxes, 0;
    if (request == JSIOCGBUTTONS) return *static_cast<std::uint8_t*>(argument) = padButtons, 0;
    if (_IOC_NR(request) == _IOC_NR(JSIOCGNAME(0))) {
        std::strncpy(static_cast<char*>(argument), padName, _IOC_SIZE(request));
        return static_cast<int>(std::strlen(padName));
    }
    return real(fd, request, argument);
}

// ---- SDL 2's virtual joystick, as its 2.24 and later headers lay it out ----

struct VirtualJoystickDesc {
    std::uint16_t version, type, naxes, nbuttons, nhats, vendorId, productId, padding;
    std::uint32_t buttonMask, axisMask;
    const char* name;
    void* userdata;
    void (*update)(void*);
    void* rest[5];
};

struct Sdl2 {
    int (*initSubSystem)(std::uint32_t);
    int (*attach)(const VirtualJoystickDesc*);
    int (*detach)(int);
    int (*numJoysticks)();
    int (*isVirtual)(int);
    int (*setAxis)(SDL_Joystick*, int, std::int16_t);
    int (*setButton)(SDL_Joystick*, int, std::uint8_t);
    int (*setHat)(SDL_Joystick*, int, std::uint8_t);
    SDL_Joystick* (*open)(int);
    void (*close)(SDL_Joystick*);
};

static Sdl2 sdl2;
static SDL_Joystick* fed;  // this library's own handle on the virtual joystick
static int fifo = -1;
static std::int16_t axes[padAxes];
static std::uint8_t buttons[padButtons];

static bool findSdl2() {
    if (sdl2.attach != nullptr) return true;
    void* library = dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_NOLOAD);
    if (library == nullptr) return false;
    const auto find = [library](auto& function, const char* name) {
        function =
            reinterpret_cast<std::remove_reference_t<decltype(function)>>(dlsym(library, name));
    };
    find(sdl2.initSubSystem, "SDL_InitSubSystem");
    find(sdl2.detach, "SDL_JoystickDetachVirtual");
    find(sdl2.numJoysticks, "SDL_NumJoysticks");
    find(sdl2.isVirtual, "SDL_JoystickIsVirtual");
    find(sdl2.setAxis, "SDL_JoystickSetVirtualAxis");
    find(sdl2.setButton, "SDL_JoystickSetVirtualButton");
    find(sdl2.setHat, "SDL_JoystickSetVirtualHat");
    find(sdl2.open, "SDL_JoystickOpen");
    find(sdl2.close, "SDL_JoystickClose");
    find(sdl2.attach, "SDL_JoystickAttachVirtualEx");
    return sdl2.attach != nullptr && sdl2.initSubSystem(SDL_INIT_JOYSTICK) == 0;
}

static void readFifo() {
    js_event events[64];
    ssize_t got;
    while ((got = read(fifo, events, sizeof events)) > 0)
        for (ssize_t i = 0; i < got / static_cast<ssize_t>(sizeof events[0]); ++i) {
            const js_event& event = events[i];
            if (event.type == JS_EVENT_AXIS && event.number < padAxes)
                axes[event.number] = event.value;
            else if (event.type == JS_EVENT_BUTTON && event.number < padButtons)
                buttons[event.number] = event.value != 0;
        }
}

static std::uint8_t hatOf(std::int16_t x, std::int16_t y) {
    return (y < 0 ? SDL_HAT_UP : 0) | (y > 0 ? SDL_HAT_DOWN : 0) | (x < 0 ? SDL_HAT_LEFT : 0) |
           (x > 0 ? SDL_HAT_RIGHT : 0);
}

static void feed(void*) {
    readFifo();
    for (int i = 0; i < 6; ++i) sdl2.setAxis(fed, i, axes[i]);
    for (int i = 0; i < padButtons; ++i) sdl2.setButton(fed, i, buttons[i]);
    sdl2.setHat(fed, 0, hatOf(axes[6], axes[7]));
}

static void attachVirtualPad(const char* path) {
    fifo = open(path, O_RDONLY | O_NONBLOCK);
    VirtualJoystickDesc pad = {};
    pad.version = 1;
    pad.type = 1;  // a game controller
    pad.naxes = 6, pad.nbuttons = padButtons, pad.nhats = 1;
    pad.vendorId = 0x045E, pad.productId = 0x028E;
    pad.name = padName;
    pad.update = feed;
    const int index = sdl2.attach(&pad);
    fed = index >= 0 ? sdl2.open(index) : nullptr;
}

static void detachVirtualPad() {
    sdl2.close(fed);
    fed = nullptr;
    for (int i = 0; i < sdl2.numJoysticks(); ++i)
        if (sdl2.isVirtual(i)) sdl2.detach(i);
    close(fifo);
    fifo = -1;
    std::memset(axes, 0, sizeof axes);
    std::memset(buttons, 0, sizeof buttons);
}

extern "C" int SDL_InitSubSystem(Uint32 flags) {
    static const auto real = next<int (*)(Uint32)>("SDL_InitSubSystem");
    const char* path = SDL_getenv("SDL_JOYSTICK_DEVICE");
    struct stat node;
    if ((flags & SDL_INIT_JOYSTICK) && path != nullptr && findSdl2()) {
        const bool plugged = stat(path, &node) == 0 && S_ISFIFO(node.st_mode);
        if (plugged && fed == nullptr) attachVirtualPad(path);
        if (!plugged && fed != nullptr) detachVirtualPad();
    }
    return real(flags);
}
