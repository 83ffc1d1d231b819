#include "app/clock.h"

#include <climits>
#include <gtest/gtest.h>

TEST(FrameClock, ElapsedTimeIsModularAcrossTheWrap)
{
    EXPECT_EQ(elapsedMillis(1016, 1000), 16u);
    EXPECT_EQ(elapsedMillis(5, 5), 0u);
    // The reading passes 2^31 - 1 and comes back negative: still 10 ms, not minus four billion.
    EXPECT_EQ(elapsedMillis(INT32_MIN + 5, INT32_MAX - 4), 10u);
    EXPECT_EQ(elapsedMillis(2, -3), 5u);

    EXPECT_EQ(millisToSeconds(0), 0.0f);
    EXPECT_FLOAT_EQ(millisToSeconds(16), 0.016f);
    EXPECT_FLOAT_EQ(millisToSeconds(86400000u), 86400.0f);
    EXPECT_GE(millisToSeconds(10u), 0.0f);
}

TEST(FrameClock, TickMeasuresFromTheLastReading)
{
    // The first frame counts everything since the process started.
    g_lastClock = 0;
    tickClock();
    const int32_t first = g_lastClock;
    EXPECT_GE(first, 0);
    EXPECT_FLOAT_EQ(g_frameSeconds, millisToSeconds(static_cast<uint32_t>(first)));

    // Two frames in quick succession: a small, never negative frame time.
    tickClock();
    EXPECT_GE(g_lastClock, first);
    EXPECT_GE(g_frameSeconds, 0.0f);
    EXPECT_LT(g_frameSeconds, 1.0f);

    // A last reading from just before the wrap still gives a short frame.
    g_lastClock = clockMillis() - 20;
    tickClock();
    EXPECT_GE(g_frameSeconds, 0.019f);
    EXPECT_LT(g_frameSeconds, 1.0f);
}
