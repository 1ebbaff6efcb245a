// The frame clock: holds each frame to at least minFrameMs, measures the rate the game's time
// step comes from, and keeps the date and time texts the pause overlay shows.
#pragma once

#include <cstdint>
#include <ctime>

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

// The timing half of a clock step for a tick reading `nowMs`: updates frameMs, elapsedMs and
// fps as if the wait had been made, and returns how long to wait (0 for none).
std::uint32_t stepFrameClock(std::uint32_t nowMs);

// The texts for one local calendar time: "Saturday December 5th 2026", "5:32:01 PM".
void buildClockTexts(const std::tm& local);
