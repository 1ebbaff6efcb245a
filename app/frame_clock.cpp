#include "app/frame_clock.h"

#include <cstdio>
#include <cstring>
#include <iterator>

#include "app/platform.h"

FrameClock frameClock;

static const char* const weekdayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                           "Thursday", "Friday", "Saturday"};
static const char* const monthNames[] = {"January",   "February", "March",    "April",
                                         "May",       "June",     "July",     "August",
                                         "September", "October",  "November", "December"};
static const char* const dayOrdinals[] = {
    "1st",  "2nd",  "3rd",  "4th",  "5th",  "6th",  "7th",  "8th",  "9th",  "10th", "11th",
    "12th", "13th", "14th", "15th", "16th", "17th", "18th", "19th", "20th", "21st", "22nd",
    "23rd", "24th", "25th", "26th", "27th", "28th", "29th", "30th", "31st"};

// A calendar field outside its table (never from the runtime's local time) names nothing.
template <std::size_t size>
static const char* nameAt(const char* const (&names)[size], int index) {
    if (index < 0 || index >= static_cast<int>(size)) return "";
    return names[index];
}

// Tick arithmetic wraps like SDL's 32-bit tick counter instead of overflowing an int.
std::uint32_t stepFrameClock(std::uint32_t nowMs) {
    FrameClock& clock = frameClock;
    int frameMs = static_cast<std::int32_t>(nowMs - static_cast<std::uint32_t>(clock.elapsedMs));
    std::uint32_t waitMs = 0;
    if (frameMs < minFrameMs) {
        waitMs = static_cast<std::uint32_t>(std::int64_t{minFrameMs} - frameMs);
        frameMs = minFrameMs;  // the planned end: a wait that overruns counts in the next frame
    }
    clock.frameMs = frameMs;
    clock.elapsedMs = static_cast<std::int32_t>(static_cast<std::uint32_t>(clock.elapsedMs) +
                                                static_cast<std::uint32_t>(frameMs));
    clock.fps = static_cast<float>(1000.0 / frameMs);
    return waitMs;
}

static void appendText(char* text, std::size_t size, const char* piece) {
    const std::size_t length = std::strlen(text);
    std::snprintf(text + length, size - length, "%s%s", "", piece);
}

static void appendNumber(char* text, std::size_t size, int number) {
    const std::size_t length = std::strlen(text);
    std::snprintf(text + length, size - length, "%s%d", "", number);
}

static int twelveHourClock(int hour) {
    if (hour == 0) return 12;
    if (hour > 12) return hour - 12;
    return hour;
}

static void appendTwoDigits(char* text, std::size_t size, int number) {
    if (number < 10) appendText(text, size, "0");
    appendNumber(text, size, number);
}

void buildClockTexts(const std::tm& local) {
    FrameClock& clock = frameClock;
    const long long year = local.tm_year + 1900LL;
    std::snprintf(clock.dateText, sizeof clock.dateText, "%s%s%s%s%s%s%lld",
                  nameAt(weekdayNames, local.tm_wday), " ", nameAt(monthNames, local.tm_mon), " ",
                  nameAt(dayOrdinals, local.tm_mday - 1), " ", year);

    char* time = clock.timeText;
    const std::size_t size = sizeof clock.timeText;
    time[0] = '\0';
    appendNumber(time, size, twelveHourClock(local.tm_hour));
    appendText(time, size, ":");
    appendTwoDigits(time, size, local.tm_min);
    appendText(time, size, ":");
    appendTwoDigits(time, size, local.tm_sec);
    appendText(time, size, local.tm_hour < 12 ? " AM" : " PM");
}

void tickFrameClock() {
    const std::uint32_t waitMs = stepFrameClock(frameClockTicks());
    if (waitMs > 0) waitOutFrame(waitMs);
    std::tm local{};
    // Without a local time (the runtime failed to convert) the texts keep their last values.
    if (localTimeNow(&local)) buildClockTexts(local);
}
