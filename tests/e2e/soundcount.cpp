// Preloaded into the game: counts the mixer's device opens against closes (by the mixer or SDL)
// and writes "opened N, closed M" to $SOUNDCOUNT_FILE from an exit handler registered at the first
// open, which runs after the game's handlers and before the libraries' destructors: what SDL's
// audio thread would find if it still ran as they take the library away.
#include <SDL/SDL.h>
#include <SDL/SDL_mixer.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

static int opens, closes;

static void report() {
    const char* path = std::getenv("SOUNDCOUNT_FILE");
    if (path == nullptr) return;
    char text[64];
    const int length = std::snprintf(text, sizeof text, "opened %d, closed %d\n", opens, closes);
    const int file = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (file < 0) return;
    if (write(file, text, static_cast<size_t>(length)) != length) std::perror("soundcount");
    close(file);
}

template <typename Function>
static Function next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

extern "C" int Mix_OpenAudio(int frequency, Uint16 format, int channels, int chunkSize) {
    static const auto real = next<int (*)(int, Uint16, int, int)>("Mix_OpenAudio");
    static bool reporting;
    if (!reporting) reporting = std::atexit(report) == 0;
    const int result = real(frequency, format, channels, chunkSize);
    if (result == 0) ++opens;
    return result;
}

static void closed() {
    if (closes < opens) ++closes;  // closing a closed device does nothing
}

extern "C" void SDL_CloseAudio() {
    static const auto real = next<void (*)()>("SDL_CloseAudio");
    real();
    closed();
}

extern "C" void SDL_QuitSubSystem(Uint32 flags) {
    static const auto real = next<void (*)(Uint32)>("SDL_QuitSubSystem");
    real(flags);
    if (flags & SDL_INIT_AUDIO) closed();
}

extern "C" void SDL_Quit() {
    static const auto real = next<void (*)()>("SDL_Quit");
    real();
    closed();
}
