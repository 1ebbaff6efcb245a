#include "app/main_loop.h"
#include "app/platform.h"

#if defined(_WIN32)
#include <windows.h>

// The game's files (Media, settings, score) live in its folder. Explorer and the Start-menu
// shortcut start it there; started from anywhere else (a command prompt, a shortcut without a
// working folder) it moves to the program's own folder when the working folder has no Media.
static void findGameFolder() {
    if (GetFileAttributesW(L"Media") != INVALID_FILE_ATTRIBUTES) return;
    static wchar_t path[32768];
    const DWORD length = GetModuleFileNameW(nullptr, path, sizeof path / sizeof path[0]);
    if (length == 0 || length >= sizeof path / sizeof path[0]) return;
    wchar_t* lastSeparator = wcsrchr(path, L'\\');
    if (lastSeparator == nullptr) return;
    *lastSeparator = L'\0';
    SetCurrentDirectoryW(path);
}
#else
static void findGameFolder() {}
#endif

int main(int, char**) {
    findGameFolder();
    startUp();
    runFrameLoop();
    return 0;
}
