// framecount WINDOW FILE: counts a window's frames from outside the program that draws it (a
// Windows program under Wine), each damage report of the X server one frame, into FILE as
// bench/swapcount.cpp writes it: 64-bit slots, 0 the frames, 2 the first's CLOCK_REALTIME ns.
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>

static int64_t nowNs() {
    timespec t;
    clock_gettime(CLOCK_REALTIME, &t);
    return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

static volatile int64_t* mapCounters(const char* path) {
    const int fd = open(path, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ftruncate(fd, 5 * sizeof(int64_t)) != 0) return nullptr;
    void* map = mmap(nullptr, 5 * sizeof(int64_t), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    return map == MAP_FAILED ? nullptr : static_cast<volatile int64_t*>(map);
}

static bool gone;
static int noteGone(Display*, XErrorEvent*) { return gone = true, 0; }

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    Display* display = XOpenDisplay(nullptr);
    volatile int64_t* counters = mapCounters(argv[2]);
    int damageEvent, damageError;
    if (display == nullptr || counters == nullptr ||
        !XDamageQueryExtension(display, &damageEvent, &damageError))
        return 1;
    const Window window = static_cast<Window>(std::strtoul(argv[1], nullptr, 0));
    XSetErrorHandler(noteGone);
    XSelectInput(display, window, StructureNotifyMask);
    const Damage damage = XDamageCreate(display, window, XDamageReportNonEmpty);
    XSync(display, False);
    while (!gone) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == DestroyNotify) break;
        if (event.type != damageEvent + XDamageNotify) continue;
        XDamageSubtract(display, damage, None, None);
        if (counters[2] == 0) counters[2] = nowNs();
        counters[0] += 1;
    }
    return 0;
}
