// Pads: a family's buttons read from the wrong numbers, a resting stick that steers, a d-pad
// that does not, a key left held when the pad goes, East pausing a run, and the pause
// overlay's choice standing anywhere but on its buttons.
#include <gtest/gtest.h>

#include <cmath>

#include <SDL/SDL.h>

#include "app/gamepad.h"
#include "app/input.h"
#include "interface/pause.h"

static RawPad padOf(const char* name, int vendor, PadNumbering numbering) {
    RawPad pad = {};
    pad.name = name, pad.vendor = vendor, pad.numbering = numbering;
    pad.axisCount = 8, pad.buttonCount = 16;
    return pad;
}

TEST(Gamepad, EachFamilyIsReadFromItsOwnNumbersOnEachPlatform) {
    using N = PadNumbering;
    const struct {
        const char* name;
        int vendor;
        N numbering;
        int south, east, start;
    } pads[] = {
        {"Microsoft X-Box 360 pad", 0, N::Linux, 0, 1, 7},
        {"Sony Interactive Entertainment DualSense Wireless Controller", 0, N::Linux, 0, 1, 9},
        {"Microsoft PC-joystick driver", 0x054C, N::Windows, 1, 2, 9},
        {"Microsoft PC-joystick driver", 0x28DE, N::Windows, 0, 1, 7},
        {"Wireless Controller (STANDARD GAMEPAD Vendor: 054c)", 0, N::Standard, 0, 1, 9},
        {"USB Gamepad", 0, N::Linux, 0, -1, -1},
    };
    for (const auto& row : pads) {
        const PadLayout& layout = padLayoutFor(padOf(row.name, row.vendor, row.numbering));
        EXPECT_EQ(layout.south * 100 + layout.east * 10 + layout.start,
                  row.south * 100 + row.east * 10 + row.start)
            << row.name;
    }
}

TEST(Gamepad, TheStickSteersPastAQuarterAndTheDpadAsAHatAxesOrButtons) {
    RawPad pad = padOf("Generic X-Box pad", 0, PadNumbering::Linux);
    for (float x : {-0.25f, 0.25f, NAN}) {
        pad.axes[0] = x;
        EXPECT_FALSE(padControlsFrom(pad).left || padControlsFrom(pad).right) << x;
    }
    pad.axes[0] = -0.26f;
    EXPECT_TRUE(padControlsFrom(pad).left) << "past the dead zone";
    pad.axes[0] = 0.25f, pad.axes[6] = 1.0f;  // joydev's hat, and no steering from the stick
    EXPECT_TRUE(padControlsFrom(pad).right && !padControlsFrom(pad).left);
    pad.hasHat = true, pad.hat = SDL_HAT_LEFT | SDL_HAT_DOWN;  // SDL's hat instead
    EXPECT_TRUE(padControlsFrom(pad).down && !padControlsFrom(pad).right);
    pad.numbering = PadNumbering::Standard, pad.buttons[12] = true;
    EXPECT_TRUE(padControlsFrom(pad).up && !padControlsFrom(pad).down);
}

// Both sides held hold both keys, as the keyboard would; a pad gone lets go of everything.
TEST(Gamepad, PressesHoldAndLetGoAndTheOverlayChoosesWhereThePointerStands) {
    applyPadControls({true, true, false, false, true, true, true});
    EXPECT_EQ(inputState.keys[SDLK_LEFT] + inputState.keys[SDLK_RIGHT], 4);
    EXPECT_EQ(inputState.mouseButtons[1] + inputState.keys[SDLK_ESCAPE], 4);
    applyPadControls({false, false, false, false, false, true, false});
    EXPECT_EQ(inputState.keys[SDLK_LEFT] + inputState.keys[SDLK_ESCAPE], 0)
        << "East pauses nothing";
    paused = true, pauseProgress = 100.0f;
    applyPadControls({false, false, false, true, false, false, false});
    aimPadPointer(115);
    EXPECT_EQ(inputState.pointerY, 115) << "a new opening chooses Resume game";
    applyPadControls({});
    applyPadControls({false, false, false, true, false, true, false});
    aimPadPointer(115);
    EXPECT_EQ(inputState.pointerY, 115 + exitButtonBelow);
    EXPECT_TRUE(pointerShown(false)) << "wherever the mouse was left";
    EXPECT_EQ(inputState.keys[SDLK_ESCAPE], 2) << "East resumes";
    inputState.pointerX = 7;  // the mouse moved
    applyPadControls({});
    EXPECT_FALSE(padPlacesPointer());
    pauseProgress = 0.0f;
    EXPECT_TRUE(pointerShown(true));
}
