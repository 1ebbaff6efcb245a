// The frame clock: frames shorter than 16 ms, an overrun that is not carried into the next
// frame, and the date and time texts of the pause overlay in the wrong form.
#include <gtest/gtest.h>

#include <climits>
#include <ctime>
#include <string>
#include <tuple>

#include "app/frame_clock.h"

// Clock before, ticks now; then the wait, the frame's length, its rate and the clock after.
TEST(FrameTiming, AFrameIsHeldToSixteenMillisecondsAndAnOverrunWaitCountsIntoTheNext) {
    const std::tuple<int, std::uint32_t, std::uint32_t, int, float, int> rows[] = {
        {1000, 1010, 6, 16, 62.5f, 1016},
        {1000, 1040, 0, 40, 25.0f, 1040},
        {1000, 1016, 0, 16, 62.5f, 1016},
        {1016, 1020, 12, 16, 62.5f, 1032},  // 1016: the planned end of the last wait
        {1032, 1030, 18, 16, 62.5f, 1048},  // the clock ran ahead of the ticks
        {0, 2000, 0, 2000, 0.5f, 2000},     // the first step measures the whole start-up
        {INT_MAX - 4, 2147483653u, 6, 16, 62.5f, INT_MIN + 11}};  // past the signed range
    for (const auto& [before, now, wait, frameMs, fps, after] : rows) {
        frameClock.elapsedMs = before;
        EXPECT_EQ(stepFrameClock(now), wait) << "at " << now;
        EXPECT_EQ(frameClock.frameMs, frameMs) << "at " << now;
        EXPECT_EQ(frameClock.fps, fps) << "at " << now;
        EXPECT_EQ(frameClock.elapsedMs, after) << "at " << now;
    }
}

// Hour, minute, second and day of a Saturday in December 2026; then the time and the ordinal.
TEST(ClockTexts, TheTimeReadsOnTheTwelveHourClockAndTheDateWithAnOrdinalDay) {
    const std::tuple<int, int, int, int, const char*, const char*> rows[] = {
        {0, 0, 0, 1, "12:00:00 AM", "1st"},     {12, 0, 0, 2, "12:00:00 PM", "2nd"},
        {13, 5, 9, 3, "1:05:09 PM", "3rd"},     {11, 59, 59, 4, "11:59:59 AM", "4th"},
        {9, 30, 0, 11, "9:30:00 AM", "11th"},   {23, 10, 10, 12, "11:10:10 PM", "12th"},
        {1, 0, 0, 13, "1:00:00 AM", "13th"},    {0, 0, 1, 21, "12:00:01 AM", "21st"},
        {12, 59, 0, 22, "12:59:00 PM", "22nd"}, {10, 0, 0, 23, "10:00:00 AM", "23rd"},
        {22, 0, 0, 30, "10:00:00 PM", "30th"},  {12, 0, 0, 31, "12:00:00 PM", "31st"}};
    std::tm local{};
    local.tm_wday = 6, local.tm_mon = 11, local.tm_year = 126;
    for (const auto& [hour, minute, second, day, time, ordinal] : rows) {
        local.tm_hour = hour, local.tm_min = minute, local.tm_sec = second, local.tm_mday = day;
        buildClockTexts(local);
        EXPECT_STREQ(frameClock.timeText, time);
        EXPECT_EQ(frameClock.dateText, "Saturday December " + std::string(ordinal) + " 2026");
    }
}
