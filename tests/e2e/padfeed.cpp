// Preloaded into the game: an Xbox-layout pad in the FIFO at $SDL_JOYSTICK_DEVICE, which the
// test makes to plug the pad in and removes to pull it out, and writes joydev's 8-byte events
// into (axes 0 and 1 the stick, 6 and 7 the d-pad; buttons 0 south, 1 east, 7 start). The
// game's SDL opens the FIFO as a joydev device: Debian 12's SDL 1.2 itself, Debian 13's SDL 2
// beneath it with SDL_JOYSTICK_LINUX_CLASSIC=1. ioctl answers for it as xpad's driver does.
#include <dlfcn.h>
#include <linux/input.h>
#include <linux/joystick.h>
#include <sys/ioctl.h>
#include <sys/stat.h>

#include <cstdarg>
#include <cstdint>
#include <cstring>

constexpr const char* padName = "Microsoft X-Box 360 pad";
constexpr std::uint8_t axisCodes[] = {ABS_X,  ABS_Y,  ABS_Z,     ABS_RX,
                                      ABS_RY, ABS_RZ, ABS_HAT0X, ABS_HAT0Y};
constexpr std::uint16_t buttonCodes[] = {BTN_A,    BTN_B,      BTN_X,      BTN_Y,
                                         BTN_TL,   BTN_TR,     BTN_SELECT, BTN_START,
                                         BTN_MODE, BTN_THUMBL, BTN_THUMBR};

static bool isFifo(int fd) {
    struct stat node;
    return fstat(fd, &node) == 0 && S_ISFIFO(node.st_mode);
}

static int answer(void* argument, const void* value, std::size_t size) {
    std::memcpy(argument, value, size);
    return 0;
}

extern "C" int ioctl(int fd, unsigned long request, ...) {
    static const auto real =
        reinterpret_cast<int (*)(int, unsigned long, void*)>(dlsym(RTLD_NEXT, "ioctl"));
    va_list rest;
    va_start(rest, request);
    void* argument = va_arg(rest, void*);
    va_end(rest);
    if (_IOC_TYPE(request) != 'j' || !isFifo(fd)) return real(fd, request, argument);
    const std::uint8_t axes = sizeof axisCodes, buttons = sizeof buttonCodes / 2;
    if (request == JSIOCGAXES) return answer(argument, &axes, 1);
    if (request == JSIOCGBUTTONS) return answer(argument, &buttons, 1);
    if (request == JSIOCGAXMAP) return answer(argument, axisCodes, sizeof axisCodes);
    if (request == JSIOCGBTNMAP) return answer(argument, buttonCodes, sizeof buttonCodes);
    if (_IOC_NR(request) == _IOC_NR(JSIOCGNAME(0))) {
        std::strncpy(static_cast<char*>(argument), padName, _IOC_SIZE(request));
        return static_cast<int>(std::strlen(padName));
    }
    return real(fd, request, argument);
}
