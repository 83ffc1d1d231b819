// Arcade mode's display, laid out headless: clear of the well and inside the view at every
// shape of window from a tall phone to a wide screen, large enough to read at the sizes players
// use, and lettered with glyphs that all differ.
#include "app/projection.h"
#include "game/hud_layout.h"
#include "game/hud_text.h"
#include "game/tuning.h"
#include "game/well_geometry.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

namespace
{
const double kTanHalfView = std::tan(kFieldOfViewDegrees * M_PI / 360.0);

struct Span
{
    double low = 1e300;
    double high = -1e300;
    void add(double value)
    {
        low = std::min(low, value);
        high = std::max(high, value);
    }
};

// The views x / -z (or y / -z) of the two planes through the eye, square to the other axis,
// that touch a sphere of radius r centred at c, cz: the sphere's outline on screen.
void touchingViews(double c, double cz, double r, double& low, double& high)
{
    const double a = cz * cz - r * r;
    const double b = 2.0 * c * cz;
    const double root = std::sqrt(b * b - 4.0 * a * (c * c - r * r));
    low = std::min((-b - root) / (2.0 * a), (-b + root) / (2.0 * a));
    high = std::max((-b - root) / (2.0 * a), (-b + root) / (2.0 * a));
}

// Where a sphere at `centre` shows on screen, to the pixel's fraction.
void addSphere(const double centre[3], double radius, int width, int height, Span& x, Span& y)
{
    double left = 0.0;
    double right = 0.0;
    double low = 0.0;
    double high = 0.0;
    touchingViews(centre[0], centre[2], radius, left, right);
    touchingViews(centre[1], centre[2], radius, low, high);
    for (const double u : {left, right})
    {
        x.add(projectToWindow(u, 0.0, -1.0, width, height).x);
    }
    for (const double v : {low, high})
    {
        y.add(projectToWindow(0.0, v, -1.0, width, height).y);
    }
}

struct Size
{
    int width;
    int height;
};
}  // namespace

TEST(ArcadeDisplay, StaysClearOfTheWellAndInsideTheViewFromATallPhoneToAWideScreen)
{
    Arcade arcade;
    arcade.score = 1234567;  // the widest score, which shrinks to fit
    arcade.level = kTopLevel;
    for (const Size size : {Size{640, 480}, Size{1080, 1860}, Size{1860, 1080}, Size{1080, 2400},
                            Size{320, 240}, Size{1920, 1080}, Size{800, 800}, Size{3000, 600}})
    {
        SCOPED_TRACE(std::to_string(size.width) + "x" + std::to_string(size.height));
        // The well: every cell and the three spawn rows above it.
        Span wellX;
        Span wellY;
        for (int column = 0; column < kColumns; ++column)
        {
            for (int row = 0; row < kSpawnRow + 3; ++row)
            {
                const double centre[3] = {cellEyeX(column), cellEyeY(row), cellEyeZ(0)};
                addSphere(centre, 1.0, size.width, size.height, wellX, wellY);
            }
        }
        HudLayout layout;
        layoutHud(arcade, 3, aspectRatio(size.width, size.height), kTanHalfView, layout);
        ASSERT_GT(layout.gemRadius, 0.0);
        Span hudX;
        Span hudY;
        int left = 0;
        int right = 0;
        for (const std::vector<double>* triangles : {&layout.labels, &layout.values})
        {
            ASSERT_FALSE(triangles->empty());
            for (size_t i = 0; i + 2 < triangles->size(); i += 3)
            {
                const WindowPoint point =
                    projectToWindow((*triangles)[i], (*triangles)[i + 1], (*triangles)[i + 2],
                                    size.width, size.height);
                ASSERT_TRUE(point.x < wellX.low || point.x > wellX.high) << point.x;
                (point.x < wellX.low ? left : right) += 1;
                hudX.add(point.x);
                hudY.add(point.y);
            }
        }
        for (const auto& centre : layout.next)
        {
            Span gemX;
            addSphere(centre, layout.gemRadius, size.width, size.height, gemX, hudY);
            EXPECT_GT(gemX.low, wellX.high);
            hudX.add(gemX.low);
            hudX.add(gemX.high);
        }
        // Text on both sides: the score's column on the left, NEXT on the right.
        EXPECT_GT(left, 0);
        EXPECT_GT(right, 0);
        EXPECT_GE(hudX.low, 0.0);
        EXPECT_LE(hudX.high, size.width);
        EXPECT_GE(hudY.low, 0.0);
        EXPECT_LE(hudY.high, size.height);
    }
}

TEST(ArcadeDisplay, ValuesAreAtLeastTwentyPixelsTallAt640x480AndOnAPhoneBothWays)
{
    Arcade arcade;
    for (const Size size : {Size{640, 480}, Size{1080, 1860}, Size{1860, 1080}})
    {
        SCOPED_TRACE(std::to_string(size.width) + "x" + std::to_string(size.height));
        HudLayout layout;
        layoutHud(arcade, 3, aspectRatio(size.width, size.height), kTanHalfView, layout);
        const double depth = cellEyeZ(0);
        const double pixels =
            projectToWindow(0.0, 0.0, depth, size.width, size.height).y -
            projectToWindow(0.0, layout.textHeight, depth, size.width, size.height).y;
        EXPECT_GE(pixels, 20.0);
    }
}

TEST(ArcadeDisplay, EveryCharacterTheDisplayWritesHasAGlyphAndNoTwoGlyphsLookAlike)
{
    const std::string characters = "0123456789CELNORSTVWX";
    std::set<std::vector<std::vector<double>>> seen;
    for (char symbol : characters)
    {
        EXPECT_TRUE(hasGlyph(symbol)) << symbol;
        std::vector<double> triangles;
        appendText(std::string(1, symbol).c_str(), 0.0, 0.0, 6.0, 0.0, triangles);
        std::vector<std::vector<double>> corners;  // the strokes' corners, in any order
        for (size_t i = 0; i + 2 < triangles.size(); i += 3)
        {
            corners.push_back({triangles[i], triangles[i + 1]});
        }
        std::sort(corners.begin(), corners.end());
        EXPECT_TRUE(seen.insert(corners).second) << symbol << " looks like another glyph";
    }
    EXPECT_FALSE(hasGlyph('?'));
    // The ink of a digit is as tall as asked, and the strokes' square ends a little more.
    std::vector<double> eight;
    appendText("8", 0.0, 0.0, 1.5, 0.0, eight);
    Span y;
    for (size_t i = 1; i < eight.size(); i += 3)
    {
        y.add(eight[i]);
    }
    EXPECT_DOUBLE_EQ(y.low, -kGlyphOverhang * 1.5);
    EXPECT_DOUBLE_EQ(y.high, 1.5 + kGlyphOverhang * 1.5);
    // A character without a glyph keeps its place, so the next one does not move.
    std::vector<double> gap;
    std::vector<double> direct;
    appendText("?1", 0.0, 0.0, 6.0, 0.0, gap);
    appendText("1", 0.0 + kGlyphAdvance * 6.0, 0.0, 6.0, 0.0, direct);
    EXPECT_EQ(gap, direct);
}
