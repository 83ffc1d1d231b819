#include "game/gem_marks.h"

#include <cmath>

namespace
{
bool s_marksShown = false;

// Sizes in units of the gem's radius, chosen so that every two marks differ in well over a tenth
// of the gem's area and none reaches within a fifth of the rim.
constexpr double kRingOuter = 0.68;
constexpr double kRingInner = 0.40;
constexpr double kBarHalfLength = 0.68;
constexpr double kBarHalfWidth = 0.23;
constexpr double kCrossHalfWidth = 0.17;
constexpr double kTriangleCircumradius = 0.72;
constexpr double kDotRadius = 0.22;
constexpr int kRoundSegments = 24;
// Just in front of the sphere: the faceted sphere lies inside radius 1 everywhere.
constexpr double kLift = 1.02;

constexpr float kDark[3] = {0.0f, 0.0f, 0.0f};
constexpr float kLight[3] = {1.0f, 1.0f, 1.0f};

void addPoint(std::vector<float>& outline, double x, double y)
{
    outline.push_back(static_cast<float>(x));
    outline.push_back(static_cast<float>(y));
}

// A rectangle of the given half sizes, turned by `angle` radians about the centre.
void addBar(std::vector<float>& outline, double halfLength, double halfWidth, double angle)
{
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    const double corners[4][2] = {{-halfLength, -halfWidth},
                                  {halfLength, -halfWidth},
                                  {halfLength, halfWidth},
                                  {-halfLength, halfWidth}};
    for (int index : {0, 1, 2, 0, 2, 3})
    {
        const double x = corners[index][0];
        const double y = corners[index][1];
        addPoint(outline, x * c - y * s, x * s + y * c);
    }
}

// An annulus from `inner` to `outer`; a filled disc when inner is zero.
void addRound(std::vector<float>& outline, double inner, double outer)
{
    const double step = 2.0 * M_PI / kRoundSegments;
    for (int k = 0; k < kRoundSegments; ++k)
    {
        const double a = k * step;
        const double b = (k + 1) * step;
        addPoint(outline, outer * std::cos(a), outer * std::sin(a));
        addPoint(outline, outer * std::cos(b), outer * std::sin(b));
        addPoint(outline, inner * std::cos(b), inner * std::sin(b));
        if (inner > 0.0)
        {
            addPoint(outline, outer * std::cos(a), outer * std::sin(a));
            addPoint(outline, inner * std::cos(b), inner * std::sin(b));
            addPoint(outline, inner * std::cos(a), inner * std::sin(a));
        }
    }
}

std::vector<float> buildOutline(int32_t colourIndex)
{
    std::vector<float> outline;
    switch (colourIndex)
    {
        case 0:  // ring
            addRound(outline, kRingInner, kRingOuter);
            break;
        case 1:  // bar, level
            addBar(outline, kBarHalfLength, kBarHalfWidth, 0.0);
            break;
        case 2:  // cross, diagonal, so that it shares little with the level bar
            addBar(outline, kBarHalfLength, kCrossHalfWidth, M_PI / 4.0);
            addBar(outline, kBarHalfLength, kCrossHalfWidth, -M_PI / 4.0);
            break;
        case 3:  // triangle, point up
            for (int k = 0; k < 3; ++k)
            {
                const double a = M_PI / 2.0 + k * 2.0 * M_PI / 3.0;
                addPoint(outline, kTriangleCircumradius * std::cos(a),
                         kTriangleCircumradius * std::sin(a));
            }
            break;
        case 4:  // dot
            addRound(outline, 0.0, kDotRadius);
            break;
        default:
            break;
    }
    return outline;
}
}  // namespace

void showGemMarks(bool on)
{
    s_marksShown = on;
}

bool gemMarksShown()
{
    return s_marksShown;
}

const std::vector<float>& markOutline(int32_t colourIndex)
{
    static const std::vector<float> outlines[6] = {buildOutline(0), buildOutline(1),
                                                   buildOutline(2), buildOutline(3),
                                                   buildOutline(4), buildOutline(5)};
    return outlines[colourIndex >= 0 && colourIndex < 5 ? colourIndex : 5];
}

const float* markColour(int32_t colourIndex)
{
    // Red and blue are the two dark gems in grey scale.
    return colourIndex == 1 || colourIndex == 2 ? kLight : kDark;
}

MarkFrame markFrameFacing(const double eye[3])
{
    // toward: from the centre to the eye; right: level and across it; up completes the frame.
    const double length = std::sqrt(eye[0] * eye[0] + eye[1] * eye[1] + eye[2] * eye[2]);
    const double toward[3] = {-eye[0] / length, -eye[1] / length, -eye[2] / length};
    const double across = std::sqrt(toward[0] * toward[0] + toward[2] * toward[2]);
    MarkFrame frame = {{kLift * toward[0], kLift * toward[1], kLift * toward[2]},
                       {toward[2] / across, 0.0, -toward[0] / across},
                       {}};
    const double* right = frame.right;
    frame.up[0] = toward[1] * right[2] - toward[2] * right[1];
    frame.up[1] = toward[2] * right[0] - toward[0] * right[2];
    frame.up[2] = toward[0] * right[1] - toward[1] * right[0];
    return frame;
}
