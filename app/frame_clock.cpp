#include "app/frame_clock.h"

FrameClock frameClock;

void tickFrameClock() {}
