#include "platform/time/Clock.h"

#include "tests/support/ManualClock.h"

#include <gtest/gtest.h>

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

TEST(ClockTest, NextLocalMidnightIsWithinADayAndStrictlyLater) {
    int64_t now = 1700000000;
    int64_t next = platform::NextLocalMidnight(now);
    EXPECT_GT(next, now);
    EXPECT_LE(next - now, 25 * 3600);
    EXPECT_GT(platform::NextLocalMidnight(next), next);
}
