// The desktop on Windows: what differs from X11 beneath the shared SDL 1.2 side.
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "app/platform.h"
#include "app/platform_desktop.h"
#include "app/png_decoder.h"

// ---- the process ----

// The game's files (Media, settings, score) live in its folder. Explorer and the Start-menu
// shortcut start it there; started from anywhere else (a command prompt, a shortcut without a
// working folder) it moves to the program's own folder when the working folder has no Media.
void enterGameFolder() {
    if (GetFileAttributesW(L"Media") != INVALID_FILE_ATTRIBUTES) return;
    static wchar_t path[32768];
    const DWORD length = GetModuleFileNameW(nullptr, path, sizeof path / sizeof path[0]);
    if (length == 0 || length >= sizeof path / sizeof path[0]) return;
    wchar_t* lastSeparator = std::wcsrchr(path, L'\\');
    if (lastSeparator == nullptr) return;
    *lastSeparator = L'\0';
    SetCurrentDirectoryW(path);
}

void silenceLibraryMessages() { std::freopen("NUL", "w", stderr); }

bool localTimeNow(std::tm* local) {
    const std::time_t now = std::time(nullptr);
    return localtime_s(local, &now) == 0;
}

// ---- the window ----

// SDL's own choice, windib, is the one that makes OpenGL windows.
void chooseVideoDriver() {}

// Windows' SDL answers a refused mode with a null surface; nothing ends the process on the way.
void beginModeSet() {}
void endModeSet() {}

// ---- what the shared desktop side asks for ----

SDL_Surface* loadPicture(const char* path) { return decodePng(path); }

bool syncFileToDisk(std::FILE* file) { return _commit(_fileno(file)) == 0; }

bool moveFileOver(const char* from, const char* to) {
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}
