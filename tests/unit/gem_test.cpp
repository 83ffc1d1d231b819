#include "app/clock.h"
#include "game/gem.h"

#include <gtest/gtest.h>

namespace
{
Gem makeGem(float x, float y, float z = 0.0f, int colour = 0)
{
    const float position[3] = {x, y, z};
    return Gem(colour, position, 2.0f);
}
}  // namespace

TEST(GemConstruction, TakesColourTableSpeedsAndAimsAtTheFloor)
{
    const float expected[6][3] = {{0.8f, 0.3f, 0.0f}, {0.8f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.8f},
                                  {0.8f, 0.8f, 0.0f}, {0.0f, 0.8f, 0.0f}, {0.8f, 0.8f, 0.8f}};
    for (int colour = 0; colour < 6; ++colour)
    {
        const Gem gem = makeGem(2.0f, 12.0f, 0.0f, colour);
        EXPECT_EQ(gem.colourIndex, colour);
        for (int channel = 0; channel < 3; ++channel)
        {
            EXPECT_EQ(gem.colour[channel], expected[colour][channel]) << colour;
        }
    }
    const float* grey = colourOf(-1);
    EXPECT_EQ(grey[0], 0.8f);
    EXPECT_EQ(grey[2], 0.8f);

    const Gem gem = makeGem(2.7f, 12.9f, 0.0f);
    EXPECT_EQ(gem.target[0], 2);
    EXPECT_EQ(gem.target[1], 0);
    EXPECT_EQ(gem.target[2], 0);
    EXPECT_EQ(gem.position[1], 12.9f);
    EXPECT_EQ(gem.speed[0], 11.0f);
    EXPECT_EQ(gem.speed[1], 2.0f);
    EXPECT_EQ(gem.speed[2], 11.0f);
    EXPECT_EQ(gem.shininess, 0.3f);
    EXPECT_EQ(gem.specular[0], 0.8f);
}

TEST(GemMotion, SnapsOntoTargetWithinTheInclusiveBandWhateverTheFrameTime)
{
    for (float seconds : {0.0f, 0.001f, 0.5f, 100.0f})
    {
        g_frameSeconds = seconds;
        for (float offset : {0.05f, -0.05f, 0.1f, -0.1f, 0.0f})
        {
            Gem gem = makeGem(3.0f, 5.0f);
            gem.target[1] = 5;
            gem.position[1] = static_cast<float>(5.0 + offset);
            gem.approachTarget();
            EXPECT_EQ(gem.position[1], 5.0f) << "offset " << offset << " frame " << seconds;
        }
    }
}

TEST(GemMotion, MovesAtEachAxisSpeedAndNeverOvershoots)
{
    // Each step is worked out in double and stored as float: 2 + 0.01f x 11 and 12 - 0.01f x 2.
    g_frameSeconds = 0.01f;
    Gem gem = makeGem(2.0f, 12.0f);
    gem.target[0] = 3;
    gem.approachTarget();
    EXPECT_EQ(gem.position[0], 2.1099999f);   // 11 cells per second sideways
    EXPECT_EQ(gem.position[1], 11.9799995f);  // 2 rows per second down
    EXPECT_EQ(gem.position[2], 0.0f);

    // Sixteen 13 ms frames of sliding: stepping in float alone would end at 4.28800201.
    g_frameSeconds = 0.013f;
    Gem slider = makeGem(2.0f, 0.0f);
    slider.target[0] = 5;
    for (int frame = 0; frame < 16; ++frame)
    {
        slider.approachTarget();
    }
    EXPECT_EQ(slider.position[0], 4.28799868f);

    // 0.3 above the target with a step of a whole cell stops exactly on it.
    g_frameSeconds = 0.5f;
    Gem near = makeGem(1.0f, 4.3f);
    near.target[1] = 4;
    near.approachTarget();
    EXPECT_EQ(near.position[1], 4.0f);

    // And from below.
    Gem below = makeGem(1.0f, 3.7f);
    below.target[1] = 4;
    below.approachTarget();
    EXPECT_EQ(below.position[1], 4.0f);
}

TEST(GemMotion, ZeroFrameTimeMovesNothingOutsideTheBand)
{
    g_frameSeconds = 0.0f;
    Gem gem = makeGem(2.0f, 12.0f);
    gem.target[0] = 4;
    gem.approachTarget();
    EXPECT_EQ(gem.position[0], 2.0f);
    EXPECT_EQ(gem.position[1], 12.0f);
    gem.fallStep();
    EXPECT_EQ(gem.position[1], 12.0f);
}

TEST(GemMotion, FallStepIgnoresTheTargetAndTranslateMovesWholeCells)
{
    g_frameSeconds = 1.0f;
    Gem gem = makeGem(2.0f, 0.5f);
    gem.fallStep();
    EXPECT_EQ(gem.position[1], -1.5f);
    gem.translate(1, 2, -1);
    EXPECT_EQ(gem.position[0], 3.0f);
    EXPECT_EQ(gem.position[1], 0.5f);
    EXPECT_EQ(gem.position[2], -1.0f);
}

TEST(GemSnap, RoundsHalvesDownAndNegativesTowardZero)
{
    const float cases[][2] = {{3.5f, 3.0f},   {3.51f, 4.0f}, {12.5f, 12.0f},
                              {2.4f, 2.0f},   {2.6f, 3.0f},  {-0.7f, 0.0f},
                              {-1.7f, -1.0f}, {-0.5f, 0.0f}, {13.0f, 13.0f}};
    for (const auto& c : cases)
    {
        Gem gem = makeGem(c[0], c[0], c[0]);
        gem.snapToGrid();
        for (float p : gem.position)
        {
            EXPECT_EQ(p, c[1]) << "from " << c[0];
        }
    }
}

TEST(GemSnap, FarFromTheBoardStaysDefined)
{
    // A soft drop during a frame of weeks can put a gem far below any int row; the rows saturate
    // both ways rather than overflow.
    for (float far : {-1.0e12f, 1.0e12f})
    {
        Gem gem = makeGem(2.0f, far);
        gem.snapToGrid();
        EXPECT_GT(gem.position[1] / far, 1.0e-4f) << far;
    }
}
