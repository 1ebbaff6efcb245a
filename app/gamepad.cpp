#include "app/gamepad.h"

#include <SDL/SDL.h>

#include <cctype>

#include "app/input.h"
#include "app/platform.h"
#include "interface/buttons.h"
#include "interface/pause.h"

GamepadState gamepadState;

// On a chosen button, the pointer stands right of its label, which it would hide in the middle.
constexpr int padPointerColumn = buttonCentreColumn + 120;

// ---- which pad it is ----

enum PadFamily { xboxFamily, playStationFamily, unknownFamily, padFamilies };

// Microsoft's own pads and Valve's (the Deck, Steam's virtual pad) use the Xbox layout.
constexpr int microsoftVendor = 0x045E, sonyVendor = 0x054C, valveVendor = 0x28DE;

struct NamedFamily {
    const char* part;  // lower case, found anywhere in the pad's name
    PadFamily family;
};

// Linux's drivers name xpad's pads "Microsoft X-Box 360 pad", "Generic X-Box pad" and the
// like (Steam's virtual pad, through which Steam hands a game the Deck's controls, among them),
// and Sony's pads "Sony Interactive Entertainment Wireless Controller" or "DualSense Wireless
// Controller". Browsers number every pad they know in the standard layout.
constexpr NamedFamily namedFamilies[] = {
    {"x-box", xboxFamily},
    {"xbox", xboxFamily},
    {"xinput", xboxFamily},
    {"playstation", playStationFamily},
    {"sony", playStationFamily},
    {"dualsense", playStationFamily},
    {"dualshock", playStationFamily},
    {"wireless controller", playStationFamily},
};

// The layouts by platform numbering and family. Linux numbers buttons in the order of their
// event codes, which puts south first on both families; PlayStation pads have their triggers
// as buttons too, which moves Options to 9. DirectInput numbers Sony's Square first. A
// browser's standard layout is the same for every pad; any other, like an unknown pad, has
// only its first button to fly with.
constexpr PadLayout unknownLayout = {0, -1, -1, -1, -1};
constexpr PadLayout padLayouts[][padFamilies] = {
    // Linux: joydev puts the hat on the last two of 8 axes
    {{0, 1, 7, -1, 6}, {0, 1, 9, -1, 6}, unknownLayout},
    // Windows (winmm)
    {{0, 1, 7, -1, -1}, {1, 2, 9, -1, -1}, unknownLayout},
    // the browser's standard layout: the d-pad is buttons 12 to 15
    {{0, 1, 9, 12, -1}, {0, 1, 9, 12, -1}, {0, 1, 9, 12, -1}},
    // the browser, a layout of its own
    {unknownLayout, unknownLayout, unknownLayout},
};

static bool nameHolds(const char* name, const char* part) {
    for (const char* start = name; *start != '\0'; ++start) {
        const char* n = start;
        const char* p = part;
        while (*p != '\0' && std::tolower(static_cast<unsigned char>(*n)) == *p) ++n, ++p;
        if (*p == '\0') return true;
    }
    return false;
}

static PadFamily familyOf(const RawPad& pad) {
    if (pad.vendor == microsoftVendor || pad.vendor == valveVendor) return xboxFamily;
    if (pad.vendor == sonyVendor) return playStationFamily;
    for (const NamedFamily& named : namedFamilies)
        if (nameHolds(pad.name, named.part)) return named.family;
    return unknownFamily;
}

const PadLayout& padLayoutFor(const RawPad& pad) {
    const int numbering = static_cast<int>(pad.numbering);
    if (numbering < 0 || numbering >= static_cast<int>(sizeof padLayouts / sizeof padLayouts[0]))
        return unknownLayout;
    return padLayouts[numbering][familyOf(pad)];
}

// ---- what it holds ----

static bool buttonHeldOn(const RawPad& pad, int button) {
    return button >= 0 && button < pad.buttonCount && button < maxPadButtons && pad.buttons[button];
}

// A missing axis rests at the centre; one that is not a number steers nothing either.
static float axisOf(const RawPad& pad, int axis) {
    if (axis < 0 || axis >= pad.axisCount || axis >= maxPadAxes) return 0.0f;
    return pad.axes[axis];
}

struct Directions {
    bool left, right, up, down;
};

