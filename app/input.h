// Keyboard, mouse buttons and pointer, moved out of SDL's queue once per frame so that every
// other module reads input from one record (and a test can drive any screen by writing it).
#pragma once

using ButtonState = int;  // 0 up, 1 held, 2 went down since the previous poll

constexpr ButtonState buttonUp = 0;
constexpr ButtonState buttonHeld = 1;
constexpr ButtonState buttonWentDown = 2;
constexpr int leftMouseButton = 1;
// SDL 1.2's key symbols, by which the key table is indexed on every platform (the browser's
// SDL numbers these keys otherwise).
constexpr int keyEscape = 27, keyRight = 275, keyLeft = 276;

struct InputState {
    ButtonState keys[500];         // by SDL 1.2 key symbol
    ButtonState mouseButtons[10];  // by SDL button number, 1 the left button; entry 0 unused
    int pointerX, pointerY;        // window pixels, origin top left, y downward
};

extern InputState inputState;

void pollInput();
