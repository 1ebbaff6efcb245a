#include "app/input.h"

#include <cstddef>
#include <cstring>

#include <SDL/SDL.h>

#include "app/platform.h"

InputState inputState;

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

static void takeKeyEvents(QueuedEvents kind, ButtonState state) {
    SDL_Event event;
    while (takeQueuedEvent(&event, kind))
        setEntry(inputState.keys, gameKeySymbol(keySymbol(event)), state);
}

static void takeButtonEvents(QueuedEvents kind, ButtonState state) {
    SDL_Event event;
    while (takeQueuedEvent(&event, kind))
        setEntry(inputState.mouseButtons, event.button.button, state);
}

// All downs of a kind before all its ups: a press and release between two polls leaves the
// entry up, so such a short press is not seen.
void pollInput() {
    ageDowns(inputState.keys);
    takeKeyEvents(QueuedEvents::KeyDowns, buttonWentDown);
    takeKeyEvents(QueuedEvents::KeyUps, buttonUp);
    ageDowns(inputState.mouseButtons);
    takeButtonEvents(QueuedEvents::ButtonDowns, buttonWentDown);
    takeButtonEvents(QueuedEvents::ButtonUps, buttonUp);
    SDL_GetMouseState(&inputState.pointerX, &inputState.pointerY);
}
