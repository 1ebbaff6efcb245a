#include "app/input.h"

InputState inputState;

void pollInput() {}
