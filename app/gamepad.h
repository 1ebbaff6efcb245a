// Gamepads: one mapping of the game's own from a pad as its platform numbers it to the cursor
// keys, Escape and the left mouse button that the game already reads. The platform reads the
// pads (readGamepads); this module picks each pad's layout, writes what they hold into
// inputState after pollInput, and chooses between the pause overlay's buttons with up and down.
#pragma once

constexpr int maxPads = 4;
constexpr int maxPadAxes = 8;
constexpr int maxPadButtons = 32;

// How the platform numbers a pad's buttons: SDL 1.2 on Linux by the kernel's event codes,
// winmm on Windows as DirectInput does, a browser in the Gamepad API's "standard" layout or,
// for a pad it does not know, in an order of its own.
enum class PadNumbering { Linux, Windows, Standard, Browser };

// One pad as read: axes -1 (left, up) .. 1, buttons, and the first hat in SDL's bits.
struct RawPad {
    const char* name;  // the driver's or the browser's, never null
    int vendor;        // USB vendor id; 0 where the platform does not tell
    PadNumbering numbering;
    int axisCount, buttonCount;
    float axes[maxPadAxes];
    bool buttons[maxPadButtons];
    bool hasHat;
    int hat;  // SDL_HAT_UP 1, SDL_HAT_RIGHT 2, SDL_HAT_DOWN 4, SDL_HAT_LEFT 8
};

// Button numbers of one family of pads on one platform; -1 where it has none.
struct PadLayout {
    int south, east, start;
    int dpadUp;     // the first of the d-pad's buttons (up, down, left, right)
    int dpadAxisX;  // with no hat: the d-pad's axis across, the one after it down
};

// What every pad comes to, whichever it is.
struct PadControls {
    bool left, right, up, down, south, east, start;
};

struct GamepadState {
    PadControls held;    // by all pads together at the latest frame
    bool escapeHeld;     // Start, or East while paused, stands for a held Escape
    int chosenButton;    // on the pause overlay: 0 "Resume game", 1 "Exit"
    bool overlayOpen;    // paused, as last seen: a new opening chooses "Resume game"
    bool movedLast;      // a pad, not the mouse, was used last: it places the pointer
    int mouseX, mouseY;  // where the mouse was last seen, to tell when it moves
};

extern GamepadState gamepadState;

// A stick resting this far off centre, or less, steers nothing.
constexpr float padDeadZone = 0.25f;
// Up and down choose on the pause overlay past half the stick's travel.
constexpr float padChooseTilt = 0.5f;

const PadLayout& padLayoutFor(const RawPad& pad);
PadControls padControlsFrom(const RawPad& pad);
// Writes the change from the previous frame's controls into inputState; none held releases all.
void applyPadControls(const PadControls& controls);
// Reads every pad and applies what they hold together; called right after pollInput.
void pollGamepads();
// After updatePause: while the overlay shows and a pad was used last, the pointer stands on the
// chosen button, whose centre line is buttonLine or the one below.
void aimPadPointer(int buttonLine);
bool padPlacesPointer();
// Whether the game draws its pointer: where a pad places it, or where the mouse is when the
// mouse moved last (a pad player sees no pointer left in the middle of a full screen).
bool pointerShown(bool mouseInWindow);