static Directions dpadOf(const RawPad& pad, const PadLayout& layout) {
    if (layout.dpadUp >= 0)
        return {buttonHeldOn(pad, layout.dpadUp + 2), buttonHeldOn(pad, layout.dpadUp + 3),
                buttonHeldOn(pad, layout.dpadUp), buttonHeldOn(pad, layout.dpadUp + 1)};
    if (pad.hasHat)
        return {(pad.hat & SDL_HAT_LEFT) != 0, (pad.hat & SDL_HAT_RIGHT) != 0,
                (pad.hat & SDL_HAT_UP) != 0, (pad.hat & SDL_HAT_DOWN) != 0};
    if (layout.dpadAxisX < 0) return {};
    const float x = axisOf(pad, layout.dpadAxisX), y = axisOf(pad, layout.dpadAxisX + 1);
    return {(x < -padChooseTilt), (x > padChooseTilt), (y < -padChooseTilt), (y > padChooseTilt)};
}

PadControls padControlsFrom(const RawPad& pad) {
    const PadLayout& layout = padLayoutFor(pad);
    const Directions dpad = dpadOf(pad, layout);
    const float x = axisOf(pad, 0), y = axisOf(pad, 1);
    PadControls controls;
    controls.left = x < -padDeadZone || dpad.left;
    controls.right = x > padDeadZone || dpad.right;
    controls.up = y < -padChooseTilt || dpad.up;
    controls.down = y > padChooseTilt || dpad.down;
    controls.south = buttonHeldOn(pad, layout.south);
    controls.east = buttonHeldOn(pad, layout.east);
    controls.start = buttonHeldOn(pad, layout.start);
    return controls;
}

// ---- what the game hears ----

// A key or button follows the pad's control as the window system's events would move it. A
// control held while the entry reads up (the keyboard let go of the same key) holds it again.
static void follow(ButtonState& entry, bool was, bool now) {
    if (now && !was)
        entry = buttonWentDown;
    else if (now && entry == buttonUp)
        entry = buttonHeld;
    else if (!now && was)
        entry = buttonUp;
}

static bool pressed(bool was, bool now) { return now && !was; }

static bool anyPressed(const PadControls& was, const PadControls& now) {
    return pressed(was.left, now.left) || pressed(was.right, now.right) ||
           pressed(was.up, now.up) || pressed(was.down, now.down) ||
           pressed(was.south, now.south) || pressed(was.east, now.east) ||
           pressed(was.start, now.start);
}

// Whichever moved last places the pointer: the mouse takes it back by moving.
static void noticeMouse(GamepadState& pad) {
    if (inputState.pointerX == pad.mouseX && inputState.pointerY == pad.mouseY) return;
    pad.mouseX = inputState.pointerX;
    pad.mouseY = inputState.pointerY;
    pad.movedLast = false;
}

void applyPadControls(const PadControls& now) {
    GamepadState& pad = gamepadState;
    const PadControls was = pad.held;
    noticeMouse(pad);
    if (anyPressed(was, now)) pad.movedLast = true;
    follow(inputState.keys[keyLeft], was.left, now.left);
    follow(inputState.keys[keyRight], was.right, now.right);
    // East resumes as Escape does, and does nothing while no overlay is there to leave.
    const bool escape = now.start || (now.east && paused);
    follow(inputState.keys[keyEscape], pad.escapeHeld, escape);
    follow(inputState.mouseButtons[leftMouseButton], was.south, now.south);
    if (paused && pressed(was.up, now.up)) pad.chosenButton = 0;
    if (paused && pressed(was.down, now.down)) pad.chosenButton = 1;
    pad.escapeHeld = escape;
    pad.held = now;
}

static void holdTogether(PadControls& all, const PadControls& one) {
    all.left |= one.left, all.right |= one.right, all.up |= one.up, all.down |= one.down;
    all.south |= one.south, all.east |= one.east, all.start |= one.start;
}

void pollGamepads() {
    static RawPad pads[maxPads];
    const int count = readGamepads(pads, maxPads);
    PadControls all = {};
    for (int i = 0; i < count && i < maxPads; ++i) holdTogether(all, padControlsFrom(pads[i]));
    applyPadControls(all);
}

bool padPlacesPointer() { return gamepadState.movedLast && pauseProgress != 0.0f; }

bool pointerShown(bool mouseInWindow) {
    return padPlacesPointer() || (mouseInWindow && !gamepadState.movedLast);
}

void aimPadPointer(int buttonLine) {
    GamepadState& pad = gamepadState;
    if (paused && !pad.overlayOpen) pad.chosenButton = 0;
    pad.overlayOpen = paused;
    if (!padPlacesPointer()) return;
    inputState.pointerX = padPointerColumn;
    inputState.pointerY = buttonLine + (pad.chosenButton == 1 ? exitButtonBelow : 0);
}
