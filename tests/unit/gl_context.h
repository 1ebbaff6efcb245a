// A real OpenGL window for tests that draw: opened once per test process on the display the
// test runner provides (Xvfb), with the fixed state the game sets up.
#pragma once

// Opens (or reuses) a width x height window through the game's own display set-up and leaves
// displayConfig describing it. Returns false when no display is available.
bool openTestWindow(int width, int height);

// Reads one pixel of the back buffer, (x, y) in window pixels from the top-left corner.
struct Rgb {
    int r, g, b;
};
Rgb readPixel(int x, int y);
