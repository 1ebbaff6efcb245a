// Input polling: a press that is missed or reads held at once, a release lost in the same poll,
// and key symbols or buttons outside the tables written out of bounds.
#include <gtest/gtest.h>

#include <cstring>

#include <SDL/SDL.h>

#include "app/input.h"

// Events go through SDL's real queue, as the window system's do.
struct Input : ::testing::Test {
    void SetUp() override { ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << "needs the test display"; }
    static void push(Uint8 type, int code) {
        SDL_Event event{type};  // the first member of the union
        if (type == SDL_KEYDOWN || type == SDL_KEYUP)
            std::memcpy(&event.key.keysym.sym, &code, sizeof code);  // most tried: no SDLKey
        else
            event.button.button = Uint8(code);
        ASSERT_EQ(SDL_PushEvent(&event), 0);
    }
};

// All downs of a poll are taken before all its ups, whatever order they were queued in.
TEST_F(Input, APressReadsWentDownThenHeldAndAReleaseInTheSamePollWins) {
    push(SDL_KEYDOWN, SDLK_RIGHT);
    push(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT);
    for (ButtonState seen : {2, 1, 1}) {
        pollInput();
        EXPECT_EQ(inputState.keys[SDLK_RIGHT], seen);
        EXPECT_EQ(inputState.mouseButtons[SDL_BUTTON_LEFT], seen);
    }
    push(SDL_KEYUP, SDLK_RIGHT);
    push(SDL_KEYDOWN, SDLK_RIGHT);
    push(SDL_KEYDOWN, SDLK_ESCAPE);
    push(SDL_KEYUP, SDLK_ESCAPE);
    pollInput();
    EXPECT_EQ(inputState.keys[SDLK_RIGHT], 0) << "up, then down again, reads up";
    EXPECT_EQ(inputState.keys[SDLK_ESCAPE], 0) << "a short press is not seen";
}

// Regression: symbols beyond SDLKey's range are read as the ints they are stored as.
TEST_F(Input, SymbolsAndButtonsOutsideTheTablesAreIgnored) {
    for (int symbol : {500, 4096, -1, 499}) push(SDL_KEYDOWN, symbol);
    for (int button : {10, 255, 9}) push(SDL_MOUSEBUTTONDOWN, button);
    pollInput();
    int downs = 0;
    for (ButtonState state : inputState.keys) downs += state != 0;
    for (ButtonState state : inputState.mouseButtons) downs += state != 0;
    EXPECT_EQ(downs, 2);
    EXPECT_EQ(inputState.keys[499], 2);
    EXPECT_EQ(inputState.mouseButtons[9], 2);
}
