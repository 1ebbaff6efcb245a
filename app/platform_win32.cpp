// The desktop on Windows: what differs from X11 beneath the shared SDL 1.2 side.
#include <io.h>
#include <windows.h>

#include <mmsystem.h>  // after windows.h, whose types it uses

#include <algorithm>
#include <cstdio>
#include <cwchar>

#include "app/gamepad.h"
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

// ---- pads ----

// winmm reads the pads: SDL 1.2's own joystick code finds them only at its start. Its calls may
// take long: under Wine the first one took 10 s and later ones up to 80 ms every 2 s. So a
// thread of its own reads them, looks for new ones every 2 s, and the frames take its latest
// reading. The thread lives as long as the process.
constexpr DWORD padRereadMs = 8;
constexpr DWORD padLookMs = 2000;
constexpr UINT padIds = 16;  // winmm's own limit

struct PadSlot {
    bool present;
    JOYCAPSA caps;
    char name[MAXPNAMELEN];
};

// The thread's latest reading, under the lock; each side keeps its own copy of the names.
static CRITICAL_SECTION padLock;
static RawPad latestPads[maxPads];
static char latestNames[maxPads][MAXPNAMELEN];
static int latestPadCount;

static void copyPads(const RawPad* from, int count, RawPad* to, char (*names)[MAXPNAMELEN]) {
    for (int i = 0; i < count; ++i) {
        to[i] = from[i];
        std::snprintf(names[i], MAXPNAMELEN, "%s", from[i].name);
        to[i].name = names[i];
    }
}

static float padAxis(DWORD value, UINT low, UINT high) {
    if (high <= low) return 0.0f;
    return (static_cast<float>(value) - low) / static_cast<float>(high - low) * 2.0f - 1.0f;
}

// The point of view in hundredths of a degree clockwise from up, or centred.
static int hatOfPov(DWORD pov) {
    if (LOWORD(pov) == JOY_POVCENTERED) return 0;
    int hat = 0;
    if (pov > 27000 || pov < 9000) hat |= SDL_HAT_UP;
    if (pov > 0 && pov < 18000) hat |= SDL_HAT_RIGHT;
    if (pov > 9000 && pov < 27000) hat |= SDL_HAT_DOWN;
    if (pov > 18000) hat |= SDL_HAT_LEFT;
    return hat;
}

static bool readPadSlot(UINT id, const PadSlot& slot, RawPad* pad) {
    JOYINFOEX info = {};
    info.dwSize = sizeof info;
    info.dwFlags = JOY_RETURNALL;
    if (joyGetPosEx(id, &info) != JOYERR_NOERROR) return false;
    const JOYCAPSA& caps = slot.caps;
    *pad = {};
    pad->name = slot.name;
    pad->vendor = caps.wMid;
    pad->numbering = PadNumbering::Windows;
    const float axes[] = {
        padAxis(info.dwXpos, caps.wXmin, caps.wXmax), padAxis(info.dwYpos, caps.wYmin, caps.wYmax),
        padAxis(info.dwZpos, caps.wZmin, caps.wZmax), padAxis(info.dwRpos, caps.wRmin, caps.wRmax),
        padAxis(info.dwUpos, caps.wUmin, caps.wUmax), padAxis(info.dwVpos, caps.wVmin, caps.wVmax)};
    pad->axisCount = static_cast<int>(std::min<UINT>(caps.wNumAxes, 6));
    for (int i = 0; i < pad->axisCount; ++i) pad->axes[i] = axes[i];
    pad->buttonCount = static_cast<int>(std::min<UINT>(caps.wNumButtons, maxPadButtons));
    for (int i = 0; i < pad->buttonCount; ++i) pad->buttons[i] = (info.dwButtons >> i) & 1;
    pad->hasHat = (caps.wCaps & JOYCAPS_HASPOV) != 0;
    if (pad->hasHat) pad->hat = hatOfPov(info.dwPOV);
    return true;
}

static void lookForPads(PadSlot* slots) {
    for (UINT id = 0; id < padIds; ++id) {
        PadSlot& slot = slots[id];
        slot.present = joyGetDevCapsA(id, &slot.caps, sizeof slot.caps) == JOYERR_NOERROR;
        if (slot.present) std::snprintf(slot.name, sizeof slot.name, "%s", slot.caps.szPname);
    }
}

static DWORD WINAPI readPadsForever(void*) {
    static PadSlot slots[padIds];
    static RawPad read[maxPads];
    DWORD lastLook = GetTickCount() - padLookMs;
    for (;;) {
        if (GetTickCount() - lastLook >= padLookMs) {
            lookForPads(slots);
            lastLook = GetTickCount();
        }
        int count = 0;
        for (UINT id = 0; id < padIds && count < maxPads; ++id)
            if (slots[id].present && readPadSlot(id, slots[id], &read[count])) ++count;
        EnterCriticalSection(&padLock);
        copyPads(read, count, latestPads, latestNames);
        latestPadCount = count;
        LeaveCriticalSection(&padLock);
        Sleep(padRereadMs);
    }
}

int readGamepads(RawPad* pads, int capacity) {
    static bool started;
    if (!started) {
        InitializeCriticalSection(&padLock);
        const HANDLE thread = CreateThread(nullptr, 0, readPadsForever, nullptr, 0, nullptr);
        if (thread != nullptr) CloseHandle(thread);
        started = true;
    }
    static char names[maxPads][MAXPNAMELEN];
    EnterCriticalSection(&padLock);
    const int count = std::min({latestPadCount, capacity, maxPads});
    copyPads(latestPads, count, pads, names);
    LeaveCriticalSection(&padLock);
    return count;
}
