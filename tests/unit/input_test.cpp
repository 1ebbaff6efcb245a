#include <gtest/gtest.h>

#include <cstring>

#include <SDL/SDL.h>

#include "app/input.h"

// Events go through SDL's real queue, as the window system's would.
class Input : public ::testing::Test {
   protected:
    void SetUp() override {
        SDL_putenv(const_cast<char*>("SDL_VIDEODRIVER=x11"));
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << "needs the test display";
        inputState = {};
    }
    void TearDown() override { SDL_Quit(); }

    static void pushKey(Uint8 type, int symbol) {
        SDL_Event event{};
        event.type = type;
        // Stored bytewise: most of the numbers tried here are no valid SDLKey.
        std::memcpy(&event.key.keysym.sym, &symbol, sizeof symbol);
        ASSERT_EQ(SDL_PushEvent(&event), 0);
    }
    static void pushButton(Uint8 type, Uint8 button) {
        SDL_Event event{};
        event.type = type;
        event.button.button = button;
        ASSERT_EQ(SDL_PushEvent(&event), 0);
    }
};

TEST_F(Input, AHeldKeyReadsWentDownForOnePollThenHeldUntilReleased) {
    pushKey(SDL_KEYDOWN, SDLK_RIGHT);
    pollInput();
    EXPECT_EQ(inputState.keys[SDLK_RIGHT], 2);
    pollInput();
    EXPECT_EQ(inputState.keys[SDLK_RIGHT], 1);
    pollInput();
    EXPECT_EQ(inputState.keys[SDLK_RIGHT], 1);
    pushKey(SDL_KEYUP, SDLK_RIGHT);
    pollInput();
    EXPECT_EQ(inputState.keys[SDLK_RIGHT], 0);
}

TEST_F(Input, APressAndReleaseBetweenTwoPollsIsNotSeen) {
    pushKey(SDL_KEYDOWN, SDLK_ESCAPE);
    pushKey(SDL_KEYUP, SDLK_ESCAPE);
    pushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT);
    pushButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT);
    pollInput();
    EXPECT_EQ(inputState.keys[SDLK_ESCAPE], 0);
    EXPECT_EQ(inputState.mouseButtons[SDL_BUTTON_LEFT], 0);
}

TEST_F(Input, ReleaseAndPressAgainBetweenPollsAlsoReadsUp) {
    pushKey(SDL_KEYDOWN, SDLK_a);
    pushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT);
    pollInput();
    // Queued in the order up, down; all downs are taken first, so the up comes last.
    pushKey(SDL_KEYUP, SDLK_a);
    pushKey(SDL_KEYDOWN, SDLK_a);
    pushButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT);
    pushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT);
    pollInput();
    EXPECT_EQ(inputState.keys[SDLK_a], 0);
    EXPECT_EQ(inputState.mouseButtons[SDL_BUTTON_RIGHT], 0);
}

TEST_F(Input, AMouseButtonFollowsTheSameStatesAsAKey) {
    pushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT);
    pollInput();
    EXPECT_EQ(inputState.mouseButtons[SDL_BUTTON_LEFT], 2);
    EXPECT_EQ(inputState.keys[SDL_BUTTON_LEFT], 0);
    pollInput();
    EXPECT_EQ(inputState.mouseButtons[SDL_BUTTON_LEFT], 1);
    pushButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT);
    pollInput();
    EXPECT_EQ(inputState.mouseButtons[SDL_BUTTON_LEFT], 0);
}

TEST_F(Input, SymbolsAndButtonsOutsideTheTablesAreIgnored) {
    inputState.pointerX = 5;
    for (int symbol : {500, 501, 4096, -1}) pushKey(SDL_KEYDOWN, symbol);
    for (Uint8 button : {10, 11, 255}) pushButton(SDL_MOUSEBUTTONDOWN, button);
    pushKey(SDL_KEYDOWN, 499);
    pushButton(SDL_MOUSEBUTTONDOWN, 9);
    pollInput();
    EXPECT_EQ(inputState.keys[499], 2);
    EXPECT_EQ(inputState.mouseButtons[9], 2);
    int downs = 0;
    for (ButtonState state : inputState.keys) downs += state != 0;
    for (ButtonState state : inputState.mouseButtons) downs += state != 0;
    EXPECT_EQ(downs, 2);
    EXPECT_EQ(inputState.pointerX, 0);  // the pointer is still sampled after them
}

TEST_F(Input, OtherEventsStayQueuedForTheMainLoop) {
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&quit), 0);
    pushKey(SDL_KEYDOWN, SDLK_d);
    pollInput();
    EXPECT_EQ(inputState.keys[SDLK_d], 2);
    SDL_Event left{};
    ASSERT_EQ(SDL_PeepEvents(&left, 1, SDL_GETEVENT, SDL_ALLEVENTS), 1);
    EXPECT_EQ(left.type, SDL_QUIT);
}
