#include "app/main_loop.h"
#include "app/platform.h"

int main(int, char**) {
    enterGameFolder();
    startUp();
    runFrameLoop();
    return 0;
}
