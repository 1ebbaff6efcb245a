#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <ctime>
#include <string>

#include <SDL/SDL.h>

#include "app/frame_clock.h"

class FrameClockTest : public ::testing::Test {
   protected:
    void SetUp() override { frameClock = {}; }
};

using FrameTiming = FrameClockTest;

TEST_F(FrameTiming, AShortFrameWaitsOutTheRestOfSixteenMilliseconds) {
    frameClock.elapsedMs = 1000;
    EXPECT_EQ(stepFrameClock(1010), 6u);
    EXPECT_EQ(frameClock.frameMs, 16);
    EXPECT_EQ(frameClock.fps, 62.5f);
    EXPECT_EQ(frameClock.elapsedMs, 1016);
}

TEST_F(FrameTiming, ALongFrameDoesNotWait) {
    frameClock.elapsedMs = 1000;
    EXPECT_EQ(stepFrameClock(1040), 0u);
    EXPECT_EQ(frameClock.frameMs, 40);
    EXPECT_EQ(frameClock.fps, 25.0f);
    EXPECT_EQ(frameClock.elapsedMs, 1040);
    EXPECT_EQ(stepFrameClock(1056), 0u);  // exactly 16: no wait either
    EXPECT_EQ(frameClock.frameMs, 16);
}

TEST_F(FrameTiming, AnOverrunWaitIsCountedIntoTheNextFrame) {
    frameClock.elapsedMs = 1016;  // the planned end of the last wait
    EXPECT_EQ(stepFrameClock(1020), 12u);
    EXPECT_EQ(frameClock.elapsedMs, 1032);
    EXPECT_EQ(stepFrameClock(1030), 18u);  // the clock ran ahead of the ticks
    EXPECT_EQ(frameClock.frameMs, 16);
    EXPECT_EQ(frameClock.elapsedMs, 1048);
}

TEST_F(FrameTiming, TheFirstStepMeasuresTheWholeStartUp) {
    EXPECT_EQ(stepFrameClock(2000), 0u);
    EXPECT_EQ(frameClock.frameMs, 2000);
    EXPECT_EQ(frameClock.fps, 0.5f);
}

TEST_F(FrameTiming, TheClockKeepsCountingPastTheSignedRange) {
    frameClock.elapsedMs = INT_MAX - 4;
    EXPECT_EQ(stepFrameClock(2147483653u), 6u);  // 10 ms after
    EXPECT_EQ(frameClock.elapsedMs, INT_MIN + 11);
    EXPECT_EQ(stepFrameClock(2147483699u), 0u);
    EXPECT_EQ(frameClock.frameMs, 40);
}

TEST_F(FrameTiming, ATickHoldsTheRealFrameToSixteenMilliseconds) {
    ASSERT_EQ(SDL_Init(SDL_INIT_TIMER), 0);
    tickFrameClock();
    const Uint32 start = SDL_GetTicks();
    tickFrameClock();
    EXPECT_GE(SDL_GetTicks() - start, 15u);  // the start may fall late in a millisecond
    EXPECT_EQ(frameClock.frameMs, 16);
    SDL_Quit();
}

using ClockTexts = FrameClockTest;

static std::tm localTime(int hour, int minute, int second) {
    std::tm local{};
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_mday = 1;
    return local;
}

TEST_F(ClockTexts, TheTimeReadsOnTheTwelveHourClock) {
    const struct {
        int hour, minute, second;
        const char* text;
    } cases[] = {{0, 0, 0, "12:00:00 AM"}, {12, 0, 0, "12:00:00 PM"},   {13, 5, 9, "1:05:09 PM"},
                 {9, 30, 0, "9:30:00 AM"}, {11, 59, 59, "11:59:59 AM"}, {23, 10, 10, "11:10:10 PM"},
                 {1, 0, 60, "1:00:60 AM"}};
    for (const auto& c : cases) {
        buildClockTexts(localTime(c.hour, c.minute, c.second));
        EXPECT_STREQ(frameClock.timeText, c.text);
    }
}

TEST_F(ClockTexts, TheDateNamesWeekdayMonthOrdinalDayAndYear) {
    std::tm local{};
    local.tm_wday = 6;
    local.tm_mon = 11;
    local.tm_mday = 5;
    local.tm_year = 126;
    buildClockTexts(local);
    EXPECT_STREQ(frameClock.dateText, "Saturday December 5th 2026");
    local.tm_wday = 0;
    local.tm_mon = 0;
    local.tm_mday = 1;
    local.tm_year = 100;
    buildClockTexts(local);
    EXPECT_STREQ(frameClock.dateText, "Sunday January 1st 2000");
}

TEST_F(ClockTexts, DayOrdinalsTakeTheirEnglishSuffixes) {
    const struct {
        int day;
        const char* ordinal;
    } cases[] = {{1, "1st"},   {2, "2nd"},   {3, "3rd"},   {4, "4th"},
                 {11, "11th"}, {12, "12th"}, {13, "13th"}, {21, "21st"},
                 {22, "22nd"}, {23, "23rd"}, {30, "30th"}, {31, "31st"}};
    std::tm local{};
    local.tm_wday = 3;
    local.tm_mon = 6;
    local.tm_year = 125;
    for (const auto& c : cases) {
        local.tm_mday = c.day;
        buildClockTexts(local);
        EXPECT_EQ(std::string(frameClock.dateText),
                  std::string("Wednesday July ") + c.ordinal + " 2025");
    }
}

TEST_F(ClockTexts, FieldsOutsideTheCalendarNameNothing) {
    std::tm local{};
    local.tm_wday = 7;
    local.tm_mon = -1;
    local.tm_mday = 32;
    local.tm_year = INT_MAX;
    buildClockTexts(local);
    EXPECT_STREQ(frameClock.dateText, "   2147485547");
}

TEST_F(ClockTexts, ATickShowsTheLocalDate) {
    ASSERT_EQ(SDL_Init(SDL_INIT_TIMER), 0);
    tickFrameClock();
    const std::time_t now = std::time(nullptr);
    char weekdayAndMonth[64];
    std::strftime(weekdayAndMonth, sizeof weekdayAndMonth, "%A %B ", std::localtime(&now));
    EXPECT_EQ(std::strncmp(frameClock.dateText, weekdayAndMonth, std::strlen(weekdayAndMonth)), 0)
        << frameClock.dateText;
    const std::string time = frameClock.timeText;
    EXPECT_TRUE(time.size() >= 10 &&
                (time.substr(time.size() - 3) == " AM" || time.substr(time.size() - 3) == " PM"))
        << time;
    SDL_Quit();
}
