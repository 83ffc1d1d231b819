// Where the well stands in eye space: two units per cell, column 0 at x = -5, row 0 at y = -13,
// depth 0 at z = -15. The drawing places gems by it and the projection finds them by it.
#pragma once

constexpr double cellEyeX(double column)
{
    return 2.0 * column - 5.0;
}

constexpr double cellEyeY(double row)
{
    return 2.0 * row - 13.0;
}

constexpr double cellEyeZ(double depth)
{
    return 2.0 * depth - 15.0;
}
