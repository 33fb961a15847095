#include "platform/time/Clock.h"

#include "tests/support/ManualClock.h"
#include "tests/support/ScopedEnv.h"

#include <gtest/gtest.h>

#include <ctime>

TEST(ClockTest, TimeOfDayIsUtcWithMillisecondsAndWrapsAtMidnight) {
    // 2023-11-14 22:13:20.123 UTC
    platform::TimeOfDay t = platform::UtcTimeOfDayFromMillis(1700000000123LL);
    EXPECT_EQ(22, t.hours);
    EXPECT_EQ(13, t.minutes);
    EXPECT_EQ(20, t.seconds);
    EXPECT_EQ(123, t.millis);
    platform::TimeOfDay midnight = platform::UtcTimeOfDayFromMillis(86400LL * 1000 * 19000);
    EXPECT_EQ(0, midnight.hours);
    EXPECT_EQ(0, midnight.millis);
}

TEST(ClockTest, OverrideReplacesTheSystemClockUntilRemoved) {
    {
        testsupport::ManualClock clock(5000, 42);
        EXPECT_EQ(5, platform::WallSeconds());
        EXPECT_EQ(42u, platform::MonotonicMs());
        clock.Advance(1500);
        EXPECT_EQ(6, platform::WallSeconds());
        EXPECT_EQ(1542u, platform::MonotonicMs());
    }
    EXPECT_GT(platform::WallSeconds(), 1600000000);
}

TEST(ClockTest, NextLocalMidnightFollowsTheZoneAcrossDaylightSavingChanges) {
    struct Case {
        const char* zone;
        int64_t now;
        int64_t expected;
    };
    // A POSIX zone string needs no zone database: Central Europe, with
    // summer time from the last Sunday of March to the last of October.
    const char* central = "CET-1CEST,M3.5.0,M10.5.0/3";
    const Case cases[] = {
        {"UTC0", 1700000000, 1700006400},  // 2023-11-14 22:13:20
        {"UTC0", 1700006400, 1700092800},  // at midnight: the next one
        {central, 1679824800, 1679868000}, // 2023-03-26, 23 hours long
        {central, 1698573600, 1698620400}, // 2023-10-29, 25 hours long
    };
    for (const Case& c : cases) {
        testsupport::ScopedEnv zone("TZ", c.zone);
        tzset();
        EXPECT_EQ(c.expected, platform::NextLocalMidnight(c.now)) << c.zone << " " << c.now;
    }
    tzset();
}
