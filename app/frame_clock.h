// The frame clock: holds each frame to at least minFrameMs, measures the rate the game's time
// step comes from, and keeps the date and time texts the pause overlay shows.
#pragma once

struct FrameClock {
    int elapsedMs;  // running clock on SDL's tick scale
    int frameMs;    // length of the last frame, at least minFrameMs after a step
    float fps;      // 0 before the first step
    char dateText[256];
    char timeText[256];
};

extern FrameClock frameClock;

constexpr int minFrameMs = 16;

void tickFrameClock();
