// Counts the frames a window presents, from outside the program that draws it: every picture
// put on the window (or a window inside it) is damage that the X server reports, and each
// report, once taken, is one frame. It writes what bench/swapcount.cpp writes, so that the
// tests read frames the same way from a Windows program under Wine as from the Linux build:
// the file FILE holds five little-endian 64-bit integers, 0 the frames so far, 2 the first
// one's CLOCK_REALTIME in ns, the others 0. Runs until the window is gone.
//
// Usage: framecount WINDOW FILE
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
