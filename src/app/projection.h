// The camera's projection, as plain arithmetic so it can be checked without a window.
#pragma once

// Vertical field of view, near and far planes of the perspective projection.
constexpr double kFieldOfViewDegrees = 100.0;
constexpr double kNearPlane = 1.0;
constexpr double kFarPlane = 20.0;

// Width over height, with a zero size taken as 1 so that a collapsed window still projects.
double aspectRatio(int width, int height);

// Where a point in eye coordinates lands in a width x height window, in pixels from the top left.
struct WindowPoint
{
    double x = 0.0;
    double y = 0.0;
};
WindowPoint projectToWindow(double eyeX, double eyeY, double eyeZ, int width, int height);

// Eye coordinates of the centre of a gem drawn at cell (column, row), depth 0.
void cellToEye(double column, double row, double eye[3]);
