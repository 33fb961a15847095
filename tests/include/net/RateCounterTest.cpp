#include "include/net/RateCounter.h"

#include "tests/support/ManualClock.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

constexpr int64_t kSecond = 1000;

} // namespace

TEST(RateCounterTest, EmptyAndClearedCountersReportZero) {
    testsupport::ManualClock clock;
    RateCounter counter(10);
    int rate = -1;
    EXPECT_FALSE(counter.GetRate(rate));
    EXPECT_EQ(0, rate);

    counter.AddBytes(500);
    counter.Clear();
    rate = -1;
    EXPECT_FALSE(counter.GetRate(rate));
    EXPECT_EQ(0, rate);
}

TEST(RateCounterTest, BytesWithinOneSecondShareOneSample) {
    testsupport::ManualClock clock;
    RateCounter counter(10);
    counter.AddBytes(100);
    clock.Advance(400);
    counter.AddBytes(200);
    clock.Advance(599);
    counter.AddBytes(300);
    int rate = 0;
    EXPECT_FALSE(counter.GetRate(rate));
    EXPECT_EQ(600, rate);

    // A window of one is full with that one sample.
    RateCounter single(1);
    single.AddBytes(7);
    EXPECT_TRUE(single.GetRate(rate));
    EXPECT_EQ(7, rate);
}

TEST(RateCounterTest, TenFullSecondsSpanNineAndTheOldestSampleLeaves) {
    testsupport::ManualClock clock;
    RateCounter counter(10);
    int rate = 0;
    for (int second = 0; second < 10; ++second) {
        counter.AddBytes(5000);
        EXPECT_EQ(second == 9, counter.GetRate(rate)) << second;
        clock.Advance(kSecond);
    }
    EXPECT_TRUE(counter.GetRate(rate));
    EXPECT_EQ(50000 / 9, rate);
    EXPECT_EQ(5555, rate);

    // An eleventh second pushes the first out: samples of seconds 1 to 10.
    counter.AddBytes(14000);
    EXPECT_TRUE(counter.GetRate(rate));
    EXPECT_EQ((9 * 5000 + 14000) / 9, rate);

    counter.Trim(2);
    EXPECT_FALSE(counter.GetRate(rate));
    EXPECT_EQ(5000 + 14000, rate);
}

TEST(RateCounterTest, SilentSecondsWidenTheSpan) {
    testsupport::ManualClock clock;
    RateCounter counter(10);
    counter.AddBytes(1000);
    clock.Advance(4 * kSecond);
    counter.AddBytes(1000);
    int rate = 0;
    EXPECT_FALSE(counter.GetRate(rate));
    EXPECT_EQ(500, rate);
}

TEST(RateCounterTest, SumsBeyondThirtyTwoBitsAndNeverGoesNegative) {
    testsupport::ManualClock clock;
    RateCounter counter(10);
    // 9e9 bytes over 20 seconds: a 32-bit sum would wrap.
    for (int i = 0; i < 3; ++i) {
        counter.AddBytes(3000000000u);
        if (i < 2)
            clock.Advance(10 * kSecond);
    }
    int rate = 0;
    (void)counter.GetRate(rate);
    EXPECT_EQ(450000000, rate);

    // Far beyond an int per second: capped, not wrapped negative.
    RateCounter burst(10);
    burst.AddBytes(0xFFFFFFFFu);
    burst.AddBytes(0xFFFFFFFFu);
    (void)burst.GetRate(rate);
    EXPECT_EQ(INT_MAX, rate);
}

TEST(RateCounterTest, WallClockJumpsDoNotSkewTheSpan) {
    testsupport::ManualClock clock;
    RateCounter counter(10);
    counter.AddBytes(3000);
    clock.SetWallMillis(clock.WallMillis() - 3600 * kSecond);
    clock.Advance(2 * kSecond);
    counter.AddBytes(3000);
    int rate = 0;
    (void)counter.GetRate(rate);
    EXPECT_EQ(3000, rate);
}
