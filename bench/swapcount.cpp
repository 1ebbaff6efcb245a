// Counts a program's buffer swaps without changing the program: preloaded (LD_PRELOAD), it wraps
// SDL 1.2's SDL_GL_SwapBuffers, SDL2's SDL_GL_SwapWindow and glXSwapBuffers, and keeps its
// figures in a small file mapped into memory, so a reader sees them live and they survive
// SIGKILL. The file named by SWAPCOUNT_FILE holds five little-endian 64-bit integers:
//   0 swaps so far
//   1 CLOCK_REALTIME of the library's load, in ns (just after exec)
//   2 CLOCK_REALTIME when the first swap returned, in ns (0 before it)
//   3 CLOCK_REALTIME when the latest swap returned, in ns
//   4 ns spent inside the swaps (with llvmpipe the drawing happens there)
// Without SWAPCOUNT_FILE the wrappers only pass the calls on.
// Under sdl12-compat (SDL 1.2 on SDL 2) only the outer wrapper can see a swap: SDL 2 is loaded
// with dlopen and reached, like the GL driver under it, through pointers looked up in those
// libraries themselves, which no preload comes between; the program's own call to
// SDL_GL_SwapBuffers still binds here, so one swap counts once on either SDL 1.2.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#include <cstdint>
#include <cstdlib>
#include <ctime>

enum { swapsSlot, loadedSlot, firstSwapSlot, lastSwapSlot, swapNsSlot, slotCount };

static volatile int64_t* counters;

extern "C" {
void SDL_GL_SwapBuffers();
void SDL_GL_SwapWindow(void* window);
void glXSwapBuffers(void* display, unsigned long drawable);
}
static thread_local int swapDepth;  // SDL's swap calls glXSwapBuffers: count the outermost only

static int64_t nowNs(clockid_t clock) {
    struct timespec t;
    clock_gettime(clock, &t);
    return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

__attribute__((constructor)) static void openCounters() {
    const int64_t loaded = nowNs(CLOCK_REALTIME);
    const char* path = getenv("SWAPCOUNT_FILE");
    if (path == nullptr || path[0] == '\0') return;
    const int fd = open(path, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return;
    const size_t size = slotCount * sizeof(int64_t);
    if (ftruncate(fd, static_cast<off_t>(size)) == 0) {
        void* map = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (map != MAP_FAILED) counters = static_cast<volatile int64_t*>(map);
    }
    close(fd);
    if (counters != nullptr) counters[loadedSlot] = loaded;
}

static void enterSwap(int64_t* startedNs) {
    ++swapDepth;
    *startedNs = swapDepth == 1 && counters != nullptr ? nowNs(CLOCK_REALTIME) : 0;
}

static void leaveSwap(int64_t startedNs) {
    if (--swapDepth != 0 || counters == nullptr) return;
    const int64_t done = nowNs(CLOCK_REALTIME);
    // Children that the program starts once it draws (a shell, say) must not count into the
    // same file; a launcher that execs the program before it draws must pass the file on.
    if (counters[firstSwapSlot] == 0) {
        unsetenv("SWAPCOUNT_FILE");
        counters[firstSwapSlot] = done;
    }
    counters[lastSwapSlot] = done;
    counters[swapNsSlot] += done - startedNs;
    counters[swapsSlot] += 1;
}

static void* nextSymbol(const char* name) { return dlsym(RTLD_NEXT, name); }

void SDL_GL_SwapBuffers() {
    static auto real = reinterpret_cast<void (*)()>(nextSymbol("SDL_GL_SwapBuffers"));
    int64_t started;
    enterSwap(&started);
    if (real != nullptr) real();
    leaveSwap(started);
}

void SDL_GL_SwapWindow(void* window) {
    static auto real = reinterpret_cast<void (*)(void*)>(nextSymbol("SDL_GL_SwapWindow"));
    int64_t started;
    enterSwap(&started);
    if (real != nullptr) real(window);
    leaveSwap(started);
}

void glXSwapBuffers(void* display, unsigned long drawable) {
    static auto real =
        reinterpret_cast<void (*)(void*, unsigned long)>(nextSymbol("glXSwapBuffers"));
    int64_t started;
    enterSwap(&started);
    if (real != nullptr) real(display, drawable);
    leaveSwap(started);
}
