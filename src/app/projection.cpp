#include "app/projection.h"

#include "game/well_geometry.h"

#include <cmath>

double aspectRatio(int width, int height)
{
    const int w = width > 0 ? width : 1;
    const int h = height > 0 ? height : 1;
    return static_cast<double>(w) / static_cast<double>(h);
}

WindowPoint projectToWindow(double eyeX, double eyeY, double eyeZ, int width, int height)
{
    const double focal = 1.0 / std::tan(kFieldOfViewDegrees * M_PI / 360.0);
    const double ndcX = focal / aspectRatio(width, height) * eyeX / -eyeZ;
    const double ndcY = focal * eyeY / -eyeZ;
    return WindowPoint{(ndcX + 1.0) * 0.5 * width, (1.0 - ndcY) * 0.5 * height};
}

void cellToEye(double column, double row, double eye[3])
{
    eye[0] = cellEyeX(column);
    eye[1] = cellEyeY(row);
    eye[2] = cellEyeZ(0.0);
}
