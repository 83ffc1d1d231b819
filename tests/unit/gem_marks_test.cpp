#include "game/gem.h"
#include "game/gem_marks.h"
#include "game/well_geometry.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace
{
constexpr int kGrid = 161;  // samples a side over [-1, 1] x [-1, 1]

// Which samples of the square a mark's triangles cover.
std::vector<bool> cover(const std::vector<float>& outline)
{
    std::vector<bool> inside(kGrid * kGrid, false);
    for (int row = 0; row < kGrid; ++row)
    {
        for (int column = 0; column < kGrid; ++column)
        {
            const double x = -1.0 + 2.0 * column / (kGrid - 1);
            const double y = -1.0 + 2.0 * row / (kGrid - 1);
            for (size_t t = 0; t + 5 < outline.size(); t += 6)
            {
                const float* p = &outline[t];
                const auto side = [x, y](double ax, double ay, double bx, double by)
                { return (bx - ax) * (y - ay) - (by - ay) * (x - ax); };
                const double a = side(p[0], p[1], p[2], p[3]);
                const double b = side(p[2], p[3], p[4], p[5]);
                const double c = side(p[4], p[5], p[0], p[1]);
                if ((a >= 0 && b >= 0 && c >= 0) || (a <= 0 && b <= 0 && c <= 0))
                {
                    inside[static_cast<size_t>(row) * kGrid + column] = true;
                    break;
                }
            }
        }
    }
    return inside;
}

// Relative luminance of an sRGB colour.
double luminance(const float* rgb)
{
    double sum = 0.0;
    const double weights[3] = {0.2126, 0.7152, 0.0722};
    for (int c = 0; c < 3; ++c)
    {
        const double v = rgb[c];
        sum += weights[c] * (v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4));
    }
    return sum;
}
}  // namespace

TEST(GemMarks, OffUntilTurnedOn)
{
    EXPECT_FALSE(gemMarksShown());
    showGemMarks(true);
    EXPECT_TRUE(gemMarksShown());
    showGemMarks(false);
    EXPECT_FALSE(gemMarksShown());
}

TEST(GemMarks, FiveOutlinesEachTwoApartBy15PercentOfTheGemClearOfTheRimAndNoneOnGrey)
{
    std::array<std::vector<bool>, 5> covered;
    for (int colour = 0; colour < 5; ++colour)
    {
        const std::vector<float>& outline = markOutline(colour);
        ASSERT_FALSE(outline.empty()) << colour;
        ASSERT_EQ(outline.size() % 6, 0u) << colour;
        for (size_t i = 0; i + 1 < outline.size(); i += 2)
        {
            EXPECT_LE(std::hypot(outline[i], outline[i + 1]), 0.75) << colour;
        }
        covered[colour] = cover(outline);
    }
    // The gem's disc, in samples.
    const double disc = M_PI * (kGrid - 1) * (kGrid - 1) / 4.0;
    for (int first = 0; first < 5; ++first)
    {
        for (int second = first + 1; second < 5; ++second)
        {
            int differing = 0;
            for (size_t i = 0; i < covered[first].size(); ++i)
            {
                differing += covered[first][i] != covered[second][i] ? 1 : 0;
            }
            // The picture check asks for a tenth; edges and perspective take some of the rest.
            EXPECT_GE(differing / disc, 0.15) << first << " and " << second;
        }
    }
    EXPECT_TRUE(markOutline(5).empty());
    EXPECT_TRUE(markOutline(-1).empty());
}

TEST(GemMarks, EachMarkStandsOutFromItsGemInGreyScale)
{
    for (int colour = 0; colour < 5; ++colour)
    {
        const double gem = luminance(colourOf(colour));
        const double mark = luminance(markColour(colour));
        const double ratio = (std::max(gem, mark) + 0.05) / (std::min(gem, mark) + 0.05);
        EXPECT_GE(ratio, 4.5) << colour;
    }
}

TEST(GemMarks, TheMarkFacesTheEyeUprightJustOutsideTheSphere)
{
    for (const auto& [column, row] : {std::pair{0, 0}, {5, 13}, {2, 12}, {3, 6}})
    {
        const double eye[3] = {cellEyeX(column), cellEyeY(row), cellEyeZ(0)};
        const MarkFrame frame = markFrameFacing(eye);
        const double distance = std::hypot(eye[0], eye[1], eye[2]);
        const auto dot = [](const double* a, const double* b)
        { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; };
        // Out from the centre toward the eye, a little past the radius.
        EXPECT_NEAR(std::sqrt(dot(frame.origin, frame.origin)), 1.02, 1e-12);
        EXPECT_NEAR(dot(frame.origin, eye), -1.02 * distance, 1e-9);
        // Square to that line, unit, level to the right and upward as the player sees it.
        EXPECT_NEAR(dot(frame.right, frame.origin), 0.0, 1e-12);
        EXPECT_NEAR(dot(frame.up, frame.origin), 0.0, 1e-12);
        EXPECT_NEAR(dot(frame.right, frame.up), 0.0, 1e-12);
        EXPECT_NEAR(dot(frame.right, frame.right), 1.0, 1e-12);
        EXPECT_NEAR(dot(frame.up, frame.up), 1.0, 1e-12);
        EXPECT_EQ(frame.right[1], 0.0);
        EXPECT_GT(frame.right[0], 0.0);
        EXPECT_GT(frame.up[1], 0.0);
    }
}
