#include "app/projection.h"

#include <cmath>
#include <gtest/gtest.h>

TEST(Projection, AspectRatioNeverDividesByZero)
{
    EXPECT_DOUBLE_EQ(aspectRatio(640, 480), 640.0 / 480.0);
    EXPECT_DOUBLE_EQ(aspectRatio(640, 0), 640.0);
    EXPECT_DOUBLE_EQ(aspectRatio(0, 0), 1.0);
    EXPECT_DOUBLE_EQ(aspectRatio(0, 480), 1.0 / 480.0);
    EXPECT_DOUBLE_EQ(aspectRatio(4000, 4000), 1.0);
}

TEST(Projection, GemCentresLandWhereTheCameraSeesThem)
{
    double eye[3];
    cellToEye(2, 12, eye);
    EXPECT_DOUBLE_EQ(eye[0], -1.0);
    EXPECT_DOUBLE_EQ(eye[1], 11.0);
    EXPECT_DOUBLE_EQ(eye[2], -15.0);

    const WindowPoint centre = projectToWindow(0.0, 0.0, -15.0, 640, 480);
    EXPECT_DOUBLE_EQ(centre.x, 320.0);
    EXPECT_DOUBLE_EQ(centre.y, 240.0);

    // A point on the top edge of the 100-degree vertical field of view maps to pixel row 0.
    const double edge = 15.0 * std::tan(50.0 * M_PI / 180.0);
    EXPECT_NEAR(projectToWindow(0.0, edge, -15.0, 640, 480).y, 0.0, 1e-9);

    // The spawn cell of the bottom gem, and the floor of the well, both inside the window.
    const WindowPoint spawn = projectToWindow(-1.0, 11.0, -15.0, 640, 480);
    EXPECT_NEAR(spawn.x, 306.6, 0.1);
    EXPECT_NEAR(spawn.y, 92.3, 0.1);
    const WindowPoint floor = projectToWindow(-5.0, -13.0, -15.0, 640, 480);
    EXPECT_GT(floor.x, 0.0);
    EXPECT_LT(floor.y, 480.0);

    // A wider window keeps the vertical view and stretches the horizontal one.
    const WindowPoint wide = projectToWindow(-1.0, 11.0, -15.0, 1280, 480);
    EXPECT_DOUBLE_EQ(wide.y, spawn.y);
    EXPECT_NEAR(wide.x - 640.0, spawn.x - 320.0, 1e-9);
}
