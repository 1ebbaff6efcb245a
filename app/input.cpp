#include "app/input.h"

#include <cstddef>
#include <cstring>

#include <SDL/SDL.h>

InputState inputState;

constexpr ButtonState buttonUp = 0;
constexpr ButtonState buttonHeld = 1;
constexpr ButtonState buttonWentDown = 2;

// A press seen at the previous poll is only held now.
template <std::size_t size>
static void ageDowns(ButtonState (&table)[size]) {
    for (ButtonState& state : table)
        if (state == buttonWentDown) state = buttonHeld;
}

// Events carry whatever SDL or another program put there; an index outside the table is
// ignored rather than written.
template <std::size_t size>
static void setEntry(ButtonState (&table)[size], int index, ButtonState state) {
    if (index >= 0 && index < static_cast<int>(size)) table[index] = state;
}

// The symbol is read as the int it is stored as: an event pushed with a number beyond SDL's
// symbols holds no valid SDLKey, and loading it as one would be undefined.
static int keySymbol(const SDL_Event& event) {
    static_assert(sizeof(SDLKey) == sizeof(int), "SDLKey is stored as an int");
    int symbol;
    std::memcpy(&symbol, &event.key.keysym.sym, sizeof symbol);
    return symbol;
}

static void takeKeyEvents(Uint32 mask, ButtonState state) {
    SDL_Event event;
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, mask) > 0)
        setEntry(inputState.keys, keySymbol(event), state);
}

static void takeButtonEvents(Uint32 mask, ButtonState state) {
    SDL_Event event;
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, mask) > 0)
        setEntry(inputState.mouseButtons, event.button.button, state);
}

// All downs of a kind before all its ups: a press and release between two polls leaves the
// entry up, so such a short press is not seen.
void pollInput() {
    ageDowns(inputState.keys);
    takeKeyEvents(SDL_KEYDOWNMASK, buttonWentDown);
    takeKeyEvents(SDL_KEYUPMASK, buttonUp);
    ageDowns(inputState.mouseButtons);
    takeButtonEvents(SDL_MOUSEBUTTONDOWNMASK, buttonWentDown);
    takeButtonEvents(SDL_MOUSEBUTTONUPMASK, buttonUp);
    SDL_GetMouseState(&inputState.pointerX, &inputState.pointerY);
}
