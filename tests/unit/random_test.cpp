#include "game/random.h"

#include <gtest/gtest.h>

TEST(Random, KnownSequencesForKnownSeeds)
{
    seedRandom(1);
    for (int expected : {41, 18467, 6334, 26500, 19169, 15724})
    {
        EXPECT_EQ(nextRandom(), expected);
    }
    seedRandom(0);
    for (int expected : {38, 7719, 21238, 2437})
    {
        EXPECT_EQ(nextRandom(), expected);
    }
    // The full 32-bit state wraps; results stay within 15 bits.
    seedRandom(0xFFFFFFFFu);
    for (int i = 0; i < 1000; ++i)
    {
        const int value = nextRandom();
        ASSERT_GE(value, 0);
        ASSERT_LE(value, kRandomMax);
    }
}

TEST(Random, ColourThresholdsGiveTheEndsHalfWeight)
{
    const int q = 4096;
    const int cases[][2] = {{0, 0},         {q - 1, 0}, {q, 1},         {3 * q - 1, 1}, {3 * q, 2},
                            {5 * q - 1, 2}, {5 * q, 3}, {7 * q - 1, 3}, {7 * q, 4},     {32767, 4}};
    for (const auto& c : cases)
    {
        EXPECT_EQ(colourForRandom(c[0]), c[1]) << c[0];
    }

    int counts[5] = {};
    for (int value = 0; value <= kRandomMax; ++value)
    {
        ++counts[colourForRandom(value)];
    }
    EXPECT_EQ(counts[0], q);
    EXPECT_EQ(counts[1], 2 * q);
    EXPECT_EQ(counts[2], 2 * q);
    EXPECT_EQ(counts[3], 2 * q);
    EXPECT_EQ(counts[4], q);
}
