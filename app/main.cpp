#include <SDL/SDL.h>

#include "app/main_loop.h"

int main(int, char**) {
    startUp();
    do runFrame();
    while (!quitRequested);
    SDL_Quit();
    return 0;
}
