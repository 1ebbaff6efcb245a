#include "app/display.h"

DisplayConfig displayConfig;

void initOpenGlDisplay() {}
void initDisplay() {}
