#include "app/clock.h"
#include "app/float_precision.h"

#include <climits>
#include <gtest/gtest.h>

TEST(FrameClock, ElapsedTimeIsModularAcrossTheWrap)
{
    EXPECT_EQ(elapsedMillis(1016, 1000), 16u);
    EXPECT_EQ(elapsedMillis(5, 5), 0u);
    // The reading passes 2^31 - 1 and comes back negative: still 10 ms, not minus four billion.
    EXPECT_EQ(elapsedMillis(INT32_MIN + 5, INT32_MAX - 4), 10u);
    EXPECT_EQ(elapsedMillis(2, -3), 5u);

    // Milliseconds times the single-precision 0.001f, multiplied in double, stored as float:
    // not 0.005f, not 86400, and not the float product 16777.2168 for 2^24 + 1.
    EXPECT_EQ(millisToSeconds(0), 0.0f);
    EXPECT_EQ(millisToSeconds(5), 0.00500000035f);
    EXPECT_EQ(millisToSeconds(16), 0.0160000008f);
    EXPECT_EQ(millisToSeconds(86400000u), 86400.0078f);
    EXPECT_EQ(millisToSeconds((1u << 24) + 1), 16777.2188f);
    // Rounded to double, then to float; rounded once, straight to float (as the x87 unit of a
    // 32-bit x86 build without SSE maths does at its own precision), it would be 1400075.12.
    // The frame clock set that unit to double precision before main, in every program.
    EXPECT_TRUE(roundsToDoublePrecision());
    EXPECT_EQ(millisToSeconds(1400075121u), 1400075.25f);
}

TEST(FrameClock, TickMeasuresFromTheLastReading)
{
    // The first frame counts everything since the process started.
    restartClock(0);
    tickClock();
    const int32_t first = lastClockReading();
    EXPECT_GE(first, 0);
    EXPECT_EQ(g_frameSeconds, millisToSeconds(static_cast<uint32_t>(first)));

    // Two frames in quick succession: a small, never negative frame time.
    tickClock();
    EXPECT_GE(lastClockReading(), first);
    EXPECT_GE(g_frameSeconds, 0.0f);
    EXPECT_LT(g_frameSeconds, 1.0f);

    // A last reading from just before the wrap still gives a short frame.
    restartClock(clockMillis() - 20);
    tickClock();
    EXPECT_GE(g_frameSeconds, 0.019f);
    EXPECT_LT(g_frameSeconds, 1.0f);
}

TEST(FrameClock, ARestartLeavesTheFrameTimeAndTheNextFrameMeasuresFromIt)
{
    // The last frame before a ten-second pause, and the frame time it measured.
    const int32_t lastFrame = clockMillis() - 10000;
    restartClock(lastFrame);
    EXPECT_EQ(lastClockReading(), lastFrame);
    g_frameSeconds = 0.016f;

    // The pause ends: the clock takes up from now.
    const int32_t earliest = clockMillis();
    restartClock();
    const int32_t restarted = lastClockReading();
    EXPECT_GE(restarted, earliest);
    EXPECT_LE(restarted, clockMillis());
    // Keys taken between the restart and the next frame see the frame time as it was.
    EXPECT_EQ(g_frameSeconds, 0.016f);

    // The first frame after it measures from the restart, not across the pause.
    tickClock();
    EXPECT_EQ(g_frameSeconds, millisToSeconds(elapsedMillis(lastClockReading(), restarted)));
    EXPECT_LT(g_frameSeconds, 1.0f);
}
